#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a server says it offers in its answer to FEAT. A server that does not
// know FEAT (500, 502) offers nothing beyond the commands every server has.
class ServerFeatures {
public:
    // Reads the lines of a 211 reply, first and last included: every line that
    // begins with a blank names one feature, its word first and then its
    // argument ("MLST type*;size*;modify*;", "REST STREAM"). Other lines are
    // passed over.
    static ServerFeatures FromFeatReply(const std::vector<std::string>& lines);

    // Whether a feature word was listed, regardless of case.
    bool Offers(std::string_view feature) const;
    // Whether FEAT listed anything at all (a server without FEAT lists nothing).
    bool Listed() const { return !features.empty(); }
    bool Utf8() const { return Offers("UTF8"); }
    bool Mlst() const { return Offers("MLST"); }
    bool RestStream() const { return restStream; }
    // The facts MLST names, lower case and without the mark of the ones it
    // sends by default ("type", "size", "modify", "unix.mode").
    const std::vector<std::string>& MlstFacts() const { return mlstFacts; }
    // The algorithms HASH names ("SHA-256*;SHA-1;MD5"), upper case without
    // the mark, and the marked one: the algorithm HASH uses until OPTS HASH
    // selects another ("" when none is marked).
    const std::vector<std::string>& HashAlgorithms() const { return hashAlgorithms; }
    const std::string& SelectedHash() const { return selectedHash; }

private:
    std::vector<std::string> features;  // upper case
    std::vector<std::string> mlstFacts;
    std::vector<std::string> hashAlgorithms;
    std::string selectedHash;
    bool restStream = false;
};
