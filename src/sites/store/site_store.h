#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include <vector>

#include "sites/store/catalogue_merge.h"
#include "sites/store/catalogue_tree.h"
#include "sites/store/password_vault.h"

class VaultedPasswords;

// How reading the catalogue file went.
enum class CatalogueLoad {
    Loaded,         // read (possibly empty)
    Missing,        // no file yet: an empty catalogue
    Unreadable,     // the file exists but could not be read; it must not be overwritten
    NotUnderstood,  // read, but it is no catalogue text (a binary file, no entry at all)
};

// How a save went: on failure, why (ready to show) and the file kept.
struct CatalogueSave {
    bool saved = false;
    std::string error;

    explicit operator bool() const { return saved; }
};

// Reads the catalogue file into a catalogue holder and writes it back. Between
// a load and a save the holder is the catalogue; the store remembers only what
// the file held when it last read or wrote it, so that a save notices another
// program's changes and keeps them (see SaveCatalogue).
class SiteStore {
public:
    using LogSink = std::function<void(const std::string& line)>;

    explicit SiteStore(std::string path, LogSink log = {});
    ~SiteStore();

    // Keeps site passwords in vault from now on (see VaultedPasswords): the
    // file is then written without them. nullptr: the file keeps them.
    void SetPasswordVault(PasswordVault* vault);
    bool UsesPasswordVault() const { return passwords != nullptr; }
    // How many sites of the last load had their password in the file itself.
    int PasswordsInFile() const { return passwordsInFile; }

    const std::string& Path() const { return path; }

    // Adds every entry of the file to the tree. Anything but a regular file is
    // refused without being opened for long (a FIFO would block the reader).
    // `problem`, when given, receives what went wrong, ready to show.
    CatalogueLoad LoadCatalogue(CatalogueTree& tree, std::string* problem = nullptr) const;

    // Renames a file that was not understood to "<name>.unreadable-<date>-<time>"
    // so that a new catalogue can take its place; returns the new name, or ""
    // with `error` set.
    std::string SetAsideUnreadable(std::string& error) const;

    // Removes what a rewrite killed halfway left beside the file; says so in the log.
    void RemoveAbandonedTemporaries() const;

    // Places one profile: finds or creates its group, then inserts the site
    // unless the profile is a group placeholder.
    static void AddProfile(CatalogueTree& tree, const SiteProfile& profile);

    // Decides the sites a save finds changed both here and in the file; without
    // one both are kept (see ConflictResolver).
    void SetConflictResolver(ConflictResolver resolver) { resolve = std::move(resolver); }

    // Rewrites the file whole from the tree: every group in order, its sites in
    // order (each carrying the group's current label), an empty group as a
    // placeholder entry. When another program changed the file since this
    // store last read or wrote it (a missing file it found missing counts as read), the two are merged first, site by site
    // (MergeCatalogueEntries), and the tree takes the file's changes; a file
    // that is no catalogue any more is set aside. Nothing is written when the
    // text would not change. On failure the old file stays as it was, the log
    // says why, and so does the result.
    CatalogueSave SaveCatalogue(CatalogueTree& tree) const;
    // For a catalogue made for this one write, where no one sees merged changes.
    CatalogueSave SaveCatalogue(CatalogueTree&& tree) const { return SaveCatalogue(tree); }

    // Writes the tree's catalogue to another file (the user's "Save As"),
    // leaving the store's own file and what it remembers of it alone.
    CatalogueSave SaveCatalogueAs(const CatalogueTree& tree, const std::string& otherPath) const;

    // The file text SaveCatalogue writes for the tree.
    std::string CatalogueText(const CatalogueTree& tree) const;

private:
    void Log(const std::string& line) const;
    // The file's entries, passwords the vault holds filled in.
    std::vector<SiteProfile> ReadEntries(const std::string& text) const;
    std::string EntriesText(const std::vector<SiteProfile>& entries) const;
    // Takes another program's changes (the file's bytes now) into the tree; a
    // file that is no catalogue any more is set aside instead.
    void MergeOutsideChanges(const std::string& bytes, CatalogueTree& tree) const;

    std::string path;
    LogSink log;
    std::unique_ptr<VaultedPasswords> passwords;
    ConflictResolver resolve;
    mutable int passwordsInFile = 0;
    // The file as this store last read or wrote it, and its entries then; a
    // store that did neither has nothing to merge with and simply writes.
    mutable bool fileKnown = false;
    mutable std::string knownBytes;
    mutable std::vector<SiteProfile> knownEntries;
    mutable std::string leadingLines;
};
