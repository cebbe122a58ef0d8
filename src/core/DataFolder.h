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

// Makes a folder private to this user (mode 0700) unless it exists, and says
// whether it may be trusted with files: it must be a folder itself (not a
// symbolic link to one), belong to this user and be writable by no one else,
// since it may sit in a folder every user can write to. When it may not,
// *why (if given) says why.
bool ensurePrivateFolder(const std::string& path, std::string* why = nullptr);

}  // namespace pelmora
