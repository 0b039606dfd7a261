#!/usr/bin/env bash
# End to end on a real X server: a large file, sent slowly by kerlo-local (its slow-download
# switch), is opened, which downloads it; on the transfers page its row's button pauses and
# resumes it ten times. Each time the row is read from the screen (its button cell): after a
# pause it shows the resume button and keeps it (a progress report sent before the pause must
# not turn it back to running), after a resume the pause button again once the service has
# the new request. Saves screenshots of the row running and paused.
# Usage: xvfb_pause.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test pause "$1" "$2" "$3"
start_xvfb
start_wm
start_kerlo

control() { # call, JSON body
    curl -fsS -X POST -H 'Content-Type: application/json' -d "$2" "$root/__control/$1" >/dev/null ||
        fail "kerlo-local refused $1: $2"
}
# 512 MiB at 8 MiB a second: longer than the ten rounds take. The engine reports a download's
# progress at each 4 MiB, so a report is nearly always waiting to be shown when a pause comes.
big="Big download.bin"
control objects "{\"email\":\"$demo_email\",\"path\":\"/$big\",\"size\":$((512 * 1024 * 1024))}"
control transfer-switch \
    "{\"switch\":\"slow-download\",\"path\":\"/$big\",\"count\":-1,\"bytes\":$((8 * 1024 * 1024))}"
file_requests() { count_requests GET "/api/v1/object/+${big//./\\.}"; }
more_file_requests_than() { [ "$(file_requests)" -gt "$1" ]; }

start_lumarin
sign_in_listed
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || true
wait_drawn "$main"

# The first icon of the grid, then the file chosen by typing; Ctrl+O opens it, which downloads it.
xdotool windowfocus --sync "$main" 2>/dev/null || true
before=$(image_of "$main")
xdotool mousemove --window "$main" 260 140 click 1
wait_redrawn "$main" "$before" "the click on the first icon selected nothing"
xdotool type --delay 60 "big"
wait_drawn "$main"
xdotool key ctrl+o
wait_request GET "/api/v1/object/+${big//./\\.}" 60 || fail "opening the file started no download"

open_sidebar_row '^Transfers$' 120 30 200 || fail "the transfers page did not open"

# The newest row is the first: its buttons (pause, then abort) left of its status cell.
row_x=310 row_y=100 row_w=780 row_h=46
button_x=270 button_y=122
crop() { import -window "$main" -crop "$1" +repage rgb:- 2>/dev/null | md5sum; }
row_image() { crop "${row_w}x${row_h}+${row_x}+${row_y}"; }
button_image() { crop "20x20+$((button_x - 10))+$((button_y - 10))"; }
away() { xdotool mousemove --window "$main" 600 650; }
click_button() {
    xdotool mousemove --window "$main" "$button_x" "$button_y" click 1
    away
}
# The row drawn and left as it is for a second: a running one shows its progress twice a
# second, so a row that keeps still that long has stopped.
row_still() {
    local deadline=$((SECONDS + 60)) last now still=0
    last=$(row_image)
    while [ "$SECONDS" -lt "$deadline" ]; do
        sleep 0.2
        now=$(row_image)
        if [ "$now" = "$last" ]; then
            still=$((still + 1))
            [ "$still" -ge 5 ] && return 0
        else
            still=0
            last=$now
        fi
    done
    fail "the download's row never kept still"
}
row_moves() { # row image before
    wait_for 60 "the download's row shows no progress" changed_from_row "$1"
}
changed_from_row() { [ "$(row_image)" != "$1" ]; }
button_is() { [ "$(button_image)" = "$1" ]; }

away
row_moves "$(row_image)"
running=$(button_image)
screenshot running "$main"

paused=
for round in $(seq 10); do
    click_button
    row_still
    now=$(button_image)
    if [ -z "$paused" ]; then
        [ "$now" != "$running" ] || fail "round $round: the paused download's row shows it running"
        paused=$now
        screenshot paused "$main"
    fi
    [ "$now" = "$paused" ] || fail "round $round: the row does not show the download paused"

    sent=$(file_requests)
    click_button
    wait_for 60 "round $round: resuming sent no request" more_file_requests_than "$sent"
    wait_for 60 "round $round: the resumed download's row does not show it running" \
        button_is "$running"
    row_moves "$(row_image)"
done
list_screenshots
