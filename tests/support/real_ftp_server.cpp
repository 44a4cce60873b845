#include "support/real_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "support/data_link.h"
#include "support/free_port.h"

namespace testsupport {

namespace {

using namespace std::chrono_literals;

const char* const kPyftpdlibScript = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
root = sys.argv[1]
authorizer = DummyAuthorizer()
authorizer.add_anonymous(root, perm='elradfmwMT')
authorizer.add_user('tester', 'secret', root, perm='elradfmwMT')
handler = type('Handler', (FTPHandler,), {'authorizer': authorizer})
if len(sys.argv) > 3:
    from pyftpdlib.handlers import TLS_FTPHandler
    settings = {'authorizer': authorizer, 'certfile': sys.argv[3], 'keyfile': sys.argv[4],
                'tls_control_required': sys.argv[6] == 'required', 'tls_data_required': sys.argv[6] == 'required'}
    if sys.argv[5] == 'implicit':
        # TLS from the first byte: the greeting waits for the handshake.
        settings['handle'] = lambda self: self.secure_connection(self.ssl_context)
        settings['handle_ssl_established'] = lambda self: TLS_FTPHandler.handle(self)
    handler = type('Handler', (TLS_FTPHandler,), settings)
server = FTPServer((sys.argv[2], 0), handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

// The first python3 that has pyftpdlib (a version manager's python3 earlier
// in PATH may lack the distribution's package).
std::string PythonWithPyftpdlib() {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        RunResult probe = RunProgram({candidate, "-c", "import pyftpdlib"}, 10s);
        if (probe.exitCode == 0) return candidate;
    }
    return {};
}

bool WaitUntilAccepting(const std::string& loopback, unsigned short port, ChildProcess& process,
                        std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (AcceptsConnections(loopback, port)) return true;
        if (!process.IsRunning()) return false;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// vsftpd 3.0.3's TLS lines. Data connections must resume the control
// connection's session (require_ssl_reuse), as on many hosting servers.
std::string VsftpdTlsSettings(const ServerTls& tls) {
    const std::string required = tls.required ? "YES" : "NO";
    std::string lines = "ssl_enable=YES\nallow_anon_ssl=YES\nrequire_ssl_reuse=YES\n";
    lines += "ssl_sslv2=NO\nssl_sslv3=NO\nssl_ciphers=HIGH\n";
    lines += "rsa_cert_file=" + tls.files.certificate.string() + "\n";
    lines += "rsa_private_key_file=" + tls.files.key.string() + "\n";
    lines += std::string("implicit_ssl=") + (tls.implicit ? "YES" : "NO") + "\n";
    lines += "force_anon_logins_ssl=" + required + "\nforce_anon_data_ssl=" + required + "\n";
    return lines;
}

}  // namespace

bool AcceptsConnections(const std::string& loopback, unsigned short port) {
    return DataLink::Connect(loopback, port).IsOpen();
}

std::string RealFtpServer::HostText() const { return HostTextOf(loopback, port); }

PyftpdlibServer::PyftpdlibServer(const std::string& loopback) : RealFtpServer(loopback) { Start(nullptr); }

PyftpdlibServer::PyftpdlibServer(const ServerTls& tls, const std::string& loopback)
    : RealFtpServer(loopback) {
    Start(&tls);
}

void PyftpdlibServer::Start(const ServerTls* tls) {
    const std::string python = PythonWithPyftpdlib();
    if (python.empty()) {
        problem = "no python3 with pyftpdlib";
        return;
    }
    writableDir = dir / "root";
    std::filesystem::create_directories(writableDir);
    std::vector<std::string> argv = {python, "-c", kPyftpdlibScript, writableDir.string(), loopback};
    if (tls != nullptr) {
        argv.insert(argv.end(),
                    {tls->files.certificate.string(), tls->files.key.string(),
                     tls->implicit ? "implicit" : "explicit", tls->required ? "required" : "optional"});
    }
    process = ChildProcess::Start(argv, (dir / "stderr").string());
    const std::string portText = process.ReadLine(15s);
    const int chosen = portText.empty() ? 0 : std::atoi(portText.c_str());
    if (chosen <= 0 || !WaitUntilAccepting(loopback, static_cast<unsigned short>(chosen), process, 10s)) {
        problem = "pyftpdlib did not start: " + TempDir::ReadFile(dir / "stderr");
        return;
    }
    port = static_cast<unsigned short>(chosen);
}

VsftpdServer::VsftpdServer(const VsftpdDataOptions& data) : RealFtpServer(data.loopback) {
    Start(data, nullptr);
}

VsftpdServer::VsftpdServer(const ServerTls& tls, const VsftpdDataOptions& data)
    : RealFtpServer(data.loopback) {
    Start(data, &tls);
}

void VsftpdServer::Start(const VsftpdDataOptions& data, const ServerTls* tls) {
    const char* program = "/usr/sbin/vsftpd";
    if (access(program, X_OK) != 0) {
        problem = "vsftpd is not installed";
        return;
    }
    // vsftpd refuses an anonymous root that the anonymous user may write to,
    // so the root stays read-only and "upload" below it is writable.
    const std::filesystem::path root = dir / "root";
    writableDir = root / "upload";
    writableRemoteDir = "upload";
    std::filesystem::create_directories(writableDir);
    std::filesystem::create_directories(dir / "empty");
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    std::filesystem::permissions(root, std::filesystem::perms(0755));
    std::filesystem::permissions(writableDir, std::filesystem::perms(0777));
    if (const passwd* ftpUser = getpwnam("ftp")) {
        [[maybe_unused]] int ignored = chown(writableDir.c_str(), ftpUser->pw_uid, ftpUser->pw_gid);
    }

    // A port picked here may be taken by someone else before vsftpd binds it.
    for (int attempt = 0; attempt < 3 && port == 0; ++attempt) {
        const unsigned short candidate = FreeTcpPort();
        const std::filesystem::path config = dir / "vsftpd.conf";
        std::ofstream out(config);
        const bool ipv6 = loopback.find(':') != std::string::npos;
        out << (ipv6 ? "listen=NO\nlisten_ipv6=YES\nlisten_address6="
                     : "listen=YES\nlisten_ipv6=NO\nlisten_address=")
            << loopback << "\n"
            << "listen_port=" << candidate << "\n"
            << "background=NO\n"
            << "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
            << "anon_root=" << root.string() << "\n"
            << "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
            << "anon_other_write_enable=YES\nanon_world_readable_only=NO\nanon_umask=022\n"
            << "port_enable=" << (data.activeAllowed ? "YES" : "NO") << "\n"
            << "connect_from_port_20=NO\npasv_enable=YES\n"
            << "seccomp_sandbox=NO\n"
            << "secure_chroot_dir=" << (dir / "empty").string() << "\n"
            << "ftp_username=ftp\nnopriv_user=ftp\n"
            << "xferlog_enable=NO\ndirmessage_enable=NO\nuse_localtime=YES\n"
            << "vsftpd_log_file=" << (dir / "vsftpd.log").string() << "\n";
        if (!data.pasvAddress.empty()) out << "pasv_address=" << data.pasvAddress << "\n";
        if (tls != nullptr) out << VsftpdTlsSettings(*tls);
        out.close();
        process = ChildProcess::Start({program, config.string()}, (dir / "stderr").string());
        if (WaitUntilAccepting(loopback, candidate, process, 10s)) {
            port = candidate;
        } else {
            process.Stop();
        }
    }
    if (port == 0) problem = "vsftpd did not start: " + TempDir::ReadFile(dir / "stderr");
}

}  // namespace testsupport
