#include "browser/size_text.h"

#include <QLocale>
#include <cstdint>

QString SizeColumnText(std::optional<std::int64_t> bytes) {
    static const QLocale grouping(QLocale::English);
    if (!bytes || *bytes < 0) return {};
    const std::int64_t thousands = *bytes / 1000 + (*bytes % 1000 != 0 ? 1 : 0);
    return grouping.toString(static_cast<qlonglong>(thousands)) + u'K';
}
