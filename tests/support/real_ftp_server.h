#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/certificate_maker.h"
#include "ftp/connection_settings.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace testsupport {

// A real FTP server started for one test on 127.0.0.1 (or ::1), serving a fresh
// temporary directory. Start() returns false (with Problem() saying why) when
// the server program is missing or does not come up; tests then skip.
class RealFtpServer {
public:
    virtual ~RealFtpServer() = default;

    bool Started() const { return port != 0; }
    const std::string& Problem() const { return problem; }
    unsigned short Port() const { return port; }
    // "127.0.0.1:PORT", "[::1]:PORT".
    std::string HostText() const;
    // The directory that anonymous users may write to, on disk.
    std::filesystem::path WritableDir() const { return writableDir; }
    // Its name as the client sees it after log-in ("" when the root is writable).
    std::string WritableRemoteDir() const { return writableRemoteDir; }

protected:
    explicit RealFtpServer(std::string loopback) : loopback(std::move(loopback)) {}

    std::string loopback;
    TempDir dir{"quillmoor-ftpd"};
    ChildProcess process;
    unsigned short port = 0;
    std::string problem;
    std::filesystem::path writableDir;
    std::string writableRemoteDir;
};

// FTP over TLS for a real server: its certificate and key, and whether TLS
// starts with the first byte (implicit) or after AUTH TLS (explicit).
struct ServerTls {
    CertificateFiles files;
    bool implicit = false;
    bool required = false;  // explicit only: log-in and data refused without TLS
};

// What a PyftpdlibServer offers beyond stock pyftpdlib.
struct PyftpdlibOptions {
    std::string loopback = "127.0.0.1";
    // Digest commands listed in FEAT and answered: any of "HASH" (with
    // SHA-256, SHA-1 and MD5, selected by OPTS HASH), "XSHA256", "XSHA1",
    // "XMD5", "XCRC".
    std::vector<std::string> hashCommands;
    // Every digest reported differs from the file's (a corrupted transfer).
    bool wrongHash = false;
    // Bytes per second each data connection may carry; 0: no limit.
    long bytesPerSecond = 0;
};

// python3-pyftpdlib with a writable anonymous root (and a user "tester" with
// the password "secret" on the same root); with ServerTls, its TLS handler
// (python3-openssl).
class PyftpdlibServer : public RealFtpServer {
public:
    explicit PyftpdlibServer(const std::string& loopback = "127.0.0.1");
    explicit PyftpdlibServer(const ServerTls& tls, const std::string& loopback = "127.0.0.1");
    explicit PyftpdlibServer(const PyftpdlibOptions& options);

    // Every digest command pyftpdlib can be given.
    static const std::vector<std::string>& AllHashCommands();

    // Ends the server as a crash would: its connections close, and
    // connecting is refused until ServeAgain starts it on the same port and
    // directory (false when it did not come up).
    void Halt();
    bool ServeAgain();

private:
    void Start(const PyftpdlibOptions& options, const ServerTls* tls);
    // Starts the program on the wanted port (0: any); the port it took, 0 on failure.
    unsigned short Launch(unsigned short wanted);

    std::vector<std::string> arguments;
};

// How a VsftpdServer takes data connections. pasvAddress is only written
// into the server's configuration: it is what its PASV replies name.
struct VsftpdDataOptions {
    bool activeAllowed = true;           // false: port_enable=NO, PORT is refused
    std::string pasvAddress;             // empty: the address of the control connection
    std::string loopback = "127.0.0.1";  // or "::1"
    bool passiveAllowed = true;          // false: pasv_enable=NO, EPSV and PASV are refused
};

// vsftpd with its own configuration: anonymous log-in, a writable "upload"
// directory, passive mode and (unless told otherwise) active mode allowed, no
// PORT from port 20, in the foreground.
class VsftpdServer : public RealFtpServer {
public:
    VsftpdServer() : VsftpdServer(VsftpdDataOptions{}) {}
    explicit VsftpdServer(const VsftpdDataOptions& data);
    // With TLS (ssl_enable=YES, require_ssl_reuse=YES, anonymous TLS allowed).
    explicit VsftpdServer(const ServerTls& tls, const VsftpdDataOptions& data = {});

private:
    void Start(const VsftpdDataOptions& data, const ServerTls* tls);
};

// True when a TCP connection to loopback:port succeeds.
bool AcceptsConnections(const std::string& loopback, unsigned short port);

// An anonymous passive binary log-in to the server with a 20 s time limit.
ConnectionSettings AnonymousSettings(const RealFtpServer& server);

}  // namespace testsupport
