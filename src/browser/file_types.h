#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

class CImageList;
class QWidget;

// Remembers the icon and type name found for each extension during one fill
// of the list, so a listing of many files of few types asks the MIME database
// once per type. A new fill starts with a new cache and so sees any change of
// the desktop's file types.
class FileTypeCache {
public:
    QIcon IconFor(const QString& extension);
    QString NameFor(const QString& extension);

private:
    template <typename Value, typename LookUp>
    static Value Remembered(QHash<QString, Value>& known, const QString& extension, LookUp lookUp);

    QHash<QString, QIcon> icons;
    QHash<QString, QString> names;
};

// Appends the icon of the name's file type to both image lists (the default
// document icon when none is registered) and returns the index of the new image
// in the small list. The extension is the text from the last "." on; ".exe"
// takes the icon of ".com".
int FileTypeIcon(const QString& name, CImageList& smallImages, CImageList& largeImages,
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
