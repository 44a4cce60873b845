#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Every file chooser of the program goes through here, so tests can answer
// them without a modal loop, as they answer message boxes.
enum class FileDialogKind { OpenFiles, Folder, SaveFile };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::OpenFiles;
    QString title;
    QString startDirectory;
};

// The chosen paths; empty when the user cancelled.
using FileDialogResponder = std::function<QStringList(const FileDialogRequest&)>;

// Existing local files (several may be chosen); empty for Cancel.
QStringList AskForFiles(QWidget* parent, const QString& title, const QString& startDirectory);

// An existing local folder; empty for Cancel.
QString AskForFolder(QWidget* parent, const QString& title, const QString& startDirectory);

// A local file to write, existing or not; empty for Cancel.
QString AskForSaveFile(QWidget* parent, const QString& title, const QString& startPath);

// Installs a responder (tests); an empty one restores the real dialogs.
void SetFileDialogResponder(FileDialogResponder responder);
