#pragma once

#include <string>
#include <vector>

// Remembers the server directories a download walk is inside, from its start
// down to the directory it is listing, so that a link leading back to one of
// them is not walked: following it would copy the tree into itself until a
// depth or size bound stops the walk.
//
// A directory is known by what the server tells of it, whichever it gives:
// its real path (the PWD reply after entering it) or the "unique" fact of an
// MLSD or MLST line. A directory whose real path is known makes the real paths
// of the plain (non-link) directories below it known as well.
class WalkLoopGuard {
public:
    struct Identity {
        std::string realPath;  // "" when the server has not said it
        std::string unique;    // "" when the server gives no unique fact
    };

    void Clear() { levels.clear(); }
    // The walk enters a directory; shownName is what the log calls it. An
    // empty realPath is worked out from the level above when that one is known.
    void Enter(const std::string& shownName, Identity identity);
    void Leave();
    // The directory being listed has real path realPath (learnt from PWD).
    void LearnRealPath(const std::string& realPath);

    // How the log names the directory the walk is inside that `target`
    // leads back to, or "" when it leads elsewhere. A real path also leads
    // back when it is above such a directory: walking it would walk that one again.
    std::string LeadsBackTo(const Identity& target) const;

private:
    struct Level {
        std::string shownName;
        Identity identity;
    };
    std::vector<Level> levels;
};

// The directory named by a 257 reply ("257 \"/a/b\" is current"): the text
// between the first quote and the next single one, doubled quotes standing
// for one. False when the reply holds no such name.
bool ParseQuotedDirectory(const std::string& reply, std::string& directory);

