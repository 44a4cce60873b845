#pragma once

#include <string>

// Earlier versions of the program kept each session's directory listings in
// the temporary directory as "quillmoor-listing-PID-XXXXXX" (made by
// mkstemp), with the partial file of a listing being received beside them as
// ".quillmoor-listing-PID-....part". They hold remote names; the pid in the
// name tells whose they are, so that the ones a crashed program left can be
// removed without touching those of a program still running.

// Removes the listing files in directory whose process has ended; only
// regular files of this user, never through a link. Returns how many.
int RemoveAbandonedListingFiles(const std::string& directory);
