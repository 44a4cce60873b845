// FTP over TLS against servers that misbehave: certificates that cannot be
// trusted, AUTH TLS refused, a firewall proxy in the way, and data
// connections whose TLS is cut, missing or silent. Each case ends in a clear
// log line, no hang, and nothing sent or written that should not be.
#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>

#include "ftp/file_digest.h"
#include "support/polling_waiter.h"
#include "ftp/tls/certificate_facts.h"
#include "support/certificate_maker.h"
#include "support/data_link.h"
#include "support/loopback_tls_server.h"
#include "support/scripted_ftp_server.h"
#include "support/session_harness.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CertificateFiles;
using testsupport::DataLink;
using testsupport::TempDir;

struct Certificates {
    TempDir dir{"quillmoor-hostile-tls"};
    testsupport::CertificateMaker maker{dir.Path()};
    CertificateFiles good = maker.Make({.fileStem = "good"});
    CertificateFiles otherHost =
        maker.Make({.fileStem = "other", .commonName = "ftp.other.test", .hosts = {"ftp.other.test"}});
    CertificateFiles expired =
        maker.Make({.fileStem = "expired", .validFromDays = -60, .validUntilDays = -1});

    static const Certificates& Get() {
        static const Certificates certificates;
        return certificates;
    }
};

std::string FingerprintOf(const CertificateFiles& files) {
    std::FILE* file = std::fopen(files.certificate.c_str(), "r");
    if (file == nullptr) return {};
    X509* certificate = PEM_read_X509(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    const std::string fingerprint = tls::DescribeCertificate(certificate).sha256;
    X509_free(certificate);
    return fingerprint;
}

// The server's end of a TLS data connection, with the control connection's certificate.
class ServerTlsData {
public:
    ServerTlsData(const CertificateFiles& files, int fd) : context(SSL_CTX_new(TLS_server_method())) {
        SSL_CTX_use_certificate_file(context, files.certificate.c_str(), SSL_FILETYPE_PEM);
        SSL_CTX_use_PrivateKey_file(context, files.key.c_str(), SSL_FILETYPE_PEM);
        ssl = SSL_new(context);
        SSL_set_fd(ssl, fd);
    }
    ~ServerTlsData() {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }
    bool Accept() { return SSL_accept(ssl) == 1; }
    void Write(const std::string& bytes) { SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size())); }

private:
    SSL_CTX* context;
    SSL* ssl = nullptr;
};

// What the server does on the data connection of a RETR (it connects to the
// client's PORT).
using DataPlay = std::function<void(int dataFd)>;

// An implicit FTPS server on 127.0.0.1: greets over TLS, takes any log-in,
// PBSZ, PROT, TYPE and PORT, and answers RETR with 150, the case's play on
// the data connection, then 226. It records every command.
class ImplicitFtpsServer {
public:
    // answers: replies by verb that take the place of the usual ones.
    ImplicitFtpsServer(const CertificateFiles& files, DataPlay play = {}, bool refusesProt = false,
                       std::map<std::string, std::string> answers = {})
        : play(std::move(play)),
          refusesProt(refusesProt),
          answers(std::move(answers)),
          server({.files = files}, [this](SSL* ssl, int, int) {
              if (ssl != nullptr) Serve(ssl);
          }) {}

