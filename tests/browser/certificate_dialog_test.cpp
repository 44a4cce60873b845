// The certificate dialog shows what is known of an unverifiable certificate
// and answers with the button pressed; the desktop question hands a worker
// thread's question to the user-interface thread and waits for the answer.
#include "browser/certificate_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

#include "browser/desktop_certificate_question.h"
#include "browser_test_main.h"

namespace {

CertificateRequest Request() {
    CertificateRequest request;
    request.host = QStringLiteral("ftp.example.org");
    request.facts.subject = "CN=ftp.example.org,O=Example";
    request.facts.issuer = "CN=Example Root";
    request.facts.validFrom = "2026-01-01 00:00:00 UTC";
    request.facts.validUntil = "2027-01-01 00:00:00 UTC";
    request.facts.sha256 = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
    request.facts.sha256Hex = "E3:B0:C4:42";
    request.verification = {tls::CertificateProblem::UnknownIssuer,
                            "The certificate was issued by an authority that is not trusted here."};
    return request;
}

QLineEdit* FieldNamed(QWidget* dialog, const QString& name) {
    for (QLineEdit* field : dialog->findChildren<QLineEdit*>()) {
        if (field->accessibleName() == name) return field;
    }
    return nullptr;
}

QPushButton* ButtonNamed(QWidget* dialog, const QString& name) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->accessibleName() == name || button->text().remove(QLatin1Char('&')) == name)
            return button;
    }
    return nullptr;
}

}  // namespace

class CertificateDialogTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetCertificateResponder({}); }

    void showsTheFactsAndTheReason() {
        CertificateDialog dialog(Request());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const std::pair<QString, QString> fields[] = {
            {"Subject", "CN=ftp.example.org,O=Example"},
            {"Issuer", "CN=Example Root"},
            {"Valid from", "2026-01-01 00:00:00 UTC"},
            {"Valid until", "2027-01-01 00:00:00 UTC"},
            {"SHA-256 fingerprint", "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU"},
        };
        for (const auto& [name, text] : fields) {
            QLineEdit* field = FieldNamed(&dialog, name);
            QVERIFY2(field, qPrintable(name));
            QCOMPARE(field->text(), text);
            QVERIFY(field->isReadOnly());
        }
        QCOMPARE(FieldNamed(&dialog, "SHA-256 fingerprint")->toolTip(), QStringLiteral("E3:B0:C4:42"));
        bool reasonShown = false, hostShown = false;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            reasonShown |= label->text() == QString::fromStdString(Request().verification.reason);
            hostShown |= label->text().contains(QStringLiteral("ftp.example.org could not be verified"));
        }
        QVERIFY(reasonShown);
        QVERIFY(hostShown);
        // The careful default: Enter and Escape both cancel.
        QPushButton* cancel = ButtonNamed(&dialog, "Cancel");
        QVERIFY(cancel && cancel->isDefault());
        QCOMPARE(dialog.focusWidget(), cancel);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.Answer(), tls::TrustAnswer::Cancel);
    }

    void eachButtonGivesItsAnswer() {
        const std::pair<QString, tls::TrustAnswer> rows[] = {
            {"Trust this certificate for this site", tls::TrustAnswer::TrustForSite},
            {"Connect this time", tls::TrustAnswer::ThisTimeOnly},
            {"Cancel", tls::TrustAnswer::Cancel},
        };
        for (const auto& [text, answer] : rows) {
            CertificateDialog dialog(Request());
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QPushButton* button = ButtonNamed(&dialog, text);
            QVERIFY2(button, qPrintable(text));
            QVERIFY(!button->toolTip().isEmpty() || answer == tls::TrustAnswer::Cancel);
            button->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.Answer(), answer);
        }
        // The mnemonics reach the two buttons that connect.
        CertificateDialog dialog(Request());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_O, Qt::AltModifier);
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(dialog.Answer(), tls::TrustAnswer::ThisTimeOnly);
    }

    // A worker thread's question is answered on the user-interface thread
    // while that thread runs its loop, as it does under the Connecting dialog.
    void workerQuestionIsAnsweredOnTheUserInterfaceThread() {
        std::atomic<bool> askedOnUiThread{false};
        QString askedHost;
        SetCertificateResponder([&](const CertificateRequest& request) {
            askedOnUiThread = QThread::currentThread() == qApp->thread();
            askedHost = request.host;
            return tls::TrustAnswer::TrustForSite;
        });
        DesktopCertificateQuestion question;
        const CertificateRequest request = Request();
        std::atomic<bool> done{false};
        tls::TrustAnswer answer = tls::TrustAnswer::Cancel;
        std::thread worker([&] {
            answer = question.Ask("ftp.example.org", request.facts, request.verification);
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        worker.join();
        QCOMPARE(answer, tls::TrustAnswer::TrustForSite);
        QVERIFY(askedOnUiThread.load());
        QCOMPARE(askedHost, QStringLiteral("ftp.example.org"));

        // Asked on the user-interface thread itself, it answers at once.
        askedOnUiThread = false;
        QCOMPARE(question.Ask("ftp.example.org", request.facts, request.verification),
                 tls::TrustAnswer::TrustForSite);
        QVERIFY(askedOnUiThread.load());
    }

    // Cancel releases a waiting worker without the user-interface thread
    // ever running, and no dialog comes up afterwards for the abandoned question.
    void cancelReleasesTheWaitingWorker() {
        int asked = 0;
        SetCertificateResponder([&](const CertificateRequest&) {
            ++asked;
            return tls::TrustAnswer::TrustForSite;
        });
        DesktopCertificateQuestion question;
        const CertificateRequest request = Request();
        tls::TrustAnswer answer = tls::TrustAnswer::TrustForSite;
        std::thread worker([&] { answer = question.Ask("h", request.facts, request.verification); });
        question.Cancel();
        worker.join();
        QCOMPARE(answer, tls::TrustAnswer::Cancel);
        QCoreApplication::processEvents();
        QCOMPARE(asked, 0);
        QCOMPARE(question.Ask("h", request.facts, request.verification), tls::TrustAnswer::Cancel);
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(CertificateDialogTest)
#include "certificate_dialog_test.moc"
