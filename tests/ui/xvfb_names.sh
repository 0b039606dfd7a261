#!/usr/bin/env bash
# End to end on a real X server: another device puts files with hostile names (markup, "&", a
# right-to-left override, control characters, 255 bytes, emoji, the title's modified mark) in a
# folder whose own name is markup; the script signs in, opens that folder from the keyboard,
# right-clicks its first item and saves a screenshot of the icon view, the path bar and the
# context menu into the build folder (for a person to look at). It checks that the window
# kept its width and that the menu appeared.
# Usage: xvfb_names.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools compare curl python3
in_private_session "$@"
begin_test names "$1" "$2" "$3"
start_xvfb
start_kerlo

folder='<font color=red size=7>Account locked & call 555'
# Each name put in as another device through the control API.
python3 - "$root" "$demo_email" "$folder" <<'PY' || fail "kerlo-local refused a hostile name"
import base64, json, sys, urllib.request
root, email, folder = sys.argv[1:]
names = [
    "<img src=x width=20000 height=20000>",
    "&File &Quit.txt",
    "invoice\u202etxt.exe",
    "line\nbreak\tand\x01bell.txt",
    "n" * 250 + ".long",
    "\U0001F469\u200d\U0001F469\u200d\U0001F467 party \U0001F389.png",
    "draft [*] v2.txt",
]
for name in names:
    body = json.dumps({"email": email, "path": "/" + folder + "/" + name,
                       "contentBase64": base64.b64encode(b"x").decode()}).encode()
    request = urllib.request.Request(root + "/__control/objects", data=body,
                                     headers={"Content-Type": "application/json"})
    urllib.request.urlopen(request).read()
PY

start_lumarin
sign_in_listed
width=$(xdotool getwindowgeometry "$main" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')

# The folder, chosen by typing the start of its name and opened with Ctrl+Down.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" 700 500 click 1
xdotool type --delay 50 '<font'
xdotool key ctrl+Down
wait_answered GET '/api/v1/objects/list/<font.*' 60 || fail "the folder was not opened"
wait_drawn "$main"

now=$(xdotool getwindowgeometry "$main" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
echo "window width before: $width, in the folder: $now"
[ "$now" = "$width" ] || fail "the window's width changed from $width to $now"
title=$(xdotool getwindowname "$main")
case "$title" in
*Account\ locked*) ;;
*) fail "the window title is not the folder's name: $title" ;;
esac

# The first icon of the grid: right of the sidebar, below the menu and tool bars.
xdotool mousemove --window "$main" 260 140
wait_drawn
before=$(image_of)
import -window root "$work/before.png"
xdotool click 3
wait_redrawn root "$before" "no context menu appeared"
screenshot folder
changed=$(compare -metric AE "$work/before.png" "${screenshots[-1]}" null: 2>&1 || true)
echo "pixels changed by the menu: $changed"
[ "${changed%%.*}" -gt 2000 ] 2>/dev/null || fail "no context menu appeared"
xdotool key Escape
list_screenshots
