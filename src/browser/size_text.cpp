#include "browser/size_text.h"

#include <QLocale>
#include <cstdint>

namespace {

std::int64_t LeadingNumber(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t");
    std::int64_t value = 0;
    for (; at != std::string::npos && at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (value > (INT64_MAX - 9) / 10) break;
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

}  // namespace

QString SizeColumnText(const std::string& sizeText) {
    static const QLocale grouping(QLocale::English);
    const std::int64_t bytes = LeadingNumber(sizeText);
    const std::int64_t thousands = bytes / 1000 + (bytes % 1000 != 0 ? 1 : 0);
    return grouping.toString(static_cast<qlonglong>(thousands)) + u'K';
}
