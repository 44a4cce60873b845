// The site catalogue file: whatever a file holds, reading it, writing the
// catalogue back and reading that again gives the same catalogue, unless the
// writer said what it had to change (a line break or an over-long value);
// and what the writer wrote, it writes again without a change.
#include <vector>

#include "fuzz_support.h"
#include "sites/store/catalogue_format.h"
#include "sites/store/site_catalogue.h"
#include "sites/store/site_store.h"

namespace {

bool SameCatalogue(const SiteCatalogue& a, const SiteCatalogue& b) {
    if (a.groups.size() != b.groups.size()) return false;
    for (std::size_t i = 0; i < a.groups.size(); ++i) {
        if (a.groups[i].label != b.groups[i].label || a.groups[i].sites != b.groups[i].sites) return false;
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
    if (firstNotes.empty()) FUZZ_CHECK(SameCatalogue(first, second));

    // What the writer wrote needs no change the next time, and reads back whole.
    std::vector<std::string> secondNotes;
    const std::string secondText = Written(second, secondNotes);
    FUZZ_CHECK(secondNotes.empty());
    SiteCatalogue third;
    ReadCatalogueText(secondText, third);
    FUZZ_CHECK(SameCatalogue(second, third));
    return 0;
}
