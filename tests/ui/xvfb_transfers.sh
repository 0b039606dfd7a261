#!/usr/bin/env bash
# End to end on a real X server: a signed-in Lumarin pastes a 24 MiB file copied in a file
# manager (the X clipboard, as xvfb_copyfiles puts it there) into "/", which uploads it; the
# service holds the upload's first request back (kerlo-local's delay switch), and meanwhile
# the sidebar's "Transfers" row is clicked. Saves a screenshot of the transfers page showing
# the running upload (build/transfers-upload.png) and checks in the request log that the
# upload is committed once the service lets it through.
# Usage: xvfb_transfers.sh <lumarin> <kerlo-local> <xvfb_copyfiles> <output folder>
set -euo pipefail
lumarin=$1
kerlo=$2
copyfiles=$3
out=$4

for tool in Xvfb xdotool import python3 curl; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (scripts/deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $1 (the screen at that moment: $out/transfers-failure.png)"
    import -window root "$out/transfers-failure.png" 2>/dev/null || true
    cat "$work/lumarin.log"
    exit 1
}

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
export QT_QPA_PLATFORM=xcb
unset LUMARIN_INSTANT_ANIMATIONS
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$kerlo" --port 0 --data "$work/kerlo" --control --demo-tree demo@kerlo.local >"$work/kerlo.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q "listening on" "$work/kerlo.log" 2>/dev/null && break; sleep 0.1; done
root=$(grep -o "http://127.0.0.1:[0-9]*" "$work/kerlo.log" | head -1)
[ -n "$root" ] || { echo "FAIL: kerlo-local did not start"; cat "$work/kerlo.log"; exit 1; }

# A keyring of its own (in $XDG_DATA_HOME): the program keeps its credentials under one name,
# and another run's sign-in left in a shared keyring would be tried first.
for tool in dbus-run-session gnome-keyring-daemon; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
dbus-run-session -- sh -c 'echo -n lumarin | gnome-keyring-daemon --daemonize --unlock \
    --components=secrets >/dev/null; exec "$0" "$@"' "$lumarin" -MCKerloAPIURL "$root" \
    >"$work/lumarin.log" 2>&1 &
pids+=($!)

wait_window() { # name pattern, seconds
    for _ in $(seq $(($2 * 10))); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    return 1
}
requests() { curl -fsS "$root/__control/requests"; }
# Waits until the request log has a request whose path matches pattern (a Python regular
# expression, anchored): wait_request pattern seconds
wait_request() {
    for _ in $(seq $(($2 * 5))); do
        requests | python3 -c '
import json, re, sys
sys.exit(0 if any(re.fullmatch(sys.argv[1], entry["path"])
                  for entry in json.load(sys.stdin)["requests"]) else 1)' "$1" && return 0
        sleep 0.2
    done
    return 1
}

# Signs in through the window, each field replaced whole; a second try if the window comes
# back.
for attempt in 1 2; do
    login=$(wait_window '^Kerlo$' 30) || fail "no sign-in window"
    sleep 4 # the opening animation
    xdotool windowfocus --sync "$login" 2>/dev/null || true
    xdotool key ctrl+a
    xdotool type --delay 20 "demo@kerlo.local"
    xdotool key Tab ctrl+a
    xdotool type --delay 20 "lumarin-demo"
    xdotool key Return
    wait_request '/api/v1/objects/list/?' 30 && break
    [ "$attempt" = 2 ] && fail "the root was never listed"
done
main=$(wait_window '^Kerlo Home$' 30) || fail "no signed-in window"
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || true
sleep 1

# The upload: its first request waits at the service, so the page shows it running.
head -c $((24 * 1024 * 1024)) /dev/urandom >"$work/Holiday video.bin"
curl -fsS -X POST -H 'Content-Type: application/json' \
    -d '{"path":"/api/v1/objects/Holiday video.bin","method":"PUT","action":"delay","delayMs":12000}' \
    "$root/__control/fault" >/dev/null
"$copyfiles" "$work/Holiday video.bin" >"$work/copy.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q copied "$work/copy.log" && break; sleep 0.1; done

# Paste into the icon view of "/": a click on its empty lower right, then Ctrl+V.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" $((WIDTH - 40)) $((HEIGHT - 60)) click 1
xdotool key ctrl+v
wait_request '/api/v1/objects/Holiday video\.bin' 20 || fail "pasting the copied file started no upload"

# The sidebar's "Transfers" row: down the sidebar's rows (about 17 px each, below the menu
# and tool bars) until the window's title says the page is shown.
for y in $(seq 30 8 200); do
    xdotool mousemove --window "$main" 120 "$y" click 1
    sleep 0.4
    [ "$(xdotool getwindowname "$main")" = "Transfers" ] && break
done
[ "$(xdotool getwindowname "$main")" = "Transfers" ] || fail "the transfers page did not open"
sleep 2 # a few progress reports
import -window root "$out/transfers-upload.png"

# The held request goes through and the upload is committed.
wait_request '/api/v1/commit/.*' 60 || fail "the upload never committed"
echo "Screenshot: $out/transfers-upload.png"
