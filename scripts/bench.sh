#!/usr/bin/env bash
# The benchmark command: the launch road under Wine against baselines measured
# in the same run, interleaved, reported as medians with their spread. Prints
# the table and writes it, with every sample, to BUILD_DIR/bench/<time>/.
#   bench.sh BUILD_DIR
# Knobs: BENCH_ROUNDS (30 launches), BENCH_INSTCHECK_ROUNDS (100),
#        BENCH_READER_RUNS (5), BENCH_READER_ROUNDS (20),
#        BENCH_IDLE_SECONDS (60), BENCH_SETTLE_SECONDS (20).
# Needs the win64 build (deliverables, bench programs, test game), the win32
# deliverables for their sizes, and the portal's port of the build free.
set -uo pipefail
zen_src=$(cd "$(dirname "$0")/.." && pwd)
source "$zen_src/scripts/session.sh"
build=$(cd "${1:-build}" && pwd)
bin=$build/win64/bin
rounds=${BENCH_ROUNDS:-30}
inst_rounds=${BENCH_INSTCHECK_ROUNDS:-100}
reader_runs=${BENCH_READER_RUNS:-5}
reader_rounds=${BENCH_READER_ROUNDS:-20}
idle_seconds=${BENCH_IDLE_SECONDS:-60}
settle_seconds=${BENCH_SETTLE_SECONDS:-20}
run=$build/bench/$(date -u +%Y%m%dT%H%M%SZ)
mkdir -p "$run"

work=$(mktemp -d "${TMPDIR:-/tmp}/zen-bench.XXXXXX")
trap 'zen_session_end; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

