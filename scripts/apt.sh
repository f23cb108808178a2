# Package installation that survives a package mirror caught mid-sync: the
# index is fetched again a few times, an index that still fails does not stop
# anything that is already installed, and what cannot be had stops set-up
# with the package's name and apt's own words. Sourced by the set-up scripts.
#   APT_GET, DPKG_QUERY  the apt-get and dpkg-query to run (tests give stand-ins)
#   APT_RETRIES  attempts per step (3); APT_RETRY_PAUSE seconds between (15)

APT_GET=${APT_GET:-apt-get}
DPKG_QUERY=${DPKG_QUERY:-dpkg-query}
APT_RETRIES=${APT_RETRIES:-3}
APT_RETRY_PAUSE=${APT_RETRY_PAUSE:-15}
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# The last lines apt printed, as the cause of a failure.
apt_cause() { grep -E '^(E|W|Err):' "$apt_log" | tail -3 | sed 's/^/  /'; }

# Runs an apt-get step up to APT_RETRIES times; 0 once it succeeds.
apt_retry() {
  local attempt
  for ((attempt = 1; attempt <= APT_RETRIES; attempt++)); do
    if DEBIAN_FRONTEND=noninteractive as_root "$APT_GET" "$@" >"$apt_log" 2>&1; then return 0; fi
    if ((attempt < APT_RETRIES)); then
      echo "setup: apt-get $1 failed (attempt $attempt of $APT_RETRIES), trying again in ${APT_RETRY_PAUSE}s" >&2
      sleep "$APT_RETRY_PAUSE"
    fi
  done
  return 1
}

apt_installed() { "$DPKG_QUERY" -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Installs those of the named packages that are missing. A failing index is
# reported and passed over (the packages may still be there to install);
# packages that still cannot be installed stop set-up, naming them.
apt_install_missing() {
  local p missing=()
  for p in "$@"; do apt_installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "setup: installing ${missing[*]}"
  if ! apt_retry update -qq; then
    echo "setup: the package index could not be updated; trying with the one this machine has:" >&2
    apt_cause >&2
  fi
  apt_retry install -y -qq --no-install-recommends "${missing[@]}" && return 0
  local still=()
  for p in "${missing[@]}"; do apt_installed "$p" || still+=("$p"); done
  echo "setup: could not install ${still[*]}; apt-get said:" >&2
  apt_cause >&2
  exit 1
}
