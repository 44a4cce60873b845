#include "ftp/tls/session_keeper.h"

#include <gtest/gtest.h>

namespace {

tls::SessionHandle NewSession() { return tls::SessionHandle(SSL_SESSION_new(), &SSL_SESSION_free); }

// TLS 1.3 tickets are used once, newest first; when none is left the last
// one is offered again (a TLS 1.2 session, resumed without new ones).
TEST(SessionKeeper, OffersTheNewestUnusedSessionThenTheLastOneAgain) {
    tls::SessionKeeper keeper;
    EXPECT_EQ(keeper.TakeForResumption(), nullptr);
    const tls::SessionHandle older = NewSession();
    const tls::SessionHandle newer = NewSession();
    keeper.Keep(older);
    keeper.Keep(newer);
    EXPECT_EQ(keeper.TakeForResumption(), newer);
    EXPECT_EQ(keeper.TakeForResumption(), older);
    EXPECT_EQ(keeper.TakeForResumption(), older);
    const tls::SessionHandle fresh = NewSession();
    keeper.Keep(fresh);
    EXPECT_EQ(keeper.TakeForResumption(), fresh);
}

}  // namespace
