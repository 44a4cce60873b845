#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// The digests a server can be asked for to check a transferred file, in the
// order they are preferred: the strongest first.
enum class HashAlgorithm { Sha256, Sha1, Md5, Crc32 };

// The name HASH and OPTS HASH use ("SHA-256", "SHA-1", "MD5", "CRC32").
std::string_view HashAlgorithmName(HashAlgorithm algorithm);
// The algorithm of a HASH name, regardless of case; nullopt for others.
std::optional<HashAlgorithm> HashAlgorithmNamed(std::string_view name);
// How many hexadecimal digits its digest has (64, 40, 32, 8).
std::size_t HexDigestLength(HashAlgorithm algorithm);
