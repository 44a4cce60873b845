#pragma once

#include <string>

enum class FileRead { Read, Missing, Failed };

// Reads a whole regular file. Anything else at the path (a FIFO, a device, a
// directory) fails at once with a message saying what it is, instead of
// blocking on an open or a read that never ends.
FileRead ReadRegularFile(const std::string& path, std::string& bytes, std::string& error);
