#include "CorpusMaker.h"

#include "FuzzSession.h"
#include "OperationTable.h"
#include "RandomInputs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pelmora::fuzz {

namespace {

constexpr size_t kCoverageBits = 2 * kDXContextOperationCount + OperationCounts::kHostActions;

using Coverage = std::vector<uint8_t>;

Coverage coverageSoFar() {
    const OperationCounts& counts = operationCounts();
    Coverage bits(kCoverageBits, 0);
    for (int slot = 0; slot < kDXContextOperationCount; ++slot)
        for (int path = 0; path < 2; ++path)
            bits[2 * slot + path] = counts.successes[slot][path] > 0;
    for (int action = 0; action < OperationCounts::kHostActions; ++action)
        bits[2 * kDXContextOperationCount + action] = counts.hostActions[action] > 0;
    return bits;
}

// The candidate's coverage, or false when it crashed or failed a check.
bool runInChild(const std::vector<uint8_t>& input, Coverage* coverage) {
    int channel[2];
    if (pipe(channel) != 0) return false;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(channel[0]);
        // A candidate that fails is left out; its report would only be noise.
        if (!std::freopen("/dev/null", "w", stderr)) _exit(1);
        FuzzSession::runInput(input.data(), input.size(), FuzzOptions{});
        const Coverage bits = coverageSoFar();
        const bool written = write(channel[1], bits.data(), bits.size()) == ssize_t(bits.size());
        _exit(written && !FuzzSession::leaked() ? 0 : 1);
    }
    close(channel[1]);
    coverage->assign(kCoverageBits, 0);
    const bool complete = read(channel[0], coverage->data(), coverage->size()) == ssize_t(coverage->size());
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return complete && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What the inputs already in the folder reach; new ones are numbered after them.
Coverage existingCoverage(const std::string& folder, int* count) {
    Coverage reached(kCoverageBits, 0);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<uint8_t> input{std::istreambuf_iterator<char>(file), {}};
        Coverage coverage;
        if (runInChild(input, &coverage))
            for (size_t bit = 0; bit < kCoverageBits; ++bit) reached[bit] |= coverage[bit];
        ++*count;
    }
    return reached;
}

}  // namespace

int makeCorpus(const CorpusPlan& plan) {
    std::error_code error;
    std::filesystem::create_directories(plan.folder, error);
    if (error) return -1;
    int existing = 0;
    Coverage reached = existingCoverage(plan.folder, &existing);
    int written = 0;
    for (uint64_t index = 0; index < plan.candidates; ++index) {
        const std::vector<uint8_t> input = randomInput(plan.seed, index, plan.maxLength);
        Coverage coverage;
        if (!runInChild(input, &coverage)) continue;
        size_t added = 0;
        for (size_t bit = 0; bit < kCoverageBits; ++bit) added += coverage[bit] && !reached[bit];
        if (added == 0) continue;
        for (size_t bit = 0; bit < kCoverageBits; ++bit) reached[bit] |= coverage[bit];
        std::string path;
        for (int number = existing + written++;; ++number) {
            char name[64];
            std::snprintf(name, sizeof name, "/seed-%03d", number);
            path = plan.folder + name;
            if (!std::filesystem::exists(path)) break;
        }
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(input.data()), std::streamsize(input.size()));
        size_t total = 0;
        for (uint8_t bit : reached) total += bit;
        std::fprintf(stderr, "candidate %llu adds %zu: %zu of %zu reached\n",
                     static_cast<unsigned long long>(index), added, total, kCoverageBits);
    }
    return written;
}

}  // namespace pelmora::fuzz
