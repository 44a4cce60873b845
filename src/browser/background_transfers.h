#pragma once

#include <QString>
#include <string>
#include <vector>

#include "ftp/connection_settings.h"
#include "queue/core/transfer_job.h"

// Where the list sends the transfers that the user starts (the application's
// transfer queue, which runs them in the background), and what it tells about
// the sites it logs in to, so that their jobs can connect on their own.
class BackgroundTransfers {
public:
    virtual ~BackgroundTransfers() = default;

    // The list logged in to site with these settings.
    virtual void SiteConnected(const std::string& site, const ConnectionSettings& settings) = 0;
    // Appends jobs to the queue, in order.
    virtual void Add(const std::vector<TransferJob>& jobs) = 0;
};

// The key that names the list's site in the queue's jobs: a catalogue site by
// its name (unique in the catalogue), a quick connection by its host, marked
// so that no catalogue site is taken for it after a restart.
inline std::string QueueSiteKey(const QString& site, bool quick) {
    return (quick ? QStringLiteral("Quick Connect ") + site : site).toStdString();
}
