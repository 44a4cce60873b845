#include "sites/keychain_password_vault.h"

#include <qt6keychain/keychain.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace {

const QString kSecretService = QStringLiteral("org.freedesktop.secrets");

}  // namespace

KeychainPasswordVault::KeychainPasswordVault(QString service, std::chrono::milliseconds timeLimit)
    : service(std::move(service)), timeLimit(timeLimit) {}

bool KeychainPasswordVault::KeyringOnSessionBus() {
    // Without an address there is no desktop session to hold a keyring, and
    // asking for the bus could make the bus library launch one of its own.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) return false;
    if (bus.interface()->isServiceRegistered(kSecretService)) return true;
    const QDBusReply<QStringList> startable = bus.interface()->activatableServiceNames();
    return startable.isValid() && startable.value().contains(kSecretService);
}

bool KeychainPasswordVault::Run(QKeychain::Job* job, std::string& error,
                                const std::function<void(QKeychain::Job&)>& onFinished) {
    job->setAutoDelete(true);
    QEventLoop loop;
    bool finished = false;
    QString failure;
    // The loop is the connection's context: a job that finishes after the
    // time limit finds the connection gone with the loop, and just goes.
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        finished = true;
        if (done->error() != QKeychain::NoError && done->error() != QKeychain::EntryNotFound) {
            failure = done->errorString();
        } else if (onFinished) {
            onFinished(*done);
        }
        loop.quit();
    });
    QTimer::singleShot(timeLimit, &loop, &QEventLoop::quit);
    job->start();
    // Not the user's input meanwhile: a click must not start a second save inside this one.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished) {
        error = "the keyring did not answer within " + std::to_string(timeLimit.count() / 1000) + " seconds";
        return false;
    }
    error = failure.toStdString();
    return failure.isEmpty();
}

bool KeychainPasswordVault::Store(const std::string& key, const std::string& password, std::string& error) {
    auto* job = new QKeychain::WritePasswordJob(service);
    job->setKey(QString::fromStdString(key));
    job->setTextData(QString::fromStdString(password));
    return Run(job, error);
}

std::optional<std::string> KeychainPasswordVault::Read(const std::string& key, std::string& error) {
    auto* job = new QKeychain::ReadPasswordJob(service);
    job->setKey(QString::fromStdString(key));
    std::optional<std::string> password;
    Run(job, error, [&password](QKeychain::Job& done) {
        if (done.error() == QKeychain::NoError)
            password = static_cast<QKeychain::ReadPasswordJob&>(done).textData().toStdString();
    });
    return password;
}

bool KeychainPasswordVault::Remove(const std::string& key, std::string& error) {
    auto* job = new QKeychain::DeletePasswordJob(service);
    job->setKey(QString::fromStdString(key));
    return Run(job, error);
}
