#include "browser/desktop_certificate_question.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <optional>

#include "browser/certificate_dialog.h"

struct DesktopCertificateQuestion::Pending {
    std::mutex lock;
    std::condition_variable answered;
    std::optional<tls::TrustAnswer> answer;

    // The first answer counts: the user's, or Cancel when the connection is
    // abandoned or the question can no longer be shown.
    void Answer(tls::TrustAnswer given) {
        {
            std::lock_guard<std::mutex> hold(lock);
            if (answer) return;
            answer = given;
        }
        answered.notify_all();
    }

    bool Answered() {
        std::lock_guard<std::mutex> hold(lock);
        return answer.has_value();
    }

    tls::TrustAnswer Wait() {
        std::unique_lock<std::mutex> hold(lock);
        answered.wait(hold, [this] { return answer.has_value(); });
        return *answer;
    }
};

namespace {

// Owned by the queued call: if Qt drops the call unrun (the application is
// ending), its last copy going away answers Cancel, so the worker is never
// left waiting for a dialog that will not come.
class CancelIfDropped {
public:
    explicit CancelIfDropped(std::shared_ptr<DesktopCertificateQuestion::Pending> pending)
        : pending(std::move(pending)) {}
    ~CancelIfDropped() { pending->Answer(tls::TrustAnswer::Cancel); }
    CancelIfDropped(const CancelIfDropped&) = delete;
    CancelIfDropped& operator=(const CancelIfDropped&) = delete;

    DesktopCertificateQuestion::Pending& Question() const { return *pending; }

private:
    std::shared_ptr<DesktopCertificateQuestion::Pending> pending;
};

QWidget* DialogParent(QWidget* window) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return window;
}

}  // namespace

DesktopCertificateQuestion::DesktopCertificateQuestion(QWidget* window) : window(window) {}

tls::TrustAnswer DesktopCertificateQuestion::Ask(const std::string& host, const tls::CertificateFacts& facts,
                                                 const tls::Verification& verification) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return tls::TrustAnswer::Cancel;
    CertificateRequest request{QString::fromStdString(host), facts, verification};
    const bool onUserInterfaceThread = QThread::currentThread() == application->thread();
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard<std::mutex> hold(lock);
        if (cancelled) return tls::TrustAnswer::Cancel;
        if (!onUserInterfaceThread) waiting = pending;
    }
    if (onUserInterfaceThread) return CertificateDialog::Ask(DialogParent(window), request);

    auto guard = std::make_shared<CancelIfDropped>(pending);
    // The call holds no pointer to this object, which may be gone by the
    // time a cancelled question's call comes up.
    QMetaObject::invokeMethod(
        application,
        [parent = window, guard, request] {
            // Cancelled before the loop came to it: no dialog for a connection being given up.
            if (guard->Question().Answered()) return;
            guard->Question().Answer(CertificateDialog::Ask(DialogParent(parent), request));
        },
        Qt::QueuedConnection);
    guard.reset();
    const tls::TrustAnswer answer = pending->Wait();
    std::lock_guard<std::mutex> hold(lock);
    waiting.reset();
    return answer;
}

void DesktopCertificateQuestion::Cancel() { Answer(true); }

void DesktopCertificateQuestion::CancelWaiting() { Answer(false); }

void DesktopCertificateQuestion::Answer(bool forGood) {
    std::shared_ptr<Pending> current;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (forGood) cancelled = true;
        current = waiting;
    }
    if (current) current->Answer(tls::TrustAnswer::Cancel);
}
