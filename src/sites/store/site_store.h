#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

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

// Reads the catalogue file into a catalogue holder and writes it back. Holds no
// list of its own: between a load and a save the holder is the catalogue.
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

    // Rewrites the file whole from the tree: every group in order, its sites in
    // order (each carrying the group's current label), an empty group as a
    // placeholder entry. On failure the old file stays as it was, the log says
    // why, and the result is false.
    bool SaveCatalogue(const CatalogueTree& tree) const;

    // The file text SaveCatalogue writes for the tree.
    std::string CatalogueText(const CatalogueTree& tree) const;

private:
    void Log(const std::string& line) const;
    std::size_t ReadWithVault(const std::string& text, CatalogueTree& tree) const;

    std::string path;
    LogSink log;
    std::unique_ptr<VaultedPasswords> passwords;
    mutable int passwordsInFile = 0;
};
