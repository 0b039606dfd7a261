#!/usr/bin/env bash
# End to end on a real X server, the main window filling the screen: the chat of Bea, a contact
# of the signed-in demo user, and its header's "+" at the screen's right edge: the add-people
# popover opens whole on the screen (build/peopleedges-popover.png); the chat of Dan, whose name
# is 10,000 characters long, cut in its header and rows while the window keeps its width
# (build/peopleedges-longname.png); the Create Group window opened from the Go menu, over the
# main window (build/peopleedges-creategroup.png).
# Usage: xvfb_peopleedges.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test peopleedges "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin

control() { # path, JSON body
    curl -fsS -H 'Content-Type: application/json' -d "$2" "$root/__control$1" >/dev/null ||
        fail "kerlo-local refused $1"
}
demo='"recipient":"demo@kerlo.local"'
befriend() { # e-mail, first name, last name
    control /users "$(python3 -c 'import json, sys
print(json.dumps({"email": sys.argv[1], "password": "pw", "first_name": sys.argv[2],
                  "last_name": sys.argv[3]}))' "$1" "$2" "$3")"
    control /contact-invitations "{\"email\":\"$1\",$demo}"
    control /contact-invitations/accept "{\"email\":\"demo@kerlo.local\",\"sender\":\"$1\"}"
}
befriend bea@kerlo.local Bea Lee
befriend cid@kerlo.local Cid Moss
long_name=Dan$(printf 'W%.0s' $(seq 9997))
befriend dan@kerlo.local "$long_name" ""
control /messages "{\"email\":\"bea@kerlo.local\",$demo,\"content\":\"Shall we make a group?\"}"
control /messages "{\"email\":\"dan@kerlo.local\",$demo,\"content\":\"My name is long.\"}"

sign_in
screen_w=$(xdotool getdisplaygeometry | cut -d' ' -f1)
screen_h=$(xdotool getdisplaygeometry | cut -d' ' -f2)
# Maximised: without a window manager, the window takes the whole screen itself.
xdotool windowmove --sync "$main" 0 0 2>/dev/null || true
xdotool windowsize --sync "$main" "$screen_w" "$screen_h" 2>/dev/null || true
wait_answered GET '/api/v1/conversations/notifications.*' 60 || fail "no news poll"
wait_drawn "$main"

width_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=//p'; }
x_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^X=//p'; }
y_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^Y=//p'; }
height_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^HEIGHT=//p'; }

open_chat() { open_sidebar_row "$1" 100 30 400; } # window title pattern

open_chat '^Bea Lee$' || fail "Bea's chat did not open"
wait_drawn "$main"
# The "+" at the right end of the chat's header, at the screen's right edge.
popover=
for y in $(seq 64 6 170); do
    for x in $((screen_w - 15)) $((screen_w - 22)) $((screen_w - 30)); do
        xdotool mousemove --window "$main" "$x" "$y" click 1
        wait_drawn
        popover=$(xdotool search --onlyvisible --name '^Add People$' 2>/dev/null | head -1 || true)
        [ -n "$popover" ] && break 2
    done
done
[ -n "$popover" ] || fail "the add-people popover did not open"
wait_drawn
screenshot popover
right=$(($(x_of "$popover") + $(width_of "$popover")))
echo "add-people popover: x $(x_of "$popover"), right edge $right of $screen_w"
[ "$(x_of "$popover")" -ge 0 ] && [ "$right" -le "$screen_w" ] ||
    fail "the popover is not whole on the screen"
xdotool key Escape
wait_for 30 "Escape did not close the add-people popover" gone '^Add People$'

open_chat '^DanWWW' || fail "Dan's chat did not open"
wait_drawn
screenshot longname
echo "main window with Dan's chat: $(width_of "$main") wide on a screen of $screen_w"
[ "$(width_of "$main")" -le "$screen_w" ] || fail "the long name widened the window"

xdotool windowfocus --sync "$main" 2>/dev/null || true
wait_drawn
before=$(image_of)
xdotool key alt+g
wait_redrawn root "$before" "Alt+G opened no Go menu"
xdotool key Up Return
group=$(wait_window '^Create Group$' 20) || fail "the Create Group window did not open"
wait_drawn
screenshot creategroup
centre_x=$(($(x_of "$group") + $(width_of "$group") / 2))
centre_y=$(($(y_of "$group") + $(height_of "$group") / 2))
echo "Create Group window centred at $centre_x,$centre_y on a screen of ${screen_w}x$screen_h"
[ $((centre_x - screen_w / 2)) -le 40 ] && [ $((screen_w / 2 - centre_x)) -le 40 ] ||
    fail "the Create Group window is not over the main window"
xdotool key Escape
wait_for 30 "Escape did not close the Create Group window" gone '^Create Group$'
list_screenshots
