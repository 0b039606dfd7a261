#!/usr/bin/env bash
# End to end on a real X server: three other users become the demo user's contacts and write to
# it through kerlo-local's control API while the browser is shown. The launcher entry's updates
# on the session bus are recorded (build/badge-launcher.txt: the counts sent, the window's
# urgency hint) and the window with the toolbar's accessory at its right end is saved
# (build/badge-window.png); opening the three chats brings the count back to 0.
# Usage: xvfb_badge.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl dbus-monitor xprop
in_private_session "$@"
begin_test badge "$1" "$2" "$3"
start_xvfb
start_kerlo

control() { # path, JSON body
    curl -fsS -H 'Content-Type: application/json' -d "$2" "$root/__control$1" >/dev/null
}
writers="bea cal dan"
for who in $writers; do
    control /users "{\"email\":\"$who@kerlo.local\",\"password\":\"pw\",\"first_name\":\"$who\"}" ||
        fail "kerlo-local refused a user"
    control /contact-invitations "{\"email\":\"$who@kerlo.local\",\"recipient\":\"$demo_email\"}" ||
        fail "kerlo-local refused an invitation"
    control /contact-invitations/accept "{\"email\":\"$demo_email\",\"sender\":\"$who@kerlo.local\"}" ||
        fail "kerlo-local refused an answer"
done

dbus-monitor --session "type='signal',interface='com.canonical.Unity.LauncherEntry'" \
    >"$work/launcher.log" 2>&1 &
start_lumarin
sign_in
xdotool windowsize --sync "$main" 1100 680 2>/dev/null || true
xdotool search --onlyvisible --name '^Kerlo Home$' >/dev/null || fail "the browser is not shown"
wait_request GET '/api/v1/conversations/notifications.*' 60 || fail "no news poll"

# The next news poll waits while the three write: one answer brings the three chats (on a
# loaded machine they may come in two; the count reaches 3 either way).
polls=$(count_requests GET '/api/v1/conversations/notifications.*')
control /fault "{\"path\":\"/api/v1/conversations/notifications\",\"action\":\"delay\",\"delayMs\":6000,\"count\":1}" ||
    fail "kerlo-local refused the delay"
wait_requests GET '/api/v1/conversations/notifications.*' 60 "$polls" ||
    fail "no news poll came to be held"
for who in $writers; do
    control /messages "{\"email\":\"$who@kerlo.local\",\"recipient\":\"$demo_email\",\"content\":\"are you there?\"}" ||
        fail "kerlo-local refused a message"
done
for _ in $(seq 300); do
    grep -q 'int64 3' "$work/launcher.log" && break
    sleep 0.2
done
grep -q 'int64 3' "$work/launcher.log" || fail "the launcher never got the count 3: $(cat "$work/launcher.log")"
urgency=$(xprop -id "$main" WM_HINTS 2>/dev/null | grep -i urgen || echo "no urgency hint (the window is in front)")
screenshot window "$main"

# Each person's row down the sidebar, found by the window's title: reading the three chats.
for who in $writers; do
    open_sidebar_row "^$who\$" 80 30 500 6 || fail "the chat of $who did not open"
done
for _ in $(seq 300); do
    grep -q 'int64 0' "$work/launcher.log" && break
    sleep 0.2
done
grep -q 'int64 0' "$work/launcher.log" || fail "the launcher count was not cleared"

{
    echo "Launcher entry updates sent on the session bus (count, count-visible):"
    python3 -c '
import re, sys
text = open(sys.argv[1]).read()
for block in text.split("signal ")[1:]:
    count = re.search(r"\"count\"\s*variant\s*int64 (\d+)", block)
    shown = re.search(r"\"count-visible\"\s*variant\s*boolean (\w+)", block)
    app = re.search(r"string \"(application://[^\"]*)\"", block)
    if count:
        print("  %s count=%s visible=%s" % (app.group(1) if app else "?", count.group(1),
                                            shown.group(1) if shown else "?"))
' "$work/launcher.log"
    echo "Window urgency after the rise: $urgency"
} >"$out/badge-launcher.txt"
cat "$out/badge-launcher.txt"
list_screenshots
