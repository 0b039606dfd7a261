#!/usr/bin/env bash
# End to end on a real X server: signs in to kerlo-local as the demo user with xdotool, opens
# the account page from the sidebar and its devices tab, and saves a screenshot of each into the
# build folder (for a person to look at); checks that the page asked for the devices.
# Usage: xvfb_account.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
in_private_session "$@"
begin_test account "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin
sign_in_listed
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool windowsize --sync "$main" 960 680 2>/dev/null || true
wait_drawn "$main"

screenshot sidebar "$main"
# The sidebar's account row is the third under its first group's title. The window takes the
# page's name as its title.
xdotool mousemove --window "$main" 80 145 click 1
wait_for 60 "the sidebar's account row did not open the page" titled "$main" Account
wait_drawn "$main"
screenshot account "$main"

# The tabs sit centred at the top of the page: the second is Devices.
width=$(xdotool getwindowgeometry "$main" | grep -o "Geometry: [0-9]*" | grep -o "[0-9]*$")
xdotool mousemove --window "$main" $((width / 2 + 125)) 93 click 1
wait_request GET '/api/v1/devices\.json' 60 || fail "the devices tab did not list the devices"
wait_drawn "$main"
screenshot devices "$main"
list_screenshots
