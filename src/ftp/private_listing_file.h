#pragma once

#include <string>

// The listing files of running programs lie in the temporary directory as
// "quillmoor-listing-PID-XXXXXX" (made by mkstemp), with the partial file of
// a listing being received beside them as ".quillmoor-listing-PID-....part".
// They hold remote names; the pid in the name tells whose they are, so that
// the ones a crashed program left can be removed without touching those of a
// program still running.

// Makes a new listing file in directory (ending in "/") for this process;
// its path, or "" when none can be made.
std::string CreatePrivateListingFile(const std::string& directory);

// Removes the listing files in directory whose process has ended; only
// regular files of this user, never through a link. Returns how many.
int RemoveAbandonedListingFiles(const std::string& directory);
