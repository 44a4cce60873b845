#include "ftp/temporary_paths.h"

#include <cstdlib>

std::string SystemTemporaryDirectory() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string directory =
        (fromEnvironment != nullptr && *fromEnvironment != '\0') ? fromEnvironment : "/tmp";
    if (directory.back() != '/') directory += '/';
    return directory;
}
