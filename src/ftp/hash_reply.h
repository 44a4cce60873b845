#pragma once

#include <cstdint>
#include <string>

#include "ftp/hash_algorithm.h"

// Reading the digest out of a server's answer to HASH or to one of the older
// XSHA256, XSHA1, XMD5, XCRC commands. Both readers are strict: anything but
// the expected form gives an empty digest, so a garbled or hostile reply can
// only mean "could not verify", never a match. why says what was wrong.

// "213 SHA-256 0-1234 <hex> <name>": the algorithm must be the one asked
// for, the range must cover the whole file of fileSize bytes (its end taken
// as exclusive or inclusive, as servers differ), the digest must have the
// algorithm's length. Returns the digest in lower case.
std::string DigestFromHashReply(const std::string& reply, HashAlgorithm algorithm, std::int64_t fileSize,
                                std::string& why);

// "250 <hex>", optionally followed by a blank and more text (some servers
// repeat the name). Returns the digest in lower case.
std::string DigestFromCommandReply(const std::string& reply, HashAlgorithm algorithm, std::string& why);
