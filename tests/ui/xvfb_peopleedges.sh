#!/usr/bin/env bash
# End to end on a real X server, the main window filling the screen: the chat of Bea, a contact
# of the signed-in demo user, and its header's "+" at the screen's right edge: the add-people
# popover opens whole on the screen (build/peopleedges-popover.png); the chat of Dan, whose name
# is 10,000 characters long, cut in its header and rows while the window keeps its width
# (build/peopleedges-longname.png); the Create Group window opened from the Go menu, over the
# main window (build/peopleedges-creategroup.png); the tooltip of Dan's sidebar row, wrapped
# inside the screen (build/peopleedges-tooltip.png); the sidebar with a name of 300 emoji
# families and one of stacked marks, each whole and in its row (build/peopleedges-sidebar.png);
# the Send to contacts submenu of a file, Dan's item cut with "...", beside its parent menu
# (build/peopleedges-sendto.png); with 300 contacts, the submenu's first ones and its item
# for them all, whole on the screen (build/peopleedges-sendto300.png), and the picker that
# item opens, narrowed by a search (build/peopleedges-sendtopicker.png).
# Usage: xvfb_peopleedges.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test peopleedges "$1" "$2" "$3"
start_xvfb
start_wm
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
family=$(python3 -c 'print("\U0001F469\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466" * 300)')
befriend eve@kerlo.local "$family" ""
marked=$(python3 -c 'print("".join(c + "\u0301\u0316" * 6 for c in "Zoe Marks"))')
befriend zoe@kerlo.local "$marked" ""
# A file of the demo user's, first in Home, to offer through its menu.
control /objects "{\"email\":\"demo@kerlo.local\",\"path\":\"/0 notes.txt\",\"contentBase64\":\"aGk=\"}"
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

# The sidebar with the emoji and the marks, then the tooltip of Dan's row: the pointer rests
# on it until a window of the program's more is shown.
screenshot sidebar
window_ids() { xdotool search --onlyvisible --pid "$lumarin_pid" 2>/dev/null | sort; }
new_window() { comm -13 <(echo "$1") <(window_ids) | tail -1; } # ids before
# A window not among the ids before: counting would miss a menu that came as a tooltip went.
has_new_window() { [ -n "$(new_window "$1")" ]; }
dan_y=
for y in $(seq 100 8 600); do
    xdotool mousemove --window "$main" 100 "$y"
    wait_drawn "$main"
    xdotool click 1
    wait_drawn "$main"
    if title_matches "$main" '^DanWWW'; then dan_y=$y; break; fi
done
[ -n "$dan_y" ] || fail "Dan's sidebar row was not found"
ids=$(window_ids)
xdotool mousemove --window "$main" 104 "$((dan_y + 2))"
wait_for 30 "no tooltip over Dan's row" has_new_window "$ids"
tip=$(new_window "$ids")
wait_drawn
screenshot tooltip
echo "tooltip: x $(x_of "$tip"), $(width_of "$tip") x $(height_of "$tip") on a screen of $screen_w"
[ "$(x_of "$tip")" -ge 0 ] && [ $(($(x_of "$tip") + $(width_of "$tip"))) -le "$screen_w" ] ||
    fail "the tooltip runs off the screen"
[ "$(height_of "$tip")" -gt 30 ] || fail "the tooltip of the long name is one line"
xdotool mousemove --window "$main" 800 5
wait_for 30 "the tooltip did not go" windows_back_to "$(echo "$ids" | wc -l)"

# Opens the first file's menu and its Send to contacts: sets menu, submenu and ids.
open_send_to_contacts() {
    xdotool mousemove --window "$main" 260 140
    wait_drawn
    ids=$(window_ids)
    xdotool click 3
    wait_for 30 "no context menu appeared" has_new_window "$ids"
    menu=$(new_window "$ids")
    wait_drawn
    ids=$(window_ids)
    # Send to contacts is four items above the menu's last.
    xdotool key End Up Up Up Up Right
    wait_for 30 "no Send to contacts submenu appeared" has_new_window "$ids"
    submenu=$(new_window "$ids")
    wait_drawn
}

# A file of Home, its menu's Send to contacts.
open_sidebar_row '^Kerlo Home$' 100 30 400 || fail "Home did not open"
open_send_to_contacts
screenshot sendto
echo "menu at $(x_of "$menu") ($(width_of "$menu") wide), submenu at $(x_of "$submenu")" \
    "($(width_of "$submenu") wide) on a screen of $screen_w"
[ "$(width_of "$submenu")" -le $((screen_w / 2)) ] || fail "the submenu is too wide"
[ $(($(x_of "$submenu") + $(width_of "$submenu"))) -le "$screen_w" ] ||
    fail "the submenu runs off the screen"
[ "$(x_of "$submenu")" -ge $(($(x_of "$menu") + $(width_of "$menu") - 8)) ] ||
    [ $(($(x_of "$submenu") + $(width_of "$submenu"))) -le $(($(x_of "$menu") + 8)) ] ||
    fail "the submenu covers its parent menu"
xdotool key Escape Escape
wait_for 30 "the menus did not close" windows_back_to "$(($(echo "$ids" | wc -l) - 1))"

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

# 300 contacts: the submenu lists the first ones and "All Contacts...", whole on the screen
# (build/peopleedges-sendto300.png); that item opens the picker of them all over the window
# (build/peopleedges-sendtopicker.png).
polls=$(count_requests GET '/api/v1/conversations/notifications.*')
control /social-seed '{"email": "demo@kerlo.local", "contact_count": 295}'
wait_requests GET '/api/v1/conversations/notifications.*' 60 $((polls + 1)) answered ||
    fail "no news poll after the seed"
xdotool windowfocus --sync "$main" 2>/dev/null || true
open_send_to_contacts
screenshot sendto300
echo "300 contacts: submenu at $(x_of "$submenu"),$(y_of "$submenu")" \
    "$(width_of "$submenu") x $(height_of "$submenu") on a screen of ${screen_w}x$screen_h"
[ "$(x_of "$submenu")" -ge 0 ] && [ "$(y_of "$submenu")" -ge 0 ] &&
    [ $(($(x_of "$submenu") + $(width_of "$submenu"))) -le "$screen_w" ] &&
    [ $(($(y_of "$submenu") + $(height_of "$submenu"))) -le "$screen_h" ] ||
    fail "the submenu of 300 contacts runs off the screen"
[ "$(height_of "$submenu")" -le "$screen_h" ] && [ "$(width_of "$submenu")" -le $((screen_w / 2)) ] ||
    fail "the submenu of 300 contacts is laid out in columns"
# Its last item, "All Contacts...", one Up from the first.
xdotool key Up Return
picker=$(wait_window '^Send to contacts$' 20) || fail "All Contacts... opened no picker"
wait_drawn
xdotool type --delay 50 "contact 02"
wait_drawn
screenshot sendtopicker
[ "$(x_of "$picker")" -ge 0 ] && [ $(($(x_of "$picker") + $(width_of "$picker"))) -le "$screen_w" ] &&
    [ $(($(y_of "$picker") + $(height_of "$picker"))) -le "$screen_h" ] ||
    fail "the picker runs off the screen"
xdotool key Escape
wait_for 30 "Escape did not close the picker" gone '^Send to contacts$'
list_screenshots
