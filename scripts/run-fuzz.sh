#!/usr/bin/env bash
# Runs the fuzz target of the sanitizer build: every input of the seed
# corpus, then a fixed number of pseudo-random inputs from a fixed seed
# (about two minutes on two cores with the software rasterizer).
# PELMORA_FUZZ_RUNS and PELMORA_FUZZ_SEED change the count and the seed.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-asan}
driver=build/$preset/tests/fuzz/pelmora_fuzz
runs=${PELMORA_FUZZ_RUNS:-1500}
seed=${PELMORA_FUZZ_SEED:-1}
last=build/$preset/tests/fuzz/last-input
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The software rasterizer draws on the calling thread: the leak checker's
# tracer, suspending the rasterizer's worker threads at the end of a long
# run, crashed now and then (the inputs had all passed); the small pictures
# draw as fast either way.
export LP_NUM_THREADS=${LP_NUM_THREADS:-0}
if ! "$driver" --runs "$runs" --seed "$seed" --keep-last "$last" tests/fuzz/corpus; then
    echo "fuzz: the input that failed is $last; run it alone with" >&2
    echo "    $driver --runs 0 $last" >&2
    echo "and once the engine is fixed, add it to tests/fuzz/corpus (tests/fuzz/README.md)." >&2
    exit 1
fi
