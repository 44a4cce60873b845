#pragma once

#include <string>

// Joins a local directory and a name with one "/".
std::string JoinLocalPath(const std::string& directory, const std::string& name);

// Names come from the server and are not trusted to stay inside the local
// directory they are joined to: no ".", "..", empty name, "/" or NUL.
bool IsSafeLocalName(const std::string& name);

// The local file name for a name the server gives. Control characters (ESC,
// TAB, DEL ...) in a file name would act on terminals and hide in file
// managers, so each becomes "%" and two hex digits: ESC is "%1B", TAB "%09".
// A "%" stays as it is. The mapping need not be reversed: every transfer
// keeps the server's name beside the local path and sends that back, and
// ordinary names with "%" (a web server's "a%20b.html") keep their look. A
// server name that is already "a%1Bb" lands on the same local name as
// "a<ESC>b" and meets the usual choice for a file that is there already.
std::string LocalNameFor(const std::string& remoteName);
// JoinLocalPath of directory and LocalNameFor(remoteName).
std::string LocalPathFor(const std::string& directory, const std::string& remoteName);
// The log line that tells a download's local name was mapped: "" unless
// localPath ends in the mapped form of the remote path's last name.
std::string LocalNameNotice(const std::string& remotePath, const std::string& localPath);
