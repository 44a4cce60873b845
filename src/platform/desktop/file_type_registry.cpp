#include "platform/desktop/file_type_registry.h"

#include <QIcon>
#include <QMimeDatabase>
#include <QMimeType>

#include "platform/desktop/mime_applications.h"
#include "platform/desktop/program_icons.h"

namespace {

QMimeType TypeByName(const QString& name) {
    if (name.isEmpty()) return {};
    const QMimeType type = QMimeDatabase().mimeTypeForName(name);
    return type.isValid() ? type : QMimeType();
}

}  // namespace

QString FileClassOfExtension(const QString& extension) {
    // A "." in a directory name gives an "extension" with a "/" in it; the
    // database would match its last component as a whole file name.
    if (extension.size() < 2 || !extension.startsWith(u'.') || extension.contains(u'/')) return {};
    // The globs of the MIME database match whole names; any stem will do.
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QStringLiteral("x") + extension);
    return types.isEmpty() ? QString() : types.first().name();
}

QString FileClassDescription(const QString& fileClass) { return TypeByName(fileClass).comment(); }

QString FileClassIconSpec(const QString& fileClass) {
    const QMimeType type = TypeByName(fileClass);
    if (!type.isValid()) return {};
    EnsureIconTheme();
    // Themes rarely draw every specific type; the generic icon ("text-x-generic")
    // is the freedesktop rule for those.
    if (QIcon::hasThemeIcon(type.iconName())) return type.iconName();
    return type.genericIconName();
}

QString FileClassOpenCommand(const QString& fileClass) {
    const QMimeType type = TypeByName(fileClass);
    if (!type.isValid()) return {};
    QString command = DefaultApplicationExec(type.name());
    if (!command.isEmpty()) return command;
    for (const QString& ancestor : type.allAncestors()) {
        command = DefaultApplicationExec(ancestor);
        if (!command.isEmpty()) return command;
    }
    return {};
}
