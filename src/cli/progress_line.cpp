#include "cli/progress_line.h"

namespace {

// "512 B", "1.5 KiB", "3.2 MiB", "1.0 GiB".
std::string HumanBytes(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024.0 && unit < 4) {
        bytes /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

}  // namespace

std::string ProgressLine::Compose(const std::string& text, std::int64_t expectedBytes, std::int64_t doneBytes,
                                  double bytesPerSecond) {
    std::string line = text + "  " + std::to_string(doneBytes) + " bytes";
    if (expectedBytes > 0) {
        const long long percent = static_cast<long long>(doneBytes * 100 / expectedBytes);
        line += "  " + std::to_string(percent > 100 ? 100 : percent) + "%";
    }
    if (bytesPerSecond > 0) line += "  " + HumanBytes(bytesPerSecond) + "/s";
    return line;
}

void ProgressLine::Show(const std::string& text, std::int64_t expectedBytes, std::int64_t doneBytes) {
    const auto now = std::chrono::steady_clock::now();
    if (!shown || text != currentText) {
        // The rate counts from the first poll, since the start itself is not seen.
        currentText = text;
        started = now;
        doneAtStart = doneBytes;
    }
    const double seconds = std::chrono::duration<double>(now - started).count();
    const double rate = seconds > 0 ? static_cast<double>(doneBytes - doneAtStart) / seconds : 0.0;
    // Carriage return and erase-to-end redraw the line in place.
    std::fprintf(terminal, "\r%s\033[K", Compose(text, expectedBytes, doneBytes, rate).c_str());
    std::fflush(terminal);
    shown = true;
}

void ProgressLine::Clear() {
    if (!shown) return;
    std::fprintf(terminal, "\r\033[K");
    std::fflush(terminal);
    shown = false;
}
