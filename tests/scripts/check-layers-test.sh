#!/usr/bin/env bash
# scripts/check-layers: the real tree passes; a planted upward include and a
# planted include of the GL backend each fail, naming the file and the include.
set -euo pipefail
check="$SOURCE_DIR/scripts/check-layers"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

"$check" "$SOURCE_DIR/src" >/dev/null

plant() {  # plant FILE INCLUDE: a one-file tree whose file includes INCLUDE
    rm -rf "$tree/src"
    mkdir -p "$tree/src/$(dirname "$1")"
    printf '#include "%s"\n' "$2" >"$tree/src/$1"
}
expect_failure() {  # expect_failure TEXT: the check fails and says TEXT
    local output
    if output=$("$check" "$tree/src" 2>&1); then
        echo "check-layers passed a tree it should refuse: $output" >&2
        exit 1
    fi
    grep -qF "$1" <<<"$output" || { echo "missing \"$1\" in: $output" >&2; exit 1; }
}

plant core/Planted.h "host/DXContext.h"
expect_failure 'core/Planted.h (core) includes "host/DXContext.h"'
plant scene/Planted.cpp "view/DXViewport.h"
expect_failure 'scene/Planted.cpp (scene) includes "view/DXViewport.h"'
plant platform/d3dx/Planted.cpp "platform/d3d9/gl/FormatTable.h"
expect_failure 'platform/d3dx/Planted.cpp includes the GL backend'
plant misplaced/Planted.cpp "core/Diagnostics.h"
expect_failure 'misplaced/Planted.cpp lies in no listed layer'

plant host/Planted.cpp "core/Diagnostics.h"
"$check" "$tree/src" >/dev/null
plant platform/d3d9/gl/Planted.cpp "platform/d3d9/gl/FormatTable.h"
"$check" "$tree/src" >/dev/null
echo "check-layers: accepts the tree and downward includes, refuses planted ones"
