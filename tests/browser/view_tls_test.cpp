// The desktop list view connecting to vsftpd over TLS with a certificate no
// authority vouches for: the certificate question, "Trust this certificate
// for this site" stored in the catalogue, and the status bar's word.
#include <QCoreApplication>
#include <QFile>

#include "browser/certificate_dialog.h"
#include "browser_test_main.h"
#include "server_fixture.h"
#include "support/certificate_maker.h"
#include "support/real_ftp_server.h"
#include "support/temp_dir.h"

class ViewTlsTest : public QObject {
    Q_OBJECT

private slots:
    void TrustingACertificateForTheSiteStoresItAndAsksOnlyOnce() {
        testsupport::TempDir certificateDir;
        testsupport::CertificateMaker maker(certificateDir.Path());
        QVERIFY2(maker.Ok(), maker.Problem().c_str());
        const testsupport::ServerTls tls{maker.Make({.fileStem = "self", .selfSigned = true}), false, true};
        testsupport::VsftpdServer server(tls);
        if (!server.Started()) QSKIP(server.Problem().c_str());

        int asked = 0;
        SetCertificateResponder([&](const CertificateRequest& request) {
            ++asked;
            return request.verification.problem == tls::CertificateProblem::SelfSigned
                       ? tls::TrustAnswer::TrustForSite
                       : tls::TrustAnswer::Cancel;
        });
        ViewFixture f(LocalSiteCatalogue(server.HostText()));
        OpenSite(f, "Demo", "Local");
        QVERIFY(f.view->Connected());
        QCOMPARE(asked, 1);
        QVERIFY2(f.view->ConnectionSecurity().startsWith("Encrypted (TLS 1."),
                 qPrintable(f.view->ConnectionSecurity()));
        QFile catalogue(f.dir.filePath("Wexal.INI"));
        QVERIFY(catalogue.open(QIODevice::ReadOnly));
        QVERIFY(catalogue.readAll().contains(QByteArray("TLSFINGERPRINT=SHA256:")));

        // The next connection finds the certificate trusted and does not ask.
        f.view->Disconnect(false);
        QVERIFY(f.Settle());
        OpenSite(f, "Demo", "Local");
        QVERIFY(f.view->Connected());
        QCOMPARE(asked, 1);
        SetCertificateResponder({});
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(ViewTlsTest)
#include "view_tls_test.moc"
