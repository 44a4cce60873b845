#pragma once

#include <string>
#include <vector>

// The extension table "Extension.ftp" chooses ASCII or binary per file name
// when the transfer mode is auto-detect. Read once into memory, so that a
// directory walk decides every file by the table it started with: a file the
// walk itself writes can never change how its later files are transferred.
class ExtensionTable {
public:
    static constexpr const char* kFileName = "Extension.ftp";

    // Reads the table in directory ("" is the current directory; otherwise the
    // directory ends with "/"). A missing table is an empty one.
    static ExtensionTable Load(const std::string& directory);

    // 'A', 'L' or 'I' for a key made by FtpSession::ExtensionKey; binary
    // when no line matches.
    char TypeFor(const std::string& key) const;

private:
    struct Rule {
        std::string extension;  // upper case, as written in the table
        char type;
    };
    std::vector<Rule> rules;
};
