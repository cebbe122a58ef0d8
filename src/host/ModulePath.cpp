#include "host/ModulePath.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace pelmora {

std::string modulePath() {
    Dl_info info{};
    // Any function of this module names the file it came from.
    if (dladdr(reinterpret_cast<void*>(&modulePath), &info) == 0 || !info.dli_fname) return {};
    std::error_code failed;
    // The program itself may be named by nothing but an empty string.
    if (!*info.dli_fname) {
        const std::filesystem::path program =
            std::filesystem::read_symlink("/proc/self/exe", failed);
        return failed ? std::string() : program.string();
    }
    // The path as it was loaded, symbolic links kept, only made absolute.
    const std::filesystem::path absolute = std::filesystem::absolute(info.dli_fname, failed);
    return failed ? std::string() : absolute.string();
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace pelmora
