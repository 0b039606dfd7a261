#!/usr/bin/env bash
# End to end on a real X server: a picture dragged from another program (a small drag source
# made for this test) onto the signed-in window is uploaded into the folder shown, and its
# thumbnail appears among the icons. Checks kerlo-local's request log and saves a screenshot
# of the icon view into the build folder (for a person to look at). A file dragged out onto a
# target that speaks the X direct-save protocol is downloaded into the folder it names.
# Usage: xvfb_dragdrop.sh <lumarin> <kerlo-local> <drag source> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools convert python3 curl
in_private_session "$@"
source_program=$3
begin_test dragdrop "$1" "$2" "$4"
start_xvfb
start_kerlo
start_lumarin

sign_in_listed
# No window manager runs: place the window where the drop goes.
xdotool windowmove --sync "$main" 240 40 2>/dev/null || xdotool windowmove "$main" 240 40
xdotool windowsize --sync "$main" 1000 700 2>/dev/null || xdotool windowsize "$main" 1000 700
wait_drawn "$main"

# The picture to drop, made here so that it is new to the service.
picture=$work/Dropped\ picture.png
convert -size 256x192 gradient:'#ffcc33-#cc3366' -fill '#2255aa' -draw 'circle 128,96 128,30' \
    "$picture"
mkdir -p "$work/saved"
"$source_program" "$picture" --save-to "$work/saved" >"$work/source.log" 2>&1 &
source_window=$(wait_window '^Drag source$' 60) || fail "no drag source window"
wait_drawn "$source_window"

# Press on the source, move in steps (each a motion event, paced for the drag protocol's
# round trips) to x y, rest there until the window's title matches the pattern given (a folder
# rested on opens), move on to an empty part of the icon view, and let go.
drag_file() { # x y [title pattern]
    xdotool mousemove --sync 100 100
    xdotool mousedown 1
    for step in $(seq 1 20); do
        xdotool mousemove $((100 + step * ($1 - 100) / 20)) $((100 + step * ($2 - 100) / 20))
        sleep 0.05
    done
    if [ -n "${3:-}" ]; then
        wait_for 30 "resting the drag did not open $3" rest_until_titled "$1" "$2" "$3"
    fi
    xdotool mousemove 1100 620
    sleep 0.5
    xdotool mousemove 1110 630
    sleep 0.5
    xdotool mouseup 1
}
rest_until_titled() { # x y title pattern
    xdotool mousemove "$1" "$2"
    title_matches "$main" "$3"
}

# Straight onto the window: the picture goes into the folder shown.
drag_file 900 500
wait_request PUT '.*/api/v1/objects/Dropped picture\.png' 60 ||
    { cat "$work/source.log"; fail "no upload of the dropped picture in kerlo-local's log"; }
grep -q "drag ended with action 1" "$work/source.log" || fail "the drop was not taken as a copy: $(cat "$work/source.log")"
[ -f "$picture" ] || fail "the dragged file is gone"

# The upload ends, the listing comes, the thumbnail is fetched and drawn.
wait_for 60 "no thumbnail after the upload of the dropped picture" \
    answered_after '.*' '/api/v1/commit/.*' POST '/api/v1/thumbnail'
wait_drawn "$main"
screenshot iconview "$main"

# Resting on the Photos folder (the second icon of the first row) opens it; the drop then
# goes into it, among the pictures.
drag_file $((240 + 535)) $((40 + 80)) '^Photos$'
wait_request PUT '.*/api/v1/objects/Photos/Dropped picture\.png' 60 ||
    { cat "$work/source.log"; fail "the drag resting on Photos did not drop into it"; }
xdotool search --onlyvisible --name '^Photos$' >/dev/null || fail "Photos was not opened"
wait_for 60 "no thumbnail after the upload into Photos" \
    answered_after PUT '.*/api/v1/objects/Photos/Dropped picture\.png' POST '/api/v1/thumbnail'
wait_drawn "$main"
screenshot photos "$main"

# Out again, onto a target that takes the direct save: the picture is downloaded into the
# folder it names.
xdotool mousemove --sync $((240 + 535)) $((40 + 80))
xdotool mousedown 1
for step in $(seq 1 20); do
    xdotool mousemove $((775 - step * 33)) $((120 + step * 18))
    sleep 0.05
done
xdotool mousemove 100 480
sleep 0.5
xdotool mousemove 101 481
sleep 0.5
xdotool mouseup 1
saved="$work/saved/Dropped picture.png"
for _ in $(seq 200); do cmp -s "$saved" "$picture" && break; sleep 0.1; done
cmp -s "$saved" "$picture" || fail "the direct save did not download the picture: $(cat "$work/source.log")"
grep -q "direct save S to $saved" "$work/source.log" || fail "the direct save was not answered: $(cat "$work/source.log")"
list_screenshots
