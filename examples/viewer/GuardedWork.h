// The child's side of pelmora-view's supervision (Supervisor.h): reading
// and tessellating run inside Open CASCADE, where a malformed file can
// crash the process or send it into a loop that never ends. That work is
// announced to the supervising parent over a pipe, with progress while it
// advances, so the parent can tell a stall from a long job and name what
// failed. Anything else (waiting for the user's events, drawing) is not
// guarded, so it never counts against the time limit.
#pragma once

namespace viewer {

// The guarded work a report names; the value is the byte sent for it.
enum class Phase : char { Reading = 'r', Tessellating = 't' };

// The other bytes on the pipe: guarded work advanced, guarded work ended.
constexpr char kProgressMark = '.';
constexpr char kDoneMark = '-';

// Sends this process's reports to fd from now on; until then (and in a
// viewer running without a supervisor) reports go nowhere.
void reportWorkTo(int fd);

// A stretch of guarded work, from construction to destruction. Stretches
// that nest or overlap on several threads (the engine's facet worker and
// the main thread) count as one: it ends when the last of them does.
class GuardedWork {
public:
    explicit GuardedWork(Phase phase);
    ~GuardedWork();
    GuardedWork(const GuardedWork&) = delete;
    GuardedWork& operator=(const GuardedWork&) = delete;
};

// Guarded work is advancing. Cheap to call often: at most a few reports a
// second reach the pipe.
void reportProgress();

}  // namespace viewer
