#include "cli/cli_settings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Values the settings store wrote in quotes (because of special characters)
// are unquoted; its backslash escapes for quotes and backslashes are undone.
std::string Unquote(const std::string& value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return value;
    std::string plain;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) ++i;
        plain += value[i];
    }
    return plain;
}

// The settings store writes blanks and other special characters of keys as
// %XX ("Transfer%20Mode").
std::string DecodeKey(const std::string& key) {
    std::string plain;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] == '%' && i + 2 < key.size() && std::isxdigit(static_cast<unsigned char>(key[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(key[i + 2]))) {
            plain += static_cast<char>(std::stoi(key.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            plain += key[i];
        }
    }
    return plain;
}

// A number outside the range of int is not read (the desktop program does
// the same), rather than wrapped around into some other number.
bool ReadInt(const std::map<std::string, std::string>& values, const std::string& key, int& into) {
    const auto found = values.find(key);
    if (found == values.end()) return false;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(found->second.c_str(), &end, 10);
    if (end == found->second.c_str() || *end != '\0' || errno == ERANGE) return false;
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) return false;
    into = static_cast<int>(number);
    return true;
}

}  // namespace

std::string CliSettingsPath() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    return base + "/Corvane/Quillmoor.ini";
}

CliSettings LoadCliSettings(const std::string& path) {
    CliSettings settings;
    std::ifstream in(path);
    std::map<std::string, std::string> values;  // "Section/key" -> value
    std::string section;
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        values[section + "/" + DecodeKey(Trim(line.substr(0, equals)))] =
            Unquote(Trim(line.substr(equals + 1)));
    }
    if (auto found = values.find("ProgramOptions/e-mail"); found != values.end())
        settings.email = found->second;
    int number = 0;
    if (ReadInt(values, "ProgramOptions/Retry", number) && number >= 0) settings.timeoutSeconds = number;
    if (ReadInt(values, "TransOptions/Transfer Mode", number)) {
        const char letter = static_cast<char>(number & 0xFF);
        if (letter == 'F' || letter == 'I' || letter == 'A' || letter == 'L' || letter == 'P') {
            settings.transferMode = letter;
        }
    }
    if (ReadInt(values, "TransOptions/Passive Mode", number)) settings.passiveMode = number != 0;
    if (ReadInt(values, "TransOptions/Keep Modification Times", number)) {
        settings.keepModificationTimes = number != 0;
    }
    ListingLimits& limits = settings.listingLimits;
    if (ReadInt(values, "Listings/Most Entries", number) && number > 0)
        limits.entries = static_cast<std::size_t>(number);
    if (ReadInt(values, "Listings/Most Megabytes", number) && number > 0)
        limits.bytes = static_cast<std::uint64_t>(number) << 20;
    if (ReadInt(values, "Listings/Time Limit", number) && number >= 0) limits.seconds = number;
    return settings;
}
