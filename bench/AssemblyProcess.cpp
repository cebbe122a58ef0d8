#include "AssemblyProcess.h"

#include "AssemblyHost.h"
#include "AssemblyRawRenderer.h"
#include "AssemblyScene.h"
#include "FrameComparison.h"
#include "SampleKernel.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace pelmora::bench {
namespace {

constexpr char kOption[] = "--assembly-process=";
constexpr char kLinePrefix[] = "frames ";
constexpr char kMemoryPrefix[] = "memory ";
constexpr char kRawMemorySide[] = "raw-memory@";
constexpr double kKiBPerMiB = 1024.0;
constexpr UINT kWidth = 1920;
constexpr UINT kHeight = 1080;
// The first frame fetches the facets; the second settles the allocator.
constexpr int kWarmUpFrames = 2;
constexpr int kTimedFrames = 7;
constexpr int kContextFrames = 12;
constexpr double kMillisecondsPerSecond = 1000.0;

long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Median time and median minor faults of `frames` calls of draw, each
// after an untimed call of between when there is one. The rasterizer's
// threads fault too, and how much depends on how their work overlaps, so
// the median stands for a frame better than the mean.
ProcessFrames timeFrames(const char* name, int frames, const std::function<void()>& draw,
                         const std::function<void()>& between = {}) {
    std::vector<double> times, faults;
    for (int i = 0; i < frames; ++i) {
        if (between) between();
        const long before = minorFaults();
        const auto start = std::chrono::steady_clock::now();
        draw();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        faults.push_back(double(minorFaults() - before));
    }
    std::sort(times.begin(), times.end());
    std::sort(faults.begin(), faults.end());
    return {name, times[times.size() / 2] * kMillisecondsPerSecond, faults[faults.size() / 2]};
}

void print(const ProcessFrames& frames) {
    std::printf("%s%s %.3f %.1f\n", kLinePrefix, frames.name.c_str(), frames.medianMs, frames.faultsPerFrame);
    std::fflush(stdout);
}

// A kernel, its scene and the host drawing it, made in that order.
struct OpenAssembly {
    samplekernel::SampleKernel kernel;
    AssemblyScene scene;
    std::unique_ptr<AssemblyHost> host;
};

std::unique_ptr<OpenAssembly> openAssembly(int bodies, std::string* error) {
    auto open = std::make_unique<OpenAssembly>();
    open->scene = makeAssemblyScene(bodies, open->kernel);
    open->host = AssemblyHost::create(open->scene, open->kernel, false, kWidth, kHeight, error);
    if (!open->host) return nullptr;
    for (int i = 0; i < kWarmUpFrames; ++i)
        if (FAILED(open->host->drawAndPresentFrame())) {
            *error = "a device frame failed";
            return nullptr;
        }
    return open;
}

int runDevice() {
    std::string error;
    std::unique_ptr<OpenAssembly> open = openAssembly(benchBodyCount(kAssemblyBodies), &error);
    if (!open) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    print(timeFrames("device", kTimedFrames, [&] { open->host->drawAndPresentFrame(); }));
    return 0;
}

int runRaw() {
    std::string error;
    std::unique_ptr<OpenAssembly> open = openAssembly(benchBodyCount(kAssemblyBodies), &error);
    if (!open) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    const double deviation = open->kernel.requests().front().deviation;
    std::unique_ptr<AssemblyRawRenderer> raw =
        AssemblyRawRenderer::create(*open->host, open->scene, open->kernel, deviation, kWidth, kHeight, &error);
    if (!raw) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    for (int i = 0; i < kWarmUpFrames; ++i) raw->drawAndPresentFrame();
    print(timeFrames("raw", kTimedFrames, [&] { raw->drawAndPresentFrame(); }));
    return 0;
}

// The peak resident set so far, in KiB (0 when it cannot be read).
long peakResidentKiB() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
    std::fclose(status);
    return kib;
}

void printMemory(long baselineKiB, long peakKiB, double triangles, double deviation) {
    std::printf("%s%.3f %.0f %.3f\n", kMemoryPrefix, double(peakKiB - baselineKiB) / kKiBPerMiB, triangles,
                deviation);
    std::fflush(stdout);
}

// A kernel with the assembly's bodies, and a host on a scene without them:
// its context, viewport and window drawn and presented, the same on both
// memory sides. The peak resident set then is the baseline the meshes add to.
struct EmptyHost {
    samplekernel::SampleKernel kernel;
    AssemblyScene scene;
    AssemblyScene empty;
    std::unique_ptr<AssemblyHost> host;
    long baselineKiB = 0;
};

std::unique_ptr<EmptyHost> openEmptyHost(std::string* error) {
    auto open = std::make_unique<EmptyHost>();
    open->scene = makeAssemblyScene(benchBodyCount(kAssemblyBodies), open->kernel);
    open->empty = open->scene;
    open->empty.bodies.clear();
    open->host = AssemblyHost::create(open->empty, open->kernel, false, kWidth, kHeight, error);
    if (!open->host) return nullptr;
    for (int i = 0; i < kWarmUpFrames; ++i) open->host->drawAndPresentFrame();
    open->baselineKiB = peakResidentKiB();
    return open;
}

