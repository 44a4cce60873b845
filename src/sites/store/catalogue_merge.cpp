#include "sites/store/catalogue_merge.h"

#include <map>

#include "sites/store/catalogue_tree.h"

namespace {

// Group, name and the count of earlier entries of both, joined by a byte no
// label holds.
using EntryKey = std::string;

EntryKey KeyOf(const SiteProfile& entry, std::map<std::string, int>& seen) {
    std::string key = entry.group + '\x1f' + entry.name;
    const int ordinal = seen[key]++;
    return key + '\x1f' + std::to_string(ordinal);
}

struct KeyedEntries {
    std::vector<EntryKey> order;
    std::map<EntryKey, SiteProfile> byKey;
};

KeyedEntries Keyed(const std::vector<SiteProfile>& entries) {
    KeyedEntries keyed;
    std::map<std::string, int> seen;
    for (const SiteProfile& entry : entries) {
        EntryKey key = KeyOf(entry, seen);
        keyed.order.push_back(key);
        keyed.byKey.emplace(std::move(key), entry);
    }
    return keyed;
}

std::optional<SiteProfile> Find(const KeyedEntries& entries, const EntryKey& key) {
    const auto found = entries.byKey.find(key);
    if (found == entries.byKey.end()) return std::nullopt;
    return found->second;
}

// The sites a conflict keeps, after the resolver's choice.
std::vector<SiteProfile> Resolved(const SiteConflict& conflict, const ConflictResolver& resolve) {
    const ConflictChoice choice = resolve ? resolve(conflict) : ConflictChoice::KeepBoth;
    std::vector<SiteProfile> kept;
    if (choice != ConflictChoice::TakeTheirs && conflict.mine) kept.push_back(*conflict.mine);
    if (choice != ConflictChoice::KeepMine && conflict.theirs) {
        SiteProfile theirs = *conflict.theirs;
        if (choice == ConflictChoice::KeepBoth && conflict.mine) theirs.name = NameChangedElsewhere(theirs.name);
        kept.push_back(std::move(theirs));
    }
    return kept;
}

// Where the site of a key is in the tree now: {-1, -1} when it is not there.
std::pair<int, int> FindInTree(const CatalogueTree& tree, const SiteProfile& entry, int ordinal) {
    for (int group = 0; group < tree.GroupCount(); ++group) {
        if (tree.GroupLabel(group) != entry.group) continue;
        const std::vector<std::string> labels = tree.SiteLabels(group);
        int seen = 0;
        for (std::size_t site = 0; site < labels.size(); ++site) {
            if (labels[site] == entry.name && seen++ == ordinal) return {group, static_cast<int>(site)};
        }
        return {-1, -1};
    }
    return {-1, -1};
}

int OrdinalOf(const EntryKey& key) { return std::stoi(key.substr(key.rfind('\x1f') + 1)); }

}  // namespace

std::string NameChangedElsewhere(const std::string& name) { return name + " (changed elsewhere)"; }

std::vector<SiteProfile> MergeCatalogueEntries(const std::vector<SiteProfile>& base,
                                               const std::vector<SiteProfile>& file,
                                               const std::vector<SiteProfile>& mine,
                                               const ConflictResolver& resolve) {
    const KeyedEntries baseKeyed = Keyed(base), fileKeyed = Keyed(file), mineKeyed = Keyed(mine);
    std::vector<EntryKey> order = mineKeyed.order;
    for (const EntryKey& key : fileKeyed.order) {
        if (!mineKeyed.byKey.count(key)) order.push_back(key);
    }
    for (const EntryKey& key : baseKeyed.order) {
        if (!mineKeyed.byKey.count(key) && !fileKeyed.byKey.count(key)) order.push_back(key);
    }

    std::vector<SiteProfile> merged;
    for (const EntryKey& key : order) {
        const std::optional<SiteProfile> was = Find(baseKeyed, key);
        const std::optional<SiteProfile> theirs = Find(fileKeyed, key);
        const std::optional<SiteProfile> ours = Find(mineKeyed, key);
        std::vector<SiteProfile> kept;
        if (theirs == was || theirs == ours) {
            if (ours) kept.push_back(*ours);
        } else if (ours == was) {
            if (theirs) kept.push_back(*theirs);
        } else {
            kept = Resolved({ours, theirs}, resolve);
        }
        merged.insert(merged.end(), kept.begin(), kept.end());
    }
    return merged;
}

void ApplyCatalogueEntries(CatalogueTree& tree, const std::vector<SiteProfile>& merged) {
    const KeyedEntries wanted = Keyed(merged);
    const KeyedEntries present = Keyed(CatalogueEntries(tree));
    // Removed from the last so that the positions of equal names still hold.
    for (auto key = present.order.rbegin(); key != present.order.rend(); ++key) {
        const SiteProfile& entry = present.byKey.at(*key);
        if (entry.name == kGroupPlaceholderName || wanted.byKey.count(*key)) continue;
        const auto [group, site] = FindInTree(tree, entry, OrdinalOf(*key));
        if (site >= 0) tree.RemoveSite(group, site);
    }
    for (const EntryKey& key : wanted.order) {
        const SiteProfile& entry = wanted.byKey.at(key);
        const std::optional<SiteProfile> now = Find(present, key);
        if (now == entry) continue;
        const auto [group, site] = FindInTree(tree, entry, OrdinalOf(key));
        if (site >= 0)
            tree.ReplaceSite(group, site, entry);
        else
            PlaceProfile(tree, entry);
    }
}
