// Small steps of writing a file so that it survives a crash: the whole text
// written, then the folder's entries flushed after a rename.
#pragma once

#include <string>

namespace tickwell::platform {

// Writes all of `data` to `fd`, going on after interrupted or short writes.
// False on the first real error.
bool WriteAll(int fd, const std::string& data);

// Flushes a folder's entries, so that a rename inside it survives a crash.
void SyncFolder(const std::string& folder);

}  // namespace tickwell::platform
