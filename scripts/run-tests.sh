#!/usr/bin/env bash
# Runs the test suite of one build preset. X11 tests need a display: when none
# is set, the suite runs under a private Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
if [[ -z "${DISPLAY:-}" ]] && command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1920x1080x24" ctest --preset "$preset"
fi
exec ctest --preset "$preset"
