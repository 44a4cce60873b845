#include "browser/certificate_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "sites/dialog_fields.h"

namespace {

CertificateResponder& Responder() {
    static CertificateResponder responder;
    return responder;
}

// A read-only field: it can be reached with Tab, read by a screen reader and
// copied from (the fingerprint, to compare it with what the server's owner says).
QLineEdit* FactField(const std::string& text) {
    auto* field = new QLineEdit(QString::fromStdString(text));
    field->setReadOnly(true);
    field->setCursorPosition(0);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 32);
    return field;
}

}  // namespace

CertificateDialog::CertificateDialog(const CertificateRequest& request, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Unverified Certificate"));
    setAccessibleName(windowTitle());

    auto* intro = new QLabel(QStringLiteral("The certificate of %1 could not be verified. If you connect, "
                                            "someone between you and the server may be able to read and "
                                            "change what is sent.")
                                 .arg(request.host));
    auto* reason = new QLabel(QString::fromStdString(request.verification.reason));
    // Plain text: a host name holding "<" must not be taken for markup.
    for (QLabel* label : {intro, reason}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    reason->setAccessibleName(QStringLiteral("Reason"));
    QFont bold = reason->font();
    bold.setBold(true);
    reason->setFont(bold);

    const tls::CertificateFacts& facts = request.facts;
    auto* form = new QFormLayout;
    QLineEdit* fingerprint = FactField(facts.sha256);
    fingerprint->setToolTip(QString::fromStdString(facts.sha256Hex));
    fingerprint->setAccessibleDescription(QString::fromStdString(facts.sha256Hex));
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"&Subject:", FactField(facts.subject)},      {"&Issuer:", FactField(facts.issuer)},
        {"Valid &from:", FactField(facts.validFrom)}, {"Valid &until:", FactField(facts.validUntil)},
        {"SHA-256 fin&gerprint:", fingerprint},
    };
    for (const auto& [label, field] : rows) form->addRow(BuddyLabel(QString::fromUtf8(label), field), field);

    auto* buttons = new QDialogButtonBox;
    QPushButton* trust = buttons->addButton(QStringLiteral("&Trust this certificate for this site"),
                                            QDialogButtonBox::AcceptRole);
    QPushButton* once =
        buttons->addButton(QStringLiteral("C&onnect this time"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    trust->setToolTip(
        QStringLiteral("Connect, and remember this certificate's fingerprint with the site so "
                       "that it is accepted from now on"));
    once->setToolTip(QStringLiteral("Connect now; the next connection asks again"));
    for (QPushButton* button : {trust, once}) button->setAutoDefault(false);
    cancel->setDefault(true);
    connect(trust, &QPushButton::clicked, this, [this] { Finish(tls::TrustAnswer::TrustForSite); });
    connect(once, &QPushButton::clicked, this, [this] { Finish(tls::TrustAnswer::ThisTimeOnly); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(reason);
    layout->addLayout(form);
    layout->addWidget(buttons);
    cancel->setFocus(Qt::OtherFocusReason);
}

void CertificateDialog::Finish(tls::TrustAnswer chosen) {
    answer = chosen;
    accept();
}

tls::TrustAnswer CertificateDialog::Ask(QWidget* parent, const CertificateRequest& request) {
    if (Responder()) return Responder()(request);
    CertificateDialog dialog(request, parent);
    dialog.exec();
    return dialog.Answer();
}

void SetCertificateResponder(CertificateResponder responder) { Responder() = std::move(responder); }
