# The steps the end-to-end scripts on a real X server share; sourced by each, after
# `set -euo pipefail`:
#   require_tools <tool>...     skip (exit 77) unless Xvfb, xdotool, import, the session tools
#                               and the tools named are there
#   in_private_session "$@"     run the rest of the script in a D-Bus session of its own
#   begin_test <name> <lumarin> <kerlo-local> <folder>
#                               the programs, a work folder, clean-up at exit, an unlocked
#                               keyring, and where screenshots (<name>-*.png) go
#   start_xvfb, start_kerlo [port], start_lumarin, sign_in, screenshot, fail, ...

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
    pids=()
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

end_test() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}

# Ends the test as failed, with the screen at that moment and the program's log.
fail() {
    echo "FAIL: $1 (the screen at that moment: $out/$test_name-failure.png)"
    import -window root "$out/$test_name-failure.png" 2>/dev/null || true
    cat "$work/lumarin.log" 2>/dev/null || true
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
# own answers.
start_xvfb() {
    local attempt xvfb_pid deadline
    for attempt in 1 2 3; do
        : >"$work/display"
        Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" \
            >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        pids+=("$xvfb_pid")
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

# kerlo-local on the port given (0: one it picks) with the demo tree, planted by its first
# start, and its control API; sets kerlo_pid, port and root.
start_kerlo() { # [port]
    : >"$work/kerlo.log"
    "$kerlo" --port "${1:-0}" --data "$work/kerlo" --control --demo-tree "$demo_email" \
        >"$work/kerlo.log" 2>&1 &
    kerlo_pid=$!
    pids+=("$kerlo_pid")
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
    pids+=("$lumarin_pid")
}

wait_window() { # name pattern, seconds; prints the window's id
    for _ in $(seq $(($2 * 10))); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    return 1
}

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

# Signs in through the window as the demo user, each field replaced whole, and sets main to the
# signed-in window. Keys typed before the window takes them are lost: a second try if the
# sign-in window stays. With a name, screenshot of the sign-in window first.
sign_in() { # [screenshot name]
    local attempt login
    for attempt in 1 2; do
        login=$(wait_window '^Kerlo$' 60) || fail "no sign-in window"
        sleep 5 # the opening animation: the fields take keys once it is over
        if [ "$attempt" = 1 ] && [ -n "${1:-}" ]; then screenshot "$1"; fi
        xdotool windowfocus --sync "$login" 2>/dev/null || true
        xdotool key ctrl+a
        xdotool type --delay 20 "$demo_email"
        xdotool key Tab ctrl+a
        xdotool type --delay 20 "$demo_password"
        xdotool key Return
        if main=$(wait_signed_in 45); then
            [ -n "${keep_tour:-}" ] || close_tour
            return 0
        fi
    done
    fail "the sign-in window did not give way to the signed-in one"
}

# A first sign-in opens the guided tour over the main window; the scripts that drive the main
# window close it first (keep_tour=1 keeps it).
close_tour() {
    local tour
    tour=$(wait_window '^Welcome to Kerlo$' 60) || return 0
    xdotool windowfocus --sync "$tour" 2>/dev/null || true
    xdotool key Escape
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name '^Welcome to Kerlo$' >/dev/null 2>&1 || break
        sleep 0.1
    done
    xdotool windowfocus --sync "$main" 2>/dev/null || true
}

# kerlo-local's log of the requests it served, as JSON.
requests() { curl -fsS "$root/__control/requests"; }

# Waits until the request log has a request whose method matches method and whose path
# (percent-decoded) matches pattern; both Python regular expressions, anchored.
wait_request() { # method, path pattern, seconds
    for _ in $(seq $(($3 * 5))); do
        requests | python3 -c '
import json, re, sys, urllib.parse
sys.exit(0 if any(re.fullmatch(sys.argv[1], entry["method"]) and
                  re.fullmatch(sys.argv[2], urllib.parse.unquote(entry["path"]))
                  for entry in json.load(sys.stdin)["requests"]) else 1)' "$1" "$2" && return 0
        sleep 0.2
    done
    return 1
}
