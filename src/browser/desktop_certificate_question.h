#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <mutex>

#include "ftp/tls/trust_decision.h"

// The desktop's answer to an unverifiable certificate: the certificate
// dialog, shown on the user-interface thread. The engine asks from its
// connection's thread; Ask hands the question to the user-interface thread's
// event loop and blocks the connection's thread until the user has answered
// (or Cancel() is called), as it would wait on any slow server. Asked on the
// user-interface thread itself, it shows the dialog at once. One object
// serves one connection and its log-ins.
class DesktopCertificateQuestion : public tls::CertificateQuestion {
public:
    // The dialog opens over whatever modal dialog is up, else over window.
    explicit DesktopCertificateQuestion(QWidget* window = nullptr);

    tls::TrustAnswer Ask(const std::string& host, const tls::CertificateFacts& facts,
                         const tls::Verification& verification) override;

    // Answers Cancel to a question now waiting and to any asked later: the
    // connection is being abandoned. Any thread.
    void Cancel();
    // Answers Cancel to a question now waiting only (its request was
    // cancelled); later ones are asked. Any thread.
    void CancelWaiting();

    // The state one question shares between the worker and the user-interface thread.
    struct Pending;

private:
    void Answer(bool forGood);

    QPointer<QWidget> window;  // the widget itself is used on the user-interface thread only
    std::mutex lock;
    bool cancelled = false;
    std::shared_ptr<Pending> waiting;  // the question now asked, if any
};
