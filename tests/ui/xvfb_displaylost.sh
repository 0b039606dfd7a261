#!/usr/bin/env bash
# End to end on a real X server that dies: a signed-in Lumarin uploads a 24 MiB file pasted
# from a file manager (the X clipboard, as xvfb_copyfiles puts it there); the service holds the
# upload's first request back, and meanwhile the X server is killed. Lumarin must end on its
# own, without a crash or a sanitizer's report, with the upload kept in its transfers queue:
# started again on a new X server, it finishes the upload. Saves a screenshot of the window
# just before the display goes (build/displaylost-before.png) and one of the window after the
# new start (build/displaylost-after.png).
# Usage: xvfb_displaylost.sh <lumarin> <kerlo-local> <xvfb_copyfiles> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
copyfiles=$3
begin_test displaylost "$1" "$2" "$4"
start_xvfb
start_kerlo
start_lumarin

sign_in_listed

# The upload: its first request waits at the service while the display goes.
paste_held_upload "$copyfiles" "Lost display.bin" 30000
screenshot before

# The display goes while the upload's request waits at the service.
kill -KILL "$xvfb_pid"
status=0
for _ in $(seq 600); do
    kill -0 "$lumarin_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$lumarin_pid" 2>/dev/null; then
    kill -ABRT "$lumarin_pid"
    wait "$lumarin_pid" 2>/dev/null || true
    fail "Lumarin did not end within a minute of losing its display"
fi
wait "$lumarin_pid" || status=$?
cp "$work/lumarin.log" "$out/displaylost-lumarin.log"
# 128 + a signal's number: a crash, or an abort.
[ "$status" -lt 128 ] || fail "Lumarin ended by signal $((status - 128)) when its display went"
if grep -E 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$work/lumarin.log"; then
    fail "a sanitizer reported a fault when the display went"
fi
grep -q "display connection" "$work/lumarin.log" ||
    fail "Lumarin did not say why it ended"

# The queue kept the upload, paused, and the next start finishes it.
support=$XDG_DATA_HOME/Lumarin
python3 - "$support/transfers.db" <<'EOF' || fail "the upload was not kept in the transfers queue"
import sqlite3, sys
rows = sqlite3.connect(sys.argv[1]).execute("SELECT state_id FROM mtransfers").fetchall()
print("transfers kept:", rows)
sys.exit(0 if rows and all(state in (0, 2, 3) for (state,) in rows) else 1)
EOF
start_xvfb
start_lumarin
main=$(wait_window '^Kerlo Home$' 60) || fail "the second start showed no signed-in window"
close_tour
wait_request '.*' '/api/v1/commit/.*' 90 || fail "the kept upload was never finished"
wait_drawn "$main"
screenshot after
list_screenshots
