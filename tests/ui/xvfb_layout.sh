#!/usr/bin/env bash
# End to end on a real X server: how the window's parts look once laid out, in screenshots
# for a person to look at (build/layout-*.png): the column view while "Sunset.jpg" is renamed
# (columns) and while a new folder is named (newfolder), an icon view of long names at the smallest icon size (names), Quick Look on
# "Sunset.jpg" (quicklook), the chat's emoji chooser (emoji), the share-link popover asked
# for with the toolbar's Share (popover) and About (about). Checks that each step happened:
# the rename field took the name, the new folder was made under the name typed, Quick Look and About opened, the chooser
# opened from its button and closed on it and on Escape, leaving the button up, Share asked the
# service for a link.
# Usage: xvfb_layout.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl convert
in_private_session "$@"
begin_test layout "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin

control() { # path, JSON body
    curl -fsS -H 'Content-Type: application/json' -d "$2" "$root/__control$1" >/dev/null
}
# Long names, and a contact to chat with.
for name in "Harbour.webp" "Mountains.jpg" "Harbourfront at dusk.webp" \
    "Sunset over the mountains.jpeg" "Panorama-of-the-whole-bay.jpg" "Notes from the meeting.txt"; do
    control /objects "{\"email\":\"$demo_email\",\"path\":\"/Long names/$name\",\"contentBase64\":\"eA==\"}" ||
        fail "kerlo-local refused a file"
done
bea='"email":"bea@kerlo.local"'
control /users '{"email":"bea@kerlo.local","password":"pw","first_name":"Bea","last_name":"Lee"}' ||
    fail "kerlo-local refused a user"
control /contact-invitations "{$bea,\"recipient\":\"$demo_email\"}" ||
    fail "kerlo-local refused the invitation"
control /contact-invitations/accept "{\"email\":\"$demo_email\",\"sender\":\"bea@kerlo.local\"}" ||
    fail "kerlo-local refused the answer"

sign_in_listed
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || true
xdotool windowmove --sync "$main" 0 0 2>/dev/null || true
wait_drawn "$main"

