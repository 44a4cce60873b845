#pragma once

#include <QString>
#include <chrono>

#include "sites/store/password_vault.h"

namespace QKeychain {
class Job;
}

// Site passwords in the desktop's keyring (the Secret Service), through
// QtKeychain. Its jobs answer asynchronously; each call here waits for its
// job in a local event loop, for a bounded time, because a locked keyring may
// wait for a prompt nobody answers.
class KeychainPasswordVault final : public PasswordVault {
public:
    explicit KeychainPasswordVault(QString service = QStringLiteral("Quillmoor"),
                                   std::chrono::milliseconds timeLimit = std::chrono::seconds(15));

    // Whether a Secret Service is on the session bus (DBUS_SESSION_BUS_ADDRESS),
    // running or ready to be started.
    static bool KeyringOnSessionBus();

    bool Store(const std::string& key, const std::string& password, std::string& error) override;
    std::optional<std::string> Read(const std::string& key, std::string& error) override;
    bool Remove(const std::string& key, std::string& error) override;

private:
    // Runs the job (which deletes itself when it ends) and waits for it; false
    // with error set when it failed or did not end in time. onFinished reads
    // the job's result before it goes.
    bool Run(QKeychain::Job* job, std::string& error,
             const std::function<void(QKeychain::Job&)>& onFinished = {});

    QString service;
    std::chrono::milliseconds timeLimit;
};
