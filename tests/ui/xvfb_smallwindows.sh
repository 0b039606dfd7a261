#!/usr/bin/env bash
# End to end on a real X server under a window manager: a first sign-in to kerlo-local brings
# the guided tour, which Return steps through; Ctrl+, opens the preferences and the Help menu's
# last item the About window; Ctrl+J in the list view opens its View Options over the main
# window, with the keys. Saves a screenshot of each into the build folder (for a person to look
# at) and checks that each window appeared and that Escape closed it.
# Usage: xvfb_smallwindows.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
in_private_session "$@"
require_tools
begin_test smallwindows "$1" "$2" "$3"
start_xvfb
start_wm
start_kerlo
start_lumarin

keep_tour=1 sign_in
closed() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# The tour: Next is its default button; two steps reach the third slide.
tour=$(wait_window '^Welcome to Kerlo$' 60) || fail "no guided tour after the first sign-in"
wait_drawn "$tour"
xdotool windowfocus --sync "$tour" 2>/dev/null || true
for step in 2 3; do
    before=$(image_of "$tour")
    xdotool key Return
    wait_redrawn "$tour" "$before" "Return did not bring the tour's slide $step"
done
screenshot tour "$tour"
xdotool key Escape
wait_for 30 "Escape did not close the tour" closed '^Welcome to Kerlo$'

# Preferences from the standard key.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key ctrl+comma
preferences=$(wait_window '^Preferences$' 60) || fail "no Preferences window"
wait_drawn "$preferences"
screenshot preferences "$preferences"
xdotool windowfocus --sync "$preferences" 2>/dev/null || true
xdotool key Escape
wait_for 30 "Escape did not close Preferences" closed '^Preferences$'

# About: the Help menu's last item.
xdotool windowfocus --sync "$main" 2>/dev/null || true
before=$(image_of)
xdotool key alt+h
wait_redrawn root "$before" "Alt+H opened no Help menu"
xdotool key Up Return
about=$(wait_window '^About ' 60) || fail "no About window"
wait_drawn "$about"
screenshot about "$about"
xdotool windowactivate --sync "$about" 2>/dev/null || true
xdotool key Escape
wait_for 30 "Escape did not close About" closed '^About '

# View Options of the list view: over the main window, whole, and Escape right after Ctrl+J
# closes it.
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key ctrl+2
xdotool key ctrl+j
options=$(wait_window '^List View$' 60) || fail "no View Options of the list view"
wait_drawn "$options"
wait_for 30 "View Options did not take the focus" focused "$options"
placed_over "$options" "$main" ||
    fail "View Options is not over the main window: $(frame_of "$options") over $(frame_of "$main")"
screenshot viewoptions-list
xdotool key Escape
wait_for 30 "Escape right after Ctrl+J did not close View Options" closed '^List View$'
echo "tour $tour, Preferences $preferences, About $about, View Options $options"
list_screenshots
