#pragma once

#include <gtest/gtest.h>

#include "ftp/engine_ui.h"
#include "ftp/ftp_session.h"
#include "support/real_ftp_server.h"
#include "support/session_harness.h"
#include "support/session_settings.h"

namespace testsupport {

// Logs the harness's session in to a real server as anonymous, after change
// has adjusted the settings, and enters the server's writable directory.
template <class Change>
void LogInToRealServer(SessionHarness& harness, EngineUi& ui, const RealFtpServer& server, Change change) {
    FtpSession& session = harness.session;
    session.SetUi(&ui);
    Reconfigure(session, [&](ConnectionSettings& settings) {
        settings.host = server.HostText();
        settings.user = "anonymous";
        settings.password = "tester@example.com";
        change(settings);
    });
    ASSERT_TRUE(session.Logon().Connected()) << harness.Joined();
    if (!server.WritableRemoteDir().empty()) {
        ASSERT_EQ(session.ChangeDir(server.WritableRemoteDir()), kComplete) << harness.Joined();
    }
}

}  // namespace testsupport
