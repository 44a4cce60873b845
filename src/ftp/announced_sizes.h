#pragma once

#include <cstdint>
#include <string>

// The sizes a download was announced with: the reply to SIZE, the size fact
// of the MLSD listing a walk took it from, and the figure in the reply that
// opened its data connection. A binary download must match every figure it
// was given; whatever the mode, reading stops a little past the smallest, so
// a server that sends without end (or a file that grows while it is being
// sent) cannot fill the disk.
class AnnouncedSizes {
public:
    // How far past the smallest figure a download is read before it stops:
    // enough to tell a few stray bytes apart in the log, never a disk's worth.
    static constexpr std::int64_t kMargin = 4096;

    void Clear() { *this = AnnouncedSizes(); }
    void FromSizeCommand(std::int64_t bytes) { sizeCommand = bytes; }
    // The listing's figure counts only when SIZE gave none: the listing may
    // be minutes old when a walk reaches the file, SIZE is asked just before.
    void FromListing(std::int64_t bytes) { listing = bytes; }
    // replyCode is the opening reply's (150, 125).
    void FromOpeningReply(std::int64_t bytes, int replyCode);

    bool Known() const { return Smallest() >= 0; }
    // The smallest and the largest figure given (-1 when none).
    std::int64_t Smallest() const;
    std::int64_t Largest() const;
    // The bytes (from the file's start) past which a download stops reading,
    // or -1 when no size is known. An ASCII download may carry each line end
    // as two bytes on the wire, so it may read up to twice the size.
    std::int64_t ReadLimit(bool ascii) const;
    // "SIZE said 10, the 150 reply said 5, 5 arrived." when the figures
    // differ from each other, else "".
    std::string Disagreement(std::int64_t arrived) const;

private:
    // The figures that count, -1 for those not given.
    std::int64_t Listed() const { return sizeCommand >= 0 ? -1 : listing; }

    std::int64_t sizeCommand = -1;
    std::int64_t listing = -1;
    std::int64_t openingReply = -1;
    int openingCode = 150;
};
