#include "browser/download_start_question.h"

#include <QFileInfo>

#include "ftp/resume_plan.h"
#include "platform/desktop/message_seam.h"

namespace {

// The partial file an earlier binary download kept, when there is one worth
// resuming: a plain file with bytes in it.
qint64 PartialBytes(const QString& localPath) {
    const QFileInfo partial(QString::fromStdString(PartialFilePath(localPath.toStdString())));
    return partial.isFile() && !partial.isSymLink() ? partial.size() : 0;
}

DownloadStart FromAnswer(MessageAnswer answer) {
    if (answer == MessageAnswer::Resume) return DownloadStart::Resume;
    return answer == MessageAnswer::Yes ? DownloadStart::Whole : DownloadStart::Cancel;
}

}  // namespace

DownloadStart AskHowToDownload(QWidget* parent, const QString& localPath) {
    const bool exists = QFileInfo::exists(localPath);
    const qint64 partialBytes = PartialBytes(localPath);
    if (partialBytes == 0) {
        if (!exists) return DownloadStart::Whole;
        return AskYesNo(
                   parent,
                   QStringLiteral("File %1 already exists.\n Do you wish to overwrite it?").arg(localPath))
                   ? DownloadStart::Whole
                   : DownloadStart::Cancel;
    }
    const QString partial = QString::number(partialBytes);
    if (exists) {
        return FromAnswer(
            ShowMessage(parent,
                        QStringLiteral("File %1 already exists, and a partial download of it (%2 bytes) "
                                       "can be resumed.\n Do you wish to resume it or overwrite the file?")
                            .arg(localPath, partial),
                        MessageButtons::ResumeOverwriteCancel, MessageIcon::Question));
    }
    return FromAnswer(
        ShowMessage(parent,
                    QStringLiteral("File %1 was partly downloaded before (%2 bytes).\n Do you wish to "
                                   "resume the download or start again?")
                        .arg(localPath, partial),
                    MessageButtons::ResumeRestartCancel, MessageIcon::Question));
}
