#include "browser/transfer_rate_text.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

QString SpeedText(double bytesPerSecond) {
    if (!(bytesPerSecond > 0)) return {};  // also refuses NaN
    const auto bytes = static_cast<qint64>(std::llround(std::min(bytesPerSecond, 1e18)));
    return QLocale(QLocale::English).formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat) +
           QStringLiteral("/s");
}

QString TimeLeftText(std::int64_t seconds) {
    if (seconds < 0) return {};
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = seconds / 60 % 60;
    const auto twoDigits = [](std::int64_t value) {
        return QStringLiteral("%1").arg(static_cast<qlonglong>(value), 2, 10, QLatin1Char('0'));
    };
    const QString clock =
        hours > 0 ? QStringLiteral("%1:%2:%3").arg(hours).arg(twoDigits(minutes), twoDigits(seconds % 60))
                  : QStringLiteral("%1:%2").arg(minutes).arg(twoDigits(seconds % 60));
    return clock + QStringLiteral(" left");
}

}  // namespace

QString SpeedAndTimeLeftText(double bytesPerSecond, std::int64_t secondsLeft) {
    const QString speed = SpeedText(bytesPerSecond);
    const QString left = TimeLeftText(secondsLeft);
    if (speed.isEmpty() || left.isEmpty()) return speed + left;
    return speed + QStringLiteral(", ") + left;
}
