#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/existing_file_choice.h"

enum class TransferDirection { Download, Upload };

// Where a job is in its life. Queued jobs wait for a free connection; Done
// means transferred, Verified means transferred and the server's hash of the
// file matched the local one.
enum class JobState { Queued, Running, Paused, Failed, Done, Verified };

// One entry of the transfer queue: a file or a whole directory tree to move in
// one direction, with what the queue knows of its progress.
struct TransferJob {
    std::uint64_t id = 0;  // given by the queue
    TransferDirection direction = TransferDirection::Download;
    std::string site;          // which connection settings run it (the desktop's site key)
    std::string localPath;     // local file, or local directory of a tree job
    std::string remotePath;    // absolute remote path of the file or directory
    bool isDirectory = false;  // a whole tree (download or upload walk)
    // What to do with a target that is there; none: the job asks when it
    // starts and finds one (the list the user saw may have been out of date).
    std::optional<ExistingFileChoice> existing;
    JobState state = JobState::Queued;
    std::int64_t totalBytes = -1;  // -1: unknown
    std::int64_t doneBytes = 0;
    double bytesPerSecond = 0;      // recent speed while running
    std::int64_t secondsLeft = -1;  // -1: unknown
    std::string failure;            // why it failed (state Failed), e.g. "Cancelled", "550 No such file"
    int attempts = 0;
    // How often the program ended while this job ran (counted when the saved
    // queue is read back); a job that keeps ending it comes back paused.
    int interruptedRuns = 0;
    // Running, but its server does not answer: the job waits before it
    // connects again, and note says which attempt comes next.
    bool waitingToReconnect = false;
    // What a finished job did instead of transferring ("Skipped: the target
    // exists"), or why a running one is being tried again.
    std::string note;
};

// Done and Verified: the job has nothing left to do.
inline bool IsFinished(JobState state) { return state == JobState::Done || state == JobState::Verified; }
