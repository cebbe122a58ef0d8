#include "FuzzEnvironment.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace pelmora::fuzz {

namespace {

std::string& folderPath() {
    static std::string* path = new std::string();
    return *path;
}

std::string& startPath() {
    static std::string* path = new std::string();
    return *path;
}

void removeFolder() {
    std::error_code ignored;
    if (!folderPath().empty()) std::filesystem::remove_all(folderPath(), ignored);
}

// Before the engine's own start-up, which reads the registry and opens the log.
__attribute__((constructor(101))) void prepareFuzzProcess() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pelmora-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("pelmora fuzz: no temporary folder");
        std::abort();
    }
    folderPath() = pattern;
    std::error_code unknown;
    startPath() = std::filesystem::current_path(unknown).string();
    std::error_code ignored;
    std::filesystem::create_directories(pattern + "/registry", ignored);
    std::filesystem::create_directories(pattern + "/data", ignored);
    std::filesystem::create_directories(pattern + "/work", ignored);
    setenv("PELMORA_REGISTRY_DIR", (pattern + "/registry").c_str(), 1);
    setenv("XDG_DATA_HOME", (pattern + "/data").c_str(), 1);
    setenv("TMPDIR", (pattern + "/work").c_str(), 1);
    setenv("PELMORA_DESKTOP_SIZE", "128x128", 1);
    unsetenv("DISPLAY");
    if (chdir((pattern + "/work").c_str()) != 0) {
        std::perror("pelmora fuzz: cannot enter the temporary folder");
        std::abort();
    }
    // Every rejected argument is logged; millions of lines help nobody.
    const char* verbose = std::getenv("PELMORA_FUZZ_VERBOSE");
    if (!(verbose && *verbose == '1') && std::freopen("/dev/null", "w", stdout) == nullptr)
        std::perror("pelmora fuzz: standard output stays open");
    std::atexit(removeFolder);
}

}  // namespace

const std::string& FuzzEnvironment::folder() { return folderPath(); }

const std::string& FuzzEnvironment::startFolder() { return startPath(); }

void FuzzEnvironment::clearFiles() {
    std::error_code ignored;
    const std::filesystem::path work = folderPath() + "/work";
    for (const auto& entry : std::filesystem::directory_iterator(work, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

}  // namespace pelmora::fuzz
