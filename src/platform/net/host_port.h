#pragma once

#include <string>

namespace net {

// Splits "host:PORT" into its parts. A text without a colon is all host and
// gives port 0. Returns false when the part after the last colon is not a
// port number from 1 to 65535 (the text is then not changed into parts).
bool SplitHostPort(const std::string& text, std::string& host, int& port);

}  // namespace net
