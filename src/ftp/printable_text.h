#pragma once

#include <string>

// The text with every control character (a hostile server's escape sequences,
// stray CRs) shown as '?', so that nothing a server sends can drive the
// terminal. Tabs stay.
std::string PrintableText(const std::string& text);
