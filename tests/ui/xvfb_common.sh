# The steps the end-to-end scripts on a real X server share; sourced by each, after
# `set -euo pipefail`:
#   require_tools <tool>...     skip (exit 77) unless Xvfb, xdotool, import, the session tools
#                               and the tools named are there
#   in_private_session "$@"     run the rest of the script in a D-Bus session of its own
#   begin_test <name> <lumarin> <kerlo-local> <folder>
#                               the programs, a work folder, clean-up at exit, an unlocked
#                               keyring, and where screenshots (<name>-*.png) go
#   start_xvfb, start_wm, start_kerlo [port], start_lumarin, sign_in, screenshot, fail, ...
# The scripts wait for what they look for (a window, a title, a request in kerlo-local's log,
# the screen drawn), never for a set time.

# The demo account that kerlo-local's --demo-tree plants.
demo_email="demo@kerlo.local"
demo_password="lumarin-demo"

require_tools() {
    local tool
    for tool in Xvfb xdotool import dbus-run-session gnome-keyring-daemon "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIP: $tool is missing (scripts/deps.sh installs it)"
            exit 77
        fi
    done
}

# A D-Bus session and keyring of its own: the credentials this sign-in stores neither meet
# nor outlive those of other runs in the shared session.
in_private_session() {
    if [ -z "${LUMARIN_XVFB_SESSION:-}" ]; then
        export LUMARIN_XVFB_SESSION=1
        exec dbus-run-session -- "$0" "$@"
    fi
}

begin_test() { # name, lumarin, kerlo-local, output folder
    test_name=$1
    lumarin=$2
    kerlo=$3
    out=$4
    work=$(mktemp -d)
    screenshots=()
    trap end_test EXIT
    export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
    # A runtime folder of its own: another Lumarin running meanwhile (another end-to-end
    # test) must not take this one's launch as a second instance.
    export XDG_RUNTIME_DIR=$work/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    # keyring=none leaves the keyring to the script (a new account's, with no login collection).
    if [ "${keyring:-}" != none ]; then
        echo -n lumarin | gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null
    fi
    export QT_QPA_PLATFORM=xcb
    # The waits below are for the real animations.
    unset LUMARIN_INSTANT_ANIMATIONS
    # Under AddressSanitizer: the X platform plugin and the libraries it loads with dlopen
    # leave allocations that LeakSanitizer can only report as "<unknown module>"; the
    # offscreen suites check the program's own leaks.
    if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"; fi
}

# Stops what the script started and still runs. Only running jobs: the number of one that
# ended (a killed X server, a restarted Lumarin) may belong to another program by now.
end_test() {
    local pid
    for pid in $(jobs -rp); do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}

# Ends the test as failed, with the screen at that moment and the program's log.
fail() {
    echo "FAIL: $1 (the screen at that moment: $out/$test_name-failure.png)"
    import -window root "$out/$test_name-failure.png" 2>/dev/null || true
    cat "$work/lumarin.log" 2>/dev/null || true
    # What the X server said: a server that went away under the test leaves its reason here.
    sed 's/^/Xvfb: /' "$work/xvfb.log" 2>/dev/null || true
    exit 1
}

# Saves the screen, or the window given, as <output folder>/<test name>-<what>.png.
screenshot() { # what, [window]
    local file=$out/$test_name-$1.png
    import -window "${2:-root}" "$file"
    screenshots+=("$file")
}

list_screenshots() { echo "Screenshots: ${screenshots[*]}"; }

# Xvfb picks a free display itself: other X servers may be running on this machine. On a
# loaded machine the server may take long to answer; one that dies on the way (another
# server took the display meanwhile) is started again. Fails unless a server of this test's
# own answers; sets xvfb_pid. Without -noreset the server resets when its last client
# leaves, and refuses whoever connects meanwhile: the probe below would make Lumarin's
# first connection such a one.
start_xvfb() {
    local attempt deadline
    for attempt in 1 2 3; do
        : >"$work/display"
        Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" \
            >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        deadline=$((SECONDS + 60))
        while [ ! -s "$work/display" ] && kill -0 "$xvfb_pid" 2>/dev/null &&
            [ "$SECONDS" -lt "$deadline" ]; do
            sleep 0.1
        done
        if [ -s "$work/display" ]; then
            DISPLAY=:$(head -1 "$work/display")
            export DISPLAY
            while kill -0 "$xvfb_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
                if xdotool getdisplaygeometry >/dev/null 2>&1; then
                    kill -0 "$xvfb_pid" 2>/dev/null && return 0
                    break
                fi
                sleep 0.1
            done
        fi
        echo "Xvfb (try $attempt) did not answer: $(cat "$work/xvfb.log")" >&2
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    done
    fail "no Xvfb of this test's own answered"
}

