#pragma once

#include <netinet/in.h>

#include <string>

// Lookups in the local service and protocol databases (/etc/services,
// /etc/protocols), and address formatting for log lines.
namespace net {

// Port (host byte order) of a service for a protocol, or 0 when unknown.
int ServicePort(const std::string& serviceName, const std::string& protocolName);

// Protocol number, or -1 when the name is unknown.
int ProtocolNumber(const std::string& protocolName);

// "a.b.c.d" of an IPv4 address.
std::string DottedAddress(const in_addr& address);

}  // namespace net
