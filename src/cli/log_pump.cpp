#include "cli/log_pump.h"

#include "ftp/printable_text.h"

LogPump::LogPump(LogQueue& log, std::ostream& stream) : log(log) {
    log.SetSink([&stream](const std::string& line) { stream << PrintableText(line) << '\n' << std::flush; });
    thread = std::thread([this] { Run(); });
}

LogPump::~LogPump() {
    {
        std::lock_guard guard(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
    log.Drain();
    log.SetSink(nullptr);
}

void LogPump::Run() {
    std::unique_lock guard(mutex);
    while (!stopping) {
        wake.wait_for(guard, std::chrono::milliseconds(50));
        log.Drain();
    }
}
