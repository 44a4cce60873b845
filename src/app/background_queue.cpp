#include "app/background_queue.h"

#include <algorithm>
#include <set>

#include "app/target_question_answerer.h"
#include "ftp/log_queue.h"
#include "queue/saved_queue.h"
#include "queue/transfer_queue_events.h"

namespace {

// The directory an upload's remote path lands in ("/" for the root's files).
std::string ParentDirectory(const std::string& remotePath) {
    const std::size_t slash = remotePath.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return remotePath.substr(0, slash);
}

bool StillToRun(JobState state) { return state == JobState::Queued || state == JobState::Running; }

}  // namespace

BackgroundQueue::BackgroundQueue(LogQueue& log, int connections, const QString& savedPath, QObject* parent)
    : QObject(parent) {
    events = new TransferQueueEvents(queue, this);
    saved = new SavedQueue(
        queue, savedPath, [&log](const std::string& line) { log.Append(line); }, this);
    connect(events, &TransferQueueEvents::changed, this, &BackgroundQueue::QueueChanged);
    runner = std::make_unique<QueueRunner>(
        queue, [this](const std::string& site) { return sites.SettingsFor(site); },
        std::clamp(connections, 1, QueueRunner::kMaxConnections));
    // The queue's connections log on their worker threads; their lines join
    // the program's log on this one, marked apart from the list's connection.
    runner->Log().SetSink([&log](const std::string& line) { log.Append(kLogPrefix + line); });
    runner->Log().SetWakeUp([this] { runnerLogWake.Wake(); });
    connect(&runnerLogWake, &ThreadWake::woken, this, [this] { runner->Log().Drain(); });
    answerer = std::make_unique<TargetQuestionAnswerer>(runner->Questions());
}

BackgroundQueue::~BackgroundQueue() {
    Stop();
    answerer.reset();
    runner.reset();
}

void BackgroundQueue::SetDialogParent(QWidget* window) { answerer->SetDialogParent(window); }

void BackgroundQueue::Start(const SiteLookup& catalogueSite) {
    saved->Load();
    std::set<std::string> named;
    for (const TransferJob& job : queue.Jobs()) {
        knownStates[job.id] = job.state;
        if (!sites.Knows(job.site) && named.insert(job.site).second && catalogueSite) {
            if (std::optional<ConnectionSettings> settings = catalogueSite(job.site))
                sites.Remember(job.site, *settings);
        }
    }
    runner->Start();
    started = true;
}

void BackgroundQueue::Stop() {
    if (!started) return;
    started = false;
    runner->Stop();
    runner->Log().Drain();
    saved->Save();
}

void BackgroundQueue::SetConnections(int connections) {
    runner->SetConnections(std::clamp(connections, 1, QueueRunner::kMaxConnections));
}

void BackgroundQueue::SiteConnected(const std::string& site, const ConnectionSettings& settings) {
    sites.Remember(site, settings);
    // Jobs that could not start without the site's settings may now.
    for (const TransferJob& job : queue.Jobs()) {
        if (job.site == site && job.state == JobState::Failed && job.failure == kUnknownSite)
            queue.Retry(job.id);
    }
}

void BackgroundQueue::Add(const std::vector<TransferJob>& jobs) {
    for (const TransferJob& job : jobs) queue.Add(job);
    if (!jobs.empty()) emit jobsAdded();
}

void BackgroundQueue::QueueChanged() {
    saved->QueueChanged();
    const std::vector<TransferJob> jobs = queue.Jobs();
    std::set<std::pair<std::string, std::string>> landed;  // site and directory of uploads that just ended
    std::map<std::uint64_t, JobState> states;
    for (const TransferJob& job : jobs) {
        states[job.id] = job.state;
        const auto before = knownStates.find(job.id);
        const bool ended = !StillToRun(job.state) && job.state != JobState::Paused &&
                           (before == knownStates.end() || StillToRun(before->second));
        if (ended && job.direction == TransferDirection::Upload)
            landed.emplace(job.site, ParentDirectory(job.remotePath));
    }
    knownStates = std::move(states);
    for (const auto& [site, directory] : landed) {
        const bool more = std::any_of(jobs.begin(), jobs.end(), [&](const TransferJob& job) {
            return job.direction == TransferDirection::Upload && StillToRun(job.state) && job.site == site &&
                   ParentDirectory(job.remotePath) == directory;
        });
        if (!more) emit uploadsEnded(QString::fromStdString(site), QString::fromStdString(directory));
    }
}
