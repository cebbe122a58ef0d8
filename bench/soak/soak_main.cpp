// pelmora_soak: a host's whole cycle with the engine (SoakCycle) many times
// over, with the process's resident memory, open file descriptors and
// threads at the start, after the warm-up cycles and at the end. The goal is
// no growth after the warm-up: whatever one cycle takes, it gives back.
//
//   pelmora_soak [--cycles N] [--warm-up N] [--size PIXELS] [--every N] [--picture FILE]
//
// The report goes to standard error; standard output carries the engine's
// log lines.
#include "ProcessResources.h"
#include "SampleKernel.h"
#include "SoakCycle.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using pelmora::bench::ProcessResources;

struct SoakOptions {
    long cycles = 10000;
    long warmUp = 1000;
    int size = 64;
    long every = 1000;  // a progress line every so many cycles
    std::string picture;  // the last cycle's frame, when named
};

SoakOptions parse(int argc, char** argv) {
    SoakOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const long value = std::atol(argv[i + 1]);
        if (!std::strcmp(argv[i], "--cycles")) options.cycles = value;
        else if (!std::strcmp(argv[i], "--warm-up")) options.warmUp = value;
        else if (!std::strcmp(argv[i], "--size")) options.size = static_cast<int>(value);
        else if (!std::strcmp(argv[i], "--every")) options.every = value;
        else if (!std::strcmp(argv[i], "--picture")) options.picture = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: pelmora_soak [--cycles N] [--warm-up N] [--size PIXELS] [--every N] "
                                 "[--picture FILE]\n");
            std::exit(2);
        }
    }
    return options;
}

void report(const char* when, long cycle, const ProcessResources& resources, double seconds) {
    std::fprintf(stderr, "%-9s cycle %6ld: %s (%.1f s)\n", when, cycle, resources.describe().c_str(), seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const SoakOptions options = parse(argc, argv);
    samplekernel::SampleKernel kernel;
    kernel.addBody(samplekernel::Sphere{{-0.6, 0, 0}, 0.4});
    kernel.addBody(samplekernel::Torus{{0.6, 0, 0}, 0.4, 0.12});
    kernel.addBody(samplekernel::Box{{-0.2, -0.8, -0.2}, {0.2, -0.4, 0.2}});
    const int factory = PelmoraRegisterThreadSafeFacetFactory(&kernel);
    pelmora::bench::SoakCycle cycle(factory, options.size);

    const auto start = std::chrono::steady_clock::now();
    auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    report("start", 0, ProcessResources::now(), 0);
    ProcessResources warm = ProcessResources::now();
    double warmSeconds = 0;
    long requests = 0;
    for (long done = 1; done <= options.cycles; ++done) {
        std::string failure;
        if (!cycle.run(&failure, done == options.cycles ? options.picture : std::string())) {
            std::fprintf(stderr, "pelmora_soak: cycle %ld failed: %s\n", done, failure.c_str());
            return 1;
        }
        // The kernel logs every request; the host's log must not pass for the engine's growth.
        requests += kernel.requestCount();
        kernel.clearRequests();
        if (done == options.warmUp) {
            warm = ProcessResources::now();
            warmSeconds = seconds();
            report("warm-up", done, warm, warmSeconds);
        } else if (options.every > 0 && done % options.every == 0 && done != options.cycles) {
            report("", done, ProcessResources::now(), seconds());
        }
    }
    const ProcessResources end = ProcessResources::now();
    const double total = seconds();
    report("end", options.cycles, end, total);
    PelmoraUnregisterFacetFactory(factory);

    const long grownKiB = end.residentKiB - warm.residentKiB;
    const bool grew = grownKiB > 1024 || end.fileDescriptors > warm.fileDescriptors || end.threads > warm.threads;
    std::fprintf(stderr,
                 "after the warm-up: resident %+ld KiB, file descriptors %+d, threads %+d over %ld cycles; "
                 "%.1f ms a cycle; %ld facet requests; growth: %s\n",
                 grownKiB, end.fileDescriptors - warm.fileDescriptors, end.threads - warm.threads,
                 options.cycles - options.warmUp, 1000.0 * total / double(options.cycles), requests,
                 grew ? "yes (more than 1 MiB, or descriptors or threads)" : "none");
    return grew ? 1 : 0;
}
