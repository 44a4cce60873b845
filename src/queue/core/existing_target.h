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
