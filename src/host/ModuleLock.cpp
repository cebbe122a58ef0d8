#include "host/ModuleLock.h"

#include <atomic>

namespace pelmora {

namespace {

std::atomic<LONG> lockCount{0};

}  // namespace

LONG lockModule() { return ++lockCount; }

LONG unlockModule() { return --lockCount; }

LONG moduleLockCount() { return lockCount.load(); }

}  // namespace pelmora
