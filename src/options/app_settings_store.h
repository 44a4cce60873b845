#pragma once

#include "options/app_settings.h"

class QSettings;

// Reads and writes AppSettings in the per-user settings store: an INI file
// (organisation "Corvane", application "Quillmoor") with one group per section.
// A missing or non-numeric value gives the default; a stored empty string stays
// empty. Integers are written as integers.
class AppSettingsStore {
public:
    // Opens the program's store under the user's configuration directory.
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
    bool Save(const AppSettings& settings);

    // The system temporary directory with a trailing "/", the download default.
    static std::string TemporaryDirectory();

private:
    QSettings* ownStore = nullptr;
    QSettings& store;
};
