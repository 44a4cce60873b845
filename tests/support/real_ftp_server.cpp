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
import hashlib
import os
import sys
import zlib
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
HASH_NAMES = {'SHA-256': 'sha256', 'SHA-1': 'sha1', 'MD5': 'md5'}
OLDER_COMMANDS = {'XSHA256': 'sha256', 'XSHA1': 'sha1', 'XMD5': 'md5', 'XCRC': 'crc32'}

def file_digest(path, kind, wrong):
    crc, digest = 0, None if kind == 'crc32' else hashlib.new(kind)
    with open(path, 'rb') as f:
        for block in iter(lambda: f.read(65536), b''):
            if digest is None:
                crc = zlib.crc32(block, crc)
            else:
                digest.update(block)
    text = '%08x' % crc if digest is None else digest.hexdigest()
    if wrong:
        text = ('1' if text[0] == '0' else '0') + text[1:]
    return text

def digest_handler(base, commands, wrong):
    """The base handler with HASH, OPTS HASH and the X digest commands."""
    proto = base.proto_cmds.copy()
    for name in commands:
        proto[name] = dict(perm='r', auth=True, arg=True, help='Syntax: %s <SP> file-name.' % name)

    def init(self, *args, **kwargs):
        base.__init__(self, *args, **kwargs)
        self._hash = 'SHA-256'

    def feat(self, line):
        extra = [f for f in self._extra_feats if not f.startswith('HASH') and f not in OLDER_COMMANDS]
        if 'HASH' in commands:
            extra.append('HASH ' + ';'.join(n + ('*' if n == self._hash else '') for n in HASH_NAMES))
        extra += [name for name in commands if name in OLDER_COMMANDS]
        self._extra_feats = extra
        base.ftp_FEAT(self, line)

    def opts(self, line):
        words = line.split(' ', 1)
        if words[0].upper() != 'HASH' or 'HASH' not in commands:
            return base.ftp_OPTS(self, line)
        if len(words) == 2:
            if words[1].upper() not in HASH_NAMES:
                return self.respond('501 Unknown algorithm.')
            self._hash = words[1].upper()
        self.respond('200 ' + self._hash)

    def answer(self, path, reply):
        if not self.fs.isfile(self.fs.realpath(path)):
            return self.respond('550 Not a file.')
        self.respond(reply(path))

    members = {'proto_cmds': proto, '__init__': init, 'ftp_FEAT': feat, 'ftp_OPTS': opts}
    members['ftp_HASH'] = lambda self, path: answer(self, path, lambda p: '213 %s 0-%d %s %s' % (
        self._hash, self.fs.getsize(p), file_digest(p, HASH_NAMES[self._hash], wrong), self.fs.fs2ftp(p)))
    for name, kind in OLDER_COMMANDS.items():
        members['ftp_' + name] = (lambda k: lambda self, path: answer(
            self, path, lambda p: '250 ' + file_digest(p, k, wrong)))(kind)
    return type('DigestHandler', (base,), members)

root = sys.argv[1]
authorizer = DummyAuthorizer()
authorizer.add_anonymous(root, perm='elradfmwMT')
authorizer.add_user('tester', 'secret', root, perm='elradfmwMT')
handler = type('Handler', (FTPHandler,), {'authorizer': authorizer})
hash_commands = [name for name in sys.argv[3].split(',') if name]
wrong_hash = sys.argv[4] == 'wrong'
bytes_per_second = int(sys.argv[5])
if len(sys.argv) > 6:
    from pyftpdlib.handlers import TLS_FTPHandler
    settings = {'authorizer': authorizer, 'certfile': sys.argv[6], 'keyfile': sys.argv[7],
                'tls_control_required': sys.argv[9] == 'required', 'tls_data_required': sys.argv[9] == 'required'}
    if sys.argv[8] == 'implicit':
        # TLS from the first byte: the greeting waits for the handshake.
        settings['handle'] = lambda self: self.secure_connection(self.ssl_context)
        settings['handle_ssl_established'] = lambda self: TLS_FTPHandler.handle(self)
    handler = type('Handler', (TLS_FTPHandler,), settings)
