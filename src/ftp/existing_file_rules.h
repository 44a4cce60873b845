#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ftp/modification_time.h"

class ControlChannel;

// Rules for a transfer whose target is already there, shared by the desktop's
// question and the transfer queue: which free name a renamed copy gets, and
// whether the source is newer than the target.

// A name beside `name` that `taken` says is free: "name (1).ext", "name (2).ext"
// and so on (the extension is what follows the last dot; a dotfile such as
// ".profile" has none). Empty when name is not a plain file name (empty, ".",
// "..", a slash or NUL in it), when the free name would be longer than a file
// name may be, or when no number up to a limit is free.
std::string NumberedFreeName(const std::string& name, const std::function<bool(const std::string&)>& taken);

// A free name for `name` inside the local directory `directory`: nothing of
// that name exists there, not even a dangling link. The result is a name,
// never a path, so the renamed file stays in the directory.
std::string FreeLocalName(const std::string& directory, const std::string& name);

// A free name for `name` among the names a remote listing shows.
std::string FreeRemoteName(const std::string& name, const std::vector<std::string>& listed);

// Whether the source of a transfer is newer than its target, in whole
// seconds (MDTM and listings often give no more, and a download that kept the
// server's time leaves both equal). When either time is unknown the question
// cannot be answered: the caller decides, see TimesComparable.
bool SourceIsNewer(const std::optional<ServerTime>& source, const std::optional<ServerTime>& target);
inline bool TimesComparable(const std::optional<ServerTime>& source,
                            const std::optional<ServerTime>& target) {
    return source.has_value() && target.has_value();
}

// The modification time of a local file (a link is followed); none when it
// cannot be read.
std::optional<ServerTime> LocalModificationTime(const std::string& path);

// Makes an existing download target the partial file a resumed download
// continues (see resume_plan.h): the target is renamed to "target.part" unless
// a partial file is there already, which is then continued instead. Only a
// regular file is moved. Returns 0, or the system's error number.
int MakeTargetThePartialFile(const std::string& target);

// The server's modification time of a remote file, asked with MDTM; none when
// the server does not say or says something that is not a time.
std::optional<ServerTime> AskRemoteModificationTime(ControlChannel& control, const std::string& remoteName);
