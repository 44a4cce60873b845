#include "ftp/bounded_text.h"

std::string CutToCapacity(std::string_view text, std::size_t capacity) {
    if (text.size() <= capacity) return std::string(text);
    // text[end] is the first byte left out; while it continues a UTF-8
    // sequence, the cut would split a character, so cut before its lead byte.
    std::size_t end = capacity;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}
