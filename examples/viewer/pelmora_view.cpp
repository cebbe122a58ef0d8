// pelmora-view: shows a STEP, BREP or IGES file through Pelmora and the Open
// CASCADE kernel, in an X11 window or rendered headless to a picture. The
// work runs in a child process under a supervisor (Supervisor.h), so that a
// file that crashes or hangs Open CASCADE ends with a message.
//     pelmora-view part.step                      a window when $DISPLAY is set
//     pelmora-view part.step -o part.png --view top --size 1024x768
#include "GuardedWork.h"
#include "ModelView.h"
#include "ProgressBar.h"
#include "Supervisor.h"
#include "X11Session.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

// Pelmora's and Open CASCADE's console messages would mix with what the
// user asked for; the viewer's own messages say what failed, and Pelmora's
// log file keeps its messages. Done before anything reaches either library.
void quietLibraries(bool verbose) {
    if (verbose) {
        setenv("PELMORA_QUIET", "0", 1);
        return;
    }
    setenv("PELMORA_QUIET", "1", 0);
    Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
}

int fail(const std::string& message, int status = viewer::kStatusFailed) {
    std::fprintf(stderr, "pelmora-view: %s\n", message.c_str());
    return status;
}

// Reads the command line and answers what needs no model: --help,
// --version, a malformed line, a picture that could not be written (refused
// before the model is read, which may take long). The status to exit with,
// or nothing to go on.
std::optional<int> readCommandLine(int argc, char** argv, viewer::ViewerOptions* options) {
    std::string error;
    const char* display = std::getenv("DISPLAY");
    if (!viewer::parseOptions(argc, argv, display && *display, std::getenv(viewer::kTimeLimitVariable), options,
                              &error)) {
        fail(error, viewer::kStatusMalformed);
        std::fputs("pelmora-view --help lists the options\n", stderr);
        return viewer::kStatusMalformed;
    }
    if (options->request == viewer::Request::Help) {
        std::fputs(viewer::kUsage, stdout);
        return 0;
    }
    if (options->request == viewer::Request::Version) {
        std::printf("pelmora-view %s\n", PELMORA_VIEW_VERSION);
        return 0;
    }
    if (!options->window && !viewer::checkOutputPath(options->output, &error)) return fail(error);
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    viewer::ViewerOptions options;
    if (const std::optional<int> status = readCommandLine(argc, argv, &options)) return *status;
    std::string error;
    quietLibraries(options.verbose);
    if (const std::optional<int> status = viewer::superviseChild(options.file, options.timeLimit)) return *status;

    pelmora::occt::OcctKernel kernel;
    viewer::ProgressBar bar;
    // Every step shown on the bar is progress the supervisor sees.
    const pelmora::occt::Progress progress = [&bar](const char* phase, double fraction) {
        viewer::reportProgress();
        bar(phase, fraction);
    };
    bool loaded = false;
    std::thread reader([&] {
        viewer::GuardedWork reading(viewer::Phase::Reading);
        loaded = kernel.load(options.file, &error, progress);
    });
    // The window and the graphics device are made while the file is read.
    std::string deviceError;
    int window = 0;
    if (!options.window) window = PelmoraCreateOffscreenWindow(options.width, options.height);
    const bool windowOpen = !options.window || viewer::openX11Window(options, &window, &deviceError);
    viewer::ModelView view(&kernel, options);
    const bool deviceOpen = windowOpen && view.openDevice(window, &deviceError);
    reader.join();
    bar.finish();
    if (!loaded) return fail(error);
    if (!deviceOpen) return fail(deviceError);
    // A window shows a coarse picture at once and refines it; a picture to
    // write is the finished one.
    const bool shown = view.show(!options.window, &error, progress);
    bar.finish();
    if (!shown) return fail(error);
    if (options.window) {
        // The bar in the window shows the refinement; the supervisor hears it.
        viewer::runX11Loop(&view, options, [](const char*, double) { viewer::reportProgress(); }, started);
        return 0;
    }
    if (FAILED(view.draw())) return fail("could not render the model (run with --verbose to see why)");
    if (FAILED(view.save(options.output)))
        return fail("could not write " + options.output + " (run with --verbose to see why)");
    std::fprintf(stderr, "%d bodies, %d tessellations: %s\n", kernel.bodyCount(), kernel.tessellationCount(),
                 options.output.c_str());
    return 0;
}
