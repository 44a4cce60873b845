#pragma once

#include <cstdint>
#include <string>

// Where a server's answer to EPSV or PASV says its data port is. Only the
// port is ever used for connecting: the data connection goes to the host at
// the other end of the control connection.
struct PassiveReply {
    std::uint32_t address = 0;  // host byte order; PASV only (EPSV names none)
    std::uint16_t port = 0;

    // "229 Entering Extended Passive Mode (|||port|)", with any printable
    // delimiter in place of "|". False for anything else or port 0.
    static bool ParseEpsv(const std::string& replyText, PassiveReply& reply);
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": six numbers of 0-255,
    // the first starting at the first digit after the reply code. False for
    // anything else or port 0.
    static bool ParsePasv(const std::string& replyText, PassiveReply& reply);
};
