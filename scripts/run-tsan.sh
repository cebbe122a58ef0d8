#!/usr/bin/env bash
# The tests of the facet worker thread under ThreadSanitizer: every report
# fails the run. The rasterizer draws on the calling thread, so the only
# threads are the engine's own.
set -euo pipefail
cd "$(dirname "$0")/.."
export LP_NUM_THREADS=0
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
exec build/tsan/tests/pelmora_worker_tests
