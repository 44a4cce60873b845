#include "ftp/server_features.h"

#include <cctype>

namespace {

std::string Cased(std::string_view text, int (*change)(int)) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(change(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// The items of a ";"-separated list, cased by change and without the "*"
// that marks the ones in use; marked gets the last of those.
std::vector<std::string> FactsOf(std::string_view argument, int (*change)(int),
                                 std::string* marked = nullptr) {
    std::vector<std::string> facts;
    while (!argument.empty()) {
        const std::size_t semicolon = argument.find(';');
        std::string_view fact = Trimmed(argument.substr(0, semicolon));
        const bool inUse = !fact.empty() && fact.back() == '*';
        if (inUse) fact.remove_suffix(1);
        if (!fact.empty()) facts.push_back(Cased(fact, change));
        if (inUse && !fact.empty() && marked != nullptr) *marked = facts.back();
        if (semicolon == std::string_view::npos) break;
        argument.remove_prefix(semicolon + 1);
    }
    return facts;
}

}  // namespace

ServerFeatures ServerFeatures::FromFeatReply(const std::vector<std::string>& lines) {
    ServerFeatures offered;
    for (const std::string& line : lines) {
        if (line.empty() || line[0] != ' ') continue;
        const std::string_view text = Trimmed(line);
        if (text.empty()) continue;
        const std::size_t blank = text.find(' ');
        const std::string word = Cased(text.substr(0, blank), std::toupper);
        const std::string_view argument =
            blank == std::string_view::npos ? std::string_view() : Trimmed(text.substr(blank));
        if (word == "MLST") offered.mlstFacts = FactsOf(argument, std::tolower);
        if (word == "HASH") offered.hashAlgorithms = FactsOf(argument, std::toupper, &offered.selectedHash);
        if (word == "REST" && Cased(argument, std::toupper) == "STREAM") offered.restStream = true;
        offered.features.push_back(word);
    }
    return offered;
}

bool ServerFeatures::Offers(std::string_view feature) const {
    const std::string wanted = Cased(feature, std::toupper);
    for (const std::string& offered : features)
        if (offered == wanted) return true;
    return false;
}
