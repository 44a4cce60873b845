#pragma once

#include <string>

#include "ftp/login.h"

// The words for a log-in that did not succeed: the cause in plain language,
// with the server's reply where it gave one. Empty for a cancelled log-in,
// which the user asked for and needs no message. timeoutSeconds is the time
// limit the connection ran under.
std::string LogonFailureText(const LogonResult& result, int timeoutSeconds);
