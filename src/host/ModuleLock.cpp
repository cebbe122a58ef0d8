#include "host/ModuleLock.h"

#include "core/Diagnostics.h"

#include <atomic>

namespace pelmora {

namespace {

std::atomic<LONG> objectCount{0};
std::atomic<LONG> serverLockCount{0};

// The count after taking one away, or -1 (and no change) when it is 0.
LONG decrementAboveZero(std::atomic<LONG>& count) {
    LONG current = count.load();
    do {
        if (current <= 0) return -1;
    } while (!count.compare_exchange_weak(current, current - 1));
    return current - 1;
}

}  // namespace

LONG lockModule() { return ++objectCount; }

LONG unlockModule() {
    const LONG remaining = decrementAboveZero(objectCount);
    if (remaining < 0) logMessage("Pelmora: the module was unlocked more often than locked\n");
    return remaining;
}

LONG lockServer() { return ++serverLockCount; }

LONG unlockServer() {
    const LONG remaining = decrementAboveZero(serverLockCount);
    if (remaining < 0) logMessage("Pelmora: LockServer(FALSE) without a matching lock; ignored\n");
    return remaining;
}

LONG moduleLockCount() { return objectCount.load() + serverLockCount.load(); }

}  // namespace pelmora
