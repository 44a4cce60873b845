#pragma once

// The socket layer reports failures with the classic socket error numbers
// (10000 and up, resolver failures 11001 to 11004), so that the log texts and
// the abort rule read the same on every platform. These helpers translate the
// POSIX errno and getaddrinfo codes into that numbering.
namespace net {

constexpr int kErrorCancelled = 10004;  // a blocking call was woken by Cancel
constexpr int kErrorInvalidArgument = 10022;
constexpr int kErrorNotSocket = 10038;
constexpr int kErrorNetworkDown = 10050;
constexpr int kErrorNetworkReset = 10052;
constexpr int kErrorConnectionAborted = 10053;
constexpr int kErrorConnectionReset = 10054;
constexpr int kErrorShutDown = 10058;
constexpr int kErrorTimedOut = 10060;
constexpr int kErrorConnectionRefused = 10061;
constexpr int kErrorHostNotFound = 11001;
constexpr int kErrorTryAgain = 11002;
constexpr int kErrorNoRecovery = 11003;
constexpr int kErrorNoData = 11004;

// Socket error number for a POSIX errno; errno values without a socket
// counterpart are returned unchanged (they stay below 10000).
int SocketErrorFromErrno(int errnoValue);

// Socket error number of the calling thread's errno (after a failed call).
int LastSocketError();

// The errno a socket error number came from, or 0 when it has none.
int ErrnoFromSocketError(int code);

// Socket error number for a getaddrinfo() result other than 0.
int SocketErrorFromResolver(int gaiCode);

// True for the errors after which the control connection is unusable: a reply
// read that fails with one of them counts as an abort.
bool IsConnectionLevelError(int code);

}  // namespace net
