// The extension table "Extension.ftp" chooses ASCII or binary per file name
// when the transfer mode is auto-detect.
#include <algorithm>
#include <cctype>
#include <fstream>

#include "ftp/ftp_session.h"

namespace {

constexpr const char* kExtensionTableName = "Extension.ftp";
constexpr std::size_t kLongestExtension = 13;

char MapTypeLetter(char letter) { return (letter == 'A' || letter == 'L') ? letter : 'I'; }

}  // namespace

std::string CFtpSession::ExtensionKey(const std::string& fileName) {
    if (fileName.find('.') == std::string::npos) return ".unk.";
    return fileName;
}

char CFtpSession::TypeForName(const std::string& key) { return TypeForNameIn("", key); }

char CFtpSession::TypeForNameIn(const std::string& tableDirectory, const std::string& key) {
    std::ifstream table(tableDirectory + kExtensionTableName);
    if (!table) return 'I';
    std::string upperKey = key;
    std::transform(upperKey.begin(), upperKey.end(), upperKey.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });

    std::string line;
    while (std::getline(table, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Lines past the table's limits are ignored rather than cut, so a cut
        // extension can never match a name it was not written for.
        if (line.size() < 2 || line.size() > kListingLineCapacity) continue;
        const std::string extension = line.substr(2);
        if (extension.size() > kLongestExtension) continue;
        // The pattern may match anywhere in the name: ".TXT" matches NOTES.TXT.OLD.
        if (upperKey.find("." + extension) != std::string::npos) return MapTypeLetter(line[0]);
    }
    return 'I';
}
