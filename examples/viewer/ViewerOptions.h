// pelmora-view's command line.
#pragma once

#include <string>

namespace viewer {

enum class ViewDirection { Iso, Top, Front, Right };

struct ViewerOptions {
    std::string file;
    std::string output;       // -o: the picture to write (headless)
    int width = 800, height = 600;
    ViewDirection view = ViewDirection::Iso;
    bool perspective = false;
    bool edges = true;
    bool window = false;      // an X11 window rather than a picture
};

extern const char* const kUsage;

// Reads the arguments; false with a message for a malformed command line.
// A window opens with --window, or when $DISPLAY is set and no -o is given.
bool parseOptions(int argc, char** argv, bool haveDisplay, ViewerOptions* options,
                  std::string* error);

}  // namespace viewer
