#pragma once

#include <cstdint>
#include <string>

// Where a binary download keeps what it has received until it is complete:
// "NAME.part" beside the target. A download that breaks off leaves it there,
// so that a later one can continue from its end.
std::string PartialFilePath(const std::string& target);

// Continuing into an existing target that has no kept partial file: a copy
// of the target becomes that partial file, so that the target stays whole
// until the download has completed. Returns "" or the system's words for why
// the copy could not be made.
std::string KeepTargetAsPartial(const std::string& target);

// How a download continues from a kept partial file, given the size the
// server gave for the remote file (-1 when it gave none).
struct DownloadResumePlan {
    enum class Start { Whole, FromOffset };
    Start start = Start::Whole;
    std::int64_t offset = 0;  // FromOffset: the bytes already here, sent as REST
};
DownloadResumePlan PlanDownloadResume(std::int64_t partialSize, std::int64_t remoteSize);

// What an upload asked to continue does, given the local size and the size
// the server gave for the remote file (-1 when it has none or gave none).
enum class UploadResumePlan {
    SendWhole,       // nothing there yet (or nothing to go by)
    SendFromOffset,  // the remote file is the start of the local one: send the rest
    NothingToDo,     // the remote file already has every byte
    RemoteLarger,    // the remote file is larger: it is not this file's beginning
};
UploadResumePlan PlanUploadResume(std::int64_t localSize, std::int64_t remoteSize);
