#include "queue/core/queue_worker.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>

#include "ftp/bounded_text.h"
#include "ftp/modification_time.h"
#include "ftp/resume_plan.h"
#include "queue/core/target_names.h"

namespace {

constexpr std::size_t kFailureCapacity = 200;
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

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

bool IsLocalDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsReadableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), R_OK) == 0;
}

// The bytes of the regular files below root, for the progress of an upload walk.
std::int64_t LocalTreeSize(const std::string& root) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::int64_t total = 0;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError)) {
            const auto size = it->file_size(sizeError);
            if (!sizeError) total += static_cast<std::int64_t>(size);
        }
    }
    return error ? -1 : total;
}

std::string JoinRemote(const std::string& directory, const std::string& name) {
    return directory == "/" ? "/" + name : directory + "/" + name;
}

// "213 1234" gives 1234; anything else -1.
std::int64_t SizeInReply(const std::string& reply) {
    if (reply.size() < 5) return -1;
    std::int64_t size = -1;
    const char* first = reply.data() + 4;
    const char* last = reply.data() + reply.size();
    auto [end, failure] = std::from_chars(first, last, size);
    return failure == std::errc() && end == last && size >= 0 ? size : -1;
}

// A reply shown in the queue: bounded, and without control characters a
// hostile server could put there.
std::string Printable(const std::string& text) {
    std::string shown = CutToCapacity(text, kFailureCapacity);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return shown;
}

std::string LogonFailure(const LogonResult& logon) {
    using Cause = LogonResult::Cause;
    std::string why;
    switch (logon.cause) {
        case Cause::Connected:
        case Cause::AlreadyConnected: why = "the connection was lost"; break;
        case Cause::NoFirewallHost: why = "no firewall host"; break;
        case Cause::HostNotFound: why = "host not found"; break;
        case Cause::ConnectionRefused: why = "connection refused"; break;
        case Cause::TimedOut: why = "timed out"; break;
        case Cause::ConnectionFailed: why = "connection failed"; break;
        case Cause::Cancelled: why = "cancelled"; break;
        case Cause::BadWelcome: why = "refused by the server"; break;
        case Cause::ProxyRefused: why = "refused by the firewall"; break;
        case Cause::WrongCredentials: why = "log-in refused"; break;
        case Cause::NotSecured: why = "the connection could not be secured"; break;
    }
    std::string text = "Could not connect: " + why;
    if (!logon.replyText.empty()) text += " (" + Printable(logon.replyText) + ")";
    return text;
}

}  // namespace

void QueueWorker::Waiter::LogLinesWaiting() {
    for (const std::string& line : ownLog.TakeAll()) sharedLog.Append(line);
}

QueueWorker::QueueWorker(TransferQueue& queue, const SettingsLookup& settingsFor, LogQueue& sharedLog)
    : queue(queue), settingsFor(settingsFor), waiter(ownLog, sharedLog) {
    waiter.SetPollInterval(kProgressInterval);
    waiter.SetProgress([this](EngineUi::WaitKind kind, const std::string&, std::int64_t expected,
                              std::int64_t done) {
        if (kind == EngineUi::WaitKind::TransferStatus) ReportProgress(expected, done);
    });
    session.SetUi(&waiter);
}

QueueWorker::~QueueWorker() {
    Interrupt();
    session.CancelWorker();
    session.SetUi(nullptr);
    waiter.LogLinesWaiting();
}

void QueueWorker::StopJob(std::uint64_t id) {
    std::lock_guard<std::mutex> guard(stopLock);
    if (runningJob != id || id == 0 || stopAsked) return;
    stopAsked = true;
    // The waiter ends a wait for a transfer; the stop request ends a short
    // exchange the job is in (a directory change, a size question).
    waiter.Cancel();
    session.RequestStop();
}

void QueueWorker::Interrupt() {
    interrupted = true;
    std::uint64_t running;
    {
        std::lock_guard<std::mutex> guard(stopLock);
        running = runningJob;
    }
    StopJob(running);
}

void QueueWorker::Disconnect() {
    session.CloseAll();
    loggedInSite.clear();
}

bool QueueWorker::StopAsked() const {
    std::lock_guard<std::mutex> guard(stopLock);
    return stopAsked;
}

