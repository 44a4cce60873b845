#include "platform/net/socket_error_codes.h"

#include <netdb.h>

#include <cerrno>
#include <iterator>

namespace net {
namespace {

struct ErrnoPair {
    int errnoValue;
    int code;
};

// Several errno values may share one socket number; the first row of a number
// is the errno used for its system text.
constexpr ErrnoPair kErrnoTable[] = {
    {EINTR, 10004},         {EBADF, 10009},        {EACCES, 10013},          {EFAULT, 10014},
    {EINVAL, 10022},        {EMFILE, 10024},       {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},
    {EALREADY, 10037},      {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},
    {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {ENOBUFS, 10055},         {EISCONN, 10056},
    {ENOTCONN, 10057},      {ESHUTDOWN, 10058},    {EPIPE, 10058},           {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},     {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},     {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},       {EUSERS, 10068},
    {EDQUOT, 10069},        {ESTALE, 10070},       {EREMOTE, 10071},
};

}  // namespace

int SocketErrorFromErrno(int errnoValue) {
    for (const ErrnoPair& pair : kErrnoTable) {
        if (pair.errnoValue == errnoValue) return pair.code;
    }
    return errnoValue;
}

int LastSocketError() { return SocketErrorFromErrno(errno); }

int ErrnoFromSocketError(int code) {
    for (const ErrnoPair& pair : kErrnoTable) {
        if (pair.code == code) return pair.errnoValue;
    }
    return 0;
}

int SocketErrorFromResolver(int gaiCode) {
    switch (gaiCode) {
        case EAI_NONAME:
            return kErrorHostNotFound;
        case EAI_AGAIN:
            return kErrorTryAgain;
        case EAI_FAIL:
            return kErrorNoRecovery;
#ifdef EAI_NODATA
        case EAI_NODATA:
            return kErrorNoData;
#endif
        case EAI_ADDRFAMILY:
            return kErrorNoData;
        default:
            return kErrorNoRecovery;
    }
}

bool IsConnectionLevelError(int code) {
    switch (code) {
        case 10004:
        case 10022:
        case 10038:
        case 10050:
        case 10052:
        case 10053:
        case 10054:
        case 10058:
            return true;
        default:
            return false;
    }
}

}  // namespace net
