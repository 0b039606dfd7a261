#!/usr/bin/env bash
# Loopback latency of kerlo-local as curl sees it: a small GET (the probe) and a 100-byte
# POST, each a fresh curl process and connection, N runs, median of curl's time_total.
# The reference is the same curl against a bare TCP_NODELAY socket answering one fixed
# reply (python3), run in the same script: the ratio is kerlo-local's own cost.
# usage: bench/kerlolocal_latency.sh <build-dir> [runs]
set -euo pipefail
build=${1:?build directory}
runs=${2:-500}
data=$(mktemp -d)
trap 'kill $server $sink 2>/dev/null || true; rm -rf "$data"' EXIT

"$build/service/kerlo-local" --data "$data/kl" >"$data/out" 2>&1 &
server=$!
python3 - "$data/sink" <<'PY' &
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0)); s.listen(128)
open(sys.argv[1], "w").write(str(s.getsockname()[1]))
reply = b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 15\r\nConnection: close\r\n\r\n{\"status\":\"ok\"}"
while True:
    c, _ = s.accept(); c.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    data = b""
    while b"\r\n\r\n" not in data:
        data += c.recv(65536)
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n"):
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":")[1])
    while len(body) < length:
        body += c.recv(65536)
    c.sendall(reply); c.close()
PY
sink=$!
for _ in $(seq 100); do
    grep -q listening "$data/out" 2>/dev/null && [ -s "$data/sink" ] && break
    sleep 0.05
done
url=$(sed -n 's/.*listening on //p' "$data/out")
sinkurl="http://127.0.0.1:$(cat "$data/sink")"
body=$(head -c 100 /dev/zero | tr '\0' 'x')

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
measure() { # url method
    for _ in $(seq "$runs"); do
        if [ "$2" = POST ]; then
            curl -s -o /dev/null -w '%{time_total}\n' -X POST -H 'Content-Type: application/json' \
                --data-binary "$body" "$1"
        else
            curl -s -o /dev/null -w '%{time_total}\n' "$1"
        fi
    done | median
}
printf '%-28s %12s %12s %8s\n' request kerlo-local reference ratio
for case in "GET /api/v1 GET" "POST(100B) /api/v1/key.json POST"; do
    set -- $case
    ours=$(measure "$url$2" "$3")
    ref=$(measure "$sinkurl$2" "$3")
    awk -v n="$1 $2" -v o="$ours" -v r="$ref" \
        'BEGIN {printf "%-28s %10.0fus %10.0fus %8.2f\n", n, o*1e6, r*1e6, o/r}'
done
