#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>

namespace faults {

// Runs write over and over in a child process and kills it (SIGKILL) after
// the given delay, so the kill lands at a random point of some write. Returns
// false when the child could not be started or had already died by itself.
bool KillWriterAfter(const std::function<void()>& write, std::chrono::microseconds delay);

}  // namespace faults