    std::string HostText() const { return "127.0.0.1:" + std::to_string(server.Port()); }
    std::vector<std::string> Received() {
        std::lock_guard<std::mutex> hold(lock);
        return received;
    }

private:
    static std::string ReadCommand(SSL* ssl) {
        std::string line;
        char c = 0;
        while (SSL_read(ssl, &c, 1) == 1) {
            if (c == '\n') break;
            if (c != '\r') line += c;
        }
        return line;
    }
    static void Reply(SSL* ssl, const std::string& text) {
        const std::string bytes = text + "\r\n";
        SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size()));
    }

    void Serve(SSL* ssl) {
        Reply(ssl, "220 Ready.");
        std::string portArgument;
        for (std::string line = ReadCommand(ssl); !line.empty(); line = ReadCommand(ssl)) {
            {
                std::lock_guard<std::mutex> hold(lock);
                received.push_back(line);
            }
            std::string verb = line.substr(0, line.find(' '));
            for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (answers.count(verb) != 0 && verb != "RETR") {
                Reply(ssl, answers[verb]);
            } else if (verb == "USER") {
                Reply(ssl, "331 Password please.");
            } else if (verb == "PASS") {
                Reply(ssl, "230 Logged in.");
            } else if (verb == "PROT" && refusesProt) {
                Reply(ssl, "534 Protection level refused.");
            } else if (verb == "PBSZ" || verb == "PROT" || verb == "TYPE") {
                Reply(ssl, "200 OK.");
            } else if (verb == "PORT") {
                portArgument = line.substr(5);
                Reply(ssl, "200 PORT command successful.");
            } else if (verb == "RETR" && play) {
                Reply(ssl, answers.count(verb) != 0 ? answers[verb] : "150 Opening data connection.");
                unsigned h[4], p1 = 0, p2 = 0;
                std::sscanf(portArgument.c_str(), "%u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3], &p1, &p2);
                DataLink data = DataLink::Connect("127.0.0.1", static_cast<unsigned short>(p1 * 256 + p2));
                const timeval limit{10, 0};
                setsockopt(data.Fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
                play(data.Fd());
                data.Close();
                Reply(ssl, "226 Transfer complete.");
            } else if (verb == "QUIT") {
                Reply(ssl, "221 Goodbye.");
                return;
            } else {
                Reply(ssl, "502 Not implemented.");
            }
        }
    }

    DataPlay play;
    bool refusesProt;
    std::map<std::string, std::string> answers;
    std::mutex lock;
    std::vector<std::string> received;
    testsupport::LoopbackTlsServer server;  // last: its thread ends before the rest goes
};

// A scripted answer to the certificate question that remembers being asked.
class ScriptedQuestion : public tls::CertificateQuestion {
public:
    explicit ScriptedQuestion(tls::TrustAnswer answer) : answer(answer) {}
    tls::TrustAnswer Ask(const std::string&, const tls::CertificateFacts&,
                         const tls::Verification&) override {
        asked = true;
        return answer;
    }
    tls::TrustAnswer answer;
    bool asked = false;
};

class HostileTlsTest : public ::testing::Test {
protected:
    HostileTlsTest() {
        // The test servers' OpenSSL writes to clients that have hung up on purpose.
        std::signal(SIGPIPE, SIG_IGN);
        h.session.SetUi(&waiter);
    }
    ~HostileTlsTest() override { h.session.SetUi(nullptr); }

    void Configure(const std::string& host, tls::Encryption encryption, const std::string& stored = "") {
        testsupport::Reconfigure(h.session, [&](ConnectionSettings& settings) {
            settings.host = host;
            settings.user = "tester";
            settings.password = "secret";
            settings.timeoutSeconds = 2;
            settings.encryption = encryption;
            settings.trustedFingerprint = stored;
            settings.caFile = Certificates::Get().maker.CaFile().string();
        });
    }

    testsupport::SessionHarness h;
    PollingWaiter waiter;
    TempDir dir{"quillmoor-hostile-tls-local"};
};

// Each certificate the server may show, the fingerprint the site has stored,
// and the user's answer: whether the log-in goes ahead, whether the user was
// asked, and what the log says.
TEST_F(HostileTlsTest, CertificatesAreTrustedOnlyAsTheUserAndTheSiteSay) {
    const Certificates& c = Certificates::Get();
    struct Row {
        const char* name;
        const CertificateFiles& files;
        std::string stored;
        tls::TrustAnswer answer;
        bool connects;
        bool asked;
        const char* logged;
    };
    const Row rows[] = {
        {"another host name", c.otherHost, "", tls::TrustAnswer::Cancel, false, true,
         "issued for another host name"},
        {"expired", c.expired, "", tls::TrustAnswer::Cancel, false, true, "The certificate has expired."},
        {"changed since trusted", c.otherHost, "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU",
         tls::TrustAnswer::TrustForSite, false, false, "has changed since it was trusted for this site"},
        {"trusted for the site", c.otherHost, FingerprintOf(c.otherHost), tls::TrustAnswer::Cancel, true,
         false, "matches the one trusted for this site"},
        {"connect this time", c.expired, "", tls::TrustAnswer::ThisTimeOnly, true, true,
         "accepted for this connection"},
        {"trust for the site", c.expired, "", tls::TrustAnswer::TrustForSite, true, true,
         "trusted for this site"},
        {"verified", c.good, "", tls::TrustAnswer::Cancel, true, false, "verified"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ImplicitFtpsServer server(row.files);
        ScriptedQuestion question(row.answer);
        h.session.SetCertificateQuestion(&question);
        Configure(server.HostText(), tls::Encryption::RequireImplicit, row.stored);
        h.lines.clear();
        const bool connected = h.session.Logon().Connected();
        EXPECT_EQ(connected, row.connects) << h.Joined();
        EXPECT_EQ(question.asked, row.asked);
        EXPECT_TRUE(h.HasLineContaining(row.logged)) << h.Joined();
        if (!row.connects) {
            // Refused before anything was sent; the log names the certificate.
            EXPECT_TRUE(server.Received().empty());
            EXPECT_TRUE(h.HasLineContaining(FingerprintOf(row.files))) << h.Joined();
        } else {
            EXPECT_TRUE(h.session.Protection().DataEncrypted());
            EXPECT_EQ(
                h.session.Protection().FingerprintToStore(),
                row.answer == tls::TrustAnswer::TrustForSite && row.asked ? FingerprintOf(row.files) : "");
            h.session.Quit();
        }
        h.session.SetCertificateQuestion(nullptr);
        h.session.CloseAll();
    }
}

// "Require" never sends the log-in in clear: a refused AUTH TLS, or a
// firewall proxy that TLS cannot pass, ends the connection first. "If
// available" goes on in plain and says so.
TEST_F(HostileTlsTest, RequireSendsNoLoginWithoutTls) {
    struct Row {
        const char* name;
        tls::Encryption encryption;
        bool throughFirewall;
        bool connects;
        std::vector<std::string> commands;  // the first ones the server received
        const char* logged;
        const char* stored = "";  // a pinned certificate
    };
    const Row rows[] = {
        {"require, AUTH refused",
         tls::Encryption::RequireExplicit,
         false,
         false,
         {"AUTH TLS"},
         "the site requires FTP over TLS, so the connection ends before the log-in"},
        {"if available, AUTH refused",
         tls::Encryption::ExplicitIfAvailable,
         false,
         true,
         {"AUTH TLS", "USER tester", "PASS secret"},
         "continuing without encryption"},
        {"if available, pinned, AUTH refused",
         tls::Encryption::ExplicitIfAvailable,
         false,
         false,
         {"AUTH TLS"},
         "The server refused AUTH TLS; this site's certificate is pinned, so the connection ends before the "
         "log-in.",
         "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU"},
        {"require, through a firewall",
         tls::Encryption::RequireImplicit,
         true,
         false,
         {},
         "cannot be used through the firewall proxy; the site requires it"},
        {"if available, through a firewall",
         tls::Encryption::ExplicitIfAvailable,
         true,
         true,
         {"USER tester@ftp.example.org", "PASS secret"},
         "cannot be used through the firewall proxy; connecting"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testsupport::ScriptedFtpServer server;
        if (!row.throughFirewall) server.Expect("AUTH", "500 Not understood.\r\n");
        server.Expect("USER", "331 Password please.\r\n").Expect("PASS", "230 Logged in.\r\n");
        Configure(row.throughFirewall ? "ftp.example.org" : server.HostText(), row.encryption, row.stored);
        if (row.throughFirewall) {
            testsupport::Reconfigure(h.session, [&](ConnectionSettings& settings) {
                settings.firewall = {true, 3, server.Port(), "127.0.0.1", "", ""};
            });
        }
        h.lines.clear();
        const bool connected = h.session.Logon().Connected();
        EXPECT_EQ(connected, row.connects) << h.Joined();
        EXPECT_TRUE(h.HasLineContaining(row.logged)) << h.Joined();
        EXPECT_FALSE(h.session.Protection().ControlEncrypted());
        if (connected) h.session.Quit();
        h.session.CloseAll();
        const std::vector<std::string> received = server.Received();
        ASSERT_GE(received.size(), row.commands.size());
        EXPECT_EQ(std::vector<std::string>(received.begin(), received.begin() + row.commands.size()),
                  row.commands);
        if (!row.connects) {
            EXPECT_EQ(received.size(), row.commands.size());
        }
    }
}

// A server that takes AUTH TLS or implicit TLS but refuses PROT P would
// carry files and listings readable: "Require" ends the connection there.
TEST_F(HostileTlsTest, RequireEndsAConnectionWhoseDataCannotBeEncrypted) {
    ImplicitFtpsServer server(Certificates::Get().good, {}, true);
    Configure(server.HostText(), tls::Encryption::RequireImplicit);
    EXPECT_EQ(h.session.Logon().cause, LogonResult::Cause::NotSecured);
    EXPECT_FALSE(h.session.IsConnected());
    EXPECT_TRUE(h.HasLineContaining("The server refused PROT P; the site requires FTP over TLS"))
        << h.Joined();
    const std::vector<std::string> received = server.Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back(), "PROT P");
}

// Under PROT P a data connection that does not end its TLS properly, speaks
// no TLS, or stays silent is a failed download: the previous file stays, and
// the failure comes at once or at the time limit, never as a hang. Only a cut
// after exactly the announced size (with the digest matching, where the
// server offers one) stands as the end of the file.
TEST_F(HostileTlsTest, BrokenDataTlsFailsTheDownloadAndKeepsTheOldFile) {
    const Certificates& c = Certificates::Get();
    const std::string half(60000, 'x');
    const DataPlay cut = [&](int fd) {
        ServerTlsData tls(c.good, fd);
        if (tls.Accept()) tls.Write(half);  // and no close_notify
    };
    char crc[16];
    std::snprintf(crc, sizeof crc, "250 %08lx",
                  UpdateCrc32(0, reinterpret_cast<const unsigned char*>(half.data()), half.size()));
    const auto offered = [](std::string digest) {
        return std::map<std::string, std::string>{
            {"SIZE", "213 60000"}, {"FEAT", "211-Features:\r\n XCRC\r\n211 End"}, {"XCRC", digest}};
    };
    struct Row {
        const char* name;
        DataPlay play;
        const char* logged;
        std::map<std::string, std::string> answers = {};
        bool accepted = false;
    };
    const Row rows[] = {
        {"cut mid-file", cut, "without closing TLS"},
        {"cut at the announced size",
         cut,
         "after the 60000 bytes announced",
         {{"RETR", "150 Go (60000 bytes)."}},
         true},
        {"cut short of the announced size", cut, "without closing TLS", {{"RETR", "150 Go (60001 bytes)."}}},
        {"cut at the size, digest matches", cut, "CRC32 matches", offered(crc), true},
        {"cut at the size, digest differs", cut, "does not match", offered("250 0badc0de")},
        {"no TLS", [](int fd) { send(fd, "plain bytes\r\n", 13, MSG_NOSIGNAL); },
         "TLS handshake on the data connection failed"},
        {"silent",
         [](int fd) {
             char byte = 0;
             while (recv(fd, &byte, 1, 0) > 0) {
             }
         },
         "Timed out after 2 seconds"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ImplicitFtpsServer server(c.good, row.play, false, row.answers);
        Configure(server.HostText(), tls::Encryption::RequireImplicit);
        testsupport::Reconfigure(h.session,
                                 [](ConnectionSettings& settings) { settings.dataMode = DataMode::Active; });
        h.lines.clear();
        ASSERT_TRUE(h.session.Logon().Connected()) << h.Joined();
        ASSERT_TRUE(h.session.Protection().DataEncrypted());
        const std::string local = dir.WriteFile("file.bin", "previous").string();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(h.session.DownloadFile("file.bin", &local) == kComplete, row.accepted);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
        EXPECT_EQ(TempDir::ReadFile(local), row.accepted ? half : "previous");
        EXPECT_TRUE(h.HasLineContaining(row.logged)) << h.Joined();
        EXPECT_FALSE(h.HasLineContaining("failed: TLS handshake failed"));  // one prefix, not two
        h.session.CloseAll();
    }
}

}  // namespace
