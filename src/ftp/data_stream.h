#pragma once

#include <cstddef>
#include <cstdint>

#include "ftp/reply_class.h"

class ProgressPublisher;

// The data connection of one transfer or listing, as the transfer sees it:
// bytes in, bytes out, the end of an upload and the close. It owns its
// connection. Plain TCP is one kind; an encrypted stream over the same
// socket is another, so transfers never touch the descriptor themselves.
class DataStream {
public:
    virtual ~DataStream() = default;

    virtual bool IsOpen() const = 0;
    // The number the log calls the connection by.
    virtual unsigned Number() const = 0;
    // The connection's socket descriptor (an encrypted stream runs over it).
    virtual int Fd() const = 0;
    // One receive of at most capacity bytes: the count, 0 at the end of the
    // stream, -1 with errorCode set (cancelled and timed out included).
    virtual long Receive(char* into, std::size_t capacity, int& errorCode) = 0;
    // Sends all of bytes; status says how it ended.
    virtual long Send(const char* bytes, std::size_t length, ReplyClass& status) = 0;
    // Bytes sent that the peer has not acknowledged yet (0 when unknown).
    virtual std::int64_t Unacknowledged() const = 0;
    // After the last block of an upload: ends the sending side and waits
    // until the peer has every one of count bytes, publishing progress.
    virtual ReplyClass Finish(std::int64_t count, ProgressPublisher& progress) = 0;
    // The bytes the server announced for this connection (-1: none). An
    // encrypted stream that ends without its TLS close after exactly these
    // bytes has ended; without an announcement it has failed.
    virtual void SetAnnouncedLength(std::int64_t) {}
    // Whether the stream ended without its TLS close and was taken as whole
    // by its announced length (still known after Close).
    virtual bool EndedWithoutClose() const { return false; }
    // Ends both directions at once; 0 or the socket error number.
    virtual int Shutdown() = 0;
    // Closes the connection and logs it (left to the cancel sequence while a
    // stop is requested).
    virtual void Close() = 0;
};
