#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A program and its arguments, ready to start without a shell.
struct CommandLine {
    QString program;
    QStringList arguments;
};

// Turns an Exec line into a command line for one local file. The line is split
// into arguments by the desktop-entry quoting rules, never by a shell; the file
// path becomes exactly one argument where the first file placeholder (%f %F %u
// %U) stood, or is appended when there is none. Other field codes are dropped,
// "%%" is a literal "%". Nothing when the line is empty or badly quoted.
std::optional<CommandLine> BuildCommandLine(const QString& execLine, const QString& filePath);
