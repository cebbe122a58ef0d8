#!/usr/bin/env bash
# pelmora-view's command line as a user meets it: the demo assembly renders
# headless to PNG and JPEG, and Pelmora's own messages reach stdout only
# with --verbose; --help and --version answer on stdout with status 0;
# unreadable files, files without geometry, what is no regular file, a
# picture that cannot be written, a window without a display (status 1) and
# malformed options, unknown picture types among them (status 2), end with a
# message on stderr; so do a file that crashes the reader and one that hangs
# the mesher.
set -u
# Sanitized builds would catch the crash themselves, without our message.
export ASAN_OPTIONS="handle_segv=0:${ASAN_OPTIONS:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
step="$SOURCE_DIR/examples/data/demo-assembly.step"
failures=0

# expect STATUS MESSAGE-PART ARGS...: the exit status and a part of stderr;
# nothing may reach stdout, which belongs to what the user asks for.
expect() {
    local status=$1 message=$2
    shift 2
    local err
    err=$(env -u DISPLAY "$VIEWER" "$@" 2>&1 >stdout.txt)
    local got=$?
    if [[ $got -ne $status || "$err" != *"$message"* || -s stdout.txt ]]; then
        echo "FAIL: pelmora-view $* -> status $got (want $status), stderr: $err (want: $message)," \
            "stdout: $(head -c 200 stdout.txt)"
        failures=$((failures + 1))
    fi
}

# expect_stdout STATUS OUTPUT-PART ARGS...: the exit status and a part of stdout.
expect_stdout() {
    local status=$1 output=$2
    shift 2
    local out
    out=$(env -u DISPLAY "$VIEWER" "$@" 2>/dev/null)
    local got=$?
    if [[ $got -ne $status || "$out" != *"$output"* ]]; then
        echo "FAIL: pelmora-view $* -> status $got (want $status), stdout: $out (want: $output)"
        failures=$((failures + 1))
    fi
}

printf 'hello\n' > junk.step
mkdir folder.png
: > empty.step
mkfifo fifo.step
mkdir folder.step
"$MUTANTS" --fixed .
printf 'DBRep_DrawableShape\n\nCASCADE Topology V1, (c) Matra-Datavision\nLocations 0\nCurve2ds 0\nCurves 0\nPolygon3D 0\nPolygonOnTriangulations 0\nSurfaces 0\nTriangulations 0\n\nTShapes 1\nVe\n1e-07\n0 0 0\n0 0\n\n0101101\n*\n+1 0 \n' > point.brep

expect 0 "10 bodies" "$step" -o view.png --size 64x48 --view top
expect 0 "" "$step" -o view.JPG --size 64x48 --edges off --perspective
expect_stdout 0 "Creating device" "$step" -o verbose.png --size 64x48 --verbose
expect 1 "cannot open missing.step" missing.step -o out.png
expect 1 "junk.step could not be read as a STEP file" junk.step -o out.png
expect 1 "empty.step is empty" empty.step -o out.png
expect 1 "no solids or surfaces" point.brep -o out.png
expect 1 "fifo.step is not a regular file" fifo.step -o out.png --time-limit 5
expect 1 "folder.step is a directory" folder.step -o out.png
expect 1 "circle-radius.step: the model reader crashed (segmentation fault) while reading" circle-radius.step -o out.png
expect 1 "cylinder-radius.step: gave up after 1 s without progress while tessellating" \
    cylinder-radius.step -o out.png --time-limit 1
PELMORA_VIEW_TIME_LIMIT=0.5 expect 1 "gave up after 0.5 s" cylinder-radius.step -o out.png
PELMORA_VIEW_TIME_LIMIT=soon expect 2 "PELMORA_VIEW_TIME_LIMIT wants seconds" "$step" -o out.png
expect 2 "--time-limit wants seconds" "$step" --time-limit -3
expect 1 "no X display" "$step" --window
expect 2 "--view wants iso" "$step" --view sideways
expect 2 "--size wants WxH" "$step" --size 10x
expect 2 "unknown option --colour" "$step" --colour red
expect 2 "no file given"
expect 2 "known extensions: .png .jpg .jpeg .bmp .gif .tif .tiff" "$step" -o z.xyz
expect 2 "known extensions" "$step" -o folder.step/
expect 1 "folder.png is a directory" "$step" -o folder.png
expect 1 "cannot write nowhere/out.png: No such file or directory" "$step" -o nowhere/out.png
expect_stdout 0 "pelmora-view $VERSION" --version
expect_stdout 0 "usage: pelmora-view" --help
# --help names every exit status and every key of the window.
for part in "Exit status: 0" "; 1 the file" "; 2 a" "left drag" "middle drag" "wheel" "left click" \
    "  f  " "  s  " "q, Escape"; do
    expect_stdout 0 "$part" "$step" --help
done

for picture in view.png view.JPG; do
    if [[ ! -s $picture ]]; then
        echo "FAIL: $picture was not written"
        failures=$((failures + 1))
    fi
done
if [[ "$(head -c 8 view.png | od -An -tx1 | tr -d ' \n')" != "89504e470d0a1a0a" ]]; then
    echo "FAIL: view.png is not a PNG file"
    failures=$((failures + 1))
fi
exit $((failures > 0))
