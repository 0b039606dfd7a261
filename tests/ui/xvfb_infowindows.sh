#!/usr/bin/env bash
# End to end on a real X server under a window manager: signs in to kerlo-local's demo tree with
# xdotool, opens the Photos folder, selects Sunset.jpg by typing its name, opens the preview
# window with Space and Get Info with Ctrl+I, then a second Get Info, Get Info of a name too long
# for its header, and a folder 60 levels deep entered with Go to Folder. Saves a screenshot of
# each into the build folder (for a person to look at); checks that each window appeared, that
# Escape closed the preview, and that each Get Info opened over the main window, whole on the
# screen, apart from the one before and with the focus.
# Usage: xvfb_infowindows.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
in_private_session "$@"
require_tools python3
begin_test infowindows "$1" "$2" "$3"
start_xvfb
start_wm
start_wm
start_kerlo

# A name too long for Get Info's header, and a folder 60 levels deep, put in as another device.
long_name="Quarterly figures of every branch office, reviewed and approved twice.txt"
deep=$(seq -f 'd%02g' 60 | tr '\n' '/' | sed 's,^,/,; s,/$,,')
python3 - "$root" "$demo_email" "$long_name" "$deep" <<'PY' || fail "kerlo-local refused the tree"
import base64, json, sys, urllib.request
root, email, long_name, deep = sys.argv[1:]
def put(body):
    body["email"] = email
    request = urllib.request.Request(root + "/__control/objects", data=json.dumps(body).encode(),
                                     headers={"Content-Type": "application/json"})
    urllib.request.urlopen(request).read()
put({"path": "/Documents/" + long_name, "contentBase64": base64.b64encode(b"x" * 9999).decode()})
parts = deep.strip("/").split("/")
for level in range(1, len(parts) + 1):
    put({"path": "/" + "/".join(parts[:level]), "folder": True})
PY

start_lumarin
sign_in_listed

# The first icon of the grid (Documents); typing selects Photos, Ctrl+O enters it.
xdotool windowfocus --sync "$main" 2>/dev/null || true
before=$(image_of "$main")
xdotool mousemove --window "$main" 260 140 click 1
wait_redrawn "$main" "$before" "the click on the first icon selected nothing"
xdotool type --delay 60 "ph"
xdotool key ctrl+o
wait_for 60 "Ctrl+O did not enter Photos" titled "$main" Photos
wait_request GET "/api/v1/objects/list/Photos/?" 60 || fail "Photos was never listed"
wait_drawn "$main"
before=$(image_of "$main")
xdotool type --delay 60 "sunset"
wait_redrawn "$main" "$before" "typing selected nothing"

# Space: the preview grows out of the selection, draws the picture once it is downloaded.
xdotool key space
preview=$(wait_window '^Sunset\.jpg$' 60) || fail "no preview window"
wait_request GET '/api/v1/object/Photos/Sunset\.jpg' 60 || fail "the preview did not fetch the picture"
wait_drawn
screenshot quicklook
xdotool key Escape
wait_for 30 "Escape did not close the preview window" gone '^Sunset\.jpg$'

# Ctrl+I: the Get Info window of the selection, over the main window, whole and with the keys.
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key ctrl+i
info=$(wait_window 'Sunset\.jpg.* Info$' 60) || fail "no Get Info window"
wait_drawn
check_info_window() { # window
    wait_for 30 "Get Info did not take the focus" focused "$1"
    placed_over "$1" "$main" ||
        fail "Get Info is not over the main window, whole on the screen: $(frame_of "$1") over \
$(frame_of "$main") on $(xdotool getdisplaygeometry)"
}
check_info_window "$info"
screenshot getinfo

# A second one, of another picture: a step apart from the first, whole on the screen too.
xdotool windowactivate --sync "$main" 2>/dev/null || true
before=$(image_of "$main")
xdotool type --delay 60 "chart"
wait_redrawn "$main" "$before" "typing selected nothing"
xdotool key ctrl+i
second=$(wait_window 'Chart.* Info$' 60) || fail "no second Get Info window"
wait_drawn
check_info_window "$second"
[ "$(frame_of "$second")" != "$(frame_of "$info")" ] || fail "the second Get Info covers the first"
screenshot getinfo-second
xdotool key Escape
wait_for 30 "Escape did not close the second Get Info" gone 'Chart.* Info$'
xdotool windowactivate --sync "$info" 2>/dev/null || true
xdotool key Escape
wait_for 30 "Escape did not close Get Info" gone 'Sunset\.jpg.* Info$'

# Shows the folder at path with Go to Folder and waits for its listing.
go_to() { # path
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool key ctrl+shift+g
    panel=$(wait_window '^Go to Folder$' 30) || fail "no Go to Folder panel"
    xdotool windowactivate --sync "$panel" 2>/dev/null || true
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
    wait_answered GET "/api/v1/objects/list$1/?" 60 || fail "$1 was never listed"
    wait_drawn "$main"
}

# Get Info of a name too long for its header: cut with an ellipsis before the size.
go_to /Documents
before=$(image_of "$main")
xdotool type --delay 60 "quarterly"
wait_redrawn "$main" "$before" "typing selected nothing"
xdotool key ctrl+i
long=$(wait_window 'Quarterly.* Info$' 60) || fail "no Get Info window of the long name"
wait_drawn
check_info_window "$long"
screenshot getinfo-longname "$long"
xdotool key Escape

# The path bar 60 levels deep.
go_to "$deep"
screenshot pathbar-deep
echo "preview window $preview, Get Info windows $info $second $long"
list_screenshots
