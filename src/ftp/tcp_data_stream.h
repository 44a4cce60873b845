#pragma once

#include "ftp/control_channel.h"
#include "ftp/data_stream.h"
#include "platform/net/socket.h"

// A data connection over plain TCP. Its waits are the control channel's, so
// a stop request and the time limit end them; its log lines go to the
// control channel's log.
class TcpDataStream : public DataStream {
public:
    TcpDataStream(ControlChannel& control, net::Socket socket);

    bool IsOpen() const override { return socket.IsOpen(); }
    unsigned Number() const override { return static_cast<unsigned>(socket.Fd()); }
    int Fd() const override { return socket.Fd(); }
    long Receive(char* into, std::size_t capacity, int& errorCode) override;
    long Send(const char* bytes, std::size_t length, ReplyClass& status) override;
    std::int64_t Unacknowledged() const override;
    ReplyClass Finish(std::int64_t count, ProgressPublisher& progress) override;
    int Shutdown() override;
    void Close() override { control.CloseSocket(socket); }

private:
    ControlChannel& control;
    net::Socket socket;
};