void QueueWorker::Run(const TransferJob& taken) {
    {
        std::lock_guard<std::mutex> guard(stopLock);
        runningJob = taken.id;
        stopAsked = false;
    }
    TransferJob job = taken;
    Outcome outcome = interrupted ? Outcome{JobState::Queued, {}} : Execute(job);
    bool stopped;
    {
        std::lock_guard<std::mutex> guard(stopLock);
        stopped = stopAsked;
        runningJob = 0;
        stopAsked = false;
    }
    if (stopped) {
        // The cancel sequence clears the stop and leaves the session closed
        // (the next job logs in again); a cancel that arrived after the
        // wait it was meant for must not end the next job's first wait.
        session.CancelWorker();
        waiter.ClearCancel();
        loggedInSite.clear();
    }
    // A runner that stops gives its unfinished jobs back; they continue
    // from what they transferred when it starts again.
    if (interrupted && outcome.state == JobState::Failed) outcome = Outcome{JobState::Queued, {}};
    queue.Finish(job.id, outcome.state, outcome.text);
}

QueueWorker::Outcome QueueWorker::Execute(TransferJob& job) {
    if (job.remotePath.empty() || job.remotePath.front() != '/' || job.localPath.empty()) {
        return {JobState::Failed, "Needs a local path and an absolute remote path"};
    }
    if (std::optional<std::string> failure = Connect(job.site)) return {JobState::Failed, *failure};
    return job.isDirectory ? TransferTree(job) : TransferFile(job);
}

std::optional<std::string> QueueWorker::Connect(const std::string& site) {
    if (session.IsConnected() && loggedInSite == site) return std::nullopt;
    std::optional<ConnectionSettings> settings = settingsFor(site);
    if (!settings) return "Unknown site";
    session.CloseAll();
    loggedInSite.clear();
    session.Configure(*settings);
    session.StartConnectWorker();
    if (waiter.WaitForWorker(EngineUi::WaitKind::Connecting, "Connecting to " + settings->host, status) ==
        EngineUi::WaitResult::Cancelled) {
        session.CancelWorker();
        return "Stopped";
    }
    session.JoinWorker();
    if (!session.IsConnected()) return LogonFailure(session.LastLogon());
    loggedInSite = site;
    return std::nullopt;
}

QueueWorker::Outcome QueueWorker::TransferFile(TransferJob& job) {
    const bool upload = job.direction == TransferDirection::Upload;
    RemoteLocation where = SplitRemotePath(job.remotePath);
    if (session.ChangeDir(where.directory) != kComplete) {
        return {JobState::Failed, ReplyFailure("Could not enter " + where.directory)};
    }
    if (upload && !IsReadableFile(job.localPath)) {
        // Checked here: the engine would store an empty remote file instead.
        return {JobState::Failed, "Cannot read " + job.localPath};
    }
    // A job that has transferred bytes before continues from them; the
    // question about an existing target was settled on its first run.
    bool resume = job.doneBytes > 0;
    if (!resume) {
        if (std::optional<Outcome> settled = SettleExistingTarget(job, where.name, resume)) return *settled;
    }
    std::int64_t total = upload ? LocalFacts(job.localPath).size : job.totalBytes;
    progress.Start(false, total, resume ? job.doneBytes : 0, JobProgress::Clock::now());
    session.SetResume(resume);
    const ReplyClass result =
        upload ? session.UploadFile(where.name, &job.localPath) : session.DownloadFile(where.name, &job.localPath);
    session.SetResume(false);
    if (result == kComplete) {
        // The last poll may have come before the end: the job shows the whole file.
        const std::int64_t size = LocalFacts(job.localPath).size;
        if (size >= 0) queue.ReportProgress(job.id, size, size, 0, 0);
    }
    return Conclude(job, result);
}

std::optional<QueueWorker::Outcome> QueueWorker::SettleExistingTarget(TransferJob& job, std::string& remoteName,
                                                                      bool& resume) {
    const bool upload = job.direction == TransferDirection::Upload;
    const FileFacts local = LocalFacts(job.localPath);
    const FileFacts remote = RemoteFacts(remoteName);
    const TargetDecision decision = DecideExistingTarget(job.existing, upload ? local : remote,
                                                         upload ? remote : local);
    if (decision.action == TargetDecision::Action::Skip) {
        session.Control().LogF("%s: %s", (upload ? job.remotePath : job.localPath).c_str(), decision.note.c_str());
        return Outcome{JobState::Done, decision.note};
    }
    if (decision.rename) {
        std::string freeName = upload ? FreeName(remoteName, [this](const std::string& n) { return RemoteExists(n); })
                                      : FreeName(job.localPath, LocalExists);
        if (freeName.empty()) return Outcome{JobState::Failed, "No free name beside the target"};
        if (upload) {
            remoteName = freeName;
            job.remotePath = JoinRemote(SplitRemotePath(job.remotePath).directory, freeName);
        } else {
            job.localPath = freeName;
        }
    }
    resume = decision.resume;
    if (resume && !upload) {
        // A download continues its kept partial file; to continue the target
        // itself, a copy of it becomes that partial file, so that the target
        // stays whole until the download has completed.
        const std::string partial = PartialFilePath(job.localPath);
        std::error_code error;
        if (!LocalExists(partial) &&
            !std::filesystem::copy_file(job.localPath, partial, std::filesystem::copy_options::none, error)) {
            return Outcome{JobState::Failed, "Cannot continue " + job.localPath + ": " + error.message()};
        }
    }
    // Settled once: a later run of the job continues what this one transferred.
    job.existing = resume ? ExistingFileChoice::Resume : ExistingFileChoice::Overwrite;
    queue.Retarget(job.id, job.localPath, job.remotePath, job.existing);
    return std::nullopt;
}

