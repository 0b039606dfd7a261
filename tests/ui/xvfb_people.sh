#!/usr/bin/env bash
# End to end on a real X server: another user invites the signed-in demo user to be a contact
# through kerlo-local's control API; the sidebar's Notifications row shows the unread badge
# (build/people-badge.png). The Go menu's "Add Contact..." opens the add-contact page, where a
# search by e-mail address finds a user (build/people-addcontact.png); the Notifications row
# opens the notifications page, whose invitation is selected (build/people-notifications.png).
# Usage: xvfb_people.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test people "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin

control() { # path, JSON body
    curl -fsS -H 'Content-Type: application/json' -d "$2" "$root/__control$1" >/dev/null
}
control /users '{"email":"bea@kerlo.local","password":"pw","first_name":"Bea <b>&amp;","last_name":"Lee"}' ||
    fail "kerlo-local refused a user"
control /users '{"email":"cal+work@kerlo.local","password":"pw","first_name":"Cal","last_name":"Vo"}' ||
    fail "kerlo-local refused a user"

sign_in
xdotool windowsize --sync "$main" 1000 680 2>/dev/null || true
polls=$(count_requests GET '/api/v1/conversations/notifications.*')
control /contact-invitations '{"email":"bea@kerlo.local","recipient":"demo@kerlo.local"}' ||
    fail "kerlo-local refused the invitation"
# A news poll sent since brings it.
wait_requests GET '/api/v1/conversations/notifications.*' 60 "$polls" answered || fail "no news poll"
wait_drawn "$main"
screenshot badge "$main"

# "Add Contact..." is the Go menu's item after "Contacts" (disabled here): tried down the menu
# until the window takes its title.
for downs in $(seq 1 9); do
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    wait_drawn
    before=$(image_of)
    xdotool key --window "$main" alt+g
    wait_redrawn root "$before" "Alt+G opened no Go menu"
    for _ in $(seq "$downs"); do xdotool key Down; done
    xdotool key Return
    wait_drawn
    [ "$(xdotool getwindowname "$main")" = "Add Contact..." ] && break
done
[ "$(xdotool getwindowname "$main")" = "Add Contact..." ] || fail "the add-contact page did not open"
xdotool type --delay 30 'cal+work@kerlo.local'
xdotool key Return
wait_answered GET '/api/v1/contacts/search\.json' 60 || fail "the page never searched"
wait_drawn "$main"
screenshot addcontact "$main"

# The sidebar's Notifications row, found down the sidebar's rows by the window's title.
open_sidebar_row '^Notifications$' 100 30 300 || fail "the notifications page did not open"
wait_drawn "$main"
# The table's first row, just under its header at the top of the page.
before=$(image_of "$main")
xdotool mousemove --window "$main" 500 100 click 1
wait_redrawn "$main" "$before" "the click selected no invitation"
screenshot notifications "$main"
list_screenshots
