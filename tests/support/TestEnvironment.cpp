// Keeps test programs away from the real user's registry and data folder:
// runs before the library's own start-up, which reads both.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

__attribute__((constructor(101))) void isolateTestEnvironment() {
    const std::string home = PELMORA_TEST_HOME;
    std::error_code ignored;
    std::filesystem::create_directories(home + "/registry", ignored);
    std::filesystem::create_directories(home + "/data", ignored);
    setenv("PELMORA_REGISTRY_DIR", (home + "/registry").c_str(), 0);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 0);
}

}  // namespace
