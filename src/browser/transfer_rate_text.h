#pragma once

#include <QString>
#include <cstdint>

// The texts a transfer's speed and time left are shown in, below a progress
// bar or in a list of transfers.

// "1.2 MB/s", "512 bytes/s"; empty while the speed is not known (0 or less).
QString SpeedText(double bytesPerSecond);

// "0:42 left", "12:05 left", "1:02:03 left"; empty when unknown (negative).
QString TimeLeftText(std::int64_t seconds);

// Both, joined: "1.2 MB/s, 0:42 left"; whichever is known, or empty.
QString RateText(double bytesPerSecond, std::int64_t secondsLeft);
