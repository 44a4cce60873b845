// IBM mainframe and midrange listings: MVS datasets, members of a
// partitioned dataset (source or load modules), JES job lists, OS/400 and
// z/VM (CMS minidisks).
#include "ftp/listing_families.h"

namespace {

bool IsJobId(std::string_view token) {
    // JES2 ids: JOB01234, STC01234, TSU01234, or J0123456 past 99,999 jobs.
    for (std::string_view prefix : {"JOB", "STC", "TSU", "J", "S", "T"}) {
        if (token.size() > prefix.size() + 4 && token.substr(0, prefix.size()) == prefix &&
            IsDigits(token.substr(prefix.size())))
            return true;
    }
    return false;
}

bool IsJobStatus(std::string_view token) {
    return token == "OUTPUT" || token == "ACTIVE" || token == "INPUT" || token == "HELD";
}

bool IsDataSetOrganisation(std::string_view token) {
    return token == "PS" || token == "PO" || token == "PO-E" || token == "DA" || token == "VS" ||
           token == "IS";
}

bool IsRuling(const ListingTokens& tokens) {
    for (std::size_t i = 0; i < tokens.Count(); ++i)
        if (tokens[i].text.find_first_not_of('-') != std::string_view::npos) return false;
    return tokens.Count() > 0;
}

// A partitioned dataset is a folder of members.
EntryKind DataSetKind(std::string_view organisation) {
    return organisation == "PO" || organisation == "PO-E" ? EntryKind::Directory : EntryKind::File;
}

// "VV.MM" version and modification level of a member.
bool IsVersion(std::string_view token) {
    return token.size() == 5 && token[2] == '.' && IsDigits(token.substr(0, 2)) && IsDigits(token.substr(3));
}

void TakeDate(const ListingTokens& tokens, std::size_t first, std::size_t last, RemoteEntry& entry) {
    entry.modified.shown.assign(TokenSpan(tokens, first, last));
}

}  // namespace

bool ReadHeaderLine(const ListingTokens& tokens, ListingHint& hint) {
    const std::string_view first = tokens.Text(0);
    const std::string_view second = tokens.Text(1);
    if (first == "Volume" && second == "Unit") {
        hint = ListingHint::MvsDatasets;
    } else if (first == "Name" && second == "VV.MM") {
        hint = ListingHint::PdsMembers;
    } else if (first == "Name" && second == "Size" && tokens.Text(2) == "TTR") {
        hint = ListingHint::PdsLoadModules;
    } else if (first == "JOBNAME") {
        hint = ListingHint::JesJobs;
    } else if (first == "File" && second == "Code" && tokens.Text(2) == "EOF") {
        hint = ListingHint::NonStop;
    } else if (first == "Owner" && second == "Last" && tokens.Text(2) == "modified") {
        hint = ListingHint::Os9;
    } else {
        return IsRuling(tokens);
    }
    return true;
}

bool ParseMvsDatasetLine(const ListingTokens& tokens, RemoteEntry& entry) {
    const std::size_t count = tokens.Count();
    if (count < 2 || count >= ListingTokens::kMost) return false;
    entry.name.assign(tokens[count - 1].text);
    entry.kind = EntryKind::File;
    if (count >= 10 && IsDataSetOrganisation(tokens[count - 2].text) &&
        ParseYearFirstDate(tokens[2].text, entry.modified)) {
        // Volume Unit Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname
        entry.kind = DataSetKind(tokens[count - 2].text);
        entry.permissions.assign(tokens[count - 2].text);
        TakeDate(tokens, 2, 2, entry);
        return true;
    }
    // Migrated, on tape, or a level of names ("Pseudo Directory"): no details.
    if (tokens[0].text == "Pseudo" && tokens[1].text == "Directory") entry.kind = EntryKind::Directory;
    return true;
}

