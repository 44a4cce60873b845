#pragma once

#include <string>

// Readable text of a socket error number (10004, 10054, 11001 ...): the fixed
// table's text, else the system's message for the errno it came from, else
// "error N".
std::string SocketErrorText(int code);

// The system's words for an errno of a local file operation ("No space left
// on device"), else "error N".
std::string SystemErrorText(int errnoValue);
