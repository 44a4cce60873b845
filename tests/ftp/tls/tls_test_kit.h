#pragma once

#include <chrono>
#include <string>

#include "ftp/tls/client_context.h"
#include "ftp/tls/tls_stream.h"
#include "platform/net/wake_signal.h"
#include "support/certificate_maker.h"
#include "support/temp_dir.h"

namespace tlstest {

// The certificates every TLS test uses, made once per test program inside
// its own temporary directory.
struct TestCertificates {
    testsupport::TempDir dir{"quillmoor-tls"};
    testsupport::CertificateMaker maker{dir.Path()};
    testsupport::CertificateFiles good = maker.Make({.fileStem = "good"});
    testsupport::CertificateFiles selfSigned = maker.Make({.fileStem = "self-signed", .selfSigned = true});
    testsupport::CertificateFiles otherHost =
        maker.Make({.fileStem = "other-host", .commonName = "ftp.other.test", .hosts = {"ftp.other.test"}});
    testsupport::CertificateFiles expired =
        maker.Make({.fileStem = "expired", .validFromDays = -60, .validUntilDays = -1});
    testsupport::CertificateFiles notYetValid =
        maker.Make({.fileStem = "not-yet-valid", .validFromDays = 2, .validUntilDays = 60});

    static const TestCertificates& Get() {
        static const TestCertificates certificates;
        return certificates;
    }
};

// The engine's way of waiting: the socket, a wake descriptor and a time limit.
inline tls::SocketWaiter WaiterFor(const net::WakeSignal& wake, std::chrono::milliseconds limit) {
    return tls::WaiterWithWakeAndLimit(wake.Fd(), limit);
}

inline tls::ClientSettings TrustingTestCa() { return {TestCertificates::Get().maker.CaFile().string()}; }

// Reads until the stream ends; the data and the result that ended it.
inline std::string ReadToEnd(tls::TlsStream& stream, tls::StreamResult& end) {
    std::string data;
    char buffer[16384];
    for (;;) {
        end = stream.Read(buffer, sizeof buffer);
        if (!end.Ok()) return data;
        data.append(buffer, end.bytes);
    }
}

}  // namespace tlstest
