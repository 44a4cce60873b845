#include "sites/store/catalogue_tree.h"

#include <algorithm>
#include <cctype>

namespace {

// Orders the way a sorted tree insert does: letters compare without case.
bool LabelLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

int SortedSitePosition(const CatalogueTree& tree, int group, const std::string& label) {
    const int count = tree.SiteCount(group);
    for (int site = 0; site < count; ++site) {
        if (LabelLess(label, tree.SiteLabel(group, site))) return site;
    }
    return count;
}

void PlaceProfile(CatalogueTree& tree, SiteProfile profile) {
    if (profile.group.empty()) profile.group = kDefaultGroupName;

    int group = -1;
    for (int index = 0; index < tree.GroupCount(); ++index) {
        if (tree.GroupLabel(index) == profile.group) {
            group = index;
            break;
        }
    }
    if (group < 0) group = tree.AppendGroup(profile.group);

    if (profile.name == kGroupPlaceholderName) return;
    profile.kind = static_cast<int>(ItemKind::Site);
    tree.InsertSite(group, SortedSitePosition(tree, group, profile.name), profile);
}
