#include "browser/existing_target.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

#include "browser/batch_overwrite_policy.h"
#include "ftp/existing_file_rules.h"
#include "ftp/ftp_session.h"
#include "ftp/socket_error_text.h"

namespace {

TransferTarget Transfer(const QString& path, bool resume = false) {
    return {TransferTarget::Step::Transfer, path, resume};
}

TransferTarget Skip() { return {TransferTarget::Step::Skip, {}, false}; }

}  // namespace

bool ExistingTargets::DownloadsAsAscii(const std::string& remoteName) const {
    const char mode = session.Settings().transferMode;
    const char type = mode == 'F' ? FtpSession::TypeForName(FtpSession::ExtensionKey(remoteName)) : mode;
    return type == 'A';
}

bool ExistingTargets::SourceWins(const std::string& shownName, bool sourceIsRemote,
                                 const std::string& localPath, const std::string& remoteName) {
    const std::optional<ServerTime> localTime = LocalModificationTime(localPath);
    const std::optional<ServerTime> remoteTime = AskRemoteModificationTime(session.Control(), remoteName);
    const std::optional<ServerTime>& source = sourceIsRemote ? remoteTime : localTime;
    const std::optional<ServerTime>& target = sourceIsRemote ? localTime : remoteTime;
    // Without both times there is nothing to go by: the user asked for the
    // file to be replaced, so it is, and the log says why.
    if (!TimesComparable(source, target)) {
        session.Control().LogF("Cannot compare the times of %s; overwriting it.", shownName.c_str());
        return true;
    }
    if (SourceIsNewer(source, target)) return true;
    session.Control().LogF("Skipped %s: the existing file is not older.", shownName.c_str());
    return false;
}

TransferTarget ExistingTargets::ForDownload(const QString& localPath, const std::string& remoteName,
                                            const ExistingFileSide& remote) {
    const QFileInfo there(localPath);
    // A folder in the way makes the download fail as it always has.
    if (!there.exists() || there.isDir()) return Transfer(localPath);
    const std::optional<ExistingFileChoice> choice =
        policy.ChoiceFor({localPath, false, LocalFileSide(localPath), remote});
    if (!choice) return {TransferTarget::Step::CancelBatch, {}, false};
    const std::string local = QFile::encodeName(localPath).toStdString();
    switch (*choice) {
        case ExistingFileChoice::Overwrite:
            return Transfer(localPath);
        case ExistingFileChoice::OverwriteIfNewer:
            return SourceWins(local, true, local, remoteName) ? Transfer(localPath) : Skip();
        case ExistingFileChoice::Resume:
            // An ASCII download converts line ends as it goes and is never
            // continued: the file stays where it is and is replaced whole.
            if (DownloadsAsAscii(remoteName)) {
                session.Control().LogF("Only binary downloads are continued; %s is downloaded whole.",
                                       local.c_str());
                return Transfer(localPath);
            }
            if (const int error = MakeTargetThePartialFile(local)) {
                session.Control().LogF("Could not continue %s: %s; skipped.", local.c_str(),
                                       SystemErrorText(error).c_str());
                return Skip();
            }
            return Transfer(localPath, true);
        case ExistingFileChoice::Rename: {
            const std::string directory = QFile::encodeName(there.absolutePath()).toStdString();
            const std::string name =
                FreeLocalName(directory, QFile::encodeName(there.fileName()).toStdString());
            if (name.empty()) {
                session.Control().LogF("Skipped %s: no free name beside it.", local.c_str());
                return Skip();
            }
            return Transfer(there.absolutePath() + u'/' + QFile::decodeName(QByteArray::fromStdString(name)));
        }
        case ExistingFileChoice::Skip:
            break;
    }
    return Skip();
}

TransferTarget ExistingTargets::ForUpload(const QString& localPath, const QString& remoteName,
                                          bool replacesListedFile, const QStringList& listedNames,
                                          const ExistingFileSide& remote) {
    if (!replacesListedFile) return Transfer(remoteName);
    const std::optional<ExistingFileChoice> choice =
        policy.ChoiceFor({remoteName, true, remote, LocalFileSide(localPath)});
    if (!choice) return {TransferTarget::Step::CancelBatch, {}, false};
    const std::string local = QFile::encodeName(localPath).toStdString();
    const std::string name = QFile::encodeName(remoteName).toStdString();
    switch (*choice) {
        case ExistingFileChoice::Overwrite:
            return Transfer(remoteName);
        case ExistingFileChoice::OverwriteIfNewer:
            return SourceWins(name, false, local, name) ? Transfer(remoteName) : Skip();
        case ExistingFileChoice::Resume:
            return Transfer(remoteName, true);
        case ExistingFileChoice::Rename: {
            std::vector<std::string> listed;
            for (const QString& entry : listedNames) listed.push_back(QFile::encodeName(entry).toStdString());
            const std::string free = FreeRemoteName(name, listed);
            if (free.empty()) {
                session.Control().LogF("Skipped %s: no free name beside it on the server.", name.c_str());
                return Skip();
            }
            return Transfer(QFile::decodeName(QByteArray::fromStdString(free)));
        }
        case ExistingFileChoice::Skip:
            break;
    }
    return Skip();
}
