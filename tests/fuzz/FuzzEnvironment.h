// The process a fuzz run lives in: a private temporary folder that is the
// working folder (snapshots land there and nowhere else), a registry and a
// data folder of its own, a small desktop so devices stay cheap on a
// software rasterizer, and the engine's log lines kept off standard output.
#pragma once

#include <string>

namespace pelmora::fuzz {

class FuzzEnvironment {
public:
    // The private folder; made before the engine starts.
    static const std::string& folder();
    // The working folder the process started in, for paths given on the command line.
    static const std::string& startFolder();
    // Removes the files a run left in the folder (snapshots).
    static void clearFiles();
};

}  // namespace pelmora::fuzz
