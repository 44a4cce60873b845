#pragma once

#include <QHash>
#include <QString>

class ImageList;
class QWidget;

// Remembers the icon reference and type name found for each extension during
// one fill of the list, so a listing of many files of few types asks the MIME
// database once per type. A new fill starts with a new cache and so sees any change of
// the desktop's file types.
class FileTypeCache {
public:
    QString IconSpecFor(const QString& extension);
    QString NameFor(const QString& extension);

private:
    template <typename Value, typename LookUp>
    static Value Remembered(QHash<QString, Value>& known, const QString& extension, LookUp lookUp);

    QHash<QString, QString> iconSpecs;
    QHash<QString, QString> names;
};

// The image of the name's file type in both image lists (the default document
// icon when none is registered): the one already shared by files of that type,
// or a new one appended to both lists. Returns its index, the same in both.
// The extension is the text from the last "." on; ".exe" takes the icon of
// ".com".
int FileTypeIcon(const QString& name, ImageList& smallImages, ImageList& largeImages,
                 FileTypeCache* cache = nullptr);

// The extension the "Type" column uses: from the last "." that no blank or "\"
// follows, to the end; empty when there is none.
QString FindExtension(const QString& name);

// The description registered for an extension ("Plain text document"), or empty.
QString FileTypeName(const QString& extension);

// The open command registered for a local file's type: the Exec line of the
// type's default application. The extension is the text from the last "." of
// the whole path; no "." gives an empty command.
QString FindOpenCommand(const QString& localPath);

// Starts the registered application on a local file, or tells the user there is
// none. The command is never handed to a shell and the path is one argument.
void OpenWithAssociation(QWidget* parent, const QString& localPath);
