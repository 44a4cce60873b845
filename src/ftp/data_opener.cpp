#include "ftp/data_opener.h"

#include <sys/socket.h>

// A fixed receive buffer for a data connection. Left to automatic tuning, the
// buffer grows far past the caches while the data is read 4000 bytes at a
// time, and downloads measurably slow down.
void SizeReceiveBuffer(int socket) {
    const int receiveBuffer = 4 << 20;
    setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
}

// The host at the other end of the control connection: the only host data
// connections are made with, whichever mode.
net::SocketAddress ControlPeer(const ControlChannel& control, const Login& login) {
    net::SocketAddress peer;
    if (!net::SocketAddress::ReadPeer(control.Fd(), peer)) peer = login.ServerAddress();
    return peer;
}