step() { printf '== %s\n' "$*" >&2; }
fail() { echo "bench: $*" >&2; exit 1; }
load() { echo "$(date -u +%H:%M:%S) $1: loadavg $(cut -d' ' -f1-3 /proc/loadavg)" >> "$run/load.txt"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
unixpath() { zen_wine winepath -u "$1" | tr -d '\r'; }

for f in ZentarisLauncher.exe zenproto.dll zen_bench.exe zen_bench_launch_baseline.exe \
         zen_bench_launch_baseline_imports.exe zen_bench_idle.exe testgame.exe; do
  [ -f "$bin/$f" ] || fail "missing $bin/$f (build the win64 targets first)"
done
# The deliverables have their portal address built in: the test portal must
# answer on that port.
base=$(sed -n 's/^PortalBaseUrl:STRING=//p' "$build/win64/CMakeCache.txt")
port=$(printf '%s' "$base" | sed -n 's|^http://127\.0\.0\.1:\([0-9]*\)/$|\1|p')
[ -n "$port" ] || fail "PortalBaseUrl $base is not http://127.0.0.1:PORT/"
curl -s -o /dev/null --max-time 2 "$base" && fail "port $port is already taken"

{ echo "$(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)";
  echo "$(/usr/lib/wine/wine64 --version 2>/dev/null </dev/null), $(uname -sr)";
  echo "sources $(git -C "$zen_src" describe --always --dirty 2>/dev/null || echo unknown)"; } > "$run/machine.txt"
load start

step "portal test server on $base"
root=$work/root
mkdir -p "$root/images" "$root/launcher"
cp "$zen_src/tests/portal/root/images/space.gif" "$root/images/"
for i in 1 2 3; do echo "Bench client $i;${base}downloads/client$i.exe"; done > "$root/images/uinstapp.dat"
python3 -c "import sys; sys.path.insert(0, '$zen_src/portal'); import news_image; sys.stdout.buffer.write(news_image.packed_dib())" \
  > "$root/launcher/news.dib" || fail "cannot make the news image"
# Every launch is approved; the image is never cached, so each install check
# and each direct fetch reaches the server, and it is served on kept
# connections, as a web server does, so that both sides may reuse them.
cat > "$work/routes.json" <<JSON
{"/launcher/bench/": {"status": 200, "body": "1\n"},
 "/images/space.gif": {"status": 200, "body_file": "$root/images/space.gif", "keep_alive": true,
                       "headers": {"Content-Type": "image/gif", "Cache-Control": "no-store"}}}
JSON
exec {pf}< <(exec python3 "$zen_src/tests/portal/portal_server.py" --port "$port" --root "$root" \
               --routes "$work/routes.json" 2>"$work/portal.log")
zen_session_pids+=($!)
zen_first_line "$pf" >/dev/null || { cat "$work/portal.log" >&2; fail "the portal test server did not start"; }

step "Wine prefix with a desktop and taskbar"
zen_wine_start "$build/win64/wine-template" || fail "no Wine prefix"
zen_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null
zen_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null
/usr/lib/wine/wineserver -k; /usr/lib/wine/wineserver -w
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null

# As the installation leaves things: the programs in a folder of the prefix,
# the branch with "LauncherPath", zenproto registered; and a game with its
# installation record.
app='C:\Zentaris'
game='C:\Bench Game'
logdir='C:\Bench Log'
mkdir -p "$(unixpath "$app")" "$(unixpath "$game")" "$(unixpath "$logdir")"
for f in ZentarisLauncher.exe zenproto.dll zen_bench.exe zen_bench_launch_baseline.exe \
         zen_bench_launch_baseline_imports.exe zen_bench_idle.exe; do
  cp "$bin/$f" "$(unixpath "$app")/"
done
cp "$bin/testgame.exe" "$(unixpath "$game")/game.exe"
. "$build/win64/contract/generated/shared_names.sh"
zen_wine reg add "HKCU\\$ZEN_BRANCH" /v "$ZEN_LAUNCHER_PATH_VALUE" /d "$app\\$ZEN_LAUNCHER_EXE" /f >/dev/null
zen_wine reg add 'HKCU\Software\Zentaris Bench' /v InstallDir /d "$game" /f >/dev/null
zen_wine regsvr32 /s "$app\\zenproto.dll" || fail "regsvr32 zenproto.dll failed"

# Signed with this build's portal key, as the launcher requires.
payload=$(python3 - "$zen_src/portal" "$build/signing/portal-signing.seed" "$base" <<'PY'
import base64, sys
sys.path.insert(0, sys.argv[1])
import link_signing
fields = ["BenchGame", "HKCU\\Software\\Zentaris Bench", "InstallDir", "game.exe", sys.argv[3] + "games/bench/", "bench"]
fields.append(link_signing.sign_fields(link_signing.read_seed(sys.argv[2]), fields))
print(base64.b64encode(";".join(fields).encode("cp1252")).decode())
PY
)
launcher_line="\"$app\\ZentarisLauncher.exe\" zentaris://launch/$payload"
baseline_line="\"$app\\zen_bench_launch_baseline.exe\" ${base}launcher/bench/ \"$game\\game.exe\" \"$game\""

# The copy with the launcher's imports must bind at process start what the
# launcher binds there (the DLLs it binds at their first call cost a launch
# nothing), or row 1d measures some other set of DLLs.
objdump64=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$build/win64/CMakeCache.txt")
at_load() { "$objdump64" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u; }
launcher_dlls=$(at_load "$bin/ZentarisLauncher.exe")
[ "$launcher_dlls" = "$(at_load "$bin/zen_bench_launch_baseline_imports.exe")" ] ||
  fail "zen_bench_launch_baseline_imports.exe does not bind at load what the launcher does: $(echo $launcher_dlls)"
comm -23 <(echo "$launcher_dlls") <(at_load "$bin/zen_bench_launch_baseline.exe") > "$run/imports_at_load.txt"

step "1. launch road: $rounds rounds each, interleaved"
load "launch road"
# Beside the launcher and the baseline, the baseline built with the
# launcher's imports: tells the cost of loading those DLLs from that of the
# launcher's own code.
imports_line="\"$app\\zen_bench_launch_baseline_imports.exe\"${baseline_line#*.exe\"}"
zen_wine "$app\\zen_bench.exe" launch "$(winpath "$run/launch.txt")" "$rounds" 3 "$logdir\\starts.log" \
  "launcher=$launcher_line" "baseline=$baseline_line" "baseline_imports=$imports_line" \
  || fail "launch road benchmark failed"
starts=$(wc -l < "$(unixpath "$logdir")/starts.log")
echo "   test game started $starts times (expected $(( (rounds + 3) * 3 )))" >&2
[ "$starts" -eq $(( (rounds + 3) * 3 )) ] || fail "the game log does not match the launches"

step "2. install check: $inst_rounds rounds each, interleaved"
load "install check"
before=$(curl -s "${base}__zen/requests" | python3 -c 'import json,sys; print(json.load(sys.stdin).count("/images/space.gif"))')
zen_wine "$app\\zen_bench.exe" instcheck "$(winpath "$run/instcheck.txt")" "$inst_rounds" 3 \
  'zentaris://instcheck/1000' "${base}images/space.gif" || fail "install check benchmark failed"
after=$(curl -s "${base}__zen/requests" | python3 -c 'import json,sys; print(json.load(sys.stdin).count("/images/space.gif"))')
echo "   image requests that reached the server: $((after - before)) (expected $(( (inst_rounds + 3) * 2 + 1 )))" >&2

step "3. web file reader: $reader_runs runs of $reader_rounds rounds"
load "reader"
for i in $(seq "$reader_runs"); do
  "$zen_src/ZentarisLauncher/webfile/bench/run-bench.sh" "$reader_rounds" > "$run/reader-$i.txt" 2>&1 \
    || { cat "$run/reader-$i.txt" >&2; fail "reader benchmark failed"; }
done

step "4. tray idle: $settle_seconds s to settle, then $idle_seconds s"
load "tray idle"
"$WINELOADER" "$app\\ZentarisLauncher.exe" --autostart >/dev/null 2>&1 </dev/null &
zen_session_pids+=($!)
"$WINELOADER" "$app\\zen_bench_idle.exe" >/dev/null 2>&1 </dev/null &
zen_session_pids+=($!)
# The news popup closes itself after 10 s; the download list, the news
# image and the update manifest (none here: the tray checks again in a day)
# are read once. What follows is idle.
sleep "$settle_seconds"
# A tray that started whole has read the download list and the news image,
# and asked for the update manifest.
curl -s "${base}__zen/requests" | python3 -c '
import json, sys
log = json.load(sys.stdin)
read = {p: log.count(p) for p in ("/images/uinstapp.dat", "/launcher/news.dib", "/launcher/update.txt")}
print("   tray read:", ", ".join(f"{p} {n}x" for p, n in read.items()), file=sys.stderr)
sys.exit(0 if all(read.values()) else 1)' || fail "the tray did not read its download list, news image and update manifest"
python3 "$zen_src/bench/idle_sample.py" "$idle_seconds" "$run/idle.json" \
  tray=--autostart baseline=zen_bench_idle.exe || fail "idle sampling failed"

step "5. sizes and import lists"
: > "$run/sizes.txt"
for arch in win64 win32; do
  objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$build/$arch/CMakeCache.txt")
  strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$build/$arch/CMakeCache.txt")
  baseline=$build/$arch/bin/zen_bench_launch_baseline.exe
  [ -f "$baseline" ] || fail "missing $baseline"
  for f in ZentarisLauncher.exe zenproto.dll; do
    path=$build/$arch/bin/$f
    [ -f "$path" ] || fail "missing $path"
    imports=$("$objdump" -p "$path" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ',' | sed 's/,$//')
    ok=no; checked=$("$zen_src/scripts/check-imports.sh" "$objdump" "$path") && ok=yes
    delayed=$(printf '%s\n' "$checked" | sed -n 's/.*; delay-loaded: //p' | head -1)
    # What the file would weigh without its symbol and debug sections.
    "$strip" -o "$work/stripped" "$path" || fail "cannot strip a copy of $path"
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$arch" "$f" "$(stat -c %s "$path")" "$(stat -c %s "$baseline")" \
      "$imports" "$ok" "$(stat -c %s "$work/stripped")" "$delayed" >> "$run/sizes.txt"
  done
done
load end

python3 "$zen_src/bench/summarize.py" "$run" || fail "cannot summarise $run"
echo
echo "load during the run:"; sed 's/^/  /' "$run/load.txt"
echo "samples, table.md and results.json in $run"
