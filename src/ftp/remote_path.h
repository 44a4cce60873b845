#pragma once

#include <string>

// A remote path split at its last "/": "/pub/a.txt" gives "/pub" and "a.txt",
// "/a.txt" gives "/" and "a.txt".
struct RemoteLocation {
    std::string directory;
    std::string name;
};
RemoteLocation SplitRemotePath(const std::string& path);
