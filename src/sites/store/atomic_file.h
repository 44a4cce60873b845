#pragma once

#include <string>

// Replaces the file at `path` with `bytes` so that a crash, a full disk or any
// other failure leaves either the old file or the new one, never a mix: the
// bytes go to a temporary file beside it, reach the disk, and only then take
// the old file's name. The file is private to its owner (0600); directories
// created on the way are 0700. On failure `error` says why and the old file is
// untouched.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

// Removes the temporaries of `path` that a writer killed before its rename left
// behind (they may hold every password of the file). A temporary still being
// written is locked by its writer and stays.
int RemoveAbandonedTemporaries(const std::string& path);
