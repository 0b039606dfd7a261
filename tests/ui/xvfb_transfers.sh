#!/usr/bin/env bash
# End to end on a real X server: a signed-in Lumarin pastes a 24 MiB file copied in a file
# manager (the X clipboard, as xvfb_copyfiles puts it there) into "/", which uploads it; the
# service holds the upload's first request back (kerlo-local's delay switch), and meanwhile
# the sidebar's "Transfers" row is clicked. Saves a screenshot of the transfers page showing
# the running upload (build/transfers-upload.png) and checks in the request log that the
# upload is committed once the service lets it through.
# Usage: xvfb_transfers.sh <lumarin> <kerlo-local> <xvfb_copyfiles> <output folder>
set -euo pipefail
# shellcheck source=xvfb_common.sh
. "$(dirname "$0")/xvfb_common.sh"
require_tools python3 curl
in_private_session "$@"
copyfiles=$3
begin_test transfers "$1" "$2" "$4"
start_xvfb
start_kerlo
start_lumarin

sign_in_listed
xdotool windowsize --sync "$main" 1100 700 2>/dev/null || true
wait_drawn "$main"

# The upload: its first request waits at the service, so the page shows it running.
paste_held_upload "$copyfiles" "Holiday video.bin" 12000

# The sidebar's "Transfers" row: down the sidebar's rows (about 17 px each, below the menu
# and tool bars) until the window's title says the page is shown.
open_sidebar_row '^Transfers$' 120 30 200 || fail "the transfers page did not open"
wait_drawn "$main"
screenshot upload

# The held request goes through and the upload is committed.
wait_request '.*' '/api/v1/commit/.*' 60 || fail "the upload never committed"
list_screenshots
