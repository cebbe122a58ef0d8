#!/usr/bin/env bash
# pelmora-view on malformed STEP files, the same 200 every time (made by
# step_mutants from the demo assembly and a small cylinder): every run ends
# within 60 s with status 0, 1 or 2, never by a signal, a time-out or an
# exception left uncaught. One
# file in five by default (all kinds of fault, both models);
# PELMORA_MALFORMED_FILES=all runs the 200.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$MUTANTS" "$SOURCE_DIR/examples/data/demo-assembly.step" "$work" 200 1 || exit 1
every=5
[[ ${PELMORA_MALFORMED_FILES:-} == all ]] && every=1
runs=0 failures=0 index=0
for file in "$work"/*.step; do
    ((index++ % every == 0)) || continue
    timeout -s KILL 60 env -u DISPLAY "$VIEWER" "$file" -o "$work/out.png" --size 32x24 --time-limit 5 \
        >/dev/null 2>"$work/stderr"
    status=$?
    runs=$((runs + 1))
    # An Open CASCADE exception that ends the process got past our code.
    if ((status > 2)) || grep -q "terminate called" "$work/stderr"; then
        echo "FAIL: $(basename "$file"): status $status: $(tr '\r' '\n' < "$work/stderr" | tail -n 2)"
        failures=$((failures + 1))
    fi
done
echo "$runs files, $failures failed"
exit $((failures > 0))
