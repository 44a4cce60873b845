#pragma once

#include <map>
#include <optional>
#include <string>

// Where site passwords are kept instead of the catalogue file: the desktop's
// keyring, or memory in tests. Each call returns when it has its answer.
class PasswordVault {
public:
    virtual ~PasswordVault() = default;

    // False with error set when the password could not be kept.
    virtual bool Store(const std::string& key, const std::string& password, std::string& error) = 0;
    // The password kept under key; none when there is none (error empty) or
    // it could not be read (error says why).
    virtual std::optional<std::string> Read(const std::string& key, std::string& error) = 0;
    // Forgets the password under key; true when none is left.
    virtual bool Remove(const std::string& key, std::string& error) = 0;
};

// The key a site's password is kept under: its group and its name, joined by
// "/" (one inside a label is escaped with a backslash).
std::string SitePasswordKey(const std::string& group, const std::string& site);

// A vault in memory, for tests of everything that uses one.
class InMemoryPasswordVault final : public PasswordVault {
public:
    bool Store(const std::string& key, const std::string& password, std::string& error) override;
    std::optional<std::string> Read(const std::string& key, std::string& error) override;
    bool Remove(const std::string& key, std::string& error) override;

    // While set, every call fails as a locked or vanished keyring does.
    void SetFailing(bool on) { failing = on; }
    const std::map<std::string, std::string>& Entries() const { return entries; }

private:
    std::map<std::string, std::string> entries;
    bool failing = false;
};
