#include "ftp/printable_text.h"

std::string PrintableText(const std::string& text) {
    std::string shown = text;
    for (char& c : shown) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) c = '?';
    }
    return shown;
}
