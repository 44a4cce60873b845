#pragma once

// How an exchange with the server ended: the first digit of the server's
// reply, or what happened instead (no reply, aborted, not sent). Scoped, so
// that a result is never compared with a bare number; `using enum` keeps the
// short names.
enum class ReplyClass : int {
    kNoReply = 0,
    kPreliminary = 1,
    kComplete = 2,
    kContinue = 3,
    kTransient = 4,
    kPermanent = 5,
    kAborted = 6,
    kNotSent = 9,
};
using enum ReplyClass;

// The class of a three-digit reply code (100-599), kNoReply for anything else.
inline ReplyClass ReplyClassOf(int replyCode) {
    return replyCode >= 100 && replyCode <= 599 ? static_cast<ReplyClass>(replyCode / 100) : kNoReply;
}
