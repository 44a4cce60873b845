#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "support/session_settings.h"

namespace testsupport {

// A session with its own log queue and status record, and the log lines it
// has written so far.
struct SessionHarness {
    LogQueue log;
    TransferStatus status;
    FtpSession session{log, status};
    std::vector<std::string> lines;

    SessionHarness() {
        Reconfigure(session, [](ConnectionSettings& settings) { settings.timeoutSeconds = 10; });
    }

    // Every line logged so far, oldest first.
    const std::vector<std::string>& Lines() {
        for (std::string& line : log.TakeAll()) lines.push_back(std::move(line));
        return lines;
    }
    bool HasLine(const std::string& line) {
        const auto& all = Lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    bool HasLineContaining(const std::string& part) {
        const auto& all = Lines();
        return std::any_of(all.begin(), all.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }
    std::string Joined() {
        std::string text;
        for (const std::string& line : Lines()) text += line + "\n";
        return text;
    }
};

}  // namespace testsupport
