// How the facts of a transfer add up to its outcome, and the pauses between
// attempts.
#include "ftp/transfer_outcome.h"

#include <gtest/gtest.h>

#include "ftp/transfer_retry.h"

namespace {

using Kind = TransferOutcome::Kind;

TransferFacts Facts(ReplyClass result, int code, const char* text = "") {
    TransferFacts facts;
    facts.result = result;
    facts.replyCode = code;
    facts.replyText = text;
    return facts;
}

TEST(TransferOutcomeTest, FactsDecideTheKindAndWhetherToTryAgain) {
    struct Case {
        const char* name;
        TransferFacts facts;
        Kind kind;
        bool transient;
        const char* reason;
    };
    TransferFacts stoppedMidMismatch = Facts(kPermanent, 226);
    stoppedMidMismatch.stopped = true;
    stoppedMidMismatch.mismatch = "SHA-256 does not match the server's";
    TransferFacts mismatch = Facts(kPermanent, 226);
    mismatch.mismatch = "SHA-256 does not match the server's";
    TransferFacts verified = Facts(kComplete, 226);
    verified.verified = true;
    TransferFacts diskFull = Facts(kPermanent, 426, "426 Aborted.");
    diskFull.localFailure = "Could not write a.bin";
    TransferFacts timedOut = Facts(kAborted, 421);
    timedOut.timedOut = true;
    timedOut.connectionLost = true;
    TransferFacts lost = Facts(kAborted, 421);
    lost.connectionLost = true;
    const Case cases[] = {
        {"done", Facts(kComplete, 226), Kind::Completed, false, ""},
        {"verified", verified, Kind::Verified, false, ""},
        {"stop outweighs all", stoppedMidMismatch, Kind::Cancelled, false, "Cancelled"},
        {"mismatch", mismatch, Kind::Mismatch, false, "SHA-256 does not match the server's"},
        {"local failure", diskFull, Kind::LocalError, false, "Could not write a.bin"},
        {"time-out", timedOut, Kind::TimedOut, true, "Timed out"},
        {"connection lost", lost, Kind::ConnectionLost, true, "Connection lost"},
        {"busy server", Facts(kTransient, 450, "450 Busy."), Kind::Refused, true, "450 Busy."},
        {"server closing", Facts(kTransient, 421, "421 Bye."), Kind::Refused, true, "421 Bye."},
        {"no such file", Facts(kPermanent, 550, "550 No."), Kind::Refused, false, "550 No."},
        {"data short of the size", Facts(kPermanent, 226), Kind::ConnectionLost, true,
         "The data connection failed"},
        {"no reply at all", Facts(kNoReply, 0), Kind::ConnectionLost, true, "The data connection failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TransferOutcome outcome = OutcomeOf(c.facts);
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_EQ(outcome.Transient(), c.transient);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(outcome.Succeeded(), c.kind == Kind::Completed || c.kind == Kind::Verified);
    }
}

TEST(RetryPolicyTest, PausesDoubleUpToTheLongest) {
    RetryPolicy policy;
    policy.firstDelay = std::chrono::milliseconds(1000);
    policy.longestDelay = std::chrono::milliseconds(5000);
    const long expected[] = {1000, 2000, 4000, 5000, 5000};
    for (int attempt = 2; attempt < 7; ++attempt)
        EXPECT_EQ(policy.DelayBefore(attempt).count(), expected[attempt - 2]) << attempt;
}

}  // namespace
