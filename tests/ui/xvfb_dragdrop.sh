#!/usr/bin/env bash
# End to end on a real X server: a picture dragged from another program (a small drag source
# made for this test) onto the signed-in window is uploaded into the folder shown, and its
# thumbnail appears among the icons. Checks kerlo-local's request log and saves a screenshot
# of the icon view into the build folder (for a person to look at). A file dragged out onto a
# target that speaks the X direct-save protocol is downloaded into the folder it names.
# Usage: xvfb_dragdrop.sh <lumarin> <kerlo-local> <drag source> <output folder>
set -euo pipefail
lumarin=$1
kerlo=$2
source_program=$3
out=$4

for tool in Xvfb xdotool import convert python3 curl; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (scripts/deps.sh installs it)"
        exit 77
    fi
done

# A D-Bus session and keyring of its own: the credentials this sign-in stores must not be
# found by other tests that run the program in the shared session.
if [ -z "${LUMARIN_XVFB_SESSION:-}" ] && command -v dbus-run-session >/dev/null &&
    command -v gnome-keyring-daemon >/dev/null; then
    export LUMARIN_XVFB_SESSION=1
    exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
# A runtime folder of its own: another Lumarin running meanwhile (another end-to-end test)
# must not take this one's launch as a second instance.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ -n "${LUMARIN_XVFB_SESSION:-}" ]; then
    echo -n lumarin | gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null
fi
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
for _ in $(seq 100); do
    grep -q "listening on" "$work/kerlo.log" 2>/dev/null && break
    sleep 0.1
done
port=$(grep -o "listening on http://127.0.0.1:[0-9]*" "$work/kerlo.log" | grep -o "[0-9]*$")
root="http://127.0.0.1:$port"

"$lumarin" -MCKerloAPIURL "$root" >"$work/lumarin.log" 2>&1 &
pids+=($!)

wait_window() { # name pattern, seconds
    for _ in $(seq $(($2 * 10))); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    return 1
}
fail() { echo "FAIL: $1"; cat "$work/lumarin.log"; exit 1; }

login=$(wait_window '^Kerlo$' 40) || fail "no sign-in window"
sleep 6 # the opening animation: the fields take keys once it is over
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
main=$(wait_window '^Kerlo Home$' 5) || fail "no signed-in window"
# No window manager runs: place the window where the drop goes.
xdotool windowmove --sync "$main" 240 40 2>/dev/null || xdotool windowmove "$main" 240 40
xdotool windowsize --sync "$main" 1000 700 2>/dev/null || xdotool windowsize "$main" 1000 700
sleep 2

# The picture to drop, made here so that it is new to the service.
picture=$work/Dropped\ picture.png
convert -size 256x192 gradient:'#ffcc33-#cc3366' -fill '#2255aa' -draw 'circle 128,96 128,30' \
    "$picture"
mkdir -p "$work/saved"
"$source_program" "$picture" --save-to "$work/saved" >"$work/source.log" 2>&1 &
pids+=($!)
wait_window '^Drag source$' 20 >/dev/null || fail "no drag source window"
sleep 1

# Press on the source, move in steps (each a motion event) to x y, rest there for the
# seconds given, move on to an empty part of the icon view, and let go.
drag_file() { # x y seconds
    xdotool mousemove --sync 100 100
    xdotool mousedown 1
    for step in $(seq 1 20); do
        xdotool mousemove $((100 + step * ($1 - 100) / 20)) $((100 + step * ($2 - 100) / 20))
        sleep 0.05
    done
    for _ in $(seq $(($3 * 10))); do
        xdotool mousemove "$1" "$2"
        sleep 0.1
    done
    xdotool mousemove 1100 620
    sleep 0.5
    xdotool mousemove 1110 630
    sleep 0.5
    xdotool mouseup 1
}

uploaded_to() { # remote path
    for _ in $(seq 200); do
        curl -fsS "$root/__control/requests" >"$work/requests.json"
        if python3 - "$work/requests.json" "$1" <<'PY'
import json, sys, urllib.parse
log = json.load(open(sys.argv[1]))["requests"]
wanted = sys.argv[2]
sys.exit(0 if any(e["method"] == "PUT" and urllib.parse.unquote(e["path"]).endswith(wanted)
                  for e in log) else 1)
PY
        then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Straight onto the window: the picture goes into the folder shown.
drag_file 900 500 0
uploaded_to "/api/v1/objects/Dropped picture.png" ||
    { cat "$work/source.log"; fail "no upload of the dropped picture in kerlo-local's log"; }
grep -q "drag ended with action 1" "$work/source.log" || fail "the drop was not taken as a copy: $(cat "$work/source.log")"
[ -f "$picture" ] || fail "the dragged file is gone"

sleep 4 # the upload ends, the listing comes, the thumbnail is fetched and drawn
import -window "$main" "$out/dragdrop-iconview.png"

# Resting on the Photos folder (the second icon of the first row) opens it; the drop then
# goes into it, among the pictures.
drag_file $((240 + 535)) $((40 + 80)) 2
uploaded_to "/api/v1/objects/Photos/Dropped picture.png" ||
    { cat "$work/source.log"; fail "the drag resting on Photos did not drop into it"; }
xdotool search --onlyvisible --name '^Photos$' >/dev/null || fail "Photos was not opened"
sleep 4
import -window "$main" "$out/dragdrop-photos.png"

# Out again, onto a target that takes the direct save: the picture is downloaded into the
# folder it names.
xdotool mousemove --sync $((240 + 535)) $((40 + 80))
xdotool mousedown 1
for step in $(seq 1 20); do
    xdotool mousemove $((775 - step * 33)) $((120 + step * 18))
    sleep 0.05
done
xdotool mousemove 100 480
sleep 0.5
xdotool mousemove 101 481
sleep 0.5
xdotool mouseup 1
saved="$work/saved/Dropped picture.png"
for _ in $(seq 200); do cmp -s "$saved" "$picture" && break; sleep 0.1; done
cmp -s "$saved" "$picture" || fail "the direct save did not download the picture: $(cat "$work/source.log")"
grep -q "direct save S to $saved" "$work/source.log" || fail "the direct save was not answered: $(cat "$work/source.log")"
echo "Screenshots: $out/dragdrop-iconview.png $out/dragdrop-photos.png"
