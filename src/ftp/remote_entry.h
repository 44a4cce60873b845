#pragma once

#include <string>

// One parsed line of a Unix long listing.
struct RemoteEntry {
    std::string name;         // rest of the line after the date; a link keeps " -> target"
    std::string sizeText;
    std::string dateText;     // three date columns with their original spacing
    std::string permissions;  // first ten characters of the line
    std::string links;
    std::string owner;
    std::string group;        // empty when the listing has fewer than 9 columns
    std::string unique;       // MLSD "unique" fact: the same for every name of one file
    int isFile = 0;           // 1 for '-', 0 for 'd' and 'l'
    std::string modifyFact;   // an MLSD line's "modify" fact as sent (UTC); empty from LIST
    std::string sizeFact;     // an MLSD line's "size" fact when a number; empty from LIST
};
