#pragma once

#include <memory>
#include <string>

#include "support/data_link.h"
#include "tls_test_kit.h"

namespace tlstest {

// A bare FTPS client made of the TLS layer and raw sockets, just enough to
// prove the layer against real servers: control channel plain or TLS, data
// connections over TLS that resume the connection's session.
class FtpsExchange {
public:
    FtpsExchange(const tls::ClientSettings& settings, unsigned short port);

    bool Connected() const { return control.IsOpen(); }
    // TLS on the control connection; false with Problem() on failure.
    bool StartTls();
    tls::TlsStream* ControlTls() const { return controlTls.get(); }
    const std::string& Problem() const { return problem; }

    // Sends a command and returns the whole reply ("" when none came).
    std::string Command(const std::string& line);
    std::string ReadReply();

    // A data command over PASV and a TLS data connection. offerSession false
    // starts the data TLS without resuming (servers that require reuse
    // refuse that). Returns the final reply; data and end tell what the data
    // connection carried and how it ended.
    struct DataOutcome {
        std::string finalReply;
        std::string received;
        tls::StreamStatus end = tls::StreamStatus::Failed;
        bool resumed = false;
    };
    DataOutcome Transfer(const std::string& command, const std::string& upload = {},
                         bool offerSession = true);

private:
    bool SendLine(const std::string& line);
    std::string ReadLine();

    tls::ClientContext context;
    net::WakeSignal wake;
    std::shared_ptr<tls::SessionKeeper> sessions = std::make_shared<tls::SessionKeeper>();
    testsupport::DataLink control;
    std::unique_ptr<tls::TlsStream> controlTls;
    std::string buffered;
    std::string problem;
};

}  // namespace tlstest
