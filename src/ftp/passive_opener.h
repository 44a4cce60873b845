#pragma once

#include <string>

#include "ftp/data_opener.h"
#include "platform/net/socket.h"

// Passive mode: EPSV, then PASV (IPv4 only) when EPSV is refused, names no
// port or names one that does not answer, then a connect to the port the
// server names, on the host at the other end of the control connection.
class PassiveOpener : public DataOpener {
public:
    PassiveOpener(ControlChannel& control, Login& login, net::SocketAddress& dataPeer)
        : control(control), login(login), dataPeer(dataPeer) {}

    // A new connection may reach another server: EPSV is tried again if wanted.
    void Reset(bool tryEpsv) { epsvSkipped = !tryEpsv; }
    // Unavailable: neither EPSV nor PASV gave a data connection (refused,
    // unreadable, a silent port), so active mode may be worth a try. Failed:
    // the session was stopped or timed out, or no socket could be made.
    Prepared Prepare() override;
    std::unique_ptr<DataStream> Complete(int& errorCode) override;
    void Close() override { control.CloseSocket(connection); }

private:
    // How one way (EPSV or PASV) ended: connected, worth trying the next way,
    // or the session is stopped.
    enum class Attempt { Connected, NextWay, Stopped };

    Attempt TryEpsv(const char* next);
    Attempt TryPasv(const char* next);
    Attempt RefusedOrStopped(const char* verb, const char* next);
    Attempt ConnectToPort(const net::SocketAddress& target, const char* next);
    void LogNextWay(const std::string& why, const char* next);

    ControlChannel& control;
    Login& login;
    net::SocketAddress& dataPeer;
    net::Socket connection;    // connected, waiting for the transfer command
    bool epsvSkipped = false;  // EPSV is unknown or failed where PASV worked, or is unwanted
};
