#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "support/data_link.h"

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

}  // namespace testsupport
