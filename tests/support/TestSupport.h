// Helpers shared by the test programs.
#pragma once

#include <string>

namespace pelmora::test {

// A fresh empty directory under the system temporary folder, removed by the caller.
std::string makeTempDir(const std::string& prefix);

// Removes a directory tree; ignores errors.
void removeTree(const std::string& path);

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace pelmora::test
