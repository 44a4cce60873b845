#pragma once

#include <string>

// Joins a local directory and a name with one "/".
std::string JoinLocalPath(const std::string& directory, const std::string& name);

// Names come from the server and are not trusted to stay inside the local
// directory they are joined to: no ".", "..", empty name, "/" or NUL.
bool IsSafeLocalName(const std::string& name);
