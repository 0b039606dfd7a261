#!/usr/bin/env bash
# End to end on a real X server: the demo user, given contacts and groups (some with hostile
# names) and a contact invitation from another user, signs in and gets two messages from a
# contact; saves a screenshot of the window with the sidebar's RECENT group, the contact's
# unread badge and the Notifications badge (build/contacts-sidebar.png),
# then opens the sidebar's "Contacts" row and saves one of the contacts page
# (build/contacts-contacts.png) and of its groups list (build/contacts-groups.png).
# Usage: xvfb_contacts.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test contacts "$1" "$2" "$3"
start_xvfb
start_kerlo

control() { # path, JSON body
    curl -fsS -X POST -H 'Content-Type: application/json' --data "$2" "$root/__control$1" \
        >/dev/null || fail "kerlo-local refused $1"
}
control /social-seed "$(python3 -c 'import json
people = [("amy@people.kerlo.local", "Amy", "Adams"), ("zed@people.kerlo.local", "Zed", "Young"),
          ("bold@people.kerlo.local", "<b>Bold</b> & Co", ""),
          ("rtl@people.kerlo.local", "Ann \u202etxt.exe", "Ray")]
print(json.dumps({"email": "'"$demo_email"'", "contact_count": 6,
                  "contacts": [{"email": e, "first_name": f, "last_name": l} for e, f, l in people],
                  "groups": [{"name": "Design <i>team</i>", "members": ["amy@people.kerlo.local"]},
                             {"name": "Release crew", "members": ["zed@people.kerlo.local"]}]}))')"
control /users '{"email": "bea@people.kerlo.local", "password": "bea-password",
                 "first_name": "Bea", "last_name": "Inviting"}'
control /contact-invitations "{\"email\": \"bea@people.kerlo.local\", \"recipient\": \"$demo_email\"}"

start_lumarin
sign_in
wait_request 'GET' '/api/v1/contacts.json' 60 || fail "the contacts were never listed"
xdotool windowsize --sync "$main" 1000 720 2>/dev/null || true
# Two messages from Amy in her chat with the user (the first conversation the seed made): her
# row's unread badge.
polls=$(count_requests GET '/api/v1/conversations/notifications.*')
for text in "Hello" "Are you there?"; do
    control /messages "{\"email\": \"amy@people.kerlo.local\", \"conversation_id\": 1,
                        \"content\": \"$text\"}"
done
# A news poll sent since brings them.
wait_requests GET '/api/v1/conversations/notifications.*' 60 "$polls" answered || fail "no news poll"
wait_drawn
screenshot sidebar

# The sidebar's "Contacts" row, found down the sidebar's rows by the window's title.
open_sidebar_row '^Contacts$' 100 30 260 || fail "the contacts page did not open"
wait_drawn
screenshot contacts

# The switch's "Groups" segment, the second button at the page's top left, right of the
# sidebar: found by trying along the top until the page changes.
before=$(import -window "$main" rgb:- 2>/dev/null | md5sum) || before=""
for x in $(seq 290 10 420); do
    xdotool mousemove --window "$main" "$x" 78 click 1
    wait_drawn "$main"
    after=$(import -window "$main" rgb:- 2>/dev/null | md5sum) || after=""
    [ "$after" != "$before" ] && break
done
wait_drawn
screenshot groups
list_screenshots
