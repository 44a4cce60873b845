#include "ftp/transfer_retry.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "ftp/ftp_session.h"

namespace {

using std::chrono::milliseconds;

// "2 s", "0.25 s".
std::string SecondsText(milliseconds delay) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(delay.count()) / 1000.0);
    return text;
}

}  // namespace

bool StopAwareRetryWait::Wait(milliseconds delay) {
    const auto deadline = std::chrono::steady_clock::now() + delay;
    for (;;) {
        if (control.StopRequested()) return false;
        const auto left =
            std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        pollfd wake{control.WakeFd(), POLLIN, 0};
        const int ready = poll(&wake, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        if (ready < 0 && errno != EINTR) return !control.StopRequested();
    }
}

milliseconds RetryPolicy::DelayBefore(int attempt) const {
    milliseconds delay = firstDelay;
    for (int later = 2; later < attempt && delay < longestDelay; ++later) delay *= 2;
    return std::min(delay, longestDelay);
}

TransferRetry::TransferRetry(FtpSession& session, RetryPolicy policy, RetryWait* givenWait)
    : session(session),
      policy(policy),
      ownWait(givenWait == nullptr ? std::make_unique<StopAwareRetryWait>(session.Control()) : nullptr),
      wait(givenWait == nullptr ? *ownWait : *givenWait),
      reconnect([](FtpSession& s) { return s.Logon().Connected(); }) {}

TransferRetry::~TransferRetry() = default;

TransferOutcome TransferRetry::Run(Direction direction, const std::string& remoteName,
                                   const std::string& localPath) {
    const bool resumedFirst = session.Transfer().Resumes();
    const int allowed = 1 + std::max(0, policy.retries);
    TransferOutcome outcome;
    logInAgain = false;
    for (attempts = 1;; ++attempts) {
        outcome = Attempt(direction, remoteName, localPath);
        if (!outcome.Transient() || attempts >= allowed) break;
        if (!PauseBefore(attempts + 1, remoteName, outcome)) {
            outcome = {TransferOutcome::Kind::Cancelled, 0, "Cancelled"};
            break;
        }
        // What arrived (or went out) so far is kept and continued.
        session.SetResume(true);
        logInAgain = NeedsNewConnection(outcome);
    }
    session.SetResume(resumedFirst);
    return outcome;
}

TransferOutcome TransferRetry::Attempt(Direction direction, const std::string& remoteName,
                                       const std::string& localPath) {
    if (session.Control().StopRequested()) return {TransferOutcome::Kind::Cancelled, 0, "Cancelled"};
    if (logInAgain || !session.IsConnected()) {
        session.CloseAll();
        session.Control().LogF("Reconnecting to %s.", session.Settings().host.c_str());
        if (!reconnect(session)) {
            if (session.Control().StopRequested()) return {TransferOutcome::Kind::Cancelled, 0, "Cancelled"};
            return {TransferOutcome::Kind::ConnectionLost, 0, "Could not log in again"};
        }
    }
    return direction == Direction::Download ? session.Download(remoteName, &localPath)
                                            : session.Upload(remoteName, &localPath);
}

// A connection that broke off or ran into the time limit is given up, and a
// 421 announces that the server closes it.
bool TransferRetry::NeedsNewConnection(const TransferOutcome& last) const {
    return !session.IsConnected() || last.kind == TransferOutcome::Kind::ConnectionLost ||
           last.kind == TransferOutcome::Kind::TimedOut || last.replyCode == 421;
}

bool TransferRetry::PauseBefore(int attempt, const std::string& remoteName, const TransferOutcome& last) {
    const milliseconds delay = policy.DelayBefore(attempt);
    session.Control().LogF("Retrying %s in %s (attempt %d of %d): %s", remoteName.c_str(),
                           SecondsText(delay).c_str(), attempt, 1 + policy.retries, last.reason.c_str());
    if (retryNotice) retryNotice(attempt, last);
    return wait.Wait(delay);
}
