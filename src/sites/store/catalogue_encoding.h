#pragma once

#include <string>

// The catalogue file's bytes as the reader takes them: a UTF-8 byte order mark
// dropped, UTF-16 with a byte order mark (as some editors save an INI file)
// turned into UTF-8. Other bytes are left alone.
std::string CatalogueTextFromFile(std::string bytes);

// True when the text holds a NUL byte: not a text file the reader can place
// entries from (UTF-16 without a byte order mark, a binary file).
bool LooksBinary(const std::string& text);
