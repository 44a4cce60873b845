#include "sites/store/catalogue_format.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n";
constexpr char kLineEnd[] = "\r\n";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

// The entry being read (a profile with the defaults of missing keys) and the
// entries read before it.
struct PendingEntry {
    SiteProfile profile;
    bool pending = false;
    std::string lastKey;  // the last known key of the entry, where a kept line goes
    std::vector<SiteProfile> done;

    void Finish() {
        if (pending) done.push_back(std::move(profile));
        profile = SiteProfile{};
        pending = false;
        lastKey.clear();
    }
};

// The optional DATAMODE key. Older files lack it and older readers skip it; a
// value this version does not know means the program default.
constexpr char kDataModeKey[] = "DATAMODE";

std::optional<DataMode> DataModeFromText(std::string_view value) {
    if (value == "PASSIVE") return DataMode::Passive;
    if (value == "ACTIVE") return DataMode::Active;
    return std::nullopt;
}

// The optional ENCRYPTION key, written only for a choice other than the
// default so that such an entry is exactly what earlier versions write. A
// missing or empty value reads as the default; the names are read without
// regard to case, and any other value is kept as unknown (see SiteProfile).
constexpr char kEncryptionKey[] = "ENCRYPTION";
// The optional TLSFINGERPRINT key: the trusted certificate's "SHA256:..."
// fingerprint, written only when there is one.
constexpr char kFingerprintKey[] = "TLSFINGERPRINT";

struct EncryptionName {
    tls::Encryption encryption;
    const char* text;
};
constexpr EncryptionName kEncryptionNames[] = {
    {tls::Encryption::RequireExplicit, "EXPLICIT"},
    {tls::Encryption::ExplicitIfAvailable, "AUTO"},
    {tls::Encryption::RequireImplicit, "IMPLICIT"},
    {tls::Encryption::Plain, "PLAIN"},
};

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

void SetEncryption(SiteProfile& profile, std::string_view value) {
    profile.encryption = tls::kDefaultEncryption;
    profile.unknownEncryption.clear();
    if (value.empty()) return;
    for (const EncryptionName& name : kEncryptionNames) {
        if (SameLetters(value, name.text)) {
            profile.encryption = name.encryption;
            return;
        }
    }
    profile.unknownEncryption = value;
}

const char* EncryptionText(tls::Encryption encryption) {
    for (const EncryptionName& name : kEncryptionNames) {
        if (encryption == name.encryption) return name.text;
    }
    return "AUTO";
}

// Takes a known key's value; false for a key this version does not know.
bool SetField(SiteProfile& profile, std::string_view key, std::string_view value) {
    const auto flag = [&value] { return value == "TRUE"; };
    if (key == "HOST")
        profile.host = value;
    else if (key == "ACCOUNT")
        profile.account = value;
    else if (key == "UID")
        profile.userId = value;
    else if (key == "PASSWORD")
        profile.password = value;
    else if (key == "SAVPWD")
        profile.savePassword = flag();
    else if (key == "ICON")
        profile.icon = value;
    else if (key == "GROUP")
        profile.group = value;
    else if (key == "LOCALDIR")
        profile.localDir = value;
    else if (key == "REMOTEDIR")
        profile.remoteDir = value;
    else if (key == "PROMPT?")
        profile.prompt = flag();
    else if (key == "FIREWALL?")
        profile.useFirewall = flag();
    else if (key == kDataModeKey)
        profile.dataMode = DataModeFromText(value);
    else if (key == kEncryptionKey)
        SetEncryption(profile, value);
    else if (key == kFingerprintKey)
        profile.tlsFingerprint = value;
    else
        return false;
    return true;
}

