#pragma once

#include <cstdint>
#include <mutex>
#include <string>

class ProgressLine;

// Where the session's progress reports go while a command shows a progress
// line: a transfer command sets the line and its text for as long as it
// runs, and every report redraws it.
class CliProgress {
public:
    void Show(ProgressLine* line, std::string text);  // nullptr: no line
    void Report(std::int64_t doneBytes, std::int64_t totalBytes);  // total -1: unknown

private:
    std::mutex lock;
    ProgressLine* shown = nullptr;
    std::string text;
};
