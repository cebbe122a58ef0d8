#!/usr/bin/env bash
# Installs the built library into a temporary prefix, then builds a small host
# against it twice: once with find_package(Pelmora), once with pkg-config.
# Neither build names a C++ standard (the package carries it), and both hosts
# run without LD_LIBRARY_PATH: the CMake one through the build tree's run
# path, the pkg-config one through the -rpath the README shows.
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
unset LD_LIBRARY_PATH
"$CMAKE_COMMAND" --install "$BUILD_DIR" --prefix "$prefix/usr" >/dev/null
libdir=$(dirname "$(find "$prefix/usr" -name 'libpelmora.so' | head -n 1)")

host="$SOURCE_DIR/tests/install/host"
"$CMAKE_COMMAND" -S "$host" -B "$prefix/host-build" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix/usr" -DCMAKE_CXX_COMPILER="$CXX" >/dev/null
"$CMAKE_COMMAND" --build "$prefix/host-build" >/dev/null
"$prefix/host-build/installed_host"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
"$CXX" -o "$prefix/pkgconfig_host" "$host/installed_host.cpp" $(pkg-config --cflags --libs pelmora) \
    -Wl,-rpath,"$(pkg-config --variable=libdir pelmora)"
"$prefix/pkgconfig_host"
echo "installed package: find_package and pkg-config hosts built and ran"
