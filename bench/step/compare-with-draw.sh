#!/usr/bin/env bash
# pelmora-view beside Open CASCADE's own viewer (DRAW, Debian package
# occt-draw, installed here if missing: a peer to measure against, not a
# dependency of the project), headless under Xvfb at 800x600, on assemblies
# of many repeated parts that make_repeated_assembly writes and on the real
# STEP files in STEP_DATA (gzip-compressed, unpacked into a temporary
# folder). Per file and run:
#   finished   seconds to the finished picture written headless
#              (pelmora-view FILE -o OUT.png; DRAW: ReadStep, XDisplay
#              -dispMode 1, vfit, vdump, from the process's start)
#   memory     peak resident memory of that run (/usr/bin/time), MB
#   first      seconds to the first picture in the window (pelmora-view
#              --bench-orbit; DRAW draws nothing before its finished one)
#   frame      milliseconds a frame while orbiting (pelmora-view
#              --bench-orbit; DRAW: vfps)
#   cpu        processor milliseconds a frame, every thread of the process:
#              the steadier figure where the machine is shared
# usage: bench/step/compare-with-draw.sh [BUILD_DIR [RUNS]]
#        (build/release and 2 by default; STEP_DATA defaults to ../shared/data/step)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build/release}" && pwd)
runs=${2:-2}
data=${STEP_DATA:-$here/../../../shared/data/step}
viewer=$build/examples/viewer/pelmora-view
generator=$build/examples/data/make_repeated_assembly
frames=60

if ! command -v occt-draw >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q occt-draw libocct-draw-dev >/dev/null ||
        { echo "cannot install occt-draw" >&2; exit 1; }
fi
work=$(mktemp -d)
display=:$((100 + $$ % 400))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb; rm -rf "$work"' EXIT
export DISPLAY=$display
sleep 1

"$generator" "$work/repeated-200.step" 10 20 2>/dev/null
"$generator" "$work/repeated-800.step" 20 40 2>/dev/null
files=("$work/repeated-200.step" "$work/repeated-800.step")
for packed in "$data"/*.step.gz; do
    [[ -f $packed ]] || continue
    files+=("$work/$(basename "${packed%.gz}")")
    gzip -dc "$packed" > "${files[-1]}"
done

now_ms() { date +%s%3N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b - a) / 1000 }'; }
peak_mb() { awk '/Maximum resident/ { printf "%.0f", $NF / 1024 }' "$1"; }

ours() {  # FILE: finished memory first frame cpu
    local start end window
    start=$(now_ms)
    /usr/bin/time -v -o "$work/time.txt" "$viewer" "$1" -o "$work/ours.png" --size 800x600 2>/dev/null
    end=$(now_ms)
    window=$(timeout 300 "$viewer" "$1" --bench-orbit $frames --size 800x600 2>&1 >/dev/null)
    echo "$(seconds "$start" "$end") $(peak_mb "$work/time.txt")" \
        "$(awk '/^first picture/ { print $3 }' <<<"$window")" \
        "$(awk '/^orbit/ { print $2, $6 }' <<<"$window")"
}

peer() {  # FILE: finished memory first frame cpu
    cat > "$work/peer.tcl" <<TCL
pload ALL
ReadStep D $1
vinit View1 w=800 h=600
XDisplay -dispMode 1 D
vfit
vdump $work/peer.png
puts "PICTURE [clock milliseconds]"
puts "FRAMES [vfps $frames]"
exit
TCL
    local start out picture fps cpu
    start=$(now_ms)
    out=$(timeout 600 /usr/bin/time -v -o "$work/time.txt" occt-draw -b -f "$work/peer.tcl" 2>&1)
    picture=$(awk '/^PICTURE/ { print $2 }' <<<"$out")
    fps=$(awk '/FPS:/ { print $NF }' <<<"$out")
    cpu=$(awk '/^CPU:/ { printf "%.1f", $2 }' <<<"$out")
    local finished
    finished=$(seconds "$start" "${picture:-$start}")
    echo "$finished $(peak_mb "$work/time.txt") $finished $(awk -v f="${fps:-0}" 'BEGIN { printf "%.1f", (f > 0 ? 1000 / f : 0) }') ${cpu:-0}"
}

echo "On $(nproc) cores; pelmora-view $("$viewer" --version | cut -d' ' -f2), $(dpkg-query -W occt-draw)"
printf "%-28s %3s  %-38s  %-38s\n" file run "pelmora-view: finished MB first frame cpu" "DRAW: finished MB first frame cpu"
for file in "${files[@]}"; do
    for run in $(seq "$runs"); do
        printf "%-28s %3d  %-38s  %-38s\n" "$(basename "$file")" "$run" "$(ours "$file")" "$(peer "$file")"
    done
done
