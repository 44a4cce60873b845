#pragma once

#include "ftp/data_opener.h"
#include "platform/net/socket.h"

// Active mode: a listener on the control connection's own address, announced
// with PORT (EPRT over IPv6), and an accept that takes only the server's
// connection.
class ActiveOpener : public DataOpener {
public:
    // localAddress is the control connection's own address, which the log-in
    // reads; dataPeer receives the far end of the accepted connection.
    ActiveOpener(ControlChannel& control, const Login& login, net::SocketAddress& localAddress,
                 net::SocketAddress& dataPeer)
        : control(control), login(login), localAddress(localAddress), dataPeer(dataPeer) {}

    // Failed: no listener, or the session was stopped. Refused: PORT or EPRT
    // was not accepted (the listener stays open for the caller to close).
    Prepared Prepare() override;
    std::unique_ptr<DataStream> Complete(int& errorCode) override;
    void Close() override { control.CloseSocket(listenSocket); }
    bool ListenerOpen() const { return listenSocket.IsOpen(); }

private:
    net::Socket OpenListener();
    bool AnnounceListener(unsigned port);
    net::Socket AcceptFromServer(int& errorCode);

    ControlChannel& control;
    const Login& login;
    net::SocketAddress& localAddress;
    net::SocketAddress& dataPeer;
    net::Socket listenSocket;
};
