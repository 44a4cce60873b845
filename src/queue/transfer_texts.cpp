#include "queue/transfer_texts.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

QString DirectionText(TransferDirection direction) {
    return direction == TransferDirection::Download ? QStringLiteral("Download") : QStringLiteral("Upload");
}

QString StateText(JobState state) {
    switch (state) {
        case JobState::Queued:
            return QStringLiteral("Queued");
        case JobState::Running:
            return QStringLiteral("Running");
        case JobState::Paused:
            return QStringLiteral("Paused");
        case JobState::Failed:
            return QStringLiteral("Failed");
        case JobState::Done:
            return QStringLiteral("Done");
        case JobState::Verified:
            return QStringLiteral("Verified");
    }
    return {};
}

QString ByteCountText(std::int64_t bytes) {
    if (bytes < 0) return {};
    // Powers of 1024 with the units file managers show ("KB", "MB").
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

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
    const QString secondsText = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (hours == 0) return QStringLiteral("%1:%2").arg(minutes).arg(secondsText);
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(secondsText);
}

QString SpeedAndTimeLeftText(double bytesPerSecond, std::int64_t secondsLeft) {
    const QString speed = SpeedText(bytesPerSecond);
    const QString left = secondsLeft < 0 ? QString() : TimeLeftText(secondsLeft) + QStringLiteral(" left");
    if (speed.isEmpty() || left.isEmpty()) return speed + left;
    return speed + QStringLiteral(", ") + left;
}

int PercentDone(std::int64_t doneBytes, std::int64_t totalBytes) {
    if (totalBytes < 0) return -1;
    if (totalBytes == 0) return 0;  // nothing known to be done yet; a finished job is shown full
    const std::int64_t done = std::clamp<std::int64_t>(doneBytes, 0, totalBytes);
    return static_cast<int>(done * 100 / totalBytes);
}
