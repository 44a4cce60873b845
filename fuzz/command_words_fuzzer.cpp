// The command line's splitter of one command argument into words. Any text
// either splits or is refused for an odd number of quotes; the words hold
// every character that is neither a quote nor a separating blank, none is
// lost or made up, and quoting each word and joining them gives them back.
//
// Input: the command argument's bytes.
#include <vector>

#include "cli/command_words.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    const std::string text = input.TakeRest();

    std::size_t quotes = 0;
    std::size_t kept = 0;  // characters that belong to some word
    for (char c : text) {
        if (c == '"') {
            ++quotes;
        } else if (quotes % 2 == 1 || (c != ' ' && c != '\t')) {
            ++kept;
        }
    }

    std::vector<std::string> words;
    std::string error;
    const bool split = SplitCommandWords(text, words, error);
    FUZZ_CHECK(split == (quotes % 2 == 0));
    if (!split) {
        FUZZ_CHECK(error.find("unterminated quote") != std::string::npos);
        return 0;
    }

    std::size_t inWords = 0;
    std::string rejoined;
    for (const std::string& word : words) {
        FUZZ_CHECK(word.find('"') == std::string::npos);
        inWords += word.size();
        rejoined += (rejoined.empty() ? "\"" : " \"") + word + "\"";
    }
    FUZZ_CHECK(inWords == kept);

    std::vector<std::string> again;
    FUZZ_CHECK(SplitCommandWords(rejoined, again, error));
    FUZZ_CHECK(again == words);
    return 0;
}
