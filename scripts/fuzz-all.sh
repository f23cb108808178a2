#!/usr/bin/env bash
# Runs every fuzz target of a host build for SECONDS each, keeping what it
# finds in the committed corpora (small inputs only), and sums up.
#   fuzz-all.sh HOST_BUILD_DIR SECONDS
# With FUZZ_RUNS=N a target also stops after N executions; FUZZ_FILTER=REGEX
# runs only the targets whose name matches (to split a campaign over cores).
set -euo pipefail
build=$1 seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
status=0
# Each fuzz test's command line names the target and its corpus folder.
while read -r target corpus; do
    name=$(basename "$target")
    [[ -n "${FUZZ_FILTER:-}" && ! "$name" =~ $FUZZ_FILTER ]] && continue
    echo "== $name ($seconds s)"
    mkdir -p "$corpus"
    FUZZ_KEEP=1 "$here/fuzz.sh" "$target" "$corpus" "$seconds" -max_len=4096 ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} || status=1
    # Keep the committed corpus small: of the inputs the fuzzer found (named
    # by their SHA-1), only those that add coverage stay; hand-named seeds
    # always stay.
    min=$(mktemp -d)
    if "$target" -merge=1 "$min" "$corpus" >/dev/null 2>&1; then
      for f in "$corpus"/*; do
        n=$(basename "$f")
        [[ $n =~ ^[0-9a-f]{40}$ && ! -e "$min/$n" ]] && rm -f "$f"
      done
    fi
    rm -rf "$min"
    echo "   corpus: $(ls "$corpus" | wc -l) inputs"
done < <(ctest --test-dir "$build" -L fuzz -N -V 2>/dev/null |
         sed -n 's/^.*Test command: .*fuzz\.sh "\([^"]*\)" "\([^"]*\)".*$/\1 \2/p')
exit $status
