#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "support/data_link.h"
#include "support/scripted_ftp_server.h"

namespace testsupport {

// The data port a scripted server offers in passive mode: a listener on a
// loopback address (127.0.0.1 unless told) and a port the system chooses,
// with the replies that name it.
class PassivePort {
public:
    explicit PassivePort(const std::string& loopback = "127.0.0.1");
    ~PassivePort();
    PassivePort(const PassivePort&) = delete;
    PassivePort& operator=(const PassivePort&) = delete;

    unsigned short Port() const { return port; }
    // "p1,p2" as a PASV reply writes the port.
    std::string PortBytes() const;
    // Replaces "%P" with the port and "%B" with its bytes in a reply template.
    std::string Fill(std::string replyTemplate) const;
    // Takes the client's connection, or an unopened link after the limit.
    DataLink Accept(std::chrono::milliseconds limit);
    // Fills the accept queue: the system drops further connection attempts,
    // so a client's connect hangs until it gives up or is woken.
    void FillQueue();

private:
    std::string loopback;
    int listenFd = -1;
    unsigned short port = 0;
    std::vector<int> fillers;
};

// The reply of the step that serves the file in ScriptDataSteps.
inline constexpr const char* kServeFile = "<file>";

// Scripts the steps of one download after TYPE: each (verb, reply) is
// answered with the reply, the port filled in; the kServeFile step sends
// bytes over the data connection the steps before it chose (EPSV or PASV:
// from this passive port; PORT or EPRT: to the port the client announced).
void ScriptDataSteps(ScriptedFtpServer& server, PassivePort& port, bool startsPassive,
                     const std::vector<std::pair<std::string, std::string>>& steps, const std::string& bytes);

}  // namespace testsupport
