#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The "Size" column's text for a listed size: thousands of bytes with a K,
// rounded up so that a file holding any bytes never reads as empty (152 bytes
// show "1K", 0 shows "0K"); empty where the listing gave no size.
QString SizeColumnText(std::optional<std::int64_t> bytes);
