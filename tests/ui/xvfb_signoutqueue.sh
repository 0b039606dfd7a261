#!/usr/bin/env bash
# End to end on a real X server: the demo user pastes a file into "/", whose upload the service
# holds, and signs out with it still queued; another user signs in and uploads a file of their
# own: nothing of the demo user's upload reaches the service meanwhile. The demo user signs in
# again and the upload is committed, into the demo user's store.
# Usage: xvfb_signoutqueue.sh <lumarin> <kerlo-local> <xvfb_copyfiles> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
copyfiles=$3
begin_test signoutqueue "$1" "$2" "$4"
start_xvfb
start_kerlo
first_email=$demo_email first_password=$demo_password
other_email="other@kerlo.local" other_password="other-password"
curl -fsS -X POST -H 'Content-Type: application/json' \
    -d "{\"email\":\"$other_email\",\"password\":\"$other_password\"}" \
    "$root/__control/users" >/dev/null || fail "kerlo-local made no second user"

as_user() { demo_email=$1 demo_password=$2; } # who sign_in types in
mine="Queued by demo.bin"
theirs="Queued by other.bin"
mine_requests() { count_requests '.*' "/api/v1/objects/${mine//./\\.}"; }
commits() { count_requests '.*' '/api/v1/commit/.*' answered; }
more_commits_than() { [ "$(commits)" -gt "$1" ]; }
more_mine_than() { [ "$(mine_requests)" -gt "$1" ]; }

# Sign Out from the File menu, confirmed, then the notice that the program restarts. The
# restarted program shows the sign-in window; should the restart not come, the script starts
# the program again itself.
sign_out() {
    local old=$lumarin_pid alert
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool mousemove --window "$main" 20 10 click 1
    wait_drawn
    xdotool key Up Up Return
    alert=$(wait_window '^Kerlo - Sign Out$' 30) || fail "Sign Out asked nothing"
    xdotool windowfocus --sync "$alert" 2>/dev/null || true
    xdotool key Tab space
    wait_for 30 "the confirmed Sign Out did not sign out" gone '^Kerlo - Sign Out$'
    wait_drawn
    xdotool key Return
    wait_for 60 "the signed-out program did not end" eval "! kill -0 $old 2>/dev/null"
    if ! wait_window '^Kerlo$' 20 >/dev/null; then
        echo "The program did not restart itself after Sign Out: starting it again"
        start_lumarin
    fi
}

start_lumarin
sign_in_listed
# Held at the service, so that it is still queued when its user signs out.
paste_held_upload "$copyfiles" "$mine" 600000
sent=$(mine_requests)
sign_out

as_user "$other_email" "$other_password"
sign_in_listed
before=$(commits)
paste_held_upload "$copyfiles" "$theirs" 1
wait_for 60 "the other user's upload never committed" more_commits_than "$before"
# Queued before it, the demo user's upload would have gone first.
[ "$(mine_requests)" = "$sent" ] || fail "the demo user's upload went out under another user"
screenshot other "$main"
sign_out

as_user "$first_email" "$first_password"
before=$(commits)
sign_in_listed
wait_for 60 "the demo user's upload did not start again" more_mine_than "$sent"
wait_for 90 "the demo user's upload never committed" more_commits_than "$before"
# Under the demo user's token.
tokens=$(curl -fsS "$root/__control/tokens")
requests | python3 -c '
import json, sys
log = json.load(sys.stdin)["requests"]
tokens = json.loads(sys.argv[1])["tokens"][sys.argv[2]]["access_tokens"]
commit = [e for e in log if e["path"].startswith("/api/v1/commit/") and e["status"] == 200][-1]
auth = commit["headers"].get("authorization", "")
sys.exit(0 if auth and any(auth.endswith(" " + t) for t in tokens) else 1)' \
    "$tokens" "$first_email" || fail "the upload was not committed under the demo user's token"
list_screenshots
