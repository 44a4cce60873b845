// get, put, getdir, putdir and ls: the transfers of the engine from the
// command line, each run on the main thread with a progress line
// on a terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/cli_command.h"
#include "ftp/printable_text.h"
#include "cli/progress_line.h"
#include "ftp/ftp_session.h"
#include "cli/cli_progress.h"
#include "ftp/resume_plan.h"
#include "ftp/transfer_retry.h"
#include "ftp/walk_paths.h"

namespace {

std::string NoCheck(const std::vector<std::string>&) { return {}; }

// The last component of a path ("dir/file" gives "file").
std::string LastComponent(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The size of a regular file at path, or -1.
long long RegularFileSize(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long long>(info.st_size);
}

// Shows a progress line on stderr while a transfer runs, when stderr is a
// terminal; the line is removed again when the command ends.
class ProgressDisplay {
public:
    ProgressDisplay(CliProgress& progress, const std::string& text) : progress(progress) {
        if (!isatty(STDERR_FILENO)) return;
        line = std::make_unique<ProgressLine>(stderr);
        progress.Show(line.get(), text);
    }
    ~ProgressDisplay() {
        if (!line) return;
        progress.Show(nullptr, {});
        line->Clear();
    }
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

private:
    CliProgress& progress;
    std::unique_ptr<ProgressLine> line;
};

// Rejects the names that could only fail or mislead in a walk's local root.
std::string CheckLocalName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return "\"" + name + "\" cannot name a local file";
    return {};
}

std::string CheckGet(const std::vector<std::string>& args) {
    return args.size() > 1 ? std::string() : CheckLocalName(LastComponent(args[0]));
}

// "-c" in front of get's and put's names continues a transfer that broke off.
constexpr const char* kContinueWord = "-c";
constexpr const char* kGetUsage = "get [-c] NAME [LOCAL]";
constexpr const char* kPutUsage = "put [-c] LOCAL [NAME]";

bool AsksToContinue(const std::vector<std::string>& args) {
    return !args.empty() && args[0] == kContinueWord;
}

// The names after an optional "-c".
std::vector<std::string> TransferNames(const std::vector<std::string>& args) {
    return AsksToContinue(args) ? std::vector<std::string>(args.begin() + 1, args.end()) : args;
}

std::string CheckTransferNames(const std::vector<std::string>& args, const char* usage) {
    const std::size_t names = TransferNames(args).size();
    if (names < 1 || names > 2) return std::string("usage: ") + usage;
    return {};
}

std::string CheckGetFile(const std::vector<std::string>& args) {
    const std::string wrongCount = CheckTransferNames(args, kGetUsage);
    return wrongCount.empty() ? CheckGet(TransferNames(args)) : wrongCount;
}

std::string CheckPutFile(const std::vector<std::string>& args) { return CheckTransferNames(args, kPutUsage); }

// Sets the session's resume switch for one command.
class ResumeScope {
public:
    ResumeScope(FtpSession& session, bool resume) : session(session) { session.SetResume(resume); }
    ~ResumeScope() { session.SetResume(false); }
    ResumeScope(const ResumeScope&) = delete;
    ResumeScope& operator=(const ResumeScope&) = delete;

private:
    FtpSession& session;
};

// One file, tried again after transient failures as --retries allows.
bool TransferWithRetries(CliContext& context, TransferRetry::Direction direction, const std::string& remote,
                         const std::string& local) {
    RetryPolicy policy;
    policy.retries = context.retries;
    TransferRetry retry(context.session, policy);
    return retry.Run(direction, remote, local).Succeeded();
}

// "get -c" on a local file without its "NAME.part" continues the file itself,
// as the queue's Resume does: a copy of it becomes the partial file. A local
// file longer than the remote one holds other bytes and is left alone.
bool PrepareToContinue(CliContext& context, const std::string& remote, const std::string& local) {
    const long long localSize = RegularFileSize(local);
    if (localSize <= 0 || access(PartialFilePath(local).c_str(), F_OK) == 0) return true;
    const long long remoteSize = context.session.Remote().FileSize(remote);
    if (remoteSize >= 0 && localSize > remoteSize) {
        std::fprintf(
            stderr,
            "quillmoor-cli: %s (%lld bytes) is longer than the remote file (%lld bytes); not continued, "
            "the local file is left as it is\n",
            PrintableText(local).c_str(), localSize, remoteSize);
        return false;
    }
    if (const std::string why = KeepTargetAsPartial(local); !why.empty()) {
        std::fprintf(stderr, "quillmoor-cli: cannot continue %s: %s\n", PrintableText(local).c_str(),
                     why.c_str());
        return false;
    }
    return true;
}

// With keeping times on, the server's copy takes the local file's
// modification time where the server offers MFMT; a refusal costs only the
// log line, never the upload.
void KeepModificationTime(CliContext& context, const std::string& local, const std::string& remote) {
    FtpSession& session = context.session;
    struct stat info {};
    if (!session.Settings().keepModificationTimes || !session.LoginPart().Features().Offers("MFMT") ||
        stat(local.c_str(), &info) != 0)
        return;
    session.Remote().SetModificationTime(remote, static_cast<std::int64_t>(info.st_mtime));
}

bool Get(CliContext& context, const std::vector<std::string>& words) {
    const std::vector<std::string> args = TransferNames(words);
    std::string local = args.size() > 1 ? args[1] : LocalNameFor(LastComponent(args[0]));
    if (IsDirectory(local)) local += "/" + LocalNameFor(LastComponent(args[0]));
    if (AsksToContinue(words) && !PrepareToContinue(context, args[0], local)) return false;
    ProgressDisplay progress(context.progress, "Retrieving " + args[0]);
    ResumeScope resume(context.session, AsksToContinue(words));
    return TransferWithRetries(context, TransferRetry::Direction::Download, args[0], local);
}

bool Put(CliContext& context, const std::vector<std::string>& words) {
    const std::vector<std::string> args = TransferNames(words);
    const std::string& local = args[0];
    // Checked here: the engine would store an empty remote file instead.
    const int unreadable = access(local.c_str(), R_OK) != 0 ? errno : IsDirectory(local) ? EISDIR : 0;
    if (unreadable != 0) {
        std::fprintf(stderr, "quillmoor-cli: cannot read %s: %s\n", PrintableText(local).c_str(),
                     std::strerror(unreadable));
        return false;
    }
    const std::string remote = args.size() > 1 ? args[1] : LastComponent(local);
    ProgressDisplay progress(context.progress, "Sending " + remote);
    ResumeScope resume(context.session, AsksToContinue(words));
    if (!TransferWithRetries(context, TransferRetry::Direction::Upload, remote, local)) return false;
    KeepModificationTime(context, local, remote);
    return true;
}

bool GetDirectory(CliContext& context, const std::vector<std::string>& args) {
    const std::string local = args.size() > 1 ? args[1] : LocalNameFor(LastComponent(args[0]));
    if (IsDirectory(local)) {
        // The walk skips an existing directory without a word; say why nothing happens.
        std::fprintf(stderr, "quillmoor-cli: %s already exists; nothing downloaded\n",
                     PrintableText(local).c_str());
        return false;
    }
    ProgressDisplay progress(context.progress, "Retrieving " + args[0]);
    return context.session.DownloadTree(args[0], &local).Completed() && IsDirectory(local);
}

bool PutDirectory(CliContext& context, const std::vector<std::string>& args) {
    const std::string& local = args[0];
    if (!IsDirectory(local)) {
        std::fprintf(stderr, "quillmoor-cli: %s is not a directory\n", PrintableText(local).c_str());
        return false;
    }
    const std::string remote = args.size() > 1 ? args[1] : LastComponent(local);
    ProgressDisplay progress(context.progress, "Sending " + local);
    return context.session.UploadTree(local, remote).Completed();
}

// Listing fields may hold anything a server sends: control characters, tabs
// included, are shown as '?' so that each entry stays one line of seven
// tab-separated fields and nothing can drive the terminal.
void AppendField(std::string& line, const std::string& text, char separator) {
    const std::size_t start = line.size();
    line += text;
    for (std::size_t i = start; i < line.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x20 || byte == 0x7F) line[i] = '?';
    }
    line += separator;
}

bool List(CliContext& context, const std::vector<std::string>&) {
    FtpSession& session = context.session;
    const Result<Listing> listing = session.Lister().List(".");
    if (!listing) return false;
    std::string line;
    for (const RemoteEntry& entry : listing.Value().entries) {
        line.clear();
        AppendField(line, entry.permissions, '\t');
        AppendField(line, entry.links, '\t');
        AppendField(line, entry.owner, '\t');
        AppendField(line, entry.group, '\t');
        AppendField(line, entry.size ? std::to_string(*entry.size) : std::string(), '\t');
        AppendField(line, entry.modified.shown, '\t');
        AppendField(line, entry.ShownName(), '\n');
        context.out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    return session.IsConnected();
}

}  // namespace

std::vector<CliCommand> TransferCommands() {
    return {
        {"ls", 0, 0, "ls", NoCheck, List},
        {"get", 1, 3, kGetUsage, CheckGetFile, Get},
        {"put", 1, 3, kPutUsage, CheckPutFile, Put},
        {"getdir", 1, 2, "getdir NAME [LOCALDIR]", CheckGet, GetDirectory},
        {"putdir", 1, 2, "putdir LOCALDIR [NAME]", NoCheck, PutDirectory},
    };
}
