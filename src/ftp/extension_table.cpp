// The extension table and the session's lookups in it.
#include "ftp/extension_table.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "ftp/ftp_session.h"

namespace {

constexpr std::size_t kLongestExtension = 13;

char MapTypeLetter(char letter) { return (letter == 'A' || letter == 'L') ? letter : 'I'; }

}  // namespace

ExtensionTable ExtensionTable::Load(const std::string& directory) {
    ExtensionTable table;
    std::ifstream file(directory + kFileName);
    std::string line;
    while (file && std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Lines past the table's limits are ignored rather than cut, so a cut
        // extension can never match a name it was not written for.
        if (line.size() < 2 || line.size() > FtpSession::kListingLineCapacity) continue;
        std::string extension = line.substr(2);
        if (extension.size() > kLongestExtension) continue;
        table.rules.push_back({std::move(extension), MapTypeLetter(line[0])});
    }
    return table;
}

char ExtensionTable::TypeFor(const std::string& key) const {
    std::string upperKey = key;
    std::transform(upperKey.begin(), upperKey.end(), upperKey.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const Rule& rule : rules) {
        // The pattern may match anywhere in the name: ".TXT" matches NOTES.TXT.OLD.
        if (upperKey.find("." + rule.extension) != std::string::npos) return rule.type;
    }
    return 'I';
}

std::string FtpSession::ExtensionKey(const std::string& fileName) {
    if (fileName.find('.') == std::string::npos) return ".unk.";
    return fileName;
}

char FtpSession::TypeForName(const std::string& key) { return TypeForNameIn("", key); }

char FtpSession::TypeForNameIn(const std::string& tableDirectory, const std::string& key) {
    return ExtensionTable::Load(tableDirectory).TypeFor(key);
}
