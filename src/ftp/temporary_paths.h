#pragma once

#include <string>

// The system's temporary directory with a trailing "/" ($TMPDIR, else /tmp).
std::string SystemTemporaryDirectory();
