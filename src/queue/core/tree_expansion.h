#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "queue/core/transfer_job.h"

// Reads the tree of a directory job into one job per file, so that the
// files can be moved (and checked) one by one and a tree read again after a
// pause continues instead of starting over. The directories come first: an
// upload's are made on the server, a download's on this side (one that
// exists already is used as it is). Each file keeps the directory job's
// choice about existing targets. Links are followed to files but never into
// directories, so a tree cannot loop.
class TreeExpansion {
public:
    static constexpr int kMaxDepth = 64;
    static constexpr std::size_t kMaxEntries = 200000;

    // session: logged in, used for the remote side on the calling thread.
    explicit TreeExpansion(FtpSession& session) : session(session) {}

    // The file jobs in walk order; nothing, with the reason in failure, when
    // a directory cannot be read or made, or the tree is too large.
    std::optional<std::vector<TransferJob>> Expand(const TransferJob& job, std::string& failure);

private:
    struct Level {
        std::string local;
        std::string remote;
        int depth = 0;
    };
    bool ExpandUploadLevel(const TransferJob& job, const Level& level, std::string& failure);
    bool ExpandDownloadLevel(const TransferJob& job, const Level& level, std::string& failure);
    bool MakeRemoteDirectory(const std::string& path);
    bool ListRemote(const std::string& path, std::vector<RemoteEntry>& entries, std::string& failure);
    bool Count(std::string& failure);
    void AddFile(const TransferJob& job, const std::string& local, const std::string& remote,
                 std::int64_t size);
    void AddDirectory(const Level& parent, const std::string& name, std::vector<Level>& deeper);
    void Descend(const std::vector<Level>& deeper);

    FtpSession& session;
    std::vector<Level> pending;
    std::vector<TransferJob> files;
    std::size_t entries = 0;
};
