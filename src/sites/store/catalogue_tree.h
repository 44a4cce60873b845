#pragma once

#include <string>
#include <vector>

#include "sites/store/site_profile.h"

// What the store needs from whatever holds the catalogue in memory: groups in
// order with their sites. The site tree implements it over its items, and
// SiteCatalogue over plain vectors for callers without a window.
class CatalogueTree {
public:
    virtual ~CatalogueTree() = default;

    virtual int GroupCount() const = 0;
    virtual std::string GroupLabel(int group) const = 0;
    virtual int SiteCount(int group) const = 0;
    virtual std::string SiteLabel(int group, int site) const = 0;
    virtual SiteProfile SiteAt(int group, int site) const = 0;

    // Appends a group at the end and returns its index.
    virtual int AppendGroup(const std::string& label) = 0;
    // Inserts a site so that it becomes child number `position` of the group.
    virtual void InsertSite(int group, int position, const SiteProfile& profile) = 0;
    // Changes of a save that took another program's edits (see SiteStore):
    // a site's new profile under the same name, and a site gone.
    virtual void ReplaceSite(int group, int site, const SiteProfile& profile) = 0;
    virtual void RemoveSite(int group, int site) = 0;

    // Appends sites after the group's last one, in the order given. Holders
    // where one insert costs more than one append override it.
    virtual void AppendSites(int group, const std::vector<SiteProfile>& profiles);
    // Every site of a group in order, and their labels; overridden where
    // SiteAt and SiteLabel are not a cheap index.
    virtual std::vector<SiteProfile> SitesOf(int group) const;
    virtual std::vector<std::string> SiteLabels(int group) const;
};

// Where PlaceProfile put a profile: its group, and its position there (-1 for
// a group placeholder, which places no site).
struct SitePlace {
    int group = -1;
    int site = -1;
};

// Where a site labelled `label` goes among the group's sites: alphabetical
// without regard to case, after any site that compares equal.
int SortedSitePosition(const CatalogueTree& tree, int group, const std::string& label);

// Finds or creates the profile's group ("User Defined" when it names none) and,
// unless the profile is a group placeholder, inserts a copy of it as a site.
SitePlace PlaceProfile(CatalogueTree& tree, SiteProfile profile);

// The same as PlaceProfile for each profile in turn, in time that grows with
// the number of profiles times its logarithm: a whole file's entries at once.
void PlaceProfiles(CatalogueTree& tree, std::vector<SiteProfile> profiles);

// Every group's sites in order, each with its group's label, and a group
// placeholder for each empty group: the entries of the file, as written.
std::vector<SiteProfile> CatalogueEntries(const CatalogueTree& tree);
