#include "browser/file_types.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "browser/image_list.h"
#include "platform/desktop/exec_line.h"
#include "platform/desktop/file_type_registry.h"
#include "platform/desktop/icon_spec.h"
#include "platform/desktop/message_seam.h"
#include "platform/desktop/program_icons.h"

namespace {

QString LookUpIconSpec(const QString& extension) {
    if (extension.isEmpty()) return {};
    return FileClassIconSpec(FileClassOfExtension(extension));
}

}  // namespace

template <typename Value, typename LookUp>
Value FileTypeCache::Remembered(QHash<QString, Value>& known, const QString& extension, LookUp lookUp) {
    auto found = known.constFind(extension);
    if (found != known.constEnd()) return *found;
    const Value value = lookUp(extension);
    known.insert(extension, value);
    return value;
}

QString FileTypeCache::IconSpecFor(const QString& extension) {
    return Remembered(iconSpecs, extension, LookUpIconSpec);
}

QString FileTypeCache::NameFor(const QString& extension) { return Remembered(names, extension, FileTypeName); }

int FileTypeIcon(const QString& name, ImageList& smallImages, ImageList& largeImages, FileTypeCache* cache) {
    const qsizetype dot = name.lastIndexOf(u'.');
    QString extension = dot < 0 ? QString() : name.mid(dot);
    if (extension == QLatin1String(".exe")) extension = QStringLiteral(".com");
    const QString spec = cache ? cache->IconSpecFor(extension) : LookUpIconSpec(extension);
    const int known = smallImages.SharedIndex(spec);
    if (known >= 0) return known;
    QIcon icon = IconFromSpec(spec);
    if (icon.isNull()) icon = ProgramIcon(ProgramIcons::kDocument);
    largeImages.AddShared(spec, icon);
    return smallImages.AddShared(spec, icon);
}

QString FindExtension(const QString& name) {
    qsizetype dot = -1;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == u'.') dot = i;
        else if (name[i] == u' ' || name[i] == u'\\') dot = -1;
    }
    return dot < 0 ? QString() : name.mid(dot);
}

QString FileTypeName(const QString& extension) { return FileClassDescription(FileClassOfExtension(extension)); }

QString FindOpenCommand(const QString& localPath) {
    const qsizetype dot = localPath.lastIndexOf(u'.');
    if (dot < 0) return {};
    return FileClassOpenCommand(FileClassOfExtension(localPath.mid(dot)));
}

void OpenWithAssociation(QWidget* parent, const QString& localPath) {
    // An absolute path can never be read as an option, whatever the name.
    const QString path = QFileInfo(localPath).absoluteFilePath();
    const std::optional<CommandLine> command = BuildCommandLine(FindOpenCommand(localPath), path);
    if (!command || !QProcess::startDetached(command->program, command->arguments, QDir::homePath())) {
        ShowMessage(parent, QStringLiteral("I couldn't find the application to open that file."));
    }
}
