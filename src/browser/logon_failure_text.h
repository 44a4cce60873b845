#pragma once

#include <QString>

#include "ftp/login.h"

// The error box's words for a log-in that did not succeed: the cause in
// plain language, with the server's reply where it gave one. Empty for a
// cancelled log-in, which the user asked for and needs no box.
// timeoutSeconds is the time limit the connection ran under.
QString LogonFailureText(const LogonResult& result, int timeoutSeconds);
