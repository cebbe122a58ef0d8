#include "core/GuardedCall.h"

#include <mutex>

namespace pelmora {

namespace {
std::recursive_mutex& interfaceLock() {
    static std::recursive_mutex* lock = new std::recursive_mutex();
    return *lock;
}
}  // namespace

void passInterfaceGate() {
    std::lock_guard<std::recursive_mutex> gate(interfaceLock());
}

HRESULT reportStructuredException(const TorvelStructuredException& fault, const char* sourceFile,
                                  int line) {
    logFormat("Caught SE in Pelmora: %#x at address %#x; file = %s; line number = %d\n",
              fault.code(), fault.address(), sourceFile, line);
    return static_cast<HRESULT>(fault.code());
}

HRESULT reportUnknownException(const char* sourceFile, int line) {
    logFormat("Unknown exception found in Pelmora: file = %s; line number = %d\n", sourceFile,
              line);
    return S_FALSE;
}

}  // namespace pelmora
