// Where the module was loaded from: what the class registration names as its
// in-process server.
#pragma once

#include <string>

namespace pelmora {

// The absolute path of the file that holds the engine's code (libpelmora.so
// for a host; the program itself where the engine is linked in); empty when
// it cannot be found.
std::string modulePath();

// The folder of a path, without the final separator.
std::string folderOf(const std::string& path);

}  // namespace pelmora
