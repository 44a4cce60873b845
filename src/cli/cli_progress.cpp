#include "cli/cli_progress.h"

#include "cli/progress_line.h"

void CliProgress::Show(ProgressLine* line, std::string newText) {
    std::lock_guard<std::mutex> guard(lock);
    shown = line;
    text = std::move(newText);
}

void CliProgress::Report(std::int64_t doneBytes, std::int64_t totalBytes) {
    std::lock_guard<std::mutex> guard(lock);
    if (shown) shown->Show(text, totalBytes < 0 ? 0 : totalBytes, doneBytes);
}
