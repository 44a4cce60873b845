#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ftp/remote_entry.h"

class FtpSession;

// Deletes a remote folder with everything in it. First Survey lists the
// folder and every folder below it, level by level, without changing
// anything, so the user can be told how much goes; then Remove deletes what
// was found, deepest first: files (and links, which are deleted as files,
// never followed) with DELE, each folder with RMD once it is empty.
//
// Links must never be taken for folders: emptying a link's target would hit
// files outside the folder. So each level is listed with LIST, which shows a
// link as one (MLSD shows what it leads to), the folder itself is looked up
// in its parent's listing first, and after entering each folder PWD must say
// it is where it was meant to be. It moves by relative names ("CWD name",
// "CWD ..") because commands are short. Uses only the session's public
// operations, all on the calling thread, listings included.
class TreeRemoval {
public:
    struct Counts {
        int files = 0;    // files and links
        int folders = 0;  // folders below the surveyed one
    };

    explicit TreeRemoval(FtpSession& session) : session(session) {}
    TreeRemoval(const TreeRemoval&) = delete;
    TreeRemoval& operator=(const TreeRemoval&) = delete;

    // Lists the folder `name` of the current remote directory and everything
    // below it. False when that could not be done completely; Problem() says
    // why (the log has the details). The session ends where it started.
    bool Survey(const std::string& name);
    const std::string& Problem() const { return problem; }
    Counts Contents() const { return counts; }
    // The name is a link (or anything but a folder): Remove deletes it alone.
    bool IsLink() const { return rootIsLink; }

    // Deletes what the survey found and then the folder itself. Every item that
    // could not be deleted is logged and listed in Failures() (its path and the
    // server's reply); one failure stops nothing else. A lost connection stops
    // the removal. Returns whether everything went.
    bool Remove();
    const std::vector<std::string>& Failures() const { return failures; }

private:
    struct Folder {
        std::string name;  // as the parent lists it
        std::string path;  // where PWD must say it is
        std::vector<std::string> files;
        std::vector<Folder> folders;
        std::vector<std::string> unusable;  // listed names no command can name safely
    };

    // Elsewhere: the folder's name led to another place (a link); the session
    // went back to parentPath.
    enum class Entered { Yes, No, Elsewhere };
    enum class Surveyed { Folder, Elsewhere, Failed };
    Entered Enter(const Folder& folder, const std::string& parentPath);
    bool Leave();
    Surveyed SurveyLevel(Folder& folder, const std::string& parentPath, int depth);
    bool ReadListing(Folder& folder, std::vector<std::string>& subfolders);
    // Lists the current remote directory (LIST) into entries.
    bool ListHere(const std::string& shownPath, std::vector<RemoteEntry>& entries);
    void RemoveLevel(const Folder& folder, const std::string& parentPath);
    void Fail(const std::string& path, const std::string& reason);
    // True once the connection is gone or the way back was refused; says so once.
    bool Stopped();

    FtpSession& session;
    Folder root;
    std::string start;
    Counts counts;
    std::size_t listedEntries = 0;
    std::string problem;
    std::vector<std::string> failures;
    bool lost = false;  // the session is not where the removal thinks it is
    bool stopReported = false;
    bool rootIsLink = false;
};
