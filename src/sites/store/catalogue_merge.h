#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sites/store/site_profile.h"

// A site (group and name) changed both in memory and in the file since the
// file was last read or written; a side without it deleted it.
struct SiteConflict {
    std::optional<SiteProfile> mine;    // this program's
    std::optional<SiteProfile> theirs;  // the file's
};

enum class ConflictChoice { KeepMine, TakeTheirs, KeepBoth };

// Decides a conflict. Without one, KeepBoth: nothing is lost unasked.
using ConflictResolver = std::function<ConflictChoice(const SiteConflict&)>;

// The name the file's side of a conflict kept both ways takes beside ours.
std::string NameChangedElsewhere(const std::string& name);

// Merges three versions of the catalogue's entries (group set on each, group
// placeholders included), site by site: one changed only in the file is taken
// from it, one changed only in memory from memory, and one changed on both
// sides goes to `resolve`. Sites are told apart by group, name, and for equal
// names their order. The result lists memory's entries in order, then those
// that only the file has.
std::vector<SiteProfile> MergeCatalogueEntries(const std::vector<SiteProfile>& base,
                                               const std::vector<SiteProfile>& file,
                                               const std::vector<SiteProfile>& mine,
                                               const ConflictResolver& resolve);

class CatalogueTree;

// Brings the tree to the merged entries with the fewest changes: sites added,
// replaced and removed where they differ; a group the tree lacks is added. A
// group stays even when the merge left it nothing.
void ApplyCatalogueEntries(CatalogueTree& tree, const std::vector<SiteProfile>& merged);
