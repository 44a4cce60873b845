#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sites/store/catalogue_tree.h"

// The reader handles a line in pieces of at most this many characters, so the
// writer keeps every line within it.
inline constexpr std::size_t kCatalogueLineLimit = 179;

// Reads catalogue text (one section per site) and places every entry in the
// tree; returns how many entries there were. Lines of an entry that are no key
// this version knows (keys of newer versions, comments, stray text) are kept
// in its profile, never an error. Lines may end in CR LF, LF or CR alone.
std::size_t ReadCatalogueText(std::string_view text, CatalogueTree& tree);

// Appends the thirteen CR LF lines of one entry, and one more for each
// optional key the site has (its own data connection mode, an encryption
// other than the default, a trusted certificate), with the entry's kept lines
// after the key they followed (see KeptLine). A value that would not read
// back as one line (a line break in it, or a line past the limit) is written in
// a form that cannot spill into other keys or entries; each such change is
// described in `notes` when given.
// Without writePassword the entry has no PASSWORD key at all (the password is
// kept elsewhere; reading such an entry gives an empty one).
void WriteEntry(std::string& out, const SiteProfile& profile, std::vector<std::string>* notes = nullptr,
                bool writePassword = true);

// Why a field typed by the user cannot be stored as it stands ("" when it can).
// `key` is the catalogue key, or empty for the section name.
std::string CatalogueFieldProblem(std::string_view key, std::string_view value);

// The longest value the catalogue keeps for a key (the section name when empty).
std::size_t CatalogueValueLimit(std::string_view key);

// The lines before the first entry (a comment heading the file), each ending
// in CR LF, for the writer to put back; empty when there are none.
std::string CatalogueLeadingLines(std::string_view text);

// Why the site cannot be connected as stored: an ENCRYPTION value this version
// does not know (never guessed at). Empty when it can.
std::string UnknownEncryptionProblem(const SiteProfile& profile);