focus_main() { xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"; }

# Selects the item of the folder shown whose name starts with the text, by typing it into the
# view (a click on the view's empty lower part gives it the keyboard).
select_typed() { # text
    focus_main
    xdotool mousemove --window "$main" 900 600 click 1
    before=$(image_of "$main")
    xdotool type "$1"
    wait_redrawn "$main" "$before" "typing $1 selected nothing"
}

# Shows the folder at path with Go to Folder and waits for its listing.
go_to() { # path
    focus_main
    xdotool key ctrl+shift+g
    panel=$(wait_window '^Go to Folder$' 10) || fail "no Go to Folder panel"
    xdotool windowfocus --sync "$panel" 2>/dev/null || true
    xdotool key ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Return
    wait_answered GET "/api/v1/objects/list$1/?" 20 || fail "$1 was never listed"
    wait_drawn "$main"
}

# The column view during a rename: "Sunset.jpg" chosen by typing, Return opens its name.
go_to /Photos
focus_main
before=$(image_of)
xdotool key ctrl+3
wait_redrawn root "$before" "Ctrl+3 changed nothing"
before=$(image_of)
xdotool type s
wait_redrawn root "$before" "typing chose nothing in the column view"
before=$(image_of)
xdotool key Return
wait_redrawn root "$before" "Return opened no name for editing"
xdotool type --delay 20 'Dawn over the bay'
wait_drawn
screenshot columns
before=$(image_of)
xdotool key Escape
wait_redrawn root "$before" "Escape did not end the rename"

# New Folder in the column view: its row is selected with its name open for typing, and the
# name typed next is the one the folder is made under.
focus_main
before=$(image_of)
xdotool key ctrl+shift+n
wait_redrawn root "$before" "Ctrl+Shift+N made no new folder"
screenshot newfolder
xdotool type --delay 20 'Harbour days'
xdotool key Return
wait_answered POST '/api/v1/objects/mkdir/Photos/Harbour days' 20 ||
    fail "the new folder was not made under the name typed"

# The icon view of long names at the smallest icon size: the status bar's slider (at its right
# end) moved to its start with Home.
focus_main
xdotool key ctrl+1
go_to "/Long names"
before=$(image_of "$main")
xdotool mousemove --window "$main" 1030 687 click 1 key Home
wait_redrawn "$main" "$before" "the slider did not change the icon size"
screenshot names

# Quick Look on a picture: Space on the selected "Sunset.jpg".
go_to /Photos
select_typed s
xdotool key space
# Quick Look draws the file itself, downloaded first.
wait_answered GET '/api/v1/object/Photos/Sunset.jpg' 30 || fail "Quick Look did not fetch the picture"
wait_drawn
screenshot quicklook
before=$(image_of)
xdotool key space
wait_redrawn root "$before" "Space did not close Quick Look"

# The share-link popover from the toolbar's Share, with "Sunset.jpg" still selected. Share is
# the toolbar's last button: the right end of the buttons' row along the toolbar's middle (the
# "Beta" label stands alone at the far end, after a wide gap).
select_typed s
import -window "$main" "$work/toolbar.png"
shared=$(convert "$work/toolbar.png" -crop "1100x1+0+42" txt:- | python3 -c '
import re, sys
pixels = [re.match(r"(\d+),0: \((\d+),(\d+),(\d+)", line) for line in sys.stdin]
pixels = [tuple(int(v) for v in m.groups()) for m in pixels if m]
background = pixels[-1][1:]
drawn = [x for x, *colour in pixels if max(abs(a - b) for a, b in zip(colour, background)) > 40]
runs = []
for x in drawn:
    if runs and x - runs[-1][1] <= 100:
        runs[-1][1] = x
    else:
        runs.append([x, x])
buttons = [run for run in runs if run[1] - run[0] > 100]
print(buttons[-1][1] - 6 if buttons else "")')
[ -n "$shared" ] || fail "no toolbar button found"
windows=$(windows_shown)
xdotool mousemove --window "$main" "$shared" 42 click 1
wait_answered POST '/api/v1/shares.json' 20 || fail "the toolbar's Share (x=$shared) asked for no link"
wait_for 20 "no popover showed the link" more_windows_than "$windows"
wait_drawn
screenshot popover
xdotool key Escape
wait_for 20 "Escape did not close the popover" windows_back_to "$windows"

# The emoji chooser in Bea's chat: her sidebar row, then the button left of the message field
# (x=205 lies inside it however wide its emoji draws). The pointer rests on the button until
# its tooltip shows: the button takes clicks from then on. The chooser is a window of the
# program as wide as its grid; the button, pressed while the chooser is open, must be up again
# once it closes, by a click on the button or by Escape.
open_sidebar_row '^Bea Lee$' 100 30 500 || fail "the chat did not open"
wait_drawn
emoji_x=205
chooser_shown() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$lumarin_pid" 2>/dev/null); do
        [ "$w" != "$main" ] || continue
        [ "$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^WIDTH=//p')" -ge 300 ] && return 0
    done
    return 1
}
chooser_gone() { ! chooser_shown; }
# The button's middle as drawn with the pointer off it (a tooltip shows below the pointer).
button_drawn() {
    xdotool mousemove --window "$main" 600 300
    wait_drawn "$main"
    import -window "$main" -crop 20x16+$((emoji_x - 10))+604 rgb:- 2>/dev/null | md5sum
}
focus_main
windows=$(windows_shown)
up=$(button_drawn)
xdotool mousemove --window "$main" "$emoji_x" 612
wait_for 30 "the emoji button showed no tooltip" more_windows_than "$windows"
xdotool click 1
wait_for 30 "no emoji chooser opened" chooser_shown
wait_drawn
screenshot emoji
xdotool click 1
wait_for 30 "a click on the emoji button did not close the chooser" chooser_gone
drawn=$(button_drawn)
chooser_gone || fail "a click on the emoji button opened the chooser again"
[ "$drawn" = "$up" ] || fail "the emoji button stayed down once its chooser closed"
xdotool mousemove --window "$main" "$emoji_x" 612 click 1
wait_for 30 "the emoji button opened no chooser again" chooser_shown
xdotool key Escape
wait_for 30 "Escape did not close the emoji chooser" chooser_gone
[ "$(button_drawn)" = "$up" ] || fail "the emoji button stayed down after Escape"

# About: the Help menu's last item.
focus_main
wait_drawn
before=$(image_of)
xdotool key alt+h
wait_redrawn root "$before" "Alt+H opened no Help menu"
xdotool key Up Return
about=$(wait_window '^About ' 20) || fail "no About window"
wait_drawn "$about"
screenshot about "$about"
kill -0 "$lumarin_pid" 2>/dev/null || fail "Lumarin is not running any more"
echo "Share at x=$shared"
list_screenshots
