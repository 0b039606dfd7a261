#!/usr/bin/env bash
# End to end on a real X server under a window manager: Sign Out from the File menu, confirmed,
# then the word that the user was logged out answered with OK. The program restarts itself:
# the new process must come back with the sign-in window every time, also while the old one is
# still ending. It is signed in again and signed out again, LUMARIN_SIGNOUT_CYCLES times (3 by
# default); each time the new process is the one the next round drives.
# Usage: xvfb_signout.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test signout "$1" "$2" "$3"
cycles=${LUMARIN_SIGNOUT_CYCLES:-3}
start_xvfb
start_wm
start_kerlo
start_lumarin
sign_in_listed

# The process the relaunch started is no job of this script's: it is ended by its id.
relaunched=
end_relaunched() {
    if [ -n "$relaunched" ]; then kill "$relaunched" 2>/dev/null || true; fi
    end_test
}
trap end_relaunched EXIT
lumarin_running() { kill -0 "$lumarin_pid" 2>/dev/null; }
lumarin_ended() { ! lumarin_running; }

for cycle in $(seq "$cycles"); do
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    wait_drawn "$main"
    # The File menu's Sign Out, just above Quit.
    shown_before=$(windows_shown)
    xdotool key alt+f
    wait_for 30 "Alt+F opened no File menu (round $cycle)" more_windows_than "$shown_before"
    xdotool key Up Up Return
    confirm=$(wait_window '^Kerlo - Sign Out$' 60) || fail "Sign Out asked nothing (round $cycle)"
    wait_drawn "$confirm"
    [ "$cycle" != 1 ] || screenshot confirm
    # Cancel is the default; the other button signs out.
    xdotool windowactivate --sync "$confirm" 2>/dev/null || true
    xdotool key Tab space
    wait_for 30 "the Sign Out question stayed (round $cycle)" gone '^Kerlo - Sign Out$'
    said=$(wait_window "^Kerlo$" 60) || fail "no word that the user was logged out (round $cycle)"
    wait_drawn "$said"
    xdotool windowactivate --sync "$said" 2>/dev/null || true
    xdotool key Return
    # The old process ends; a new one comes back with the sign-in window.
    wait_for 60 "the signed-out process did not end (round $cycle)" lumarin_ended
    login=$(wait_window '^Kerlo$' 60) ||
        fail "after Sign Out no window came back (round $cycle of $cycles)"
    lumarin_pid=$(xdotool getwindowpid "$login") || fail "the sign-in window has no process"
    relaunched=$lumarin_pid
    echo "Round $cycle: process $lumarin_pid came back with the sign-in window"
    [ "$cycle" != 1 ] || screenshot relaunched
    sign_in_listed
done
echo "$cycles of $cycles sign-outs came back to the sign-in window"
list_screenshots
