#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <string>

// The log pane at the bottom of the main window: every command sent, every reply
// received and the engine's notes, one line each, newest at the bottom. It is
// read-only; the user may still select and copy. Lines are collected and written
// in batches so that a flood of lines costs one layout pass per batch.
class DebugWindow : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit DebugWindow(QWidget* parent = nullptr);

    // Adds one line at the end, whatever the caret or selection. A text that
    // itself ends in a line break leaves an empty line after it.
    void AppendLine(const std::string& text);
    void AppendLine(const QString& text);

    // Writes the collected lines into the text and scrolls the newest into view.
    // Whoever appends a batch flushes it (the application's refresh, after it
    // has moved every waiting log line here).
    void Flush();

    // The whole text, one entry per line, after a flush.
    QStringList Lines();

private:
    void ScrollToNewestLine();

    QStringList pending;
};
