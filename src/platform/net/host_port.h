#pragma once

#include <string>

namespace net {

// Splits "host:PORT" into its parts. A text without a colon is all host and
// gives port 0. An IPv6 address is written in brackets when a port follows
// ("[::1]:2121", "[::1]"); a bare text with more than one colon ("::1") is an
// IPv6 address without a port. Returns false when the port is not a number
// from 1 to 65535 or a bracket is not closed (the text is then not changed
// into parts).
bool SplitHostPort(const std::string& text, std::string& host, int& port);

}  // namespace net
