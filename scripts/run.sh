#!/usr/bin/env bash
# Builds everything, starts kerlo-local on loopback and runs Lumarin against it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

data="${KERLO_LOCAL_DATA:-$root/build/kerlo-local-data}"
port="${KERLO_LOCAL_PORT:-8642}"
mkdir -p "$data"

echo "Starting kerlo-local on http://127.0.0.1:$port (data in $data)."
echo "The Lumarin window is not built yet: only the service runs. Press Ctrl-C to stop it."
exec "$root/build/service/kerlo-local" --port "$port" --data "$data"
