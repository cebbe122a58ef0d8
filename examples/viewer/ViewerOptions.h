// pelmora-view's command line.
#pragma once

#include <pelmora/helpers.h>

#include <string>

namespace viewer {

using pelmora::ViewDirection;

// Long enough for any real file: guarded work reports progress at least
// between bodies and while translating, and the longest silent stretches
// measured on large assemblies (parsing the file, meshing one body) stay
// far below it.
constexpr double kDefaultTimeLimit = 30.0;
// The variable that sets the time limit; --time-limit overrides it.
constexpr const char* kTimeLimitVariable = "PELMORA_VIEW_TIME_LIMIT";

// What the command line asks for besides showing a file.
enum class Request { Show, Help, Version };

struct ViewerOptions {
    Request request = Request::Show;
    std::string file;
    std::string output;       // -o: the picture to write (headless)
    int width = 800, height = 600;
    ViewDirection view = ViewDirection::Iso;
    bool perspective = false;
    bool edges = true;
    bool window = false;      // an X11 window rather than a picture
    bool verbose = false;     // Pelmora's own messages on standard output
    int benchOrbitFrames = 0; // --bench-orbit: timings of the window, then quit
    // Seconds reading or tessellating may go without progress before the
    // viewer gives up on the file; 0 never gives up.
    double timeLimit = kDefaultTimeLimit;
};

// The exit statuses, as --help and the README list them.
constexpr int kStatusFailed = 1;     // the file could not be read, shown or written
constexpr int kStatusMalformed = 2;  // a malformed command line

extern const char* const kUsage;

// Reads the arguments; false with a message for a malformed command line.
// --help and --version end the reading at once. A window opens with
// --window, or when $DISPLAY is set and no -o is given. timeLimit is the
// time limit variable's value, or null when it is unset.
bool parseOptions(int argc, char** argv, bool haveDisplay, const char* timeLimit, ViewerOptions* options,
                  std::string* error);

// Whether a picture can be written at path before any work is done on the
// model: not a directory nor anything but a regular file, in a folder that
// exists and may be written to. False with a message otherwise.
bool checkOutputPath(const std::string& path, std::string* error);

}  // namespace viewer
