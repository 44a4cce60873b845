#include "ftp/resume_plan.h"

#include <filesystem>

std::string PartialFilePath(const std::string& target) { return target + ".part"; }

std::string KeepTargetAsPartial(const std::string& target) {
    std::error_code error;
    if (std::filesystem::copy_file(target, PartialFilePath(target), std::filesystem::copy_options::none,
                                   error))
        return {};
    return error ? error.message() : "not copied";
}

DownloadResumePlan PlanDownloadResume(std::int64_t partialSize, std::int64_t remoteSize) {
    DownloadResumePlan plan;
    // A partial file larger than the remote file belongs to another version
    // of it: appending would make a file that never existed.
    if (partialSize <= 0 || (remoteSize >= 0 && partialSize > remoteSize)) return plan;
    plan.start = DownloadResumePlan::Start::FromOffset;
    plan.offset = partialSize;
    return plan;
}

UploadResumePlan PlanUploadResume(std::int64_t localSize, std::int64_t remoteSize) {
    if (remoteSize <= 0)
        return localSize == 0 && remoteSize == 0 ? UploadResumePlan::NothingToDo
                                                 : UploadResumePlan::SendWhole;
    if (remoteSize < localSize) return UploadResumePlan::SendFromOffset;
    return remoteSize == localSize ? UploadResumePlan::NothingToDo : UploadResumePlan::RemoteLarger;
}
