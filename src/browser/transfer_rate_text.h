#pragma once

#include <QString>

#include <cstdint>

// The line a transfer's speed and time left are shown in below a progress
// bar: "1.2 MB/s, 0:42 left" ("1:02:03 left" past an hour), whichever of the
// two is known (a speed of 0 or less, a negative time are not), or empty.
QString SpeedAndTimeLeftText(double bytesPerSecond, std::int64_t secondsLeft);
