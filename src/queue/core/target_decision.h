#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/existing_file_choice.h"

// What is known of one end of a transfer: whether the file is there, its
// size and its modification time (seconds since 1970, UTC).
struct FileFacts {
    bool exists = false;
    std::int64_t size = -1;                // -1: unknown
    std::optional<std::int64_t> modified;  // unknown when the server gives no time
};

// What a job does about its target before it transfers.
struct TargetDecision {
    enum class Action { Transfer, Skip };
    Action action = Action::Transfer;
    bool resume = false;  // continue the target from its size
    bool rename = false;  // transfer under a free name beside the target
    std::string note;     // why it skips
};

// Applies the job's choice to what is known of the source and the target.
// Overwrite if newer transfers when either time is unknown: the choice means
// "do not replace newer work", and nothing says the target is newer.
TargetDecision DecideExistingTarget(ExistingFileChoice choice, const FileFacts& source,
                                    const FileFacts& target);

// What a file of a directory job does when the job runs again (after a pause
// or a failure), before its choice is asked: a download with a kept partial
// file continues it; a target as large as the source and not older than it
// is taken for complete; an upload's remote file that is smaller and not
// older than the local one is taken for the part sent before and continued.
// Nothing when the target does not look like this job's work: the choice
// decides.
std::optional<TargetDecision> DecideContinuation(bool upload, bool partialKept, const FileFacts& source,
                                                 const FileFacts& target);
