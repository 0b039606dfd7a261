#!/usr/bin/env bash
# End to end on a real X server: signs in to kerlo-local's demo tree, goes to "/Photos/Trip"
# through Go to Folder (typed with xdotool), selects the first picture and saves a screenshot of
# the whole main window with every bar shown (toolbar, sidebar, path bar, status bar) into the
# build folder, for a person to look at.
# Usage: xvfb_mainwindow.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools
in_private_session "$@"
begin_test mainwindow "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin
sign_in_listed
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || true
xdotool key ctrl+shift+g
panel=$(wait_window '^Go to Folder$' 30) || fail "Go to Folder did not open"
xdotool windowfocus --sync "$panel" 2>/dev/null || true
xdotool type --delay 20 "/Photos/Trip"
thumbnails=$(count_requests POST '/api/v1/thumbnail')
xdotool key Return
wait_window '^Trip$' 60 >/dev/null || fail "Go to Folder did not show /Photos/Trip"
wait_request GET '/api/v1/objects/list/Photos/Trip/?' 60 || fail "the folder was not listed"
wait_requests POST '/api/v1/thumbnail' 60 "$thumbnails" answered || fail "no thumbnails were fetched"
wait_drawn "$main"
# The first icon of the grid: right of the sidebar, below the menu and tool bars.
before=$(image_of "$main")
xdotool mousemove --window "$main" 260 150 click 1
wait_redrawn "$main" "$before" "the click selected nothing"
screenshot window "$main"
list_screenshots
