#!/usr/bin/env bash
# Builds and runs every suite twice: once as is, once under AddressSanitizer with
# UndefinedBehaviorSanitizer. Suites run inside a private D-Bus session with an unlocked
# gnome-keyring, on Qt's offscreen platform, with a throw-away HOME. A failed suite is not run
# again: a suite that fails only sometimes is a fault to mend. A compiler warning fails the build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"

# Most suites wait on kerlo-local, the keyring or an X server rather than compute, and the X
# server suites run one at a time beside the others: on a small machine, run at least four.
jobs=$(nproc)
if ((jobs < 4)); then jobs=4; fi
phase() { echo "== $1 took $((SECONDS - started)) s"; started=$SECONDS; }
started=$SECONDS
# The libraries are shared objects in both trees, so that the hundred suites do not each carry
# a copy of them: with archives the two trees took some 28 GB, more than some machines have.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMARIN_WARNINGS_AS_ERRORS=ON \
    -DLUMARIN_SHARED_LIBS=ON
phase "build"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DLUMARIN_SANITIZE=ON -DLUMARIN_BUILD_BENCH=OFF \
    -DLUMARIN_WARNINGS_AS_ERRORS=ON -DLUMARIN_SHARED_LIBS=ON
phase "build-asan"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
for tree in build build-asan; do
    echo "== ctest in $tree"
    home=$(mktemp -d)
    if ! HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen \
        dbus-run-session -- sh -c '
            echo -n lumarin | gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null
            exec ctest --test-dir "$1" --output-on-failure -j "$2"' sh "$root/$tree" "$jobs"; then
        status=1
    fi
    rm -rf "$home"
    phase "ctest in $tree"
done
exit $status
