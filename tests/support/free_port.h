#pragma once

namespace testsupport {

// A TCP port on 127.0.0.1 that was free a moment ago (for servers that cannot
// be told to pick their own port).
unsigned short FreeTcpPort();

}  // namespace testsupport
