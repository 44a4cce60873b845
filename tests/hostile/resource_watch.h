#pragma once

#include <chrono>
#include <cstddef>

namespace hostile {

// Notes the open descriptors and the heap in use when it is made, and fails
// the running test when, at its end, descriptors are left open or the heap
// has grown by more than a small allowance. Made before everything a case
// creates, so it is destroyed after all of it.
class ResourceWatch {
public:
    ResourceWatch();
    ~ResourceWatch();
    ResourceWatch(const ResourceWatch&) = delete;
    ResourceWatch& operator=(const ResourceWatch&) = delete;

    static std::size_t OpenDescriptors();
    // Bytes handed out by malloc and not yet freed; 0 under a sanitizer,
    // whose allocator keeps its own books (its leak checker covers leaks).
    static std::size_t HeapInUse();

private:
    std::size_t descriptors;
    std::size_t heap;
};

// Milliseconds since a moment, for the time limits the cases assert.
class Stopwatch {
public:
    Stopwatch() : start(std::chrono::steady_clock::now()) {}
    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }

private:
    std::chrono::steady_clock::time_point start;
};

}  // namespace hostile
