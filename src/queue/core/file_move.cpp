#include "queue/core/file_move.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ftp/bounded_text.h"
#include "ftp/existing_file_rules.h"
#include "ftp/remote_file_facts.h"
#include "ftp/resume_plan.h"
#include "ftp/walk_paths.h"
#include "ftp/remote_path.h"

namespace {

constexpr std::size_t kShownCapacity = 200;

FileFacts LocalFacts(const std::string& path) {
    FileFacts facts;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return facts;
    facts.exists = true;
    facts.size = static_cast<std::int64_t>(info.st_size);
    facts.modified = static_cast<std::int64_t>(info.st_mtime);
    return facts;
}

bool LocalExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool IsReadableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

// Whether a download of remoteName goes in ASCII (the transfer mode, or the
// extension table in Auto-Detect mode).
bool DownloadsAsAscii(const FtpSession& session, const std::string& remoteName) {
    const char mode = session.Settings().transferMode;
    const char type = mode == 'F' ? FtpSession::TypeForName(FtpSession::ExtensionKey(remoteName)) : mode;
    return type == 'A';
}

}  // namespace

std::string ShownText(const std::string& text) {
    std::string shown = CutToCapacity(text, kShownCapacity);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return shown;
}

FileMove::Result FileMove::Run(TransferJob& file, Start start) {
    const bool upload = file.direction == TransferDirection::Upload;
    RemoteLocation where = SplitRemotePath(file.remotePath);
    if (session.ChangeDir(where.directory) != kComplete) {
        return {JobState::Failed, ReplyFailure("Could not enter " + where.directory)};
    }
    if (upload && !IsReadableFile(file.localPath)) {
        // Checked here: the engine would store an empty remote file instead.
        return {JobState::Failed, "Cannot read " + file.localPath};
    }
    bool resume = start == Start::Continue;
    if (!resume) {
        bool skipped = false;
        Result settled = Settle(file, where.name, start == Start::AfterPause, resume, skipped);
        if (skipped || settled.state == JobState::Failed) return settled;
    }
    session.SetResume(resume);
    TransferRetry retry(session, retryPolicy);
    retry.SetRetryNotice(retryNotice);
    // A new log-in starts in the server's initial directory.
    retry.SetReconnect([this, &where](FtpSession& s) {
        return logIn(s).Connected() && s.ChangeDir(where.directory) == kComplete;
    });
    const TransferOutcome outcome =
        retry.Run(upload ? TransferRetry::Direction::Upload : TransferRetry::Direction::Download, where.name,
                  file.localPath);
    session.SetResume(false);
    return Conclude(outcome);
}

