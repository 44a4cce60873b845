#pragma once

#include "ftp/connection_settings.h"
#include "ftp/ftp_session.h"

namespace testsupport {

// Changes some of a session's connection settings and hands them back whole,
// as a caller does before connecting; the rest stay as they were.
template <class Change>
void Reconfigure(FtpSession& session, Change change) {
    ConnectionSettings settings = session.Settings();
    change(settings);
    session.Configure(settings);
}

}  // namespace testsupport