if hash_commands:
    handler = digest_handler(handler, hash_commands, wrong_hash)
if bytes_per_second > 0:
    from pyftpdlib.handlers import ThrottledDTPHandler
    handler.dtp_handler = type('Throttled', (ThrottledDTPHandler,),
                               {'read_limit': bytes_per_second, 'write_limit': bytes_per_second})
# A restarted server takes the port it had before (0: any free port).
server = FTPServer((sys.argv[2], int(os.environ.get('QUILLMOOR_FTP_PORT', '0'))), handler)
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

PyftpdlibServer::PyftpdlibServer(const std::string& loopback) : RealFtpServer(loopback) {
    Start(PyftpdlibOptions{}, nullptr);
}

PyftpdlibServer::PyftpdlibServer(const ServerTls& tls, const std::string& loopback)
    : RealFtpServer(loopback) {
    Start(PyftpdlibOptions{}, &tls);
}

PyftpdlibServer::PyftpdlibServer(const PyftpdlibOptions& options) : RealFtpServer(options.loopback) {
    Start(options, nullptr);
}

const std::vector<std::string>& PyftpdlibServer::AllHashCommands() {
    static const std::vector<std::string> all = {"HASH", "XSHA256", "XSHA1", "XMD5", "XCRC"};
    return all;
}

void PyftpdlibServer::Start(const PyftpdlibOptions& options, const ServerTls* tls) {
    const std::string python = PythonWithPyftpdlib();
    if (python.empty()) {
        problem = "no python3 with pyftpdlib";
        return;
    }
    writableDir = dir / "root";
    std::filesystem::create_directories(writableDir);
    std::string commands;
    for (const std::string& name : options.hashCommands) commands += name + ",";
    std::vector<std::string> argv = {python,
                                     "-c",
                                     kPyftpdlibScript,
                                     writableDir.string(),
                                     loopback,
                                     commands,
                                     options.wrongHash ? "wrong" : "right",
                                     std::to_string(options.bytesPerSecond)};
    if (tls != nullptr) {
        argv.insert(argv.end(),
                    {tls->files.certificate.string(), tls->files.key.string(),
                     tls->implicit ? "implicit" : "explicit", tls->required ? "required" : "optional"});
    }
    arguments = argv;
    port = Launch(0);
}

unsigned short PyftpdlibServer::Launch(unsigned short wanted) {
    process = ChildProcess::Start(arguments, (dir / "stderr").string(),
                                  {"QUILLMOOR_FTP_PORT=" + std::to_string(wanted)});
    const std::string portText = process.ReadLine(15s);
    const int chosen = portText.empty() ? 0 : std::atoi(portText.c_str());
    if (chosen <= 0 || !WaitUntilAccepting(loopback, static_cast<unsigned short>(chosen), process, 10s)) {
        problem = "pyftpdlib did not start: " + TempDir::ReadFile(dir / "stderr");
        return 0;
    }
    return static_cast<unsigned short>(chosen);
}

void PyftpdlibServer::Halt() { process.Stop(); }

bool PyftpdlibServer::ServeAgain() { return port != 0 && Launch(port) == port; }

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
            << "connect_from_port_20=NO\npasv_enable=" << (data.passiveAllowed ? "YES" : "NO") << "\n"
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

ConnectionSettings AnonymousSettings(const RealFtpServer& server) {
    ConnectionSettings settings;
    settings.host = server.HostText();
    settings.user = "anonymous";
    settings.password = "tester@example.com";
    settings.dataMode = DataMode::Passive;
    settings.transferMode = 'I';
    settings.timeoutSeconds = 20;
    return settings;
}

}  // namespace testsupport
