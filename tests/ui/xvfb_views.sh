#!/usr/bin/env bash
# End to end on a real X server: signs in to kerlo-local's demo tree with xdotool, shows the
# list view (Ctrl+2) with "Photos" opened in place, then the column view (Ctrl+3) with
# "Photos/Sunset.jpg" selected and previewed, and saves a screenshot of each into the build
# folder (for a person to look at: views-list.png shows the list's cells, names with their
# icons, dates and kinds set in from their columns, sizes right-aligned, the selected row
# highlighted across every column); checks that each view changed the screen and that the
# program is still running.
# Usage: xvfb_views.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools compare
in_private_session "$@"
begin_test views "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin
sign_in_listed
xdotool windowfocus --sync "$main" 2>/dev/null || true
import -window root "$work/icons.png"

# The list view: down to "Photos" (the second row) and open it in place.
before=$(image_of)
xdotool key ctrl+2
wait_redrawn root "$before" "Ctrl+2 changed nothing"
xdotool key Down Down Right
wait_answered GET "/api/v1/objects/list/Photos.*" 60 || fail "opening Photos did not list it"
wait_drawn
screenshot list
changed=$(compare -metric AE "$work/icons.png" "${screenshots[-1]}" null: 2>&1 || true)
echo "pixels changed by the list view: $changed"
[ "${changed%%.*}" -gt 2000 ] 2>/dev/null || fail "the list view did not show"

# The column view: "Photos" is chosen, then "Sunset.jpg" in it is found by typing and previewed.
before=$(image_of)
xdotool key ctrl+3
wait_redrawn root "$before" "Ctrl+3 changed nothing"
xdotool key Down Down Right
before=$(image_of)
xdotool type s # typed to find "Sunset.jpg"
wait_redrawn root "$before" "typing chose nothing"
# The preview's thumbnail.
wait_answered POST '/api/v1/thumbnail' 60 || fail "the column view fetched no thumbnail"
wait_drawn
screenshot columns
changed=$(compare -metric AE "$out/views-list.png" "${screenshots[-1]}" null: 2>&1 || true)
echo "pixels changed by the column view: $changed"
[ "${changed%%.*}" -gt 2000 ] 2>/dev/null || fail "the column view did not show"
wait_request GET "/api/v1/objects/list/Photos.*" 1 || fail "no listing of Photos"
kill -0 "$lumarin_pid" 2>/dev/null || fail "Lumarin is not running any more"
list_screenshots
