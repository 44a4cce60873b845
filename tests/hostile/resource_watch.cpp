#include "resource_watch.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <filesystem>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILLMOOR_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUILLMOOR_SANITIZED_HEAP 1
#endif
#endif

namespace hostile {

namespace {

// Lazily made buffers of the C++ and C libraries (iostreams, locale, resolver)
// may appear during any case; a real leak of a reply line or a listing grows
// far beyond this.
constexpr std::size_t kHeapAllowance = 256 * 1024;

}  // namespace

ResourceWatch::ResourceWatch() : descriptors(OpenDescriptors()), heap(HeapInUse()) {}

ResourceWatch::~ResourceWatch() {
    EXPECT_EQ(OpenDescriptors(), descriptors) << "a descriptor was left open";
    const std::size_t now = HeapInUse();
    EXPECT_LE(now, heap + kHeapAllowance) << "the heap grew from " << heap << " to " << now << " bytes";
}

std::size_t ResourceWatch::OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

std::size_t ResourceWatch::HeapInUse() {
#ifdef QUILLMOOR_SANITIZED_HEAP
    return 0;
#else
    return mallinfo2().uordblks;
#endif
}

}  // namespace hostile