FileMove::Result FileMove::Settle(TransferJob& file, std::string& remoteName, bool afterPause, bool& resume,
                                  bool& skipped) {
    // Overwriting afresh needs no facts: three fewer exchanges per file.
    if (!file.existing) file.existing = standingChoice;
    if (file.existing == ExistingFileChoice::Overwrite && !afterPause) return {};
    const bool upload = file.direction == TransferDirection::Upload;
    const FileFacts local = LocalFacts(file.localPath);
    // Nor does a download without a choice whose target is not there.
    if (!upload && !file.existing && !afterPause && !local.exists) {
        file.existing = ExistingFileChoice::Overwrite;
        return {};
    }
    const FileFacts remote = RemoteFacts(remoteName);
    const FileFacts& source = upload ? local : remote;
    const FileFacts& target = upload ? remote : local;
    std::optional<TargetDecision> continuation;
    if (afterPause) {
        continuation =
            DecideContinuation(upload, LocalExists(PartialFilePath(file.localPath)), source, target);
    }
    if (!continuation && !file.existing) {
        if (std::optional<Result> stop = Choose(file, source, target)) return *stop;
    }
    const TargetDecision decision =
        continuation ? *continuation
                     : DecideExistingTarget(file.existing.value_or(ExistingFileChoice::Overwrite), source, target);
    if (decision.action == TargetDecision::Action::Skip) {
        session.Control().LogF("%s: %s", (upload ? file.remotePath : file.localPath).c_str(),
                               decision.note.c_str());
        skipped = true;
        return {JobState::Done, decision.note};
    }
    if (decision.rename) {
        const std::filesystem::path local(file.localPath);
        const std::string freeName =
            upload
                ? NumberedFreeName(remoteName, [this](const std::string& n) { return RemoteFacts(n).exists; })
                : FreeLocalName(local.parent_path().string(), local.filename().string());
        if (freeName.empty()) return {JobState::Failed, "No free name beside the target"};
        if (upload) {
            file.remotePath = SplitRemotePath(file.remotePath).directory;
            file.remotePath += (file.remotePath == "/" ? "" : "/") + freeName;
            remoteName = freeName;
        } else {
            file.localPath = JoinLocalPath(local.parent_path().string(), freeName);
        }
    }
    resume = decision.resume;
    if (resume && !upload && DownloadsAsAscii(session, remoteName)) {
        // Line ends are converted as the bytes arrive, so what is here cannot
        // be counted against the server's file: it is replaced whole, and no
        // partial file is made that a later binary download would continue.
        session.Control().LogF("Only binary downloads are continued; %s is downloaded whole.",
                               file.localPath.c_str());
        resume = false;
    }
    if (resume && !upload) {
        // A download continues its kept partial file; to continue the target
        // itself, a copy of it becomes that partial file, so that the target
        // stays whole until the download has completed.
        const std::string partial = PartialFilePath(file.localPath);
        std::error_code error;
        if (!LocalExists(partial) &&
            !std::filesystem::copy_file(file.localPath, partial, std::filesystem::copy_options::none,
                                        error)) {
            return {JobState::Failed, "Cannot continue " + file.localPath + ": " + error.message()};
        }
    }
    file.existing = resume ? ExistingFileChoice::Resume : ExistingFileChoice::Overwrite;
    return {};
}

// The user decides about a target the job had no choice for; what is not
// there is simply written. Something to return when the job ends here.
std::optional<FileMove::Result> FileMove::Choose(TransferJob& file, const FileFacts& source,
                                                 const FileFacts& target) {
    if (!target.exists) return std::nullopt;
    const bool upload = file.direction == TransferDirection::Upload;
    const TargetQuestion question{0, upload, upload ? file.remotePath : file.localPath, target, source};
    const std::optional<TargetAnswer> answer =
        asker ? asker(question) : TargetAnswer{ExistingFileChoice::Skip, false};
    if (!answer) return Result{JobState::Failed, "Stopped"};
    if (!answer->choice) return Result{JobState::Failed, "Cancelled"};
    file.existing = answer->choice;
    if (answer->applyToAll) standingChoice = answer->choice;
    return std::nullopt;
}

FileFacts FileMove::RemoteFacts(const std::string& name) {
    FileFacts facts;
    const ::Result<RemoteFileFacts> known = AskFileFacts(session.Control(), name);
    if (!known) return facts;
    facts.exists = true;
    facts.size = known.Value().size;
    facts.modified = known.Value().modified;
    return facts;
}

// The one place that turns how a transfer ended (after its retries) into a
// job state.
FileMove::Result FileMove::Conclude(const TransferOutcome& outcome) const {
    switch (outcome.kind) {
        case TransferOutcome::Kind::Verified:
            return {JobState::Verified, {}};
        case TransferOutcome::Kind::Completed:
            return {JobState::Done, {}};
        default:
            break;
    }
    if (!outcome.reason.empty()) return {JobState::Failed, ShownText(outcome.reason)};
    return {JobState::Failed, ReplyFailure("Transfer failed")};
}

std::string FileMove::ReplyFailure(const std::string& fallback) const {
    const ControlChannel& control = session.Control();
    // A closed connection reads as a 421 without text.
    if (!session.IsConnected() || (control.ReplyCode() == 421 && control.ReplyText().empty())) {
        return "The connection was lost";
    }
    if (control.ReplyCode() >= 400 && !control.ReplyText().empty()) return ShownText(control.ReplyText());
    return fallback;
}
