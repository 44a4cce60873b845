// The command line's reader of the shared settings file. Whatever the file
// holds, the transfer mode is one the program knows and the time limit is not
// negative; a time limit other than the default is a number the file spells
// out, never a wrapped-around piece of a longer one.
//
// Input: the settings file's bytes.
#include <algorithm>
#include <cctype>

#include "cli/cli_settings.h"
#include "fuzz_support.h"

namespace {

// True when some run of digits in text, leading zeros aside, is exactly
// number. Quotes and backslashes are dropped first: the reader unquotes and
// unescapes values before it reads a number from them.
bool SpellsOut(const std::string& text, const std::string& number) {
    std::string plain;
    for (char c : text) {
        if (c != '"' && c != '\\') plain += c;
    }
    std::size_t at = 0;
    while (at < plain.size()) {
        if (!std::isdigit(static_cast<unsigned char>(plain[at]))) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < plain.size() && std::isdigit(static_cast<unsigned char>(plain[at]))) ++at;
        std::string run = plain.substr(start, at - start);
        run.erase(0, std::min(run.find_first_not_of('0'), run.size() - 1));
        if (run == number) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    const std::string text = input.TakeRest();
    const std::string path = fuzzing::ScratchDirectory() + "Quillmoor.ini";
    fuzzing::WriteScratchFile(path, text);

    const CliSettings settings = LoadCliSettings(path);
    FUZZ_CHECK(std::string("FIALP").find(settings.transferMode) != std::string::npos);
    FUZZ_CHECK(settings.timeoutSeconds >= 0);
    if (settings.timeoutSeconds != CliSettings().timeoutSeconds) {
        FUZZ_CHECK(SpellsOut(text, std::to_string(settings.timeoutSeconds)));
    }
    FUZZ_CHECK(settings.email.find('\n') == std::string::npos);
    return 0;
}
