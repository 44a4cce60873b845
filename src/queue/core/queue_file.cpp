#include "queue/core/queue_file.h"

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view kHeader = "Quillmoor transfer queue 1";
constexpr std::size_t kFieldCount = 12;

template <typename Value>
struct Named {
    Value value;
    std::string_view name;
};

constexpr std::array<Named<TransferDirection>, 2> kDirections{{
    {TransferDirection::Download, "download"},
    {TransferDirection::Upload, "upload"},
}};
constexpr std::array<Named<ExistingFileChoice>, 5> kChoices{{
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

// One job line; the reason it is refused in `error`.
std::optional<TransferJob> ParseJob(std::string_view line, std::string& error) {
    std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() != kFieldCount) {
        error = "expected " + std::to_string(kFieldCount) + " fields, found " + std::to_string(fields.size());
        return std::nullopt;
    }
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
    if (!total || !done || !attempts || *attempts > 1000000) {
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
    job.state = *state == JobState::Running ? JobState::Queued : *state;
    job.totalBytes = *total;
    job.doneBytes = *done;
    job.attempts = static_cast<int>(*attempts);
    job.site = std::move(*site);
    job.localPath = std::move(*local);
    job.remotePath = std::move(*remote);
    job.failure = std::move(*failure);
    job.note = std::move(*note);
    return job;
}

}  // namespace

std::string FormatQueueFile(const std::vector<TransferJob>& jobs) {
    std::string out(kHeader);
    out += '\n';
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
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            error = "line " + std::to_string(lineNumber + 1) + ": the file ends inside a line";
            return false;
        }
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        if (++lineNumber == 1) {
            if (line != kHeader) {
                error = "not a saved transfer queue";
                return false;
            }
            continue;
        }
        std::string reason;
        std::optional<TransferJob> job = ParseJob(line, reason);
        if (!job) {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return false;
        }
        parsed.push_back(std::move(*job));
    }
    jobs = std::move(parsed);
    return true;
}
