#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "ftp/tls/certificate_facts.h"
#include "ftp/tls/trust_decision.h"

class QPushButton;

// What the certificate dialog is asked about: the server, its certificate
// and why the certificate could not be verified.
struct CertificateRequest {
    QString host;
    tls::CertificateFacts facts;
    tls::Verification verification;
};

using CertificateResponder = std::function<tls::TrustAnswer(const CertificateRequest&)>;

// Shows a server certificate that could not be verified (subject, issuer,
// validity, SHA-256 fingerprint and the reason) and lets the user trust it
// for the site, accept it for this connection only, or cancel. Cancel is the
// default button and Escape's answer: a careless Enter must not trust a
// certificate that may belong to someone in the middle.
class CertificateDialog : public QDialog {
    Q_OBJECT

public:
    CertificateDialog(const CertificateRequest& request, QWidget* parent = nullptr);

    tls::TrustAnswer Answer() const { return answer; }

    // Asks modally, or hands the request to the installed responder; every
    // certificate question of the desktop goes through here.
    static tls::TrustAnswer Ask(QWidget* parent, const CertificateRequest& request);

private:
    void Finish(tls::TrustAnswer chosen);

    tls::TrustAnswer answer = tls::TrustAnswer::Cancel;
};

// Installs a responder (tests); an empty one restores the real dialog.
void SetCertificateResponder(CertificateResponder responder);
