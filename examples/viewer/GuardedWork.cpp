#include "GuardedWork.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>

namespace viewer {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

int pipeFd = -1;
// One lock for the count and the writes, so that the bytes reach the pipe
// in the order the count changed.
std::mutex lock;
int depth = 0;
Clock::time_point lastProgress;

void send(char mark) {
    while (::write(pipeFd, &mark, 1) < 0 && errno == EINTR) {
    }
}

}  // namespace

void reportWorkTo(int fd) { pipeFd = fd; }

GuardedWork::GuardedWork(Phase phase) {
    if (pipeFd < 0) return;
    std::lock_guard<std::mutex> hold(lock);
    send(depth++ == 0 ? char(phase) : kProgressMark);
}

GuardedWork::~GuardedWork() {
    if (pipeFd < 0) return;
    std::lock_guard<std::mutex> hold(lock);
    send(--depth == 0 ? kDoneMark : kProgressMark);
}

void reportProgress() {
    if (pipeFd < 0) return;
    std::lock_guard<std::mutex> hold(lock);
    const Clock::time_point now = Clock::now();
    if (now - lastProgress < kProgressInterval) return;
    lastProgress = now;
    send(kProgressMark);
}

}  // namespace viewer
