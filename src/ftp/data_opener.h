#pragma once

#include <memory>

#include "ftp/control_channel.h"
#include "ftp/data_stream.h"
#include "ftp/login.h"
#include "platform/net/socket_address.h"

// Makes the data connection of one transfer: Prepare before the transfer
// command, Complete after the server's preliminary reply. Active and passive
// mode are the two kinds; the choice and the fallback between them are the
// transfers' (data_opening.cpp).
class DataOpener {
public:
    enum class Prepared {
        Ready,        // the transfer command may be sent
        Unavailable,  // the server does not know this mode at all
        Refused,      // the server refused this mode's announcement
        Failed,
    };

    virtual ~DataOpener() = default;
    virtual Prepared Prepare() = 0;
    // The data connection, or none with errorCode set (0 when the server
    // answered instead of connecting).
    virtual std::unique_ptr<DataStream> Complete(int& errorCode) = 0;
    // Drops what Prepare left open (left to the cancel sequence while a stop
    // is requested).
    virtual void Close() = 0;
};

// The host at the other end of the control connection: the only host data
// connections are made with, whichever mode.
net::SocketAddress ControlPeer(const ControlChannel& control, const Login& login);
// A fixed receive buffer for a data connection.
void SizeReceiveBuffer(int socket);
