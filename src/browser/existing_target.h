#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "browser/existing_file_question.h"

class BatchOverwritePolicy;
class FtpSession;

// Where one file of a batch is transferred to, once what is at its target has
// been asked about.
struct TransferTarget {
    enum class Step { Transfer, Skip, CancelBatch };
    Step step = Step::Transfer;
    QString path;         // a download's local path, an upload's remote name
    bool resume = false;  // continue the target rather than replace it
};

// Applies a batch's answers about existing targets: Overwrite transfers as
// usual, Overwrite if newer compares the modification times (the server's by
// MDTM), Resume continues the target, Rename picks a free name beside it,
// Skip leaves it. Each decision that leaves a file alone is logged.
class ExistingTargets {
public:
    ExistingTargets(FtpSession& session, BatchOverwritePolicy& policy) : session(session), policy(policy) {}

    // A download of remoteName into localPath (a path inside its folder);
    // remote is what the list shows of the remote file.
    TransferTarget ForDownload(const QString& localPath, const std::string& remoteName,
                               const ExistingFileSide& remote);
    // An upload of localPath under remoteName into the directory listed;
    // replacesListedFile says whether the listing shows a file of that name.
    TransferTarget ForUpload(const QString& localPath, const QString& remoteName, bool replacesListedFile,
                             const QStringList& listedNames, const ExistingFileSide& remote);

private:
    // Whether the download of remoteName goes in ASCII (the transfer mode, or
    // the extension table in Auto-Detect mode), which cannot be continued.
    bool DownloadsAsAscii(const std::string& remoteName) const;
    // Whether the source is to replace the target under Overwrite if newer.
    bool SourceWins(const std::string& shownName, bool sourceIsRemote, const std::string& localPath,
                    const std::string& remoteName);

    FtpSession& session;
    BatchOverwritePolicy& policy;
};
