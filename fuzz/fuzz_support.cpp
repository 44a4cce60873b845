#include "fuzz_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fuzzing {

std::string FuzzInput::TakeUntilNul() {
    std::string text;
    while (!Empty()) {
        const std::uint8_t byte = data[offset++];
        if (byte == 0) break;
        text += static_cast<char>(byte);
    }
    return text;
}

std::string FuzzInput::TakeRest() {
    std::string text(reinterpret_cast<const char*>(data) + offset, size - offset);
    offset = size;
    return text;
}

namespace {

std::string MakeScratchDirectory() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) base = "/tmp";
    std::string pattern = (base / "quillmoor-fuzz-XXXXXX").string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
    return pattern + "/";
}

void RemoveScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchDirectory(), ignored);
}

}  // namespace

const std::string& ScratchDirectory() {
    static const std::string directory = [] {
        std::string made = MakeScratchDirectory();
        return made;
    }();
    static const bool cleanupRegistered = std::atexit(RemoveScratchDirectory) == 0;
    static_cast<void>(cleanupRegistered);
    return directory;
}

void WriteScratchFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    FUZZ_CHECK(file.good());
}

}  // namespace fuzzing