# openbox on the test's display, as a desktop's window manager: it frames, places, stacks and
# focuses the windows as a user's would. Skips the test without it; returns once it manages
# the screen.
start_wm() {
    if ! command -v openbox >/dev/null || ! command -v xprop >/dev/null; then
        echo "SKIP: openbox or xprop is missing (scripts/deps.sh installs them)"
        exit 77
    fi
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wait_for 60 "openbox did not take the screen" wm_running
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# The window manager's stacking order of the managed windows, bottom first, one id a line.
stacking() {
    xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | sed 's/^[^#]*# //' | tr -d ' ' | tr ',' '\n'
}

# Whether the first window stands in front of the second one (ids as xdotool prints them).
in_front_of() { # window, other window
    local order above below
    order=$(stacking)
    above=$(grep -n -x "$(printf '0x%x' "$1")" <<<"$order" | cut -d: -f1)
    below=$(grep -n -x "$(printf '0x%x' "$2")" <<<"$order" | cut -d: -f1)
    [ -n "$above" ] && [ -n "$below" ] && [ "$above" -gt "$below" ]
}

# Whether the window is the one the window manager gave the focus.
focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# The window's frame (the window manager's decoration included) as x y width height.
frame_of() { # window
    local left right top bottom
    read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null |
        sed -n 's/.*= //p' | tr -d ',')
    xwininfo -id "$1" 2>/dev/null | awk -v l="${left:-0}" -v r="${right:-0}" -v t="${top:-0}" \
        -v b="${bottom:-0}" '
        /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
        /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF}
        END {print x - l, y - t, w + l + r, h + t + b}'
}

# Whether the window's frame is whole on the screen and its middle over the other window.
placed_over() { # window, other window
    local x y w h ox oy ow oh sw sh
    read -r x y w h < <(frame_of "$1")
    read -r ox oy ow oh < <(frame_of "$2")
    read -r sw sh < <(xdotool getdisplaygeometry)
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] &&
        [ $((x + w / 2)) -gt "$ox" ] && [ $((x + w / 2)) -lt $((ox + ow)) ] &&
        [ $((y + h / 2)) -gt "$oy" ] && [ $((y + h / 2)) -lt $((oy + oh)) ]
}

# kerlo-local on the port given (0: one it picks) with the demo tree, planted by its first
# start, and its control API; sets kerlo_pid, port and root.
start_kerlo() { # [port]
    : >"$work/kerlo.log"
    "$kerlo" --port "${1:-0}" --data "$work/kerlo" --control --demo-tree "$demo_email" \
        >"$work/kerlo.log" 2>&1 &
    kerlo_pid=$!
    for _ in $(seq 100); do
        grep -q "listening on" "$work/kerlo.log" 2>/dev/null && break
        sleep 0.1
    done
    port=$(grep -o "listening on http://127.0.0.1:[0-9]*" "$work/kerlo.log" | grep -o "[0-9]*$") ||
        fail "kerlo-local did not start: $(cat "$work/kerlo.log")"
    root="http://127.0.0.1:$port"
}

stop_kerlo() {
    kill "$kerlo_pid"
    wait "$kerlo_pid" 2>/dev/null || true
}

# Lumarin against the service at $root; sets lumarin_pid.
start_lumarin() {
    "$lumarin" -MCKerloAPIURL "$root" >"$work/lumarin.log" 2>&1 &
    lumarin_pid=$!
}

# Polls the command given until it succeeds; after the seconds given, fails the test saying
# what did not happen.
wait_for() { # seconds, what did not happen, command...
    local deadline=$((SECONDS + $1)) what=$2
    shift 2
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "$what"
        sleep 0.1
    done
}

