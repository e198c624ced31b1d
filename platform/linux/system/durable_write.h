// Writing a file so that it survives a crash, as the settings file and the
// autostart entry are written: its folders made first, then the whole text
// written to a temporary file beside it, flushed to disk and renamed over
// it, and the folder's entries flushed after the rename.
#pragma once

#include <sys/types.h>

#include <string>

namespace tickwell::platform {

// Creates `folder` and any missing folders above it, each new one with
// `mode`. True when it is a folder afterwards; otherwise `error` says what
// could not be used or made, and why ("cannot create /a/b: Permission
// denied").
bool MakeFolders(const std::string& folder, mode_t mode, std::string* error);

// Replaces the file at `path` with `text`, which then has permissions
// `mode`: a crash leaves either the old file or the new one, never a torn
// one. False, with `error` saying why, when it could not be written; the
// old file is then left as it was.
bool ReplaceFile(const std::string& path, const std::string& text, mode_t mode, std::string* error);

}  // namespace tickwell::platform
