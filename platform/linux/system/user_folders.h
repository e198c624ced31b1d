// Where the user's files live, by the XDG base directory rules.
#pragma once

#include <string>

namespace tickwell::platform {

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, else ~/.config (the home folder from $HOME, else the password
// database, else /tmp). Never ends in a slash, unless it is "/".
std::string ConfigFolder();

// The user's folder of state kept between runs: $XDG_STATE_HOME when it is
// an absolute path, else ~/.local/state. Never ends in a slash, unless it
// is "/".
std::string StateFolder();

// The folder that holds `path`: "." for a bare name, "/" for a file at the
// root.
std::string ParentFolder(const std::string& path);

}  // namespace tickwell::platform
