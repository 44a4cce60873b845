#pragma once

// Enabled and checked state of one command, as shown by its menu entry and
// toolbar button.
struct CommandState {
    bool enabled = false;
    bool checked = false;
};

// Implemented by a pane that takes part in command routing. The main frame asks
// the pane holding the keyboard focus first and handles what the pane declines.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;

    // Runs the command and returns true, or returns false to pass it on.
    virtual bool HandleCommand(int commandId) = 0;

    // Sets the command's state and returns true when this pane decides it, or
    // returns false (leaving state alone) to let the frame decide. Called just
    // before a menu opens and periodically for the toolbar, so it must be cheap.
    virtual bool UpdateCommandState(int commandId, CommandState& state) = 0;
};
