#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <vector>

#include "platform/desktop/command_target.h"

class QAction;
class QMenu;
class QWidget;

// Routes menu and toolbar commands: first to the pane that holds the keyboard
// focus (when it implements CommandTarget), then to the frame's own handlers.
// The same order decides each command's enabled and checked state, which is
// evaluated just before a menu opens and, for the toolbar, on every idle pass.
// A command nobody handles is disabled.
class CommandRouter : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void()>;
    // Sets the state of a frame command; the state arrives with checked as the
    // action shows it and enabled true.
    using StateRule = std::function<void(CommandState&)>;

    explicit CommandRouter(QObject* parent = nullptr);

    // Panes asked first, in no particular order; the one containing the focus wins.
    void AddPane(QWidget* pane);

    // A command the frame carries out; without a rule it is always enabled.
    void AddFrameCommand(int commandId, Handler handler, StateRule rule = {});

    // Ties an action to a command id: triggering it routes the command.
    void BindAction(int commandId, QAction* action);
    QAction* Action(int commandId) const;

    // Re-evaluates the actions of a menu every time it is about to show.
    void WatchMenu(QMenu* menu);

    void Route(int commandId);
    CommandState StateOf(int commandId) const;
    void UpdateActions(const QList<QAction*>& actions);
    void UpdateAllActions();

    // The pane holding the keyboard focus, if it takes part in routing.
    CommandTarget* FocusedTarget() const;

private:
    struct FrameCommand {
        Handler handler;
        StateRule rule;
    };

    std::vector<QPointer<QWidget>> panes;
    // The pane that last held the keyboard focus: commands still go there while
    // no widget has focus (a popup menu open, or a window manager that gave the
    // window no focus).
    QPointer<QWidget> lastFocusedPane;
    std::map<int, FrameCommand> frameCommands;
    std::map<int, QPointer<QAction>> actions;
};
