#include "queue/core/queue_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>

namespace {

// The header names the format's version. Later versions only add fields at
// the end of a line, so a file of a newer version is read for the fields
// this one knows and the rest are passed over.
constexpr std::string_view kHeaderStart = "Quillmoor transfer queue ";
constexpr int kVersion = 2;
// Version 1 had no count of interrupted runs.
constexpr std::size_t kFieldsOfVersion1 = 12;
constexpr std::size_t kFieldCount = 13;
// A job that was running when the program ended twice is not started a third
// time on its own: it may be what ends the program.
constexpr int kInterruptedRunsBeforePause = 2;
constexpr const char* kInterruptedNote = "the program stopped twice while this ran";

template <typename Value>
struct Named {
    Value value;
    std::string_view name;
};

constexpr std::array<Named<TransferDirection>, 2> kDirections{{
    {TransferDirection::Download, "download"},
    {TransferDirection::Upload, "upload"},
}};
constexpr std::array<Named<std::optional<ExistingFileChoice>>, 6> kChoices{{
    {std::nullopt, "ask"},
    {ExistingFileChoice::Overwrite, "overwrite"},
    {ExistingFileChoice::OverwriteIfNewer, "overwrite-if-newer"},
    {ExistingFileChoice::Resume, "resume"},
    {ExistingFileChoice::Rename, "rename"},
    {ExistingFileChoice::Skip, "skip"},
}};
constexpr std::array<Named<JobState>, 6> kStates{{
    {JobState::Queued, "queued"},
    {JobState::Running, "running"},
    {JobState::Paused, "paused"},
    {JobState::Failed, "failed"},
    {JobState::Done, "done"},
    {JobState::Verified, "verified"},
}};
constexpr std::array<Named<bool>, 2> kKinds{{{false, "file"}, {true, "directory"}}};

template <typename Value, std::size_t N>
std::string_view NameOf(const std::array<Named<Value>, N>& table, Value value) {
    for (const auto& entry : table) {
        if (entry.value == value) return entry.name;
    }
    return table[0].name;
}

template <typename Value, std::size_t N>
std::optional<Value> ValueOf(const std::array<Named<Value>, N>& table, std::string_view name) {
    for (const auto& entry : table) {
        if (entry.name == name) return entry.value;
    }
    return std::nullopt;
}

void AppendEscaped(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
}

std::optional<std::string> Unescaped(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size()) return std::nullopt;
        switch (field[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::optional<std::int64_t> Number(std::string_view field, std::int64_t lowest) {
    std::int64_t value = 0;
    auto [end, failure] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (failure != std::errc() || end != field.data() + field.size() || value < lowest) return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// The version a header line names; nothing when it is no queue's header.
std::optional<int> VersionOf(std::string_view line) {
    if (line.substr(0, kHeaderStart.size()) != kHeaderStart) return std::nullopt;
    std::optional<std::int64_t> version = Number(line.substr(kHeaderStart.size()), 1);
    if (!version || *version > 1000000) return std::nullopt;
    return static_cast<int>(*version);
}

// A job saved while it ran was interrupted: it runs again unless that has
// happened too often.
void ComeBackFromInterruptedRun(TransferJob& job) {
    ++job.interruptedRuns;
    job.state = job.interruptedRuns >= kInterruptedRunsBeforePause ? JobState::Paused : JobState::Queued;
    job.note = job.state == JobState::Paused ? kInterruptedNote : "";
}

// One job line of a file of the given version; the reason it is refused in `error`.
std::optional<TransferJob> ParseJob(std::string_view line, int version, std::string& error) {
    std::vector<std::string_view> fields = SplitFields(line);
    const std::size_t wanted = version == 1 ? kFieldsOfVersion1 : kFieldCount;
    if (fields.size() < wanted || (version == 1 && fields.size() != wanted)) {
        error = "expected " + std::to_string(wanted) + " fields, found " + std::to_string(fields.size());
        return std::nullopt;
    }
    auto interrupted = version == 1 ? std::optional<std::int64_t>(0) : Number(fields[12], 0);
    auto direction = ValueOf(kDirections, fields[0]);
    auto isDirectory = ValueOf(kKinds, fields[1]);
    auto existing = ValueOf(kChoices, fields[2]);
    auto state = ValueOf(kStates, fields[3]);
    auto total = Number(fields[4], -1);
    auto done = Number(fields[5], 0);
    auto attempts = Number(fields[6], 0);
    auto site = Unescaped(fields[7]);
    auto local = Unescaped(fields[8]);
    auto remote = Unescaped(fields[9]);
    auto failure = Unescaped(fields[10]);
    auto note = Unescaped(fields[11]);
    if (!direction || !isDirectory || !existing || !state) {
        error = "unknown direction, kind, choice or state";
        return std::nullopt;
    }
    if (!total || !done || !attempts || *attempts > 1000000 || !interrupted || *interrupted > 1000000) {
        error = "bad number";
        return std::nullopt;
    }
    if (!site || !local || !remote || !failure || !note) {
        error = "bad escape";
        return std::nullopt;
    }
    if (local->empty() || remote->empty() || remote->front() != '/') {
        error = "a job needs a local path and an absolute remote path";
        return std::nullopt;
    }
    TransferJob job;
    job.direction = *direction;
    job.isDirectory = *isDirectory;
    job.existing = *existing;
    job.state = *state;
    job.totalBytes = *total;
    job.doneBytes = *done;
    job.attempts = static_cast<int>(*attempts);
    job.site = std::move(*site);
    job.localPath = std::move(*local);
    job.remotePath = std::move(*remote);
    job.failure = std::move(*failure);
    job.note = std::move(*note);
    job.interruptedRuns = static_cast<int>(*interrupted);
    if (job.state == JobState::Running) ComeBackFromInterruptedRun(job);
    return job;
}

}  // namespace

std::string FormatQueueFile(const std::vector<TransferJob>& jobs) {
    std::string out(kHeaderStart);
    out += std::to_string(kVersion) + '\n';
    for (const TransferJob& job : jobs) {
        out += NameOf(kDirections, job.direction);
        out += '\t';
        out += NameOf(kKinds, job.isDirectory);
        out += '\t';
        out += NameOf(kChoices, job.existing);
        out += '\t';
        out += NameOf(kStates, job.state);
        out += '\t' + std::to_string(job.totalBytes < 0 ? -1 : job.totalBytes);
        out += '\t' + std::to_string(job.doneBytes < 0 ? 0 : job.doneBytes);
        out += '\t' + std::to_string(job.attempts < 0 ? 0 : job.attempts);
        for (const std::string* text :
             {&job.site, &job.localPath, &job.remotePath, &job.failure, &job.note}) {
            out += '\t';
            AppendEscaped(out, *text);
        }
        out += '\t' + std::to_string(std::max(0, job.interruptedRuns));
        out += '\n';
    }
    return out;
}

bool ParseQueueFile(const std::string& text, std::vector<TransferJob>& jobs, std::string& error) {
    jobs.clear();
    if (text.empty()) return true;
    std::string_view rest(text);
    std::size_t lineNumber = 0;
    std::vector<TransferJob> parsed;
    int version = 0;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            error = "line " + std::to_string(lineNumber + 1) + ": the file ends inside a line";
            return false;
        }
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        if (++lineNumber == 1) {
            std::optional<int> named = VersionOf(line);
            if (!named) {
                error = "not a saved transfer queue";
                return false;
            }
            version = *named;
            continue;
        }
        std::string reason;
        std::optional<TransferJob> job = ParseJob(line, version, reason);
        if (!job) {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return false;
        }
        parsed.push_back(std::move(*job));
    }
    jobs = std::move(parsed);
    return true;
}
