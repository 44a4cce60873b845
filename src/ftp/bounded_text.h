#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The engine's fixed-capacity texts (log lines, firewall values) are cut, never
// overrun. A cut never leaves half of a UTF-8 sequence at the end.
std::string CutToCapacity(std::string_view text, std::size_t capacity);
