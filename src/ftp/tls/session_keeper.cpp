#include "ftp/tls/session_keeper.h"

namespace tls {

namespace {

// Enough for a few data connections in flight; older tickets expire first anyway.
constexpr std::size_t kMostKept = 8;

}  // namespace

void SessionKeeper::Keep(SessionHandle session) {
    std::lock_guard<std::mutex> hold(lock);
    unused.push_front(std::move(session));
    if (unused.size() > kMostKept) unused.pop_back();
}

SessionHandle SessionKeeper::TakeForResumption() {
    std::lock_guard<std::mutex> hold(lock);
    if (!unused.empty()) {
        lastTaken = unused.front();
        unused.pop_front();
    }
    return lastTaken;
}

}  // namespace tls