void HandleLine(std::string_view line, PendingEntry& entry) {
    line = Trim(line);
    if (line.empty()) return;
    // A lone character is stray text; it must not cut the entry being read short.
    if (line.size() < 2) {
        if (entry.pending) entry.profile.keptLines.push_back({entry.lastKey, std::string(line)});
        return;
    }

    if (line.front() == '[') {
        entry.Finish();
        // Up to the last "]" so that a name holding "]" reads back whole; the
        // writer never puts anything after the closing bracket.
        std::string_view name = line.substr(1);
        const auto close = name.rfind(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        entry.profile.name = name;
        entry.pending = true;
        return;
    }

    const auto equals = line.find('=');
    const std::string_view key = line.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : Trim(line.substr(equals + 1));
    if (!entry.pending) return;
    if (SetField(entry.profile, key, value))
        entry.lastKey = key;
    else
        entry.profile.keptLines.push_back({entry.lastKey, std::string(line)});
}

// Cuts at most `limit` bytes without splitting a UTF-8 sequence.
std::string_view CutToLimit(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

std::string LabelOf(std::string_view key) { return key.empty() ? std::string("name") : std::string(key); }

// A value as it can stand on one line of the file.
std::string StorableText(std::string_view key, std::string_view value, const std::string& siteName,
                         std::vector<std::string>* notes) {
    std::string text(value);
    if (HasLineBreak(text)) {
        std::replace(text.begin(), text.end(), '\r', ' ');
        std::replace(text.begin(), text.end(), '\n', ' ');
        if (notes)
            notes->push_back("Site \"" + siteName + "\": line break in " + LabelOf(key) +
                             " written as a blank");
    }
    const std::string_view fitting = CutToLimit(text, CatalogueValueLimit(key));
    if (fitting.size() != text.size()) {
        if (notes)
            notes->push_back("Site \"" + siteName + "\": " + LabelOf(key) + " cut to " +
                             std::to_string(fitting.size()) + " characters");
        text.resize(fitting.size());
    }
    return text;
}

}  // namespace

std::size_t CatalogueValueLimit(std::string_view key) {
    // "[" name "]" for the section line, KEY "=" value for the others.
    return kCatalogueLineLimit - (key.empty() ? 2 : key.size() + 1);
}

std::string CatalogueFieldProblem(std::string_view key, std::string_view value) {
    if (HasLineBreak(value)) return "The " + LabelOf(key) + " cannot contain a line break.";
    if (value.size() > CatalogueValueLimit(key))
        return "The " + LabelOf(key) + " is too long; at most " + std::to_string(CatalogueValueLimit(key)) +
               " characters are kept.";
    return {};
}

std::size_t ReadCatalogueText(std::string_view text, CatalogueTree& tree) {
    PendingEntry entry;
    // A line is handled in pieces of at most kCatalogueLineLimit characters, the
    // line end (CR LF, LF or a lone CR) counting towards the piece it falls in.
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t length = std::min(kCatalogueLineLimit, text.size() - position);
        const auto end = text.substr(position, length).find_first_of("\r\n");
        if (end != std::string_view::npos) {
            length = end + 1;
            if (text[position + end] == '\r' && position + length < text.size() &&
                text[position + length] == '\n')
                ++length;
        }
        HandleLine(text.substr(position, length), entry);
        position += length;
    }
    entry.Finish();
    const std::size_t count = entry.done.size();
    PlaceProfiles(tree, std::move(entry.done));
    return count;
}

void WriteEntry(std::string& out, const SiteProfile& profile, std::vector<std::string>* notes,
                bool writePassword) {
    const std::string name = StorableText("", profile.name, profile.name, notes);
    // Lines this version does not understand follow the key they followed in
    // the file; those after a key no longer written close the entry.
    std::set<std::string_view> written;
    const auto keptAfter = [&](std::string_view key) {
        written.insert(key);
        for (const KeptLine& line : profile.keptLines) {
            if (line.afterKey != key) continue;
            out += line.text;
            out += kLineEnd;
        }
    };
    const auto text = [&](const char* key, const std::string& value) {
        out += key;
        out += '=';
        out += StorableText(key, value, name, notes);
        out += kLineEnd;
        keptAfter(key);
    };
    const auto flag = [&](const char* key, bool value) {
        out += key;
        out += value ? "=TRUE" : "=FALSE";
        out += kLineEnd;
        keptAfter(key);
    };

    out += '[';
    out += name;
    out += ']';
    out += kLineEnd;
    keptAfter("");
    text("HOST", profile.host);
    text("ACCOUNT", profile.account);
    text("UID", profile.userId);
    if (writePassword) text("PASSWORD", profile.password);
    flag("SAVPWD", profile.savePassword);
    text("ICON", profile.icon);
    text("GROUP", profile.group);
    text("LOCALDIR", profile.localDir);
    text("REMOTEDIR", profile.remoteDir);
    flag("PROMPT?", profile.prompt);
    flag("FIREWALL?", profile.useFirewall);
    // Written only for a site's own choice, so that a catalogue without one is
    // exactly what earlier versions write.
    if (profile.dataMode) text(kDataModeKey, *profile.dataMode == DataMode::Passive ? "PASSIVE" : "ACTIVE");
    if (!profile.unknownEncryption.empty())
        text(kEncryptionKey, profile.unknownEncryption);
    else if (profile.encryption != tls::kDefaultEncryption)
        text(kEncryptionKey, EncryptionText(profile.encryption));
    if (!profile.tlsFingerprint.empty()) text(kFingerprintKey, profile.tlsFingerprint);
    for (const KeptLine& line : profile.keptLines) {
        if (written.count(line.afterKey) != 0) continue;
        out += line.text;
        out += kLineEnd;
    }
    out += kLineEnd;
}

std::string CatalogueLeadingLines(std::string_view text) {
    std::string lines;
    while (!text.empty()) {
        const auto end = text.find_first_of("\r\n");
        const std::string_view line = Trim(text.substr(0, end));
        if (!line.empty() && line.front() == '[') break;
        if (!line.empty()) {
            lines += line;
            lines += kLineEnd;
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string UnknownEncryptionProblem(const SiteProfile& profile) {
    if (profile.unknownEncryption.empty()) return {};
    return "The site \"" + profile.name + "\" asks for the encryption \"" + profile.unknownEncryption +
           "\", which this version does not know, so it is not connected. Choose an encryption in the "
           "site's properties.";
}
