// The error box text for each cause of a failed log-in.
#include "browser/logon_failure_text.h"

#include <QTest>

#include "browser_test_main.h"

Q_DECLARE_METATYPE(LogonResult::Cause)

class LogonFailureTextTest : public QObject {
    Q_OBJECT

private slots:
    void EachCauseHasItsWords_data() {
        using Cause = LogonResult::Cause;
        const QString general =
            "There was a problem logging on to the site, please see the log window for details.";
        QTest::addColumn<LogonResult::Cause>("cause");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("replyCode");
        QTest::addColumn<QString>("replyText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wrong credentials")
            << Cause::WrongCredentials << "127.0.0.1" << 530 << "530 Login incorrect."
            << "Could not log in to ftp.example.test: wrong user name or password (530 Login incorrect.)";
        QTest::newRow("refused") << Cause::ConnectionRefused << "127.0.0.1" << 10061 << ""
                                 << "Could not connect to ftp.example.test port 2121: Connection refused";
        QTest::newRow("refused before any address")
            << Cause::ConnectionRefused << "" << 10061 << ""
            << "Could not connect to ftp.example.test: Connection refused";
        QTest::newRow("unreachable")
            << Cause::ConnectionFailed << "::1" << 10065 << ""
            << "Could not connect to ftp.example.test port 2121: That host is unreachable.";
        QTest::newRow("timed out") << Cause::TimedOut << "127.0.0.1" << 0 << ""
                                   << "Could not connect to ftp.example.test: timed out after 45 s";
        QTest::newRow("unknown host") << Cause::HostNotFound << "" << 0 << ""
                                      << "Could not connect: the host name ftp.example.test was not found";
        QTest::newRow("not secured") << Cause::NotSecured << "127.0.0.1" << 0 << ""
                                     << "Could not connect to ftp.example.test: the encryption this site "
                                        "requires could not be set up; see the log";
        QTest::newRow("proxy refused")
            << Cause::ProxyRefused << "127.0.0.1" << 530 << "530 Unknown host."
            << "Could not connect: the firewall ftp.example.test refused the log-in (530 Unknown host.)";
        QTest::newRow("bad welcome") << Cause::BadWelcome << "127.0.0.1" << 421 << "421 Too many users"
                                     << "Could not connect to ftp.example.test: the server did not welcome the "
                                        "connection (421 Too many users)";
        QTest::newRow("bad welcome without a reply")
            << Cause::BadWelcome << "127.0.0.1" << 0 << ""
            << "Could not connect to ftp.example.test: the server did not welcome the connection";
        QTest::newRow("no firewall host")
            << Cause::NoFirewallHost << "" << 0 << ""
            << "Could not connect: the firewall is on but no firewall host is entered in the options";
        QTest::newRow("cancelled") << Cause::Cancelled << "127.0.0.1" << 0 << "" << QString();
        QTest::newRow("failed without a socket error")
            << Cause::ConnectionFailed << "127.0.0.1" << 0 << "" << general;
        QTest::newRow("already connected") << Cause::AlreadyConnected << "" << 0 << "" << general;
    }

    void EachCauseHasItsWords() {
        QFETCH(LogonResult::Cause, cause);
        QFETCH(QString, address);
        QFETCH(int, replyCode);
        QFETCH(QString, replyText);
        QFETCH(QString, expected);
        LogonResult result;
        result.cause = cause;
        result.host = "ftp.example.test";
        if (!address.isEmpty()) {
            QVERIFY(net::SocketAddress::FromText(address.toStdString(), result.address));
            result.address.SetPort(2121);
        }
        // The refusal code column carries the socket error of the failed connects.
        if (cause == LogonResult::Cause::ConnectionRefused || cause == LogonResult::Cause::ConnectionFailed) {
            result.socketError = replyCode;
            replyCode = 0;
        }
        result.replyCode = replyCode;
        result.replyText = replyText.toStdString();
        const QString text = LogonFailureText(result, 45);
        QCOMPARE(text, expected);
        QCOMPARE(text.isEmpty(), cause == LogonResult::Cause::Cancelled);
    }
};

QUILLMOOR_BROWSER_TEST_MAIN(LogonFailureTextTest)
#include "logon_failure_text_test.moc"