FileFacts QueueWorker::RemoteFacts(const std::string& name) {
    FileFacts facts;
    ControlChannel& control = session.Control();
    if (control.RefuseUnsendable(name)) return facts;
    if (control.SendCommand("SIZE " + name) == kComplete && control.ReplyCode() == 213) {
        facts.exists = true;
        facts.size = SizeInReply(control.ReplyText());
    }
    if (control.SendCommand("MDTM " + name) == kComplete && control.ReplyCode() == 213) {
        facts.exists = true;
        if (std::optional<ServerTime> time = TimeFromMdtmReply(control.ReplyText())) facts.modified = time->seconds;
    }
    return facts;
}

bool QueueWorker::RemoteExists(const std::string& name) { return RemoteFacts(name).exists; }

// Entering the directory is the one test every server answers.
bool QueueWorker::RemoteDirectoryExists(const std::string& name, const std::string& parent) {
    if (session.ChangeDir(name) != kComplete) return false;
    session.ChangeDir(parent);
    return true;
}

QueueWorker::Outcome QueueWorker::TransferTree(TransferJob& job) {
    const bool upload = job.direction == TransferDirection::Upload;
    RemoteLocation where = SplitRemotePath(job.remotePath);
    if (session.ChangeDir(where.directory) != kComplete) {
        return {JobState::Failed, ReplyFailure("Could not enter " + where.directory)};
    }
    if (upload && !IsLocalDirectory(job.localPath)) return {JobState::Failed, job.localPath + " is not a directory"};
    auto remoteTaken = [&](const std::string& n) { return RemoteDirectoryExists(n, where.directory); };
    const bool exists = upload ? remoteTaken(where.name) : LocalExists(job.localPath);
    if (exists) {
        // The walks only fill directories they make themselves.
        if (job.existing == ExistingFileChoice::Skip) return {JobState::Done, "Skipped: the target exists"};
        if (job.existing != ExistingFileChoice::Rename) return {JobState::Failed, "The target directory exists"};
        std::string freeName = upload ? FreeName(where.name, remoteTaken) : FreeName(job.localPath, LocalExists);
        if (freeName.empty()) return {JobState::Failed, "No free name beside the target"};
        if (upload) {
            where.name = freeName;
            job.remotePath = JoinRemote(where.directory, freeName);
        } else {
            job.localPath = freeName;
        }
        queue.Retarget(job.id, job.localPath, job.remotePath, ExistingFileChoice::Overwrite);
    }
    progress.Start(true, upload ? LocalTreeSize(job.localPath) : -1, 0, JobProgress::Clock::now());
    const WalkResult walk =
        upload ? session.UploadTree(job.localPath, where.name) : session.DownloadTree(where.name, &job.localPath);
    switch (walk.outcome) {
        case WalkResult::Outcome::Completed:
            return Conclude(job, kComplete);
        case WalkResult::Outcome::SomeFailed:
            return {JobState::Failed, std::to_string(walk.failures) + " entries not transferred"};
        case WalkResult::Outcome::Aborted:
        case WalkResult::Outcome::NotConnected:
            break;
    }
    return {JobState::Failed, StopAsked() ? "Stopped" : ReplyFailure("The walk stopped")};
}

QueueWorker::Outcome QueueWorker::Conclude(const TransferJob&, ReplyClass result) {
    if (result == kComplete) return {JobState::Done, {}};
    if (StopAsked()) return {JobState::Failed, "Stopped"};
    return {JobState::Failed, ReplyFailure("Transfer failed")};
}

std::string QueueWorker::ReplyFailure(const std::string& fallback) const {
    if (!session.IsConnected()) return "The connection was lost";
    const ControlChannel& control = session.Control();
    if (control.ReplyCode() >= 400) return Printable(control.ReplyText());
    return fallback;
}

void QueueWorker::ReportProgress(std::int64_t expected, std::int64_t done) {
    std::uint64_t id;
    {
        std::lock_guard<std::mutex> guard(stopLock);
        id = runningJob;
    }
    progress.Update(expected, done, JobProgress::Clock::now());
    queue.ReportProgress(id, progress.DoneBytes(), progress.TotalBytes(), progress.BytesPerSecond(),
                         progress.SecondsLeft());
}
