#include "platform/desktop/file_dialog_seam.h"

#include <QFileDialog>

namespace {

FileDialogResponder& Responder() {
    static FileDialogResponder responder;
    return responder;
}

}  // namespace

QStringList AskForFiles(QWidget* parent, const QString& title, const QString& startDirectory) {
    if (Responder()) return Responder()({FileDialogKind::OpenFiles, title, startDirectory});
    return QFileDialog::getOpenFileNames(parent, title, startDirectory);
}

QString AskForFolder(QWidget* parent, const QString& title, const QString& startDirectory) {
    if (Responder()) {
        const QStringList chosen = Responder()({FileDialogKind::Folder, title, startDirectory});
        return chosen.isEmpty() ? QString() : chosen.first();
    }
    return QFileDialog::getExistingDirectory(parent, title, startDirectory);
}

QString AskForSaveFile(QWidget* parent, const QString& title, const QString& startPath) {
    if (Responder()) {
        const QStringList chosen = Responder()({FileDialogKind::SaveFile, title, startPath});
        return chosen.isEmpty() ? QString() : chosen.first();
    }
    return QFileDialog::getSaveFileName(parent, title, startPath);
}

void SetFileDialogResponder(FileDialogResponder responder) { Responder() = std::move(responder); }
