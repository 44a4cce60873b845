#include "platform/desktop/exec_line.h"

namespace {

// Undoes the escapes of a desktop-entry string value (\s \n \t \r \\).
QString UnescapeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
            case 's': out += u' '; break;
            case 'n': out += u'\n'; break;
            case 't': out += u'\t'; break;
            case 'r': out += u'\r'; break;
            default: out += u'\\'; out += next; break;  // left for the quoting rules
        }
    }
    return out;
}

struct Argument {
    QString text;
    bool quoted = false;
};

// Splits at unquoted blanks; inside double quotes a backslash escapes " ` $ and \.
std::optional<QList<Argument>> SplitArguments(const QString& line) {
    QList<Argument> arguments;
    Argument current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < line.size() && QStringLiteral("\"`$\\").contains(line[i + 1])) {
                current.text += line[++i];
            } else {
                current.text += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument) arguments.append(current);
            current = Argument{};
            inArgument = false;
        } else if (c == u'"') {
            inQuotes = inArgument = current.quoted = true;
        } else {
            current.text += c;
            inArgument = true;
        }
    }
    if (inQuotes) return std::nullopt;
    if (inArgument) arguments.append(current);
    return arguments;
}

bool IsFilePlaceholder(QChar code) { return QStringLiteral("fFuU").contains(code); }

// Expands the field codes of one unquoted argument. The file path is put in
// for the first file placeholder of the whole line only.
QString ExpandFieldCodes(const QString& text, const QString& filePath, bool& fileUsed) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const QChar code = text[++i];
        if (code == u'%') {
            out += u'%';
        } else if (IsFilePlaceholder(code) && !fileUsed) {
            out += filePath;
            fileUsed = true;
        }
        // Every other code (%i %c %k and the deprecated ones) expands to nothing.
    }
    return out;
}

}  // namespace

std::optional<CommandLine> BuildCommandLine(const QString& execLine, const QString& filePath) {
    const std::optional<QList<Argument>> split = SplitArguments(UnescapeValue(execLine));
    if (!split || split->isEmpty()) return std::nullopt;

    QStringList words;
    bool fileUsed = false;
    for (const Argument& argument : *split) {
        if (argument.quoted) {
            words.append(argument.text);  // field codes are not expanded inside quotes
            continue;
        }
        const bool wasPlaceholderOnly = argument.text.size() == 2 && argument.text[0] == u'%';
        const QString expanded = ExpandFieldCodes(argument.text, filePath, fileUsed);
        // A lone field code that expands to nothing leaves no empty argument behind.
        if (expanded.isEmpty() && wasPlaceholderOnly) continue;
        words.append(expanded);
    }
    if (words.isEmpty() || words.first().isEmpty()) return std::nullopt;
    if (!fileUsed) words.append(filePath);

    CommandLine command;
    command.program = words.takeFirst();
    command.arguments = words;
    return command;
}
