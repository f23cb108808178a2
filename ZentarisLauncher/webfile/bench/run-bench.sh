#!/usr/bin/env bash
# Builds the reader with optimisation (no sanitizers), starts the portal test
# server on a free loopback port and runs the two measurements.
#   run-bench.sh [ROUNDS]      (default 30)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../../.." && pwd)
rounds=${1:-30}
work=$(mktemp -d "${TMPDIR:-/tmp}/webfile-bench.XXXXXX")
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

c++ -std=c++17 -O2 -I "$here/.." "$here/../webfile.cpp" "$here/../webfile_transfer.cpp" \
    "$here/webfile_bench.cpp" -lcurl -o "$work/webfile_bench"

mkdir "$work/root"
python3 - "$work/root/lines64k.txt" <<'PY'
import sys
out, n = bytearray(), 0
while len(out) < 65536:
    out += b"entry %05d;http://127.0.0.1/downloads/client-%05d.exe\n" % (n, n)
    n += 1
open(sys.argv[1], "wb").write(bytes(out[:65536]))
PY

python3 "$src/tests/portal/portal_server.py" --port 0 --root "$work/root" \
    --port-file "$work/port" >/dev/null 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
base="http://127.0.0.1:$port/"
curl -s -o /dev/null -X POST \
    -d '{"/stall5": {"status": 200, "body": "late but whole\n", "stall": 5}}' "${base}__zen/routes"

"$work/webfile_bench" "$base" "$rounds"
