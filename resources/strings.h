// The string table, for platforms that have no resource loader.
#pragma once

namespace tickwell {

// The text of string resource `id`, or an empty text for an unknown id.
const char* StringResource(int id);

}  // namespace tickwell
