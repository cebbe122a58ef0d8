#!/usr/bin/env bash
# Installs the built package into a temporary prefix, then builds the shipped
# STEP host (examples/step_host.cpp) against Pelmora::occt twice: with
# find_package(Pelmora COMPONENTS occt) and with pkg-config (pelmora-occt).
# Neither build names Open CASCADE, and both treat warnings as errors: Open
# CASCADE's headers warn, and must reach hosts as system headers. Each host
# renders the shipped demo-assembly.step to a PNG, which must show a lit body.
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
unset LD_LIBRARY_PATH
"$CMAKE_COMMAND" --install "$BUILD_DIR" --prefix "$prefix/usr" >/dev/null
libdir=$(dirname "$(find "$prefix/usr" -name 'libpelmora-occt.so' | head -n 1)")

here="$SOURCE_DIR/tests/install/occt-host"
host_source="$SOURCE_DIR/examples/step_host.cpp"
model="$SOURCE_DIR/examples/data/demo-assembly.step"
strict="-Wall -Wextra -Werror"
"$CXX" -o "$prefix/lit_body" "$here/lit_body.cpp" -lpng

"$CMAKE_COMMAND" -S "$here" -B "$prefix/host-build" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix/usr" -DCMAKE_CXX_COMPILER="$CXX" -DHOST_SOURCE="$host_source" \
    -DCMAKE_CXX_FLAGS="$strict" >/dev/null
"$CMAKE_COMMAND" --build "$prefix/host-build" >/dev/null
"$prefix/host-build/step_host" "$model" "$prefix/cmake.png"
"$prefix/lit_body" "$prefix/cmake.png"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046,SC2086
"$CXX" $strict -o "$prefix/pkgconfig_host" "$host_source" $(pkg-config --cflags --libs pelmora-occt) \
    -Wl,-rpath,"$(pkg-config --variable=libdir pelmora-occt)"
"$prefix/pkgconfig_host" "$model" "$prefix/pkgconfig.png"
"$prefix/lit_body" "$prefix/pkgconfig.png"
echo "installed Open CASCADE kernel: find_package and pkg-config hosts rendered a lit model"
