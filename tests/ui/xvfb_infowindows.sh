#!/usr/bin/env bash
# End to end on a real X server: signs in to kerlo-local's demo tree with xdotool, opens the
# Photos folder, selects Sunset.jpg by typing its name, opens the preview window with Space and
# Get Info with Ctrl+I, and saves a screenshot of each into the build folder (for a person to
# look at); checks that each window appeared and that Escape closed the preview.
# Usage: xvfb_infowindows.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
in_private_session "$@"
require_tools
begin_test infowindows "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin
sign_in_listed

# The first icon of the grid (Documents); typing selects Photos, Ctrl+O enters it.
xdotool windowfocus --sync "$main" 2>/dev/null || true
before=$(image_of "$main")
xdotool mousemove --window "$main" 260 140 click 1
wait_redrawn "$main" "$before" "the click on the first icon selected nothing"
xdotool type --delay 60 "ph"
xdotool key ctrl+o
wait_for 60 "Ctrl+O did not enter Photos" titled "$main" Photos
wait_request GET "/api/v1/objects/list/Photos/?" 60 || fail "Photos was never listed"
wait_drawn "$main"
before=$(image_of "$main")
xdotool type --delay 60 "sunset"
wait_redrawn "$main" "$before" "typing selected nothing"

# Space: the preview grows out of the selection, draws the picture once it is downloaded.
xdotool key space
preview=$(wait_window '^Sunset\.jpg$' 60) || fail "no preview window"
wait_request GET '/api/v1/object/Photos/Sunset\.jpg' 60 || fail "the preview did not fetch the picture"
wait_drawn
screenshot quicklook
xdotool key Escape
wait_for 30 "Escape did not close the preview window" gone '^Sunset\.jpg$'

# Ctrl+I: the Get Info window of the selection.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key ctrl+i
info=$(wait_window 'Sunset\.jpg.* Info$' 60) || fail "no Get Info window"
wait_drawn
screenshot getinfo
echo "preview window $preview, Get Info window $info"
list_screenshots
