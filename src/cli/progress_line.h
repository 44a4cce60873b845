#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// The one-line progress display of a transfer on a terminal: what moves,
// the bytes so far, the percentage when the size is known, and the rate.
// Redrawn in place at every progress report; cleared when done.
class ProgressLine {
public:
    explicit ProgressLine(std::FILE* terminal) : terminal(terminal) {}

    void Show(const std::string& text, std::int64_t expectedBytes, std::int64_t doneBytes);
    // Removes the line so that the next output starts on a clean line.
    void Clear();

    // The text of the line without drawing it (tests).
    static std::string Compose(const std::string& text, std::int64_t expectedBytes, std::int64_t doneBytes,
                               double bytesPerSecond);

private:
    std::FILE* terminal;
    std::string currentText;
    std::chrono::steady_clock::time_point started;
    std::int64_t doneAtStart = 0;
    bool shown = false;
};
