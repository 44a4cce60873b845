#include "ftp/transfer_outcome.h"

bool TransferOutcome::Transient() const {
    switch (kind) {
        case Kind::Refused:
            return replyCode >= 400 && replyCode <= 499;
        case Kind::ConnectionLost:
        case Kind::TimedOut:
            return true;
        default:
            return false;
    }
}

TransferOutcome OutcomeOf(const TransferFacts& facts) {
    using Kind = TransferOutcome::Kind;
    const int code = facts.replyCode;
    if (facts.stopped) return {Kind::Cancelled, 0, "Cancelled"};
    if (!facts.mismatch.empty()) return {Kind::Mismatch, 0, facts.mismatch};
    if (facts.result == kComplete && facts.localFailure.empty())
        return {facts.verified ? Kind::Verified : Kind::Completed, code, ""};
    if (!facts.localFailure.empty()) return {Kind::LocalError, 0, facts.localFailure};
    if (facts.timedOut) return {Kind::TimedOut, 0, "Timed out"};
    if (facts.connectionLost) return {Kind::ConnectionLost, code, "Connection lost"};
    if (code >= 400 && code <= 599) return {Kind::Refused, code, facts.replyText};
    if (facts.result == kAborted) return {Kind::Cancelled, 0, "Cancelled"};
    // No reply that says why: the data connection could not be opened or
    // broke off, which another try may get past.
    return {Kind::ConnectionLost, code, "The data connection failed"};
}
