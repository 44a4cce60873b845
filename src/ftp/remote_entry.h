#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What a listed name stands for on the server.
enum class EntryKind { File, Directory, Link, Unknown };

// How much of a modification time the listing gave.
enum class TimePrecision { None, Day, Minute, Second };

// A modification time as a listing states it. Unix listings leave the year
// out for recent dates; the parser then takes the year that puts the date
// no later than tomorrow, as ls itself decides when to drop it.
struct RemoteTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    TimePrecision precision = TimePrecision::None;
    bool utc = false;   // MLSD and EPLF give UTC; every other form the server's local time
    std::string shown;  // the date as the listing wrote it, for the list's Modified column

    bool Known() const { return precision != TimePrecision::None; }
    // Sets every part at once; keeps the room of shown for the next line.
    void Set(int y, int mo, int d, int h, int mi, int s, TimePrecision p, bool inUtc = false) {
        year = y;
        month = mo;
        day = d;
        hour = h;
        minute = mi;
        second = s;
        precision = p;
        utc = inUtc;
        shown.clear();
    }
    void Clear() { Set(0, 0, 0, 0, 0, 0, TimePrecision::None); }
};

// One entry of a directory listing, in any of the forms servers send.
struct RemoteEntry {
    std::string name;        // as the server knows it; never empty, never "." or ".."
    std::string linkTarget;  // a link's target when the listing shows it
    std::optional<std::int64_t> size;
    RemoteTime modified;
    EntryKind kind = EntryKind::Unknown;
    std::string permissions;  // as listed ("drwxr-xr-x", "(RWED,RWED,RE,)"), or the type letter
    std::string links;  // the link count, where the listing shows one
    std::string owner;
    std::string group;
    std::string unique;  // MLSD "unique" fact: the same for every name of one file
    bool exactSize = false;  // the size is MLSD's fact, to the byte (not rounded, not in blocks)

    bool IsFile() const { return kind == EntryKind::File; }
    bool IsDirectory() const { return kind == EntryKind::Directory; }
    bool IsLink() const { return kind == EntryKind::Link; }
    // The name as a listing line shows it: a link's target follows " -> ".
    std::string ShownName() const { return linkTarget.empty() ? name : name + " -> " + linkTarget; }
};
