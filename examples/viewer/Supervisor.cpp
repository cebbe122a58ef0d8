#include "Supervisor.h"

#include "GuardedWork.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace viewer {

namespace {

using Clock = std::chrono::steady_clock;

// What the parent knows of the child.
struct Watch {
    pid_t child = 0;
    int reports = -1;  // the pipe's reading end
    std::string file;
    double limit = 0.0;
    std::optional<Phase> phase;  // the guarded work under way, if any
    Clock::time_point started = Clock::now();
    Clock::time_point lastProgress = started;
};

double secondsSince(Clock::time_point then) { return std::chrono::duration<double>(Clock::now() - then).count(); }

const char* doing(Phase phase) { return phase == Phase::Reading ? "reading" : "tessellating"; }

const char* culprit(std::optional<Phase> phase) {
    if (!phase) return "the viewer";
    return *phase == Phase::Reading ? "the model reader" : "the mesher";
}

// Reads the reports that arrived; false once the child has closed the pipe
// (it has ended).
bool readReports(Watch* watch) {
    char marks[256];
    const ssize_t count = ::read(watch->reports, marks, sizeof marks);
    if (count < 0) return errno == EINTR || errno == EAGAIN;
    if (count == 0) return false;
    for (ssize_t i = 0; i < count; ++i) {
        if (marks[i] == kDoneMark) watch->phase.reset();
        else if (marks[i] != kProgressMark) watch->phase = Phase(marks[i]);
    }
    watch->lastProgress = Clock::now();
    return true;
}

// How long to wait for the next report: forever outside guarded work.
int pollTimeout(const Watch& watch) {
    if (!watch.phase || watch.limit <= 0.0) return -1;
    const double left = watch.limit - secondsSince(watch.lastProgress);
    return left <= 0.0 ? 0 : int(std::ceil(left * 1000.0));
}

bool stalled(const Watch& watch) {
    return watch.phase && watch.limit > 0.0 && secondsSince(watch.lastProgress) >= watch.limit;
}

// The child's progress bar shows from its first second on, and may then
// hold the current line: the message starts a new one.
void report(const Watch& watch, const std::string& what) {
    const bool barShown = watch.phase && watch.lastProgress - watch.started > std::chrono::seconds(1);
    const char* newline = barShown ? "\n" : "";
    std::fprintf(stderr, "%spelmora-view: %s: %s\n", newline, watch.file.c_str(), what.c_str());
}

int waitFor(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::string signalName(int signal) {
    std::string name = strsignal(signal);
    if (!name.empty()) name[0] = char(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

int supervise(Watch watch) {
    for (;;) {
        pollfd ready{watch.reports, POLLIN, 0};
        const int count = poll(&ready, 1, pollTimeout(watch));
        if (count > 0 && !readReports(&watch)) break;
        if (count == 0 && stalled(watch)) {
            kill(watch.child, SIGKILL);
            waitFor(watch.child);
            char limit[32];
            std::snprintf(limit, sizeof limit, "%g", watch.limit);
            report(watch, std::string("gave up after ") + limit + " s without progress while " + doing(*watch.phase));
            return 1;
        }
    }
    const int status = waitFor(watch.child);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    std::string what = std::string(culprit(watch.phase)) + " crashed (" + signalName(WTERMSIG(status)) + ")";
    if (watch.phase) what += std::string(" while ") + doing(*watch.phase);
    report(watch, what);
    return 1;
}

}  // namespace

std::optional<int> superviseChild(const std::string& file, double timeLimitSeconds) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        // Whatever ends the parent (a user's kill, a test's time-out) ends
        // the child too; the check covers a parent gone before the request.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(1);
        close(pipeEnds[0]);
        reportWorkTo(pipeEnds[1]);
        return std::nullopt;
    }
    close(pipeEnds[1]);
    Watch watch;
    watch.child = child;
    watch.reports = pipeEnds[0];
    watch.file = file;
    watch.limit = timeLimitSeconds;
    const int status = supervise(watch);
    close(pipeEnds[0]);
    return status;
}

}  // namespace viewer
