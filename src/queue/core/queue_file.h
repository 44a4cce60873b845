#pragma once

#include <string>
#include <vector>

#include "queue/core/transfer_job.h"

// The text form of a saved queue: a first line naming the format, then one
// line per job of tab-separated fields. Backslash escapes keep tabs, line
// ends and backslashes inside paths from breaking the lines. No password is
// written: a job names its site, and the site holds the log-in.
std::string FormatQueueFile(const std::vector<TransferJob>& jobs);

// Reads what FormatQueueFile wrote, of this version, an older one, or a
// newer one (whose added fields are passed over). A job that was running
// when the file was written was interrupted: it comes back queued (with what
// it had transferred), or paused with a note once that has happened twice.
// Ids are left for the queue to give. Any malformed line refuses the whole
// file, with the line number in `error`.
bool ParseQueueFile(const std::string& text, std::vector<TransferJob>& jobs, std::string& error);
