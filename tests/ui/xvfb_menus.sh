#!/usr/bin/env bash
# End to end on a real X server: signs in to kerlo-local's demo tree with xdotool, right-clicks
# the first item of the icon view and saves a screenshot of the context menu into the build
# folder (for a person to look at); checks that the menu changed the screen and went away with
# Escape.
# Usage: xvfb_menus.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
lumarin=$1
kerlo=$2
out=$3

for tool in Xvfb xdotool import compare dbus-run-session gnome-keyring-daemon; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (scripts/deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
session=
cleanup() {
    # The program first: its bus session then ends by itself, taking the bus and the keyring
    # with it.
    [ -s "$work/lumarin.pid" ] && kill "$(cat "$work/lumarin.pid")" 2>/dev/null || true
    for _ in $(seq 50); do
        [ -n "$session" ] && kill -0 "$session" 2>/dev/null || break
        sleep 0.1
    done
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
export QT_QPA_PLATFORM=xcb
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi

display=:$((500 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$kerlo" --port 0 --data "$work/kerlo" --control --demo-tree demo@kerlo.local \
    >"$work/kerlo.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q "listening on" "$work/kerlo.log" 2>/dev/null && break; sleep 0.1; done
port=$(grep -o "listening on http://127.0.0.1:[0-9]*" "$work/kerlo.log" | grep -o "[0-9]*$")

# A session bus and keyring of its own (its files under XDG_DATA_HOME): the credentials of this
# run neither meet nor outlive those of other runs in the same desktop session.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime dbus-run-session -- sh -c 'echo -n lumarin | gnome-keyring-daemon --daemonize --unlock \
    --components=secrets >/dev/null; echo $$ >"$0"; exec "$1" -MCKerloAPIURL "$2"' \
    "$work/lumarin.pid" "$lumarin" "http://127.0.0.1:$port" >"$work/lumarin.log" 2>&1 &
session=$!
pids+=($session)
for _ in $(seq 100); do [ -s "$work/lumarin.pid" ] && break; sleep 0.1; done

wait_window() { # name pattern, seconds
    for _ in $(seq $(($2 * 10))); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    return 1
}
fail() { echo "FAIL: $1"; cat "$work/lumarin.log"; exit 1; }

login=$(wait_window '^Kerlo$' 60) || fail "no sign-in window"
sleep 4 # the opening animation
xdotool windowfocus --sync "$login" 2>/dev/null || true
xdotool type --delay 20 "demo@kerlo.local"
xdotool key Tab
xdotool type --delay 20 "lumarin-demo"
xdotool key Return
for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^Kerlo$' >/dev/null 2>&1 || break
    sleep 0.1
done
main=$(wait_window "^Kerlo Home$" 60) || fail "no main window"
sleep 3 # the listing of "/"

# The first icon of the grid: right of the sidebar, below the menu and tool bars.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" 260 140
sleep 0.5
import -window root "$work/before.png"
xdotool click 3
sleep 1.5
import -window root "$out/menus-context.png"
changed=$(compare -metric AE "$work/before.png" "$out/menus-context.png" null: 2>&1 || true)
echo "pixels changed by the menu: $changed"
[ "${changed%%.*}" -gt 2000 ] 2>/dev/null || fail "no context menu appeared"

xdotool key Escape
sleep 1
import -window root "$work/after.png"
left=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)
echo "pixels still changed after Escape: $left"
[ "${left%%.*}" -lt "${changed%%.*}" ] 2>/dev/null || fail "the menu did not close"
echo "Screenshot: $out/menus-context.png"
