#include "ViewerOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace viewer {

const char* const kUsage =
    "usage: pelmora-view [options] FILE.step|.stp|.brep|.iges\n"
    "  -o OUT.png|.jpg       render headless and write the picture (default FILE's name .png)\n"
    "  --size WxH            picture or window size (default 800x600)\n"
    "  --view iso|top|front|right\n"
    "  --perspective         perspective projection (default orthographic)\n"
    "  --edges on|off        model edges and outlines (default on)\n"
    "  --window              open an X11 window (the default when $DISPLAY is set and no -o)\n"
    "  --verbose             show Pelmora's and Open CASCADE's own messages on standard output\n"
    "  --time-limit SECONDS  give up on a file when reading or tessellating makes no progress\n"
    "                        for this long (default 30; 0: never; also $PELMORA_VIEW_TIME_LIMIT)\n"
    "In the window: left drag orbits, middle drag pans, the wheel zooms about the cursor,\n"
    "a click picks a body, f fits all, s saves a snapshot, q quits.\n";

namespace {

bool parseSize(const char* text, int* width, int* height) {
    char tail = 0;
    return std::sscanf(text, "%dx%d%c", width, height, &tail) == 2 && *width >= 16 &&
           *height >= 16 && *width <= 8192 && *height <= 8192;
}

bool parseTimeLimit(const char* text, double* seconds) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= 0.0 && value <= 1e6)) return false;
    *seconds = value;
    return true;
}

}  // namespace

bool parseOptions(int argc, char** argv, bool haveDisplay, const char* timeLimit, ViewerOptions* options,
                  std::string* error) {
    if (timeLimit && !parseTimeLimit(timeLimit, &options->timeLimit)) {
        *error = std::string(kTimeLimitVariable) + " wants seconds (0 for no limit), not " + timeLimit;
        return false;
    }
    static const std::map<std::string, ViewDirection> views = {
        {"iso", ViewDirection::Iso}, {"top", ViewDirection::Top},
        {"front", ViewDirection::Front}, {"right", ViewDirection::Right}};
    bool windowAsked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        const bool takesValue =
            arg == "-o" || arg == "--size" || arg == "--view" || arg == "--edges" || arg == "--time-limit";
        if (takesValue && !value) {
            *error = arg + " needs a value";
            return false;
        }
        if (takesValue) ++i;
        if (arg == "-o") options->output = value;
        else if (arg == "--size" && !parseSize(value, &options->width, &options->height))
            *error = std::string("--size wants WxH between 16 and 8192, not ") + value;
        else if (arg == "--view" && !views.count(value))
            *error = std::string("--view wants iso, top, front or right, not ") + value;
        else if (arg == "--view") options->view = views.at(value);
        else if (arg == "--edges" && std::strcmp(value, "on") != 0 && std::strcmp(value, "off") != 0)
            *error = std::string("--edges wants on or off, not ") + value;
        else if (arg == "--edges") options->edges = std::strcmp(value, "on") == 0;
        else if (arg == "--time-limit" && !parseTimeLimit(value, &options->timeLimit))
            *error = std::string("--time-limit wants seconds (0 for no limit), not ") + value;
        else if (arg == "--perspective") options->perspective = true;
        else if (arg == "--window") windowAsked = true;
        else if (arg == "--verbose") options->verbose = true;
        else if (!takesValue && (arg.empty() || arg[0] == '-')) *error = "unknown option " + arg;
        else if (!takesValue && !options->file.empty()) *error = "one file at a time";
        else if (!takesValue) options->file = arg;
        if (!error->empty()) return false;
    }
    if (options->file.empty()) {
        *error = "no file given";
        return false;
    }
    options->window = windowAsked || (haveDisplay && options->output.empty());
    if (!options->window && options->output.empty()) {
        const std::string name = options->file.substr(options->file.find_last_of('/') + 1);
        options->output = name.substr(0, name.rfind('.')) + ".png";
    }
    return true;
}

}  // namespace viewer
