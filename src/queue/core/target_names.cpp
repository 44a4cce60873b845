#include "queue/core/target_names.h"

RemoteLocation SplitRemotePath(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) return {".", trimmed};
    return {slash == 0 ? "/" : trimmed.substr(0, slash), trimmed.substr(slash + 1)};
}

std::string FreeName(const std::string& path, const std::function<bool(const std::string&)>& taken) {
    constexpr int kMaxTries = 1000;
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) dot = path.size();
    const std::string stem = path.substr(0, dot);
    const std::string extension = path.substr(dot);
    for (int number = 1; number <= kMaxTries; ++number) {
        std::string candidate = stem + " (" + std::to_string(number) + ")" + extension;
        if (!taken(candidate)) return candidate;
    }
    return {};
}
