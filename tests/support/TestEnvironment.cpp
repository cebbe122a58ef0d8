// Keeps test programs away from the real user's registry and data folder,
// and away from each other's when ctest runs them side by side: each process
// gets its own folders, made before the library's own start-up reads them and
// removed when the process ends.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string& processHome() {
    static std::string* home = new std::string();
    return *home;
}

void removeProcessHome() {
    std::error_code ignored;
    if (!processHome().empty()) std::filesystem::remove_all(processHome(), ignored);
}

__attribute__((constructor(101))) void isolateTestEnvironment() {
    std::error_code ignored;
    std::filesystem::create_directories(PELMORA_TEST_HOME, ignored);
    std::string pattern = std::string(PELMORA_TEST_HOME) + "/process-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    processHome() = pattern;
    std::filesystem::create_directories(pattern + "/registry", ignored);
    std::filesystem::create_directories(pattern + "/data", ignored);
    setenv("PELMORA_REGISTRY_DIR", (pattern + "/registry").c_str(), 0);
    setenv("XDG_DATA_HOME", (pattern + "/data").c_str(), 0);
    std::atexit(removeProcessHome);
}

}  // namespace
