#!/usr/bin/env bash
# End to end on a real X server with a new account's keyring: the daemon runs but no login
# collection was ever made. Signing in makes the keyring ask for the new default collection's
# password. Cancelled, the keyring refuses and the window says once that the sign-in could not
# be kept and why; the next launch asks again. Given, the collection is made and the sign-in
# kept: the launch after comes up signed in. Under a window manager the word on refusal stands
# in front of the guided tour that opens with it. Screenshots of the keyring's question, the
# word on refusal over the tour and the kept session go into the build folder.
# Usage: xvfb_keyring.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
# The keyring asks its questions through the desktop's prompter (gnome-keyring depends on it).
if [ ! -x /usr/libexec/gcr-prompter ]; then
    echo "SKIP: gcr-prompter is missing"
    exit 77
fi
in_private_session "$@"
keyring=none begin_test keyring "$1" "$2" "$3"
start_xvfb
start_wm
# The keyring's password question is shown on this display. Its prompter stays up between
# questions: left alone it quits after ten idle seconds, and a question that comes as it quits
# is dismissed unanswered.
dbus-update-activation-environment DISPLAY GCR_PERSIST=1
gnome-keyring-daemon --daemonize --components=secrets >/dev/null
start_kerlo

# The keyring's prompt for a new collection; prints its window.
wait_prompt() {
    for _ in $(seq 600); do
        xdotool search --onlyvisible --class 'gcr-prompter' 2>/dev/null | head -1 && return 0
        sleep 0.1
    done
    return 1
}

prompt_gone() { ! xdotool search --onlyvisible --class 'gcr-prompter' >/dev/null 2>&1; }

# Types the new collection's password and its confirmation into the keyring's question; returns
# once the question is gone.
answer_prompt() { # prompt window
    # The prompt takes keys once it is drawn.
    wait_drawn "$1"
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool type --delay 20 "keyring-password"
    xdotool key Tab
    xdotool type --delay 20 "keyring-password"
    xdotool key Return
    wait_for 30 "the keyring's question stayed after its password was typed" prompt_gone
}

quit_lumarin() {
    kill -TERM "$lumarin_pid"
    wait "$lumarin_pid" || fail "Lumarin ended with $? after SIGTERM"
}

# Signs in; the keyring asks, and the answer is cancelled.
start_lumarin
login=$(wait_window '^Kerlo$' 60) || fail "no sign-in window"
enter_credentials "$login"
prompt=$(wait_prompt) || fail "the keyring did not ask for a new collection"
wait_drawn
screenshot prompt
xdotool windowfocus --sync "$prompt" 2>/dev/null || true
xdotool key Escape
# The alert is titled as the sign-in window is, and as the main window is before it shows a
# folder: it is the visible "Kerlo" that is neither, once the main window shows Home.
main=$(wait_window '^Kerlo Home$' 60) || fail "no signed-in window"
kerlo_windows() { xdotool search --onlyvisible --name '^Kerlo$' 2>/dev/null || true; }
kerlo_alert() {
    kerlo_windows | awk -v login="$login" -v main="$main" \
        '$0 != login && $0 != main && !found { print; found = 1 }'
}
alert_shown() { [ -n "$(kerlo_alert)" ]; }
wait_for 60 "no word that the sign-in was not kept" alert_shown
alert=$(kerlo_alert)
# The guided tour of a first sign-in opens with it; the alert, which blocks the tour, stays in
# front of it and has the keys.
tour=$(wait_window '^Welcome to Kerlo$' 60) || fail "no guided tour after the first sign-in"
alert_in_front() { in_front_of "$alert" "$tour" && in_front_of "$alert" "$main" && focused "$alert"; }
for _ in $(seq 300); do
    alert_in_front && break
    sleep 0.1
done
alert_in_front || fail "the alert stands behind the guided tour or has no focus (stacking, \
bottom first: $(stacking | tr '\n' ' '); alert $(printf '0x%x' "$alert"), tour \
$(printf '0x%x' "$tour"), focus $(printf '0x%x' "$(xdotool getactivewindow)"))"
wait_drawn
screenshot refused
grep -q "The sign-in was not kept: The keyring has no default collection" "$work/lumarin.log" ||
    fail "the log does not say why the sign-in was not kept"
[ "$(grep -c "The sign-in was not kept" "$work/lumarin.log")" = 1 ] || fail "said more than once"
# Cancelled, the question is said to have been dismissed, not named by the path it left.
grep -q "could not create one (the request was dismissed)" "$work/lumarin.log" ||
    fail "the refusal is not said as a dismissed request"
# Answered from the keys it has; then the tour takes them.
xdotool key Return
alert_gone() { [ -z "$(kerlo_windows | awk -v alert="$alert" '$0 == alert')" ]; }
wait_for 30 "Return did not answer the alert" alert_gone
close_tour
quit_lumarin

# Nothing was kept: the next launch asks again. This time the keyring gets its password.
for attempt in 1 2; do
    start_lumarin
    sign_in_window=$(wait_window '^Kerlo$' 60) ||
        fail "the launch after a refusal did not ask again"
    enter_credentials "$sign_in_window"
    prompt=$(wait_prompt) || fail "the keyring did not ask for a new collection"
    answer_prompt "$prompt"
    main=$(wait_signed_in 60) || fail "no signed-in window after the keyring took its password"
    # The word that the sign-in was not kept comes as the signed-in window shows.
    grep -q "The sign-in was not kept" "$work/lumarin.log" || break
    # The prompter is not ours: a question it drops as the password comes is asked again once,
    # and what the window said must match what the keyring did.
    grep -q "could not create one (the request was dismissed)" "$work/lumarin.log" ||
        fail "the sign-in was not kept"
    [ "$attempt" = 1 ] || fail "the sign-in was not kept: the keyring dropped its question twice"
    echo "The keyring dropped the question it got the password for (try $attempt): asking again"
    screenshot dropped
    quit_lumarin
done
close_tour
quit_lumarin

# Kept: the launch after comes up signed in, without the sign-in window or a new sign-in.
curl -fsS -X DELETE "$root/__control/requests" >/dev/null
start_lumarin
wait_request GET '/api/v1/objects/list/?' 60 || fail "the kept sign-in did not come back"
main=$(wait_signed_in 60) || fail "the sign-in window came although the sign-in was kept"
# A sign-in comes before the listing.
[ "$(count_requests POST '/api/v1/key\.json')" = 0 ] || fail "the kept sign-in was asked again"
wait_answered GET '/api/v1/objects/list/?' 60 || fail "the kept sign-in did not come back"
wait_drawn
screenshot kept
quit_lumarin

list_screenshots
