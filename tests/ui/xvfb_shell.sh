#!/usr/bin/env bash
# End to end on a real X server: Lumarin waits with its banner while kerlo-local is down,
# shows the sign-in window once the service is up, takes the demo credentials typed with
# xdotool and opens the signed-in window. Saves a screenshot of each stage into the build
# folder (for a person to look at) and checks kerlo-local's request log.
# Usage: xvfb_shell.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
lumarin=$1
kerlo=$2
out=$3

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

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
export QT_QPA_PLATFORM=xcb
unset LUMARIN_INSTANT_ANIMATIONS

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# A free port: let kerlo-local pick one, then stop it so that Lumarin starts with no service.
start_kerlo() {
    : >"$work/kerlo.log"
    # Something to show in the signed-in window: the demo tree, planted by the first start.
    "$kerlo" --port "$1" --data "$work/kerlo" --control --demo-tree demo@kerlo.local \
        >"$work/kerlo.log" 2>&1 &
    kerlo_pid=$!
    pids+=($kerlo_pid)
    for _ in $(seq 100); do
        grep -q "listening on" "$work/kerlo.log" 2>/dev/null && break
        sleep 0.1
    done
    port=$(grep -o "listening on http://127.0.0.1:[0-9]*" "$work/kerlo.log" | grep -o "[0-9]*$")
}
start_kerlo 0
kill "$kerlo_pid"
wait "$kerlo_pid" 2>/dev/null || true
root="http://127.0.0.1:$port"

# Under AddressSanitizer: the X platform plugin and the libraries it loads with dlopen leave
# allocations that LeakSanitizer can only report as "<unknown module>"; the offscreen suites
# check the program's own leaks.
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi
"$lumarin" -MCKerloAPIURL "$root" >"$work/lumarin.log" 2>&1 &
lumarin_pid=$!
pids+=($lumarin_pid)

wait_window() { # name pattern, seconds
    for _ in $(seq $(($2 * 10))); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    return 1
}

wait_window '^Kerlo Home$' 30 >/dev/null || { echo "FAIL: no main window"; cat "$work/lumarin.log"; exit 1; }
sleep 4 # the connectivity check runs every 2.5 s
import -window root "$out/shell-banner.png"

start_kerlo "$port"
login=$(wait_window '^Kerlo$' 30) || { echo "FAIL: no sign-in window"; cat "$work/lumarin.log"; exit 1; }
sleep 4 # the opening animation
import -window root "$out/shell-signin.png"

xdotool windowfocus --sync "$login" 2>/dev/null || true
xdotool type --delay 20 "demo@kerlo.local"
xdotool key Tab
xdotool type --delay 20 "lumarin-demo"
xdotool key Return

for _ in $(seq 300); do
    if ! xdotool search --onlyvisible --name '^Kerlo$' >/dev/null 2>&1 &&
        xdotool search --onlyvisible --name '^Kerlo Home$' >/dev/null 2>&1; then
        break
    fi
    sleep 0.1
done
sleep 2
import -window root "$out/shell-signedin.png"

curl -fsS "$root/__control/requests" >"$work/requests.json"
python3 - "$work/requests.json" <<'PY'
import json, re, sys
log = json.load(open(sys.argv[1]))["requests"]
paths = [entry["path"] for entry in log]
def first(pattern):
    for i, path in enumerate(paths):
        if re.fullmatch(pattern, path):
            return i
    return -1
key, me = first(r"/api/v1/key\.json"), first(r"/api/v1/me\.json")
metadata, listing = first(r"/api/v1/objects/metadata/?"), first(r"/api/v1/objects/list/?")
delta = first(r"/api/v1/objects/delta/.*")
ok = 0 <= key < me and 0 <= metadata < listing < delta
print("sign-in %d, me %d, metadata %d, list %d, delta %d" % (key, me, metadata, listing, delta))
sys.exit(0 if ok else 1)
PY
# SIGTERM (as a log-out or a service manager sends it) quits in order: defaults saved, exit 0.
kill -TERM "$lumarin_pid"
status=0
for _ in $(seq 100); do kill -0 "$lumarin_pid" 2>/dev/null || break; sleep 0.1; done
wait "$lumarin_pid" || status=$?
if [ "$status" -ne 0 ]; then echo "FAIL: Lumarin ended with $status after SIGTERM"; cat "$work/lumarin.log"; exit 1; fi
if [ ! -s "$XDG_CONFIG_HOME/Lumarin/Lumarin.conf" ] || grep -q "Could not write" "$work/lumarin.log"; then
    echo "FAIL: the defaults were not saved at quit"; cat "$work/lumarin.log"; exit 1
fi

echo "Screenshots: $out/shell-banner.png $out/shell-signin.png $out/shell-signedin.png"
