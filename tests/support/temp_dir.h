#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "quillmoor-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path; }
    // Path of an entry inside the directory.
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    // Writes a file inside the directory (parents created) and returns its path.
    std::filesystem::path WriteFile(const std::string& name, const std::string& contents) const;
    static std::string ReadFile(const std::filesystem::path& file);

private:
    std::filesystem::path path;
};

}  // namespace testsupport
