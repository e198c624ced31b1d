// Writing a page the live source hands out to a file, for tests that check
// exactly what the parsers got.
#pragma once

#include <string>

namespace tickwell::live {

// Replaces `folder`/`fileName` with `text`, by way of a temporary file, so a
// reader never sees half a page. False when it could not be written.
bool WritePageFile(const std::string& folder, const std::string& fileName, const std::string& text);

}  // namespace tickwell::live
