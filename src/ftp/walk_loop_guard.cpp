#include "ftp/walk_loop_guard.h"

namespace {

// "/a" holds "/a/b" and "/" holds everything; "/a" does not hold "/ab".
bool IsSameOrAbove(const std::string& upper, const std::string& lower) {
    if (upper.empty() || lower.compare(0, upper.size(), upper) != 0) return false;
    return lower.size() == upper.size() || upper.back() == '/' || lower[upper.size()] == '/';
}

}  // namespace

void WalkLoopGuard::Enter(const std::string& shownName, Identity identity) {
    if (identity.realPath.empty() && !levels.empty() && !levels.back().identity.realPath.empty()) {
        const std::string& above = levels.back().identity.realPath;
        identity.realPath = above + (above.back() == '/' ? "" : "/") + shownName.substr(shownName.rfind('/') + 1);
    }
    levels.push_back({shownName, std::move(identity)});
}

void WalkLoopGuard::Leave() {
    if (!levels.empty()) levels.pop_back();
}

void WalkLoopGuard::LearnRealPath(const std::string& realPath) {
    if (!levels.empty()) levels.back().identity.realPath = realPath;
}

std::string WalkLoopGuard::LeadsBackTo(const Identity& target) const {
    for (const Level& level : levels) {
        if (!target.unique.empty() && target.unique == level.identity.unique) return level.shownName;
        if (IsSameOrAbove(target.realPath, level.identity.realPath)) return target.realPath;
    }
    return {};
}

bool ParseQuotedDirectory(const std::string& reply, std::string& directory) {
    std::size_t i = reply.find('"');
    if (i == std::string::npos) return false;
    directory.clear();
    for (++i; i < reply.size(); ++i) {
        if (reply[i] != '"') {
            directory += reply[i];
        } else if (i + 1 < reply.size() && reply[i + 1] == '"') {
            directory += reply[++i];
        } else {
            return !directory.empty();
        }
    }
    return false;
}

