#include "ViewerOptions.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace viewer {

const char* const kUsage =
    "usage: pelmora-view [options] FILE.step|.stp|.brep|.iges\n"
    "  -o OUT                render headless and write the picture: .png .jpg .jpeg .bmp .gif\n"
    "                        .tif .tiff (default FILE's name .png when there is no display)\n"
    "  --size WxH            picture or window size (default 800x600)\n"
    "  --view iso|top|bottom|front|back|left|right\n"
    "  --perspective         perspective projection (default orthographic)\n"
    "  --edges on|off        model edges and outlines (default on)\n"
    "  --window              open an X11 window (the default when $DISPLAY is set and no -o)\n"
    "  --time-limit SECONDS  give up on a file when reading or tessellating makes no progress\n"
    "                        for this long (default 30; 0: never; also $PELMORA_VIEW_TIME_LIMIT)\n"
    "  --verbose             show Pelmora's and Open CASCADE's own messages on standard output\n"
    "  --bench-orbit FRAMES  open the window, then print to standard error the seconds to the\n"
    "                        first picture and to the refined one and the time of a frame\n"
    "                        while orbiting FRAMES frames, and quit\n"
    "  --help                show this text\n"
    "  --version             show the version\n"
    "In the window (the model shows at once and refines while a bar at the bottom fills):\n"
    "  left drag             orbit about the model's centre\n"
    "  middle drag           pan\n"
    "  wheel                 zoom about the cursor\n"
    "  left click            highlight the body under the cursor and print its name\n"
    "  f                     fit the whole model\n"
    "  s                     save the window as FILE's name-N.png (N = 1, 2, ...)\n"
    "  q, Escape             quit (as does closing the window)\n"
    "Exit status: 0 the picture was written or the window closed; 1 the file could not be\n"
    "read, shown or written (a crash or stall of the reader or mesher, no display); 2 a\n"
    "malformed command line.\n";

namespace {

bool parseSize(const char* text, int* width, int* height) {
    char tail = 0;
    return std::sscanf(text, "%dx%d%c", width, height, &tail) == 2 && *width >= 16 &&
           *height >= 16 && *width <= 8192 && *height <= 8192;
}

// The picture formats the writer knows, by extension.
constexpr const char* kPictureExtensions[] = {".png", ".jpg", ".jpeg", ".bmp", ".gif", ".tif", ".tiff"};

bool knownPictureExtension(const std::string& path) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return false;
    for (const char* extension : kPictureExtensions)
        if (strcasecmp(path.c_str() + dot, extension) == 0) return true;
    return false;
}

std::string unknownPictureMessage(const std::string& path) {
    std::string message = "-o " + path + ": not a picture file name; known extensions:";
    for (const char* extension : kPictureExtensions) message += std::string(" ") + extension;
    return message;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool parseTimeLimit(const char* text, double* seconds) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= 0.0 && value <= 1e6)) return false;
    *seconds = value;
    return true;
}

bool parseFrames(const char* text, int* frames) {
    char tail = 0;
    return std::sscanf(text, "%d%c", frames, &tail) == 1 && *frames >= 1 && *frames <= 100000;
}

}  // namespace

bool parseOptions(int argc, char** argv, bool haveDisplay, const char* timeLimit, ViewerOptions* options,
                  std::string* error) {
    if (timeLimit && !parseTimeLimit(timeLimit, &options->timeLimit)) {
        *error = std::string(kTimeLimitVariable) + " wants seconds (0 for no limit), not " + timeLimit;
        return false;
    }
    static const std::map<std::string, ViewDirection> views = {
        {"iso", ViewDirection::Iso},     {"top", ViewDirection::Top},   {"bottom", ViewDirection::Bottom},
        {"front", ViewDirection::Front}, {"back", ViewDirection::Back}, {"left", ViewDirection::Left},
        {"right", ViewDirection::Right}};
    bool windowAsked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        const bool takesValue =
            arg == "-o" || arg == "--size" || arg == "--view" || arg == "--edges" || arg == "--time-limit" ||
            arg == "--bench-orbit";
        if (takesValue && !value) {
            *error = arg + " needs a value";
            return false;
        }
        if (takesValue) ++i;
        if (arg == "--help" || arg == "--version") {
            options->request = arg == "--help" ? Request::Help : Request::Version;
            return true;
        }
        if (arg == "-o" && !knownPictureExtension(value)) *error = unknownPictureMessage(value);
        else if (arg == "-o") options->output = value;
        else if (arg == "--size" && !parseSize(value, &options->width, &options->height))
            *error = std::string("--size wants WxH between 16 and 8192, not ") + value;
        else if (arg == "--view" && !views.count(value))
            *error = std::string("--view wants iso, top, bottom, front, back, left or right, not ") + value;
        else if (arg == "--view") options->view = views.at(value);
        else if (arg == "--edges" && std::strcmp(value, "on") != 0 && std::strcmp(value, "off") != 0)
            *error = std::string("--edges wants on or off, not ") + value;
        else if (arg == "--edges") options->edges = std::strcmp(value, "on") == 0;
        else if (arg == "--time-limit" && !parseTimeLimit(value, &options->timeLimit))
            *error = std::string("--time-limit wants seconds (0 for no limit), not ") + value;
        else if (arg == "--bench-orbit" && !parseFrames(value, &options->benchOrbitFrames))
            *error = std::string("--bench-orbit wants a number of frames from 1 to 100000, not ") + value;
        else if (arg == "--bench-orbit") windowAsked = true;
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

bool checkOutputPath(const std::string& path, std::string* error) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) *error = path + " is a directory";
        else if (!S_ISREG(info.st_mode)) *error = path + " is not a regular file";
        else if (access(path.c_str(), W_OK) != 0) *error = "cannot write " + path + ": " + std::strerror(errno);
        return error->empty();
    }
    if (errno == ENOENT && access(folderOf(path).c_str(), W_OK) == 0) return true;
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
}

}  // namespace viewer
