#!/usr/bin/env bash
# End to end on a real X server: a signed-in Lumarin goes to "/Documents" with Go to Folder
# (Ctrl+Shift+G) while the service answers that folder's listing 503 (kerlo-local's status
# switch). Saves a screenshot of the window (build/listingfailure-refused.png: the panel has
# closed, the icon view says that the folder could not be listed and why, the status bar counts
# nothing), checks that the window's title names the folder and that Lumarin is still running.
# Usage: xvfb_listingfailure.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test listingfailure "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin

sign_in_listed
xdotool windowsize --sync "$main" 960 600 2>/dev/null || true
wait_drawn "$main"

curl -fsS -X POST -H 'Content-Type: application/json' \
    -d '{"path":"/api/v1/objects/list/Documents","method":"GET","action":"status","status":503,"body":"{}","count":-1}' \
    "$root/__control/fault" >/dev/null
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key ctrl+shift+g
panel=$(wait_window '^Go to Folder$' 30) || fail "Go to Folder did not open"
xdotool windowfocus --sync "$panel" 2>/dev/null || true
xdotool key ctrl+a
xdotool type --delay 20 /Documents
xdotool key Return
wait_answered GET '/api/v1/objects/list/Documents' 60 || fail "Documents was never listed"
wait_for 20 "the Go to Folder panel stayed open" gone '^Go to Folder$'
wait_for 20 "the window does not show Documents" titled "$main" Documents
wait_drawn "$main"
screenshot refused "$main"
kill -0 "$lumarin_pid" 2>/dev/null || fail "Lumarin is not running any more"
list_screenshots
