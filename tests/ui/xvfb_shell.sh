#!/usr/bin/env bash
# End to end on a real X server: Lumarin waits with its banner while kerlo-local is down,
# shows the sign-in window once the service is up, says so when the service fails the first
# sign-in (a 500), takes the demo credentials typed with xdotool again and opens the signed-in
# window. Saves a screenshot of each stage into the build folder (for a person to look at) and
# checks kerlo-local's request log.
# Usage: xvfb_shell.sh <lumarin> <kerlo-local> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl convert
in_private_session "$@"
begin_test shell "$1" "$2" "$3"
start_xvfb

# A free port: let kerlo-local pick one, then stop it so that Lumarin starts with no service.
start_kerlo
stop_kerlo
start_lumarin

home=$(wait_window '^Kerlo Home$' 60) || fail "no main window"
# The banner, red across the window under the toolbar, once the connectivity check failed.
banner_shown() {
    import -window "$home" png:- 2>/dev/null | convert - -crop 1x1+400+76 txt:- 2>/dev/null |
        grep -E '^0,0: \((2[0-9][0-9]),(1[0-9][0-9]|[0-9]{1,2}),(1[0-9][0-9]|[0-9]{1,2})\)' >/dev/null
}
wait_for 60 "the main window never said that the service cannot be reached" banner_shown
wait_drawn
screenshot banner

start_kerlo "$port"
# The service fails the first sign-in: the window tells that, not a wrong password.
curl -fsS -X POST -H 'Content-Type: application/json' \
    -d '{"path":"/api/v1/key.json","method":"POST","action":"status","status":500,"body":"{}"}' \
    "$root/__control/fault" >/dev/null
login=$(wait_window '^Kerlo$' 60) || fail "no sign-in window"
enter_credentials "$login" signin
wait_for 60 "the window never told the failed sign-in" \
    grep -q "The sign-in failed with status 500" "$work/lumarin.log"
wait_drawn "$login"
screenshot signin-failed
sign_in_listed
screenshot signedin

requests >"$work/requests.json"
python3 - "$work/requests.json" <<'PY'
import json, re, sys
log = json.load(open(sys.argv[1]))["requests"]
paths = [entry["path"] for entry in log]
def first(pattern):
    for i, path in enumerate(paths):
        if re.fullmatch(pattern, path):
            return i
    return -1
key, me = first(r"/api/v1/key\.json"), first(r"/api/v1/me\.json")
metadata, listing = first(r"/api/v1/objects/metadata/?"), first(r"/api/v1/objects/list/?")
delta = first(r"/api/v1/objects/delta/.*")
ok = 0 <= key < me and 0 <= metadata < listing < delta
print("sign-in %d, me %d, metadata %d, list %d, delta %d" % (key, me, metadata, listing, delta))
sys.exit(0 if ok else 1)
PY
# SIGTERM (as a log-out or a service manager sends it) quits in order: defaults saved, exit 0.
kill -TERM "$lumarin_pid"
status=0
for _ in $(seq 600); do kill -0 "$lumarin_pid" 2>/dev/null || break; sleep 0.1; done
wait "$lumarin_pid" || status=$?
[ "$status" -eq 0 ] || fail "Lumarin ended with $status after SIGTERM"
if [ ! -s "$XDG_CONFIG_HOME/Lumarin/Lumarin.conf" ] || grep -q "Could not write" "$work/lumarin.log"; then
    fail "the defaults were not saved at quit"
fi

list_screenshots
