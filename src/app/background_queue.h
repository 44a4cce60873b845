#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "browser/background_transfers.h"
#include "queue/core/queue_runner.h"
#include "queue/core/transfer_queue.h"
#include "queue/site_settings_book.h"
#include "platform/desktop/thread_wake.h"

class LogQueue;
class SavedQueue;
class TargetQuestionAnswerer;
class TransferQueueEvents;
class QWidget;

// The application's transfer queue and the runner that works through it on
// connections of its own: where the list's background transfers go. It keeps
// the settings of the sites the list logs in to, loads the saved queue at
// start (a loaded job's site is known at once when the catalogue holds it,
// otherwise once the user logs in to it), saves the queue as it changes,
// passes the queue's log lines on to the program's log, and says when the
// uploads into a directory have all ended.
class BackgroundQueue : public QObject, public BackgroundTransfers {
    Q_OBJECT

public:
    using SiteLookup = std::function<std::optional<ConnectionSettings>(const std::string& site)>;
    // The failure of a job whose site's settings were not known when it started.
    static constexpr const char* kUnknownSite = "Unknown site";
    // Put before each log line of the queue's connections.
    static constexpr const char* kLogPrefix = "Transfers: ";

    // The queue is saved at savedPath.
    BackgroundQueue(LogQueue& log, int connections, const QString& savedPath, QObject* parent = nullptr);
    ~BackgroundQueue() override;

    TransferQueue& Queue() { return queue; }
    TransferQueueEvents& Events() { return *events; }
    SavedQueue& Saved() { return *saved; }
    SiteSettingsBook& Sites() { return sites; }

    // Loads the saved queue (catalogueSite gives the settings of a loaded
    // job's site when it can) and starts the runner.
    void Start(const SiteLookup& catalogueSite);
    // Stops the runner (running jobs go back to queued) and saves the queue.
    void Stop();
    void SetConnections(int connections);
    // The window that the questions of the queue's jobs belong to.
    void SetDialogParent(QWidget* window);

    void SiteConnected(const std::string& site, const ConnectionSettings& settings) override;
    void Add(const std::vector<TransferJob>& jobs) override;

signals:
    // The user queued jobs (Add).
    void jobsAdded();
    // No upload into directory of site waits or runs any more, and one just
    // ended: a list showing that directory may show the new files.
    void uploadsEnded(const QString& site, const QString& directory);

private:
    void QueueChanged();

    TransferQueue queue;
    SiteSettingsBook sites;
    TransferQueueEvents* events = nullptr;
    SavedQueue* saved = nullptr;
    ThreadWake runnerLogWake;
    std::map<std::uint64_t, JobState> knownStates;
    bool started = false;
    // Declared last: destroyed first, while everything it reports to exists.
    std::unique_ptr<QueueRunner> runner;
    // Listens to the runner's questions: gone before the runner is.
    std::unique_ptr<TargetQuestionAnswerer> answerer;
};