bool ParsePdsMemberLine(const ListingTokens& tokens, ListingHint hint, RemoteEntry& entry) {
    const std::size_t count = tokens.Count();
    if (count == 0) return false;
    entry.name.assign(tokens[0].text);
    entry.kind = EntryKind::File;
    if (count == 1) return true;  // a member without statistics
    if (hint == ListingHint::PdsLoadModules) {
        // Name Size TTR ...: the size is hexadecimal bytes.
        const std::string_view hex = tokens[1].text;
        if (hex.empty() || hex.size() > 12 ||
            hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string_view::npos)
            return false;
        entry.size = static_cast<std::int64_t>(std::stoull(std::string(hex), nullptr, 16));
        return true;
    }
    // Name VV.MM Created Changed (date time) Size Init Mod Id: sizes count lines, not bytes.
    if (count < 5 || !IsVersion(tokens[1].text) || !ParseYearFirstDate(tokens[3].text, entry.modified) ||
        !ParseClockTime(tokens[4].text, entry.modified))
        return false;
    TakeDate(tokens, 3, 4, entry);
    if (count >= 9) entry.owner.assign(tokens[8].text);
    return true;
}

bool ParseJesJobLine(const ListingTokens& tokens, RemoteEntry& entry) {
    if (tokens.Count() < 3 || !IsJobId(tokens[1].text)) return false;
    const bool ownerColumn = IsJobStatus(tokens.Text(3));
    if (!ownerColumn && !IsJobStatus(tokens[2].text)) return false;
    // A job is fetched by its id; the job name is shared by every run of it.
    entry.name.assign(tokens[1].text);
    entry.kind = EntryKind::File;
    if (ownerColumn) entry.owner.assign(tokens[2].text);
    return true;
}

bool ParseOs400Line(const ListingTokens& tokens, RemoteEntry& entry) {
    std::size_t type = 0;
    if (tokens.Count() >= 6 && tokens[4].text[0] == '*' && ParseNumericDate(tokens[2].text, entry.modified) &&
        ParseClockTime(tokens[3].text, entry.modified)) {
        type = 4;
        entry.size = ParseNumber(tokens[1].text);
        TakeDate(tokens, 2, 3, entry);
    } else if (tokens.Count() >= 3 && tokens[1].text == "*MEM") {
        type = 1;
    } else {
        return false;
    }
    entry.owner.assign(tokens[0].text);
    entry.permissions.assign(tokens[type].text);
    const std::string_view kind = tokens[type].text;
    std::string_view name = tokens.From(type + 1);
    bool directory = kind == "*DIR" || kind == "*LIB" || kind == "*FLR";
    if (!name.empty() && name.back() == '/') {
        directory = true;
        name.remove_suffix(1);
    }
    // A member is listed as "FILE.FILE/MEMBER.MBR"; the member is what is fetched.
    name = name.substr(name.rfind('/') + 1);
    entry.kind = directory ? EntryKind::Directory : EntryKind::File;
    entry.name.assign(name);
    return true;
}

bool ParseZvmLine(const ListingTokens& tokens, RemoteEntry& entry) {
    if (tokens.Count() < 8) return false;
    const std::string_view format = tokens[2].text;
    if (format != "F" && format != "V" && format != "-" && format != "DIR") return false;
    if (!ParseNumericDate(tokens[6].text, entry.modified) || !ParseClockTime(tokens[7].text, entry.modified))
        return false;
    const bool directory = tokens[1].text == "DIR" || format == "DIR";
    entry.kind = directory ? EntryKind::Directory : EntryKind::File;
    entry.name.assign(tokens[0].text);
    if (!directory) entry.name.append(".").append(tokens[1].text);
    // Fixed-length records: the file is exactly records times their length.
    const auto length = ParseNumber(tokens[3].text);
    const auto records = ParseNumber(tokens[4].text);
    if (format == "F" && length && records) entry.size = *length * *records;
    entry.permissions.assign(format);
    TakeDate(tokens, 6, 7, entry);
    if (tokens.Count() >= 9 && tokens[8].text != "-") entry.owner.assign(tokens[8].text);
    return true;
}
