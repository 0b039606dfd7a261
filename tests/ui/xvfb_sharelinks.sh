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

sign_in
wait_request '.*' '/api/v1/objects/list/?' 60 || fail "the root was never listed"
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || true
sleep 2

links_made() {
    requests | python3 -c 'import json, sys
print(sum(1 for e in json.load(sys.stdin)["requests"]
          if e["method"] == "POST" and e["path"] == "/api/v1/shares.json"))'
}

# Into "Photos" (the second icon of "/"), whose first three icons are pictures on a grid of 140
# pixels right of the sidebar.
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" 400 140 click --repeat 2 --delay 80 1
wait_request '.*' '/api/v1/objects/list/Photos/?' 60 || fail "Photos was never listed"
sleep 2

share_icon() { # x of the icon, links made before
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool mousemove --window "$main" "$1" 140 click 1
    sleep 0.5
    xdotool click 3
    sleep 1
    xdotool key Up Up Return
    for _ in $(seq 300); do [ "$(links_made)" -gt "$2" ] && return 0; sleep 0.2; done
    fail "no share link was asked for from the icon at x=$1"
}

share_icon 260 0
sleep 2 # the popover's answer and its fade
screenshot popover
xdotool key Escape
share_icon 400 1
xdotool key Escape
share_icon 540 2
xdotool key Escape
sleep 1

# The sidebar's "Share Links" row, found down the sidebar's rows by the window's title.
for y in $(seq 30 8 220); do
    xdotool mousemove --window "$main" 120 "$y" click 1
    sleep 0.4
    [ "$(xdotool getwindowname "$main")" = "Share Links" ] && break
done
[ "$(xdotool getwindowname "$main")" = "Share Links" ] || fail "the share-links page did not open"
wait_request 'GET' '/api/v1/sharelinks/list' 60 || fail "the page never asked for the links"
sleep 2
screenshot page

# The first row's Revoke button, at the right end of the table: the row turns grey.
xdotool mousemove --window "$main" 1050 104 click 1
wait_request 'POST' '/api/v1/shares/.*/revoke' 60 || fail "Revoke sent nothing"
sleep 1
screenshot revoked
list_screenshots
