#include "ftp/announced_sizes.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

void AnnouncedSizes::FromOpeningReply(std::int64_t bytes, int replyCode) {
    openingReply = bytes;
    openingCode = replyCode;
}

std::int64_t AnnouncedSizes::Smallest() const {
    std::int64_t smallest = -1;
    for (std::int64_t figure : {sizeCommand, Listed(), openingReply}) {
        if (figure >= 0 && (smallest < 0 || figure < smallest)) smallest = figure;
    }
    return smallest;
}

std::int64_t AnnouncedSizes::Largest() const { return std::max({sizeCommand, Listed(), openingReply}); }

std::int64_t AnnouncedSizes::ReadLimit(bool ascii) const {
    const std::int64_t smallest = Smallest();
    if (smallest < 0) return -1;
    return (ascii ? 2 * smallest : smallest) + kMargin;
}

std::string AnnouncedSizes::Disagreement(std::int64_t arrived) const {
    if (Smallest() == Largest()) return {};
    std::string text;
    const auto add = [&text](const std::string& who, std::int64_t figure) {
        if (figure >= 0) text += who + " said " + std::to_string(figure) + ", ";
    };
    add("SIZE", sizeCommand);
    add("the listing", Listed());
    add(openingCode > 0 ? "the " + std::to_string(openingCode) + " reply" : "the opening reply",
        openingReply);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + std::to_string(arrived) + " arrived.";
}
