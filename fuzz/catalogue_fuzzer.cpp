// The site catalogue file: whatever a file holds, reading it, writing the
// catalogue back and reading that again gives the same catalogue, unless the
// writer said what it had to change (a line break or an over-long value);
// and what the writer wrote, it writes again without a change.
#include <algorithm>
#include <vector>

#include "fuzz_support.h"
#include "sites/store/catalogue_format.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"

namespace {

// Lines the reader did not understand are written after the known key they
// followed, in the writer's order of keys, so a first write may move them; it
// never loses or adds one. Compared as the set of their texts.
SiteProfile WithKeptTextsSorted(SiteProfile site) {
    for (KeptLine& line : site.keptLines) line.afterKey.clear();
    std::sort(site.keptLines.begin(), site.keptLines.end(),
              [](const KeptLine& a, const KeptLine& b) { return a.text < b.text; });
    return site;
}

bool SameSites(const std::vector<SiteProfile>& a, const std::vector<SiteProfile>& b, bool keptMayMove) {
    if (!keptMayMove) return a == b;
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(WithKeptTextsSorted(a[i]) == WithKeptTextsSorted(b[i]))) return false;
    return true;
}

bool SameCatalogue(const SiteCatalogue& a, const SiteCatalogue& b, bool keptMayMove = false) {
    if (a.groups.size() != b.groups.size()) return false;
    for (std::size_t i = 0; i < a.groups.size(); ++i) {
        if (a.groups[i].label != b.groups[i].label || !SameSites(a.groups[i].sites, b.groups[i].sites, keptMayMove))
            return false;
    }
    return true;
}

// The file text for a catalogue, and the notes the writer logged about it.
std::string Written(const SiteCatalogue& catalogue, std::vector<std::string>& notes) {
    const SiteStore store("unused", [&notes](const std::string& line) { notes.push_back(line); });
    return store.CatalogueText(catalogue);
}

void CheckPlacement(const SiteCatalogue& catalogue) {
    for (const SiteCatalogue::Group& group : catalogue.groups) {
        FUZZ_CHECK(!group.label.empty());
        for (const SiteProfile& site : group.sites) {
            FUZZ_CHECK(site.kind == static_cast<int>(ItemKind::Site));
            FUZZ_CHECK(site.name != kGroupPlaceholderName);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput input(data, size);
    const std::string text = input.TakeRest();

    SiteCatalogue first;
    ReadCatalogueText(text, first);
    CheckPlacement(first);

    std::vector<std::string> firstNotes;
    const std::string firstText = Written(first, firstNotes);
    SiteCatalogue second;
    ReadCatalogueText(firstText, second);
    CheckPlacement(second);
    if (firstNotes.empty()) FUZZ_CHECK(SameCatalogue(first, second, true));

    // What the writer wrote needs no change the next time, and reads back whole.
    std::vector<std::string> secondNotes;
    const std::string secondText = Written(second, secondNotes);
    FUZZ_CHECK(secondNotes.empty());
    SiteCatalogue third;
    ReadCatalogueText(secondText, third);
    FUZZ_CHECK(SameCatalogue(second, third));
    return 0;
}
