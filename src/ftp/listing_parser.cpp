#include "ftp/listing_parser.h"

#include "ftp/mlsd_parser.h"
#include "ftp/printable_text.h"

namespace {

bool IsBlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// "total 42" above a Unix listing, in the languages ls speaks.
bool IsTotalLine(const ListingTokens& tokens) {
    if (tokens.Count() != 2 || ParseListedSize(tokens[1].text) == std::nullopt) return false;
    const std::string_view word = tokens[0].text;
    return word == "total" || word == "insgesamt" || word == "итого" || word == "合計" || word == "总用量" ||
           word == "합계" || word == "totaal" || word == "razem" || word == "totale";
}

// "type=file;size=5; name": facts with "=" up to the first blank, the last ending in ";".
bool LooksLikeFacts(std::string_view line) {
    const std::size_t blank = line.find(' ');
    return blank != std::string_view::npos && blank > 2 && line[blank - 1] == ';' &&
           line.substr(0, blank).find('=') != std::string_view::npos;
}

void ClearEntry(RemoteEntry& entry) {
    entry.name.clear();
    entry.linkTarget.clear();
    entry.size.reset();
    entry.modified.Clear();
    entry.kind = EntryKind::Unknown;
    entry.permissions.clear();
    entry.owner.clear();
    entry.group.clear();
    entry.unique.clear();
    entry.links.clear();
}

}  // namespace

ListingParser::ListingParser(Form form, Log log, CivilDate today)
    : form(form), log(std::move(log)), today(today) {}

bool ListingParser::Read(std::string_view line, RemoteEntry& entry) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const Outcome outcome = ReadLine(line, entry);
    if (outcome == Outcome::Unreadable) Refuse(line);
    if (outcome != Outcome::Entry) return false;
    if (entry.name == "." || entry.name == "..") return false;
    if (!IsUsableName(entry.name)) {
        Refuse(line);
        return false;
    }
    return true;
}

void ListingParser::Finish() {
    if (finished) return;
    finished = true;
    if (!waitingVmsName.empty()) Refuse(waitingVmsName);
    waitingVmsName.clear();
    if (unreadable > 0 && log)
        log("Skipped " + std::to_string(unreadable) + " listing line" + (unreadable == 1 ? "" : "s") +
            " that could not be read.");
}

void ListingParser::Refuse(std::string_view line) {
    ++unreadable;
    if (log) log("Could not read listing line: " + PrintableText(std::string(line)));
}

ListingParser::Outcome ListingParser::ReadLine(std::string_view line, RemoteEntry& entry) {
    if (form == Form::Mlsd) {
        ClearEntry(entry);
        switch (ReadMlsdLine(line, entry)) {
            case MlsdLine::Entry:
                return Outcome::Entry;
            case MlsdLine::Itself:
                return Outcome::NoEntry;
            case MlsdLine::Malformed:
                break;
        }
        return IsBlankLine(line) ? Outcome::NoEntry : Outcome::Unreadable;
    }
    const ListingTokens tokens(line);
    // A long VMS name waits for the line below, which starts with blanks.
    if (!waitingVmsName.empty()) {
        const std::string name = std::move(waitingVmsName);
        waitingVmsName.clear();
        ClearEntry(entry);
        if (!line.empty() && line[0] == ' ' && ParseVmsEntry(name, tokens, 0, entry)) {
            lastVmsName = entry.name;
            return Outcome::Entry;
        }
        Refuse(name);
    }
    if (tokens.Count() == 0) return Outcome::NoEntry;
    ClearEntry(entry);
    if (line[0] == '+') return ParseEplfLine(line, entry) ? Outcome::Entry : Outcome::Unreadable;
    if (LooksLikeFacts(line)) {
        const MlsdLine read = ReadMlsdLine(line, entry);
        if (read != MlsdLine::Malformed) return read == MlsdLine::Entry ? Outcome::Entry : Outcome::NoEntry;
    }
    if (IsTotalLine(tokens) || ReadHeaderLine(tokens, hint) || IsVmsSummary(tokens)) return Outcome::NoEntry;
    return ReadTokens(tokens, entry);
}

ListingParser::Outcome ListingParser::ReadTokens(const ListingTokens& tokens, RemoteEntry& entry) {
    const auto attempt = [&entry](auto&& parse) {
        ClearEntry(entry);
        return parse();
    };
    if (attempt([&] { return ParseUnixLine(tokens, today, entry); })) return Outcome::Entry;
    switch (hint) {
        case ListingHint::MvsDatasets:
            if (attempt([&] { return ParseMvsDatasetLine(tokens, entry); })) return Outcome::Entry;
            break;
        case ListingHint::PdsMembers:
        case ListingHint::PdsLoadModules:
            if (attempt([&] { return ParsePdsMemberLine(tokens, hint, entry); })) return Outcome::Entry;
            break;
        default:
            break;
    }
    const char first = tokens[0].text[0];
    if (first >= '0' && first <= '9') {
        if (attempt([&] { return ParseDosLine(tokens, entry); })) return Outcome::Entry;
        if (attempt([&] { return ParseOs2Line(tokens, entry); })) return Outcome::Entry;
    }
    if (IsVmsName(tokens[0].text)) return ReadVms(tokens, entry);
    for (auto parse : {ParseOs400Line, ParseZvmLine, ParseNonStopLine, ParseOs9Line, ParseJesJobLine})
        if (attempt([&] { return parse(tokens, entry); })) return Outcome::Entry;
    return Outcome::Unreadable;
}

ListingParser::Outcome ListingParser::ReadVms(const ListingTokens& tokens, RemoteEntry& entry) {
    if (tokens.Count() == 1) {
        waitingVmsName.assign(tokens[0].text);
        return Outcome::Waiting;
    }
    ClearEntry(entry);
    if (!ParseVmsEntry(tokens[0].text, tokens, 1, entry)) return Outcome::Unreadable;
    if (entry.name == lastVmsName) return Outcome::NoEntry;
    lastVmsName = entry.name;
    return Outcome::Entry;
}

bool ListingLines::Next(std::string_view& line) {
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        line = rest.substr(0, lf);
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() <= kLongestListingLine) return true;
        ++skipped;
    }
    return false;
}
