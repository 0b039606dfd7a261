#!/usr/bin/env bash
# A second build with nothing changed must do no work: configures a throw-away tree of the
# platform layer's configured values, builds them, configures it again (as the run command does
# each time) and builds again: nothing may be rebuilt.
# Usage: rebuild_check.sh <source folder> [compiler launcher]
set -euo pipefail
source=$(cd "$1" && pwd)
launcher=()
if [ -n "${2:-}" ]; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER="$2"); fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
configure() {
    cmake -S "$source" -B "$work" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLUMARIN_SHARED_LIBS=ON -DLUMARIN_BUILD_TESTS=OFF -DLUMARIN_BUILD_BENCH=OFF \
        >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
}
# The object that carries the configured values; the whole library would take minutes.
object=src/platform/CMakeFiles/tolvo_platform.dir/bundlevalues.cpp.o
configure
ninja -C "$work" "$object" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
configure
# A dry run always lists the check of the globbed folders; a real one shows what it rebuilds.
ninja -C "$work" "$object" >"$work/rebuild.log" 2>&1 || { cat "$work/rebuild.log"; exit 1; }
if grep -q 'Building\|Linking\|Generating' "$work/rebuild.log"; then
    echo "FAIL: after a re-configure with nothing changed, the build still does:"
    cat "$work/rebuild.log"
    exit 1
fi
