#!/usr/bin/env bash
# End to end on a real X server: Bea, a contact of the signed-in demo user, wrote yesterday and
# today (with emoji) and offers a file, all through kerlo-local's control API. A click on her
# sidebar row opens the chat; a message typed with xdotool is sent with Return and comes back
# confirmed. build/chat-conversation.png shows the day rows, her rows and the user's own, the
# file row and the colour emoji. The header's "+" then opens the add-people popover, which
# offers Cid (a contact not in the chat) and not Bea; Cid ticked: build/chat-popover.png.
# Usage: xvfb_chat.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
begin_test chat "$1" "$2" "$3"
start_xvfb
start_kerlo
start_lumarin

control() { # path, JSON body
    curl -fsS -H 'Content-Type: application/json' -d "$2" "$root/__control$1" >/dev/null
}
bea='"email":"bea@kerlo.local"'
demo='"recipient":"demo@kerlo.local"'
control /users '{"email":"bea@kerlo.local","password":"pw","first_name":"Bea","last_name":"Lee"}' ||
    fail "kerlo-local refused a user"
control /contact-invitations "{$bea,$demo}" || fail "kerlo-local refused the invitation"
control /contact-invitations/accept '{"email":"demo@kerlo.local","sender":"bea@kerlo.local"}' ||
    fail "kerlo-local refused the answer"
control /users '{"email":"cid@kerlo.local","password":"pw","first_name":"Cid","last_name":"Moss"}' ||
    fail "kerlo-local refused a user"
control /contact-invitations "{\"email\":\"cid@kerlo.local\",$demo}" || fail "kerlo-local refused the invitation"
control /contact-invitations/accept '{"email":"demo@kerlo.local","sender":"cid@kerlo.local"}' ||
    fail "kerlo-local refused the answer"
yesterday=$(date -u -d 'yesterday 16:20' +%Y-%m-%dT%H:%M:%SZ)
control /messages "{$bea,$demo,\"content\":\"Hi! Did you see the plan? :smile:\",\"sent_at\":\"$yesterday\"}" ||
    fail "kerlo-local refused a message"
control /messages "{$bea,$demo,\"content\":\"It is at https://example.com/plan :rocket: :tada:\",\"sent_at\":\"$yesterday\"}" ||
    fail "kerlo-local refused a message"
control /objects '{"email":"bea@kerlo.local","path":"/Plan.pdf","contentBase64":"JVBERi0xLjQK"}' ||
    fail "kerlo-local refused a file"

sign_in
xdotool windowsize --sync "$main" 1000 680 2>/dev/null || true
polls=$(count_requests GET '/api/v1/conversations/notifications.*')
control /messages "{$bea,$demo,\"content\":\"Good morning :sunny: <b>not bold</b>\"}" ||
    fail "kerlo-local refused a message"
control /collaborations "{$bea,$demo,\"object\":\"/Plan.pdf\"}" || fail "kerlo-local refused the file"
# A news poll sent since brings them.
wait_requests GET '/api/v1/conversations/notifications.*' 60 "$polls" answered || fail "no news poll"
wait_drawn "$main"

# Bea's row, found down the sidebar's rows by the window's title.
open_sidebar_row '^Bea Lee$' 100 30 400 || fail "the chat did not open"
wait_drawn "$main"
# The message field has the keyboard: a message, sent with Return.
xdotool type --delay 30 'Yes, looks great! See you at 10'
xdotool key Return
wait_answered POST '/api/v1/conversations/[0-9]+' 60 || fail "the message was not sent"
# The next news poll confirms it.
polls=$(count_requests GET '/api/v1/conversations/notifications.*')
wait_requests GET '/api/v1/conversations/notifications.*' 60 "$polls" answered ||
    fail "no news poll after the message was sent"
wait_drawn "$main"
screenshot conversation "$main"

# The "+" at the right end of the chat's header opens the popover, a window of its own.
popover=
for y in $(seq 64 6 170); do
    for x in 985 978 970; do
        xdotool mousemove --window "$main" "$x" "$y" click 1
        wait_drawn
        popover=$(xdotool search --onlyvisible --name '^Add People$' 2>/dev/null | head -1 || true)
        [ -n "$popover" ] && break 2
    done
done
[ -n "$popover" ] || fail "the add-people popover did not open"
wait_drawn "$popover"
before=$(image_of "$popover")
xdotool mousemove --window "$popover" 60 82 click 1
wait_redrawn "$popover" "$before" "the click ticked nobody in the popover"
screenshot popover
list_screenshots
