#pragma once

#include <functional>
#include <string>

// A remote path split at its last "/": "/pub/a.txt" gives "/pub" and "a.txt",
// "/a.txt" gives "/" and "a.txt".
struct RemoteLocation {
    std::string directory;
    std::string name;
};
RemoteLocation SplitRemotePath(const std::string& path);

// The first of "name (1).ext", "name (2).ext", ... beside path that `taken`
// says is free; empty when none of the first thousand is. A name that starts
// with its only dot (".profile") has no extension.
std::string FreeName(const std::string& path, const std::function<bool(const std::string&)>& taken);
