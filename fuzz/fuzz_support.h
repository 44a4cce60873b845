#pragma once

// Helpers shared by the fuzz targets. The same target files are built twice:
// with libFuzzer (fuzz/) and with the normal compiler into corpus replays
// (tests/fuzz_replay/), so nothing here depends on clang.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A broken property ends the run loudly: libFuzzer keeps the input as a crash,
// and the replay test fails.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace fuzzing {

// Reads a fuzz input front to back.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Empty() const { return offset >= size; }
    std::size_t Left() const { return size - offset; }
    // The next byte, 0 once the input is used up.
    std::uint8_t TakeByte() { return Empty() ? 0 : data[offset++]; }
    // Bytes up to (not including) the next NUL, which is consumed; the rest
    // of the input when there is none.
    std::string TakeUntilNul();
    std::string TakeRest();

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset = 0;
};

// A private directory for the files a target writes, made once per process
// under the system's temporary directory and removed at exit. Ends with "/".
const std::string& ScratchDirectory();

// Writes bytes to a file, replacing it; aborts when that fails (the run
// would test nothing).
void WriteScratchFile(const std::string& path, const std::string& bytes);

}  // namespace fuzzing
