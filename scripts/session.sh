# Shared by the test runner and the demo (sourced, not run): a portal test
# server, a Wine prefix cloned from a template, and an Xvfb display, all
# cleaned up by zen_session_end. Callers set `work` to a scratch folder.

zen_session_pids=()
zen_session_prefix=

# The first line that a background helper prints, within a bound.
zen_first_line() { local line; read -r -t 20 line <&"$1" && echo "$line"; }

# zen_portal_start PORT ROOT: PORT 0 takes a free one. Exports ZEN_PORTAL_PORT
# and ZEN_PORTAL_URL.
zen_portal_start() {
  local port=$1 root=$2 fd
  exec {fd}< <(exec python3 "$zen_src/tests/portal/portal_server.py" --port "$port" \
                 --root "$root" 2>"$work/portal.log")
  zen_session_pids+=($!)
  port=$(zen_first_line "$fd") || { echo "portal server did not start:" >&2; cat "$work/portal.log" >&2; return 1; }
  export ZEN_PORTAL_PORT=$port ZEN_PORTAL_URL="http://127.0.0.1:$port/"
}

# zen_sample_portal_start PORT ARGS...: the sample portal (portal/sample_portal.py)
# instead, with ARGS. Exports the same two variables.
zen_sample_portal_start() {
  local port=$1 fd
  shift
  exec {fd}< <(exec python3 "$zen_src/portal/sample_portal.py" --port "$port" "$@" 2>"$work/portal.log")
  zen_session_pids+=($!)
  port=$(zen_first_line "$fd") || { echo "sample portal did not start:" >&2; cat "$work/portal.log" >&2; return 1; }
  export ZEN_PORTAL_PORT=$port ZEN_PORTAL_URL="http://127.0.0.1:$port/"
}

# zen_wine_start TEMPLATE: a prefix of our own with a display of its own.
zen_wine_start() {
  local template=$1 fd display
  "$zen_src/scripts/wine-template.sh" "$template" || return 1
  # A clone of the template is far cheaper than a new prefix (1.5 s against 15).
  cp -a "$template" "$work/prefix"
  zen_session_prefix=$work/prefix
  export WINEPREFIX=$work/prefix WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
  exec {fd}< <(exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
  zen_session_pids+=($!)
  display=$(zen_first_line "$fd") || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$display
  # A persistent wineserver started with its output away from ours keeps the
  # caller's pipes free of Wine's helper processes.
  /usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
}

# zen_wine PROGRAM ARGS...: runs a Windows program, output after it ends.
# A crash fails the run even when Wine's debugger lets it end with status 0
# (seen under Wine 8: the same crash ended with 0 or 5).
zen_wine() {
  local rc
  "$WINELOADER" "$@" >"$work/wine.out" 2>&1 </dev/null
  rc=$?
  cat "$work/wine.out"
  if [ $rc = 0 ] && grep -q '^wine: Unhandled' "$work/wine.out"; then
    echo "run-test: the program crashed" >&2
    rc=1
  fi
  return $rc
}

zen_session_end() {
  if [ -n "$zen_session_prefix" ] && [ -d "$zen_session_prefix" ]; then
    WINEPREFIX=$zen_session_prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1
    WINEPREFIX=$zen_session_prefix /usr/lib/wine/wineserver -w >/dev/null 2>&1
  fi
  local p
  for p in "${zen_session_pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
}
