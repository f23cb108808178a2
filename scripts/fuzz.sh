#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time with its seed corpus.
#   fuzz.sh TARGET CORPUS_DIR SECONDS [extra libFuzzer flags...]
# New inputs go to a scratch folder, so the committed corpus stays as it is
# unless FUZZ_KEEP=1.
set -euo pipefail
target=$1 corpus=$2 seconds=$3; shift 3
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zen-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
dirs=("$scratch")
[ -d "$corpus" ] && dirs+=("$corpus")
[ "${FUZZ_KEEP:-0}" = 1 ] && dirs=("$corpus")
mkdir -p "${dirs[0]}"
"$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$scratch/" "$@" "${dirs[@]}" 2>"$scratch/log" \
  || { tail -60 "$scratch/log"; for a in "$scratch"/crash-* "$scratch"/leak-* "$scratch"/timeout-*; do [ -f "$a" ] && { echo "input: $a"; od -A x -t x1z "$a" | head -20; }; done; exit 1; }
grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$scratch/log" | tail -2
