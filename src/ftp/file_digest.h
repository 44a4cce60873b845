#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "ftp/hash_algorithm.h"

// The digest of a local file in lower-case hexadecimal, as a server reports
// it, read in blocks so a large file costs no memory. stop (may be empty) is
// asked between blocks: hashing gigabytes must not hold a cancel up. Only a
// regular file is read. Empty with error set (errno, or ECANCELED) when the
// file cannot be read.
std::string FileDigest(const std::string& path, HashAlgorithm algorithm, int& error,
                       const std::function<bool()>& stop = {});

// The CRC-32 of the IEEE 802.3 polynomial (the one XCRC and zip use),
// continued from crc over length bytes; start with 0.
unsigned long UpdateCrc32(unsigned long crc, const unsigned char* bytes, std::size_t length);
