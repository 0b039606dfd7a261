#!/usr/bin/env bash
# Builds everything, starts kerlo-local on loopback and runs Lumarin against it.
#
# With a display, Lumarin runs until you quit it (a relaunch after Sign Out is waited for too),
# then kerlo-local stops. With no display (a server), Lumarin runs under Xvfb: the script saves a
# screenshot of the sign-in window, signs in as the demo account, saves one of the signed-in
# window into build/ and stops everything.
#
# Environment: KERLO_LOCAL_PORT (default 8642; a fixed port keeps a stored session valid across
# runs), KERLO_LOCAL_DATA (default build/kerlo-local-data), LUMARIN_SCREENSHOT (the signed-in
# window's screenshot when headless, default build/lumarin-run.png; the sign-in window's goes
# beside it with "-signin" before ".png").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
# The tree the test command builds too, configured alike.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMARIN_SHARED_LIBS=ON

data="${KERLO_LOCAL_DATA:-$root/build/kerlo-local-data}"
port="${KERLO_LOCAL_PORT:-8642}"
screenshot="${LUMARIN_SCREENSHOT:-$root/build/lumarin-run.png}"
service="$root/build/service/kerlo-local"
lumarin="$root/build/src/ui/lumarin"
work=$(mktemp -d)
mkdir -p "$data"

service_pid=
xvfb_pid=
cleanup() {
    if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The service prints "kerlo-local listening on <url>" once it accepts connections. The demo
# account gets the demo tree while its store is empty, so on the first start only.
"$service" --port "$port" --data "$data" --demo-tree demo@kerlo.local >"$work/service.log" 2>&1 &
service_pid=$!
url=
for _ in $(seq 100); do
    url=$(sed -n 's/^kerlo-local listening on //p' "$work/service.log")
    if [ -n "$url" ] || ! kill -0 "$service_pid" 2>/dev/null; then break; fi
    sleep 0.1
done
if [ -z "$url" ]; then
    echo "kerlo-local did not start (is port $port taken? set KERLO_LOCAL_PORT):" >&2
    cat "$work/service.log" >&2
    exit 1
fi
echo "kerlo-local runs on $url (data in $data)."
echo "Sign in with the demo account: e-mail demo@kerlo.local, password lumarin-demo."

if [ ! -x "$lumarin" ]; then
    echo "The Lumarin window is not built yet: only the service runs. Press Ctrl-C to stop it."
    wait "$service_pid"
    exit
fi
export MCKerloAPIURL="$url"

headless=
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    headless=1
    # Xvfb names the display it took on the descriptor once it accepts clients; -noreset: a
    # server that resets when its last client leaves refuses whoever connects meanwhile.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        if [ -s "$work/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then break; fi
        sleep 0.1
    done
    if [ ! -s "$work/display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$work/display")"
    export QT_QPA_PLATFORM=xcb
    echo "No display: Lumarin runs under Xvfb on $DISPLAY."
fi

"$lumarin" "$@" &
lumarin_pid=$!

if [ -n "$headless" ]; then
    # The sign-in window (titled "Kerlo") once its opening animation is over, then the browser
    # ("Kerlo Home") after signing in as the demo account, showing the demo tree. Nothing else
    # runs on this private display. A stored session skips the sign-in window.
    stop_lumarin() {
        kill -TERM "$lumarin_pid" 2>/dev/null || true
        wait "$lumarin_pid" || true
    }
    find_window() { # title pattern, tenths of a second
        for _ in $(seq "$2"); do
            xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 && return 0
            kill -0 "$lumarin_pid" 2>/dev/null || return 1
            sleep 0.1
        done
        return 1
    }
    signed_in=$(find_window '^Kerlo Home$' 1 || true)
    if [ -z "$signed_in" ]; then
        login=$(find_window '^Kerlo$' 600) || {
            echo "Lumarin showed no sign-in window." >&2
            stop_lumarin
            exit 1
        }
        sleep 4 # the opening animation: the fields appear once it is over
        login_shot="${screenshot%.png}-signin.png"
        import -window root "$login_shot"
        echo "Sign-in window saved to $login_shot."
        xdotool windowfocus --sync "$login" 2>/dev/null || true
        xdotool key ctrl+a
        xdotool type --delay 20 demo@kerlo.local
        xdotool key Tab ctrl+a
        xdotool type --delay 20 lumarin-demo
        xdotool key Return
    fi
    signed_in=$(find_window '^Kerlo Home$' 600) || {
        echo "Lumarin did not show the signed-in window." >&2
        stop_lumarin
        exit 1
    }
    # A first sign-in opens the guided tour over the browser: Escape leaves it.
    if tour=$(find_window '^Welcome to Kerlo$' 50); then
        xdotool windowfocus --sync "$tour" 2>/dev/null || true
        xdotool key Escape
        for _ in $(seq 50); do
            xdotool search --onlyvisible --name '^Welcome to Kerlo$' >/dev/null 2>&1 || break
            sleep 0.1
        done
        xdotool windowfocus --sync "$signed_in" 2>/dev/null || true
    fi
    sleep 3 # the listing of "/" and its icons
    import -window root "$screenshot"
    echo "Signed-in window saved to $screenshot."
    stop_lumarin
    exit 0
fi

status=0
wait "$lumarin_pid" || status=$?
# Sign Out relaunches Lumarin: follow the instance that now holds the support folder's lock
# (QLockFile writes the holder's pid on the first line).
name=$(sed -n 's/^#define LUMARIN_BUNDLE_NAME "\(.*\)"$/\1/p' \
    "$root/build/src/platform/bundlevaluesbuild.h" 2>/dev/null || true)
lock="${XDG_DATA_HOME:-$HOME/.local/share}/${name:-Lumarin}/lumarin.lock"
previous=$lumarin_pid
waited=0
while [ "$waited" -lt 50 ]; do
    holder=$(head -n1 "$lock" 2>/dev/null || true)
    if [ -n "$holder" ] && [ "$holder" != "$previous" ] && kill -0 "$holder" 2>/dev/null; then
        echo "Lumarin relaunched (process $holder); waiting for it to quit."
        while kill -0 "$holder" 2>/dev/null; do sleep 1; done
        previous=$holder
        waited=0
        status=0
        continue
    fi
    # A relaunched instance takes the lock within moments of the old one letting go.
    sleep 0.1
    waited=$((waited + 1))
done
exit "$status"
