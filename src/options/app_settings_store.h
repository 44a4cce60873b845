#pragma once

#include <QString>

#include "options/app_settings.h"

class QSettings;

// Reads and writes AppSettings in the per-user settings store: an INI file
// (organisation "Corvane", application "Quillmoor") with one group per section.
// A missing or non-numeric value gives the default; a stored empty string stays
// empty. Integers are written as integers.
class AppSettingsStore {
public:
    // Opens the program's store under the user's configuration directory. When
    // something other than a regular file is there (a FIFO would block the
    // reader for ever), nothing is opened: Load gives the defaults, Save writes
    // nothing, and Problem() says why.
    AppSettingsStore();
    // Uses the given store instead (tests).
    explicit AppSettingsStore(QSettings& store);
    ~AppSettingsStore();
    AppSettingsStore(const AppSettingsStore&) = delete;
    AppSettingsStore& operator=(const AppSettingsStore&) = delete;

    // Loads every field in start-up order; returns the loaded record.
    AppSettings Load();

    // Writes every field, WndProperties first, then ProgramOptions, then
    // TransOptions, and flushes the file. False when the file could not be written.
    // The file holds the firewall password: it is the owner's alone (0600).
    bool Save(const AppSettings& settings);

    // Why the settings file is not used ("" when it is), ready to show.
    const QString& Problem() const { return problem; }

    // The system temporary directory with a trailing "/", the download default.
    static std::string TemporaryDirectory();

private:
    QSettings* ownStore = nullptr;
    QSettings* store = nullptr;
    QString problem;
};
