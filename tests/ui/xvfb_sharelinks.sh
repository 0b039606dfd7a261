#!/usr/bin/env bash
# End to end on a real X server: a signed-in Lumarin makes share links for the first three
# pictures of the demo tree's "Photos" from the icon view's context menu ("Get Share Link" is
# the item before the last, "Show View Options"), saves a screenshot of the share-link popover under the toolbar's Share
# (build/sharelinks-popover.png), then opens the sidebar's "Share Links" row and saves one of
# the page listing the three links (build/sharelinks-page.png) and of it after the first
# link was revoked with its row's button (build/sharelinks-revoked.png).
# Usage: xvfb_sharelinks.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test sharelinks "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin

sign_in_listed
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || true
wait_drawn "$main"

# Into "Photos" (the second icon of "/"), whose first three icons are pictures on a grid of 140
# pixels right of the sidebar.
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" 400 140 click --repeat 2 --delay 80 1
wait_answered '.*' '/api/v1/objects/list/Photos/?' 60 || fail "Photos was never listed"
wait_for 60 "Photos was not opened" titled "$main" Photos
wait_drawn "$main"

# The menu is open once the screen changed (keys sent before go to the icon view).
share_icon() { # x of the icon, links made before
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    wait_drawn
    before=$(image_of)
    xdotool mousemove --window "$main" "$1" 140 click 1 click 3
    wait_redrawn root "$before" "no context menu on the icon at x=$1"
    xdotool key Up Up Return
    wait_requests POST '/api/v1/shares\.json' 60 "$2" answered ||
        fail "no share link was asked for from the icon at x=$1"
    # The popover shows the answer.
    wait_for 60 "no popover showed the link from the icon at x=$1" more_windows_than "$windows"
    wait_drawn
}
close_popover() {
    xdotool key Escape
    wait_for 30 "Escape did not close the popover" windows_back_to "$windows"
}

windows=$(windows_shown)
share_icon 260 0
screenshot popover
close_popover
share_icon 400 1
close_popover
share_icon 540 2
close_popover
wait_drawn

# The sidebar's "Share Links" row, found down the sidebar's rows by the window's title.
open_sidebar_row '^Share Links$' 120 30 220 || fail "the share-links page did not open"
wait_answered 'GET' '/api/v1/sharelinks/list' 60 || fail "the page never asked for the links"
wait_drawn "$main"
screenshot page

# The first row's Revoke button, at the right end of the table: the row turns grey.
xdotool mousemove --window "$main" 1050 104 click 1
wait_answered 'POST' '/api/v1/shares/.*/revoke' 60 || fail "Revoke sent nothing"
wait_drawn "$main"
screenshot revoked
list_screenshots