# How many windows of Lumarin's are shown (menus and popovers are windows of their own).
windows_shown() { xdotool search --onlyvisible --pid "$lumarin_pid" 2>/dev/null | wc -l; }
more_windows_than() { [ "$(windows_shown)" -gt "$1" ]; }
windows_back_to() { [ "$(windows_shown)" -le "$1" ]; }
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; } # name pattern
gone() { ! shown "$1"; }
titled() { [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; } # window, title

wait_window() { # name pattern, seconds; prints the window's id
    for _ in $(seq $(($2 * 10))); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    return 1
}

# The window's image (the screen's by default) as a checksum.
image_of() { import -window "${1:-root}" rgb:- 2>/dev/null | md5sum; }

# Waits until the window (the screen by default) is drawn: two looks at it a moment apart see
# the same image. Fades and slides change it at each frame, a blinking text cursor only now
# and then.
wait_drawn() { # [window], [seconds]
    local deadline=$((SECONDS + ${2:-60})) last now
    last=$(image_of "${1:-root}")
    while [ "$SECONDS" -lt "$deadline" ]; do
        sleep 0.2
        now=$(image_of "${1:-root}")
        [ "$now" = "$last" ] && return 0
        last=$now
    done
    fail "the window ${1:-root} never stopped changing"
}

# Clicks down the main window's sidebar at x, from one y to another, until the window's title
# matches the pattern (a row shows its page, whose name the window takes).
open_sidebar_row() { # title pattern, x, first y, last y, [step]
    local y
    for y in $(seq "$3" "${5:-8}" "$4"); do
        xdotool mousemove --window "$main" "$2" "$y" click 1
        wait_drawn "$main"
        title_matches "$main" "$1" && return 0
    done
    return 1
}
title_matches() { xdotool getwindowname "$1" 2>/dev/null | grep -E -- "$2" >/dev/null; } # window, pattern

# Waits until the window's image is no longer the one given (from image_of), then until it is
# drawn.
wait_redrawn() { # window, image before, what did not happen
    wait_for 60 "$3" changed_from "$1" "$2"
    wait_drawn "$1"
}
changed_from() { [ "$(image_of "$1")" != "$2" ]; }

# Waits until the sign-in window has gone and the signed-in one is shown; prints its id.
wait_signed_in() { # seconds
    for _ in $(seq $(($1 * 10))); do
        if ! xdotool search --onlyvisible --name '^Kerlo$' >/dev/null 2>&1; then
            xdotool search --onlyvisible --name '^Kerlo Home$' 2>/dev/null | head -1 && return 0
        fi
        sleep 0.1
    done
    return 1
}

# Types the demo user's credentials into the sign-in window, each field replaced whole, and
# sends them, once the opening animation is over (the fields take keys from then on); returns
# once the service got them. Keys typed before the window took them are lost: typed again while
# the window stays and the service got nothing.
enter_credentials() { # sign-in window, [screenshot name]
    local attempt sent
    sent=$(count_requests POST '/api/v1/key\.json')
    for attempt in 1 2 3; do
        wait_drawn "$1"
        if [ "$attempt" = 1 ] && [ -n "${2:-}" ]; then screenshot "$2"; fi
        xdotool windowfocus --sync "$1" 2>/dev/null || true
        xdotool key ctrl+a
        xdotool type --delay 20 "$demo_email"
        xdotool key Tab ctrl+a
        xdotool type --delay 20 "$demo_password"
        xdotool key Return
        wait_requests POST '/api/v1/key\.json' 20 "$sent" && return 0
        shown '^Kerlo$' || fail "the sign-in window went without signing in"
        echo "The sign-in window took no credentials (try $attempt): typing them again"
    done
    fail "the sign-in window never sent the credentials"
}

# Signs in through the window as the demo user and sets main to the signed-in window. With a
# name, screenshot of the sign-in window first.
sign_in() { # [screenshot name]
    local login
    login=$(wait_window '^Kerlo$' 60) || fail "no sign-in window"
    enter_credentials "$login" "${1:-}"
    main=$(wait_signed_in 60) || fail "the sign-in window did not give way to the signed-in one"
    [ -n "${keep_tour:-}" ] || close_tour
}

# Signs in (see sign_in) and waits until the root is listed and drawn.
sign_in_listed() { # [screenshot name]
    sign_in "$@"
    wait_answered GET '/api/v1/objects/list/?' 60 || fail "the root was never listed"
    wait_drawn "$main"
}

# A first sign-in opens the guided tour over the main window; the scripts that drive the main
# window close it first (keep_tour=1 keeps it).
close_tour() {
    local tour
    tour=$(wait_window '^Welcome to Kerlo$' 60) || return 0
    xdotool windowfocus --sync "$tour" 2>/dev/null || true
    xdotool key Escape
    wait_for 30 "Escape did not close the guided tour" gone '^Welcome to Kerlo$'
    xdotool windowfocus --sync "$main" 2>/dev/null || true
}

# kerlo-local's log of the requests it served, as JSON.
# Pastes a new file of 24 MiB into the icon view of "/", as copied from a file manager (the X
# clipboard, as xvfb_copyfiles puts it there): a click on the view's empty lower right, then
# Ctrl+V. The service holds the upload's first request delay_ms first, so it stays running.
paste_held_upload() { # xvfb_copyfiles, file name, delay_ms
    head -c $((24 * 1024 * 1024)) /dev/urandom >"$work/$2"
    curl -fsS -X POST -H 'Content-Type: application/json' \
        -d "{\"path\":\"/api/v1/objects/$2\",\"method\":\"PUT\",\"action\":\"delay\",\"delayMs\":$3}" \
        "$root/__control/fault" >/dev/null
    "$1" "$work/$2" >"$work/copy.log" 2>&1 &
    for _ in $(seq 600); do grep -q copied "$work/copy.log" && break; sleep 0.1; done
    grep -q copied "$work/copy.log" || fail "the file was not copied to the clipboard: $(cat "$work/copy.log")"
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool mousemove --window "$main" $((WIDTH - 40)) $((HEIGHT - 60)) click 1
    xdotool key ctrl+v
    wait_request '.*' "/api/v1/objects/${2//./\\.}" 60 || fail "pasting the copied file started no upload"
}

requests() { curl -fsS "$root/__control/requests"; }

# How many requests in the log have a method matching method and a path (percent-decoded)
# matching pattern; both Python regular expressions, anchored. With "answered", only those
# the service has answered.
count_requests() { # method, path pattern, [answered]
    requests | python3 -c '
import json, re, sys, urllib.parse
print(sum(1 for entry in json.load(sys.stdin)["requests"]
          if re.fullmatch(sys.argv[1], entry["method"]) and
          re.fullmatch(sys.argv[2], urllib.parse.unquote(entry["path"])) and
          (sys.argv[3] != "answered" or entry["status"] != -1)))' "$1" "$2" "${3:-}" || echo 0
}

# Waits until the request log has a request like those count_requests counts.
wait_request() { # method, path pattern, seconds
    wait_requests "$1" "$2" "$3" 0
}

# Waits until the request log has more than the number given of requests like those
# count_requests counts (answered ones with "answered").
wait_requests() { # method, path pattern, seconds, number before, [answered]
    for _ in $(seq $(($3 * 5))); do
        [ "$(count_requests "$1" "$2" "${5:-}")" -gt "$4" ] && return 0
        sleep 0.2
    done
    return 1
}

# Whether the log has, after the last request like the first, an answered one like the second
# (methods and path patterns as count_requests takes them).
answered_after() { # method, path pattern, then method, path pattern
    requests | python3 -c '
import json, re, sys, urllib.parse
def like(entry, method, path):
    return re.fullmatch(method, entry["method"]) and \
        re.fullmatch(path, urllib.parse.unquote(entry["path"]))
log = json.load(sys.stdin)["requests"]
first = [i for i, entry in enumerate(log) if like(entry, *sys.argv[1:3])]
sys.exit(0 if first and any(like(entry, *sys.argv[3:5]) and entry["status"] != -1
                            for entry in log[first[-1] + 1:]) else 1)' "$@"
}

# Waits until the service has answered a request like those count_requests counts.
wait_answered() { # method, path pattern, seconds
    wait_requests "$1" "$2" "$3" 0 answered
}
