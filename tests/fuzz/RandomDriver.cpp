// The plain fuzz driver, for compilers without libFuzzer: runs the inputs
// named on the command line (files, or folders of them), then pseudo-random
// inputs from a fixed seed.
//
//   pelmora_fuzz [--runs N] [--seed S] [--first I] [--seconds T]
//                [--max-length L] [--keep-last FILE] [--check-leaks] [PATH ...]
//
// Input I of seed S is the same bytes on every machine, so a failure is
// made again with --seed S --first I --runs 1; --keep-last writes each
// input to FILE before running it, so a crash leaves its reproducer behind.
// --check-leaks looks for leaked memory after every input rather than once
// at the end, so a leak is pinned to the input that made it.
#include "FuzzEnvironment.h"
#include "FuzzSession.h"
#include "OperationTable.h"
#include "RandomInputs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace pelmora::fuzz;
namespace fs = std::filesystem;

struct DriverOptions {
    uint64_t runs = 100;
    uint64_t seed = 1;
    uint64_t first = 0;
    double seconds = 0;  // 0: no time limit
    size_t maxLength = 512;
    std::string keepLast;
    bool checkLeaks = false;
    FuzzOptions fuzz;
    std::vector<std::string> paths;
};

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr,
                 "pelmora_fuzz: %s\nusage: pelmora_fuzz [--runs N] [--seed S] [--first I] "
                 "[--seconds T] [--max-length L] [--keep-last FILE] [--check-leaks] [PATH ...]\n",
                 problem);
    std::exit(2);
}

// A relative path on the command line means the folder the driver started in.
std::string fromStart(const std::string& path) {
    return fs::path(path).is_absolute() ? path : (fs::path(FuzzEnvironment::startFolder()) / path).string();
}

DriverOptions parse(int argc, char** argv) {
    DriverOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(("no value after " + arg).c_str());
            return argv[++i];
        };
        if (arg == "--runs") options.runs = std::stoull(value());
        else if (arg == "--seed") options.seed = std::stoull(value());
        else if (arg == "--first") options.first = std::stoull(value());
        else if (arg == "--seconds") options.seconds = std::stod(value());
        else if (arg == "--max-length") options.maxLength = std::max<size_t>(1, std::stoull(value()));
        else if (arg == "--keep-last") options.keepLast = fromStart(value());
        else if (arg == "--check-leaks") options.checkLeaks = true;
        else if (arg.rfind("--", 0) == 0) usage(("unknown option " + arg).c_str());
        else options.paths.push_back(fromStart(arg));
    }
    return options;
}

std::vector<std::string> inputFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        if (fs::is_directory(path)) {
            std::vector<std::string> inside;
            for (const auto& entry : fs::directory_iterator(path))
                if (entry.is_regular_file()) inside.push_back(entry.path().string());
            std::sort(inside.begin(), inside.end());
            files.insert(files.end(), inside.begin(), inside.end());
        } else if (fs::is_regular_file(path)) {
            files.push_back(path);
        } else {
            usage(("no input at " + path).c_str());
        }
    }
    return files;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void runOne(const std::vector<uint8_t>& input, const DriverOptions& options, const std::string& name) {
    if (!options.keepLast.empty()) writeFile(options.keepLast, input);
    FuzzSession::runInput(input.data(), input.size(), options.fuzz);
    if (options.checkLeaks && FuzzSession::leaked()) {
        std::fprintf(stderr, "pelmora_fuzz: %s leaked\n", name.c_str());
        std::exit(1);
    }
}

void printSummary(uint64_t files, uint64_t randomRuns, double seconds) {
    const OperationCounts& counts = operationCounts();
    int reached[2] = {0, 0}, succeeded[2] = {0, 0};
    std::string never;
    for (int slot = 0; slot < kDXContextOperationCount; ++slot) {
        for (int path = 0; path < 2; ++path) {
            reached[path] += counts.calls[slot][path] > 0;
            succeeded[path] += counts.successes[slot][path] > 0;
        }
        if (counts.successes[slot][0] + counts.successes[slot][1] == 0)
            never += std::string(" ") + kDXContextDispatchTable[slot].name;
    }
    std::fprintf(stderr,
                 "pelmora_fuzz: %llu corpus inputs, %llu random inputs in %.1f s\n"
                 "  operations called directly: %d of %d (%d succeeded at least once)\n"
                 "  operations called through Invoke: %d of %d (%d succeeded at least once)\n",
                 static_cast<unsigned long long>(files), static_cast<unsigned long long>(randomRuns),
                 seconds, reached[0], kDXContextOperationCount, succeeded[0], reached[1],
                 kDXContextOperationCount, succeeded[1]);
    if (!never.empty()) std::fprintf(stderr, "  never succeeded:%s\n", never.c_str());
    for (int path = 0; path < 2; ++path) {
        std::string missing;
        for (int slot = 0; slot < kDXContextOperationCount; ++slot)
            if (counts.successes[slot][path] == 0 && counts.successes[slot][1 - path] > 0)
                missing += std::string(" ") + kDXContextDispatchTable[slot].name;
        if (!missing.empty())
            std::fprintf(stderr, "  succeeded only %s:%s\n", path == 0 ? "through Invoke" : "directly", missing.c_str());
    }
}

}  // namespace

extern "C" void __lsan_do_leak_check() __attribute__((weak));

int main(int argc, char** argv) {
    const DriverOptions options = parse(argc, argv);
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const std::vector<std::string> files = inputFiles(options.paths);
    for (const std::string& file : files)
        runOne(readFile(file), options, "file-" + fs::path(file).filename().string());
    uint64_t done = 0;
    for (; done < options.runs; ++done) {
        if (options.seconds > 0 && elapsed() > options.seconds) break;
        const uint64_t index = options.first + done;
        runOne(randomInput(options.seed, index, options.maxLength), options,
               "seed-" + std::to_string(options.seed) + "-input-" + std::to_string(index));
        if ((done + 1) % 500 == 0)
            std::fprintf(stderr, "pelmora_fuzz: %llu random inputs, %.0f s\n",
                         static_cast<unsigned long long>(done + 1), elapsed());
    }
    printSummary(files.size(), done, elapsed());
    // The leak check, here rather than at exit: exit handlers stop the
    // rasterizer's threads, and a thread ending while the checker suspends
    // them crashed the checker now and then.
    if (__lsan_do_leak_check) __lsan_do_leak_check();
    return 0;
}
