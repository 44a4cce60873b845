#include "options/debug_window.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>

DebugWindow::DebugWindow(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // Read-only still lets keyboard users move, select and copy.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);  // the undo stack would double the memory of a long log
    setAccessibleName(QStringLiteral("Log"));

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(12);
    setFont(font);

    // The welcome text ends in a line break and the append adds another, so one
    // empty line follows it.
    AppendLine(QStringLiteral("Welcome to Quillmoor v2.5\r\n"));
    Flush();
}

void DebugWindow::AppendLine(const std::string& text) { AppendLine(QString::fromLocal8Bit(text)); }

void DebugWindow::AppendLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    line.remove(QLatin1Char('\r'));
    pending.append(line);
}

void DebugWindow::Flush() {
    if (pending.isEmpty()) return;
    // appendPlainText adds its text as new paragraphs at the end of the document
    // through its own cursor, so the user's caret and selection stay where they are.
    appendPlainText(pending.join(QLatin1Char('\n')));
    pending.clear();
    ScrollToNewestLine();
}

void DebugWindow::ScrollToNewestLine() {
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
    horizontalScrollBar()->setValue(0);
}

QStringList DebugWindow::Lines() {
    Flush();
    QStringList lines;
    lines.reserve(document()->blockCount());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        lines.append(block.text());
    }
    return lines;
}
