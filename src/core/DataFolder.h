// Where per-user files live: the user's data folder and the fixed fallback
// folder used when there is none.
#pragma once

#include <string>

namespace pelmora {

// The per-user data folder ($XDG_DATA_HOME, else $HOME/.local/share) when it
// exists as a folder; empty when it cannot be determined or does not exist.
// Never creates anything.
std::string userDataFolder();

// The fixed folder used when there is no per-user data folder.
std::string fallbackDataFolder();

// Creates one folder, private to the user, unless it already exists as a folder.
bool ensureFolder(const std::string& path);

}  // namespace pelmora
