#pragma once

#include "ftp/data_opener.h"
#include "platform/net/socket.h"

// Passive mode: EPSV (PASV when the server does not know it and the
// connection is IPv4), then a connect to the port the server names, on the
// host at the other end of the control connection.
class PassiveOpener : public DataOpener {
public:
    PassiveOpener(ControlChannel& control, Login& login, net::SocketAddress& dataPeer)
        : control(control), login(login), dataPeer(dataPeer) {}

    // A new connection may reach another server: EPSV is tried again if wanted.
    void Reset(bool tryEpsv) { epsvUnknown = !tryEpsv; }
    // Unavailable: the server knows neither EPSV nor PASV (500, 502).
    Prepared Prepare() override;
    std::unique_ptr<DataStream> Complete(int& errorCode) override;
    void Close() override { control.CloseSocket(connection); }

private:
    Prepared AskPassivePort(net::SocketAddress& target);  // Ready: target is known

    ControlChannel& control;
    Login& login;
    net::SocketAddress& dataPeer;
    net::Socket connection;    // connected, waiting for the transfer command
    bool epsvUnknown = false;  // the server answered EPSV with 500 or 502
};
