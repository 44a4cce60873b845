#pragma once

#include <string>

#include "ftp/reply_class.h"

// How a single-file transfer ended, in the terms a queue
// needs to decide what to show and whether trying again may help.
struct TransferOutcome {
    enum class Kind {
        Completed,       // done; the server offered no check, or it could not be made
        Verified,        // done, and the server's digest matches the local file's
        Mismatch,        // the digests differ: a failed transfer
        Refused,         // the server answered 4xx or 5xx (replyCode)
        ConnectionLost,  // the control or data connection broke off
        TimedOut,        // a wait ran into the connection's time limit
        Cancelled,       // stopped by the user, or not started at all
        LocalError,      // the local file could not be read or written, or does not fit
                         // the remote one (decided here: trying again will not help)
    };

    Kind kind = Kind::Completed;
    int replyCode = 0;   // the server's reply that decided it (0: none)
    std::string reason;  // for the log and the queue: "550 No such file", "Timed out", ...
    ReplyClass result = kNoReply;  // what the transfer returned (kComplete: it went through)

    bool Succeeded() const { return kind == Kind::Completed || kind == Kind::Verified; }
    // Whether the same transfer may work when tried again: a 4xx reply, a
    // lost connection, a time-out.
    bool Transient() const;
};

// What a transfer saw, gathered at its end.
struct TransferFacts {
    ReplyClass result = kNoReply;  // what the transfer returned
    int replyCode = 0;             // the last reply code of the transfer (0: none)
    std::string replyText;
    bool stopped = false;         // the user stopped it
    bool timedOut = false;        // a time limit was reached during it
    bool connectionLost = false;  // the control connection is gone or gave up
    std::string localFailure;     // why the local file failed ("" when it did not)
    bool verified = false;        // the server's digest matched
    std::string mismatch;         // why the digests disagree ("" when they do not)
};

// The outcome those facts add up to. A stop outweighs everything, a mismatch
// outweighs the server's success, and a local failure outweighs the reply.
TransferOutcome OutcomeOf(const TransferFacts& facts);
