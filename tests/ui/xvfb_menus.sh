#!/usr/bin/env bash
# End to end on a real X server: signs in to kerlo-local's demo tree with xdotool, right-clicks
# the first item of the icon view and saves a screenshot of the context menu into the build
# folder (for a person to look at); checks that the menu changed the screen and went away with
# Escape.
# Usage: xvfb_menus.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools compare
in_private_session "$@"
begin_test menus "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin
sign_in_listed

# The first icon of the grid: right of the sidebar, below the menu and tool bars.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" 260 140
wait_drawn
before=$(image_of)
import -window root "$work/before.png"
xdotool click 3
wait_redrawn root "$before" "no context menu appeared"
screenshot context
changed=$(compare -metric AE "$work/before.png" "${screenshots[-1]}" null: 2>&1 || true)
echo "pixels changed by the menu: $changed"
[ "${changed%%.*}" -gt 2000 ] 2>/dev/null || fail "no context menu appeared"

menu=$(image_of)
xdotool key Escape
wait_redrawn root "$menu" "the menu did not close"
import -window root "$work/after.png"
left=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)
echo "pixels still changed after Escape: $left"
[ "${left%%.*}" -lt "${changed%%.*}" ] 2>/dev/null || fail "the menu did not close"
list_screenshots