// The assembly's bodies added to that host, drawn and presented (every body
// fetched at the automatic deviation).
int runDeviceMemory() {
    std::string error;
    std::unique_ptr<EmptyHost> open = openEmptyHost(&error);
    if (!open) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    if (FAILED(open->host->addBodies(open->scene.bodies))) return std::fprintf(stderr, "bodies refused\n"), 1;
    for (int i = 0; i < kWarmUpFrames; ++i) open->host->drawAndPresentFrame();
    const long peak = peakResidentKiB();
    if (open->kernel.requests().empty()) return std::fprintf(stderr, "no facets asked for\n"), 1;
    // Counted after the peak was read: the kernel's facets again, made here only to count.
    const double deviation = open->kernel.requests().front().deviation;
    double triangles = 0;
    for (const AssemblyBody& body : open->scene.bodies)
        triangles += double(open->kernel.facetsOf(body.hostMesh, deviation).faceList.size() / 4);
    printMemory(open->baselineKiB, peak, triangles, deviation);
    return 0;
}

// The raw program's buffers of the same bodies at the engine's deviation,
// on that host's context.
int runRawMemory(double deviation) {
    std::string error;
    std::unique_ptr<EmptyHost> open = openEmptyHost(&error);
    if (!open) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    std::unique_ptr<AssemblyRawRenderer> raw =
        AssemblyRawRenderer::create(*open->host, open->scene, open->kernel, deviation, kWidth, kHeight, &error);
    if (!raw) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    for (int i = 0; i < kWarmUpFrames; ++i) raw->drawAndPresentFrame();
    printMemory(open->baselineKiB, peakResidentKiB(), double(raw->triangleCount()), deviation);
    return 0;
}

int runContexts() {
    std::string error;
    std::unique_ptr<OpenAssembly> first = openAssembly(kContextBodies, &error);
    if (!first) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    print(timeFrames("first", kContextFrames, [&] { first->host->drawAndPresentFrame(); }));
    std::unique_ptr<OpenAssembly> second = openAssembly(kContextBodies, &error);
    if (!second) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    print(timeFrames("second", kContextFrames, [&] { second->host->drawAndPresentFrame(); }));
    // The first context's frames again, each after one of the second's.
    print(timeFrames("first-interleaved", kContextFrames, [&] { first->host->drawAndPresentFrame(); },
                     [&] { second->host->drawAndPresentFrame(); }));
    // A context made after the first has gone, where the first's memory was.
    first.reset();
    second.reset();
    std::unique_ptr<OpenAssembly> third = openAssembly(kContextBodies, &error);
    if (!third) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    print(timeFrames("after-others-gone", kContextFrames, [&] { third->host->drawAndPresentFrame(); }));
    return 0;
}

std::string thisProgram() {
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, size_t(length)) : std::string();
}

}  // namespace

bool isAssemblyProcessOption(const char* argument) {
    return argument && std::strncmp(argument, kOption, sizeof kOption - 1) == 0;
}

int runAssemblyProcess(const char* argument) {
    const std::string side = argument + sizeof kOption - 1;
    if (side == "device") return runDevice();
    if (side == "raw") return runRaw();
    if (side == "contexts") return runContexts();
    if (side == "device-memory") return runDeviceMemory();
    if (side.rfind(kRawMemorySide, 0) == 0) return runRawMemory(std::atof(side.c_str() + sizeof kRawMemorySide - 1));
    std::fprintf(stderr, "unknown side '%s'\n", side.c_str());
    return 2;
}

namespace {

// Starts this program again for the side and hands each line it prints to
// onLine; false with a reason when it could not start or failed. `settings`
// go before the program, as env takes them.
template <class OnLine>
bool runChild(const std::string& side, const std::string& settings, std::string* error, OnLine onLine) {
    const std::string program = thisProgram();
    // The allocator's defaults, whatever the caller's environment tuned.
    const std::string command = "env -u GLIBC_TUNABLES -u MALLOC_TRIM_THRESHOLD_ -u MALLOC_MMAP_THRESHOLD_ "
                                "-u MALLOC_TOP_PAD_ -u MALLOC_ARENA_MAX " +
                                settings + " '" + program + "' " + kOption + side;
    FILE* child = popen(command.c_str(), "r");
    if (!child) {
        *error = "the child process could not be started";
        return false;
    }
    char line[512];
    while (std::fgets(line, sizeof line, child)) onLine(line);
    if (pclose(child) != 0) {
        *error = "the " + side + " process failed";
        return false;
    }
    return true;
}

}  // namespace

std::vector<ProcessFrames> measureInOwnProcess(const char* side, std::string* error) {
    std::vector<ProcessFrames> results;
    const bool ran = runChild(side, "", error, [&](const char* line) {
        if (std::strncmp(line, kLinePrefix, sizeof kLinePrefix - 1) != 0) return;
        char name[64] = {};
        ProcessFrames frames;
        if (std::sscanf(line + sizeof kLinePrefix - 1, "%63s %lf %lf", name, &frames.medianMs,
                        &frames.faultsPerFrame) != 3)
            return;
        frames.name = name;
        results.push_back(frames);
    });
    if (!ran) results.clear();
    return results;
}

bool measureMemoryInOwnProcess(const std::string& side, ProcessMemory* memory, std::string* error) {
    bool found = false;
    // The software rasterizer draws on the calling thread. With its threads,
    // whether a second scene of binned triangles (some 30 MiB, freed at each
    // frame's end) is alive at the peak depends on timing alone, and moved
    // either side's peak by that much from one run to the next.
    const bool ran = runChild(side, "LP_NUM_THREADS=0", error, [&](const char* line) {
        if (std::strncmp(line, kMemoryPrefix, sizeof kMemoryPrefix - 1) != 0) return;
        found = std::sscanf(line + sizeof kMemoryPrefix - 1, "%lf %lf %lf", &memory->peakMiB, &memory->triangles,
                            &memory->deviation) == 3;
    });
    if (ran && !found) *error = "the " + side + " process reported no memory";
    return ran && found;
}

}  // namespace pelmora::bench
