#pragma once

#include <string>
#include <vector>

// Splits one command argument into words at blanks; double quotes keep blanks
// inside a word ("my file.txt"). Returns false with error set for an
// unterminated quote.
bool SplitCommandWords(const std::string& text, std::vector<std::string>& words, std::string& error);
