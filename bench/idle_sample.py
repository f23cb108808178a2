#!/usr/bin/env python3
"""Samples what idle Windows processes of one Wine prefix cost the Linux host.

    idle_sample.py SECONDS OUT.json NAME=PATTERN...

Each PATTERN is a text of the process's command line (e.g. "--autostart");
only processes whose WINEPREFIX is this process's are considered. Over
SECONDS it reads, once a second, every thread's time on a CPU and its count
of run periods (/proc/PID/task/TID/schedstat: each run period is a wake-up),
and at the end the process's private memory (smaps_rollup). Reading /proc
does not wake the processes read.
"""
import json
import os
import sys
import time


def prefix_of(pid):
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            for item in f.read().split(b"\0"):
                if item.startswith(b"WINEPREFIX="):
                    return item[len(b"WINEPREFIX="):].decode(errors="replace")
    except OSError:
        pass
    return None


def find_process(pattern, prefix):
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if pattern in cmdline and "idle_sample.py" not in cmdline and prefix_of(entry) == prefix:
            return int(entry)
    return None


def threads(pid):
    """{tid: (cpu_ns, run_periods)}"""
    out = {}
    try:
        tids = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return out
    for tid in tids:
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                cpu, _wait, periods = (int(x) for x in f.read().split()[:3])
            out[int(tid)] = (cpu, periods)
        except (OSError, ValueError):
            continue
    return out


def private_kb(pid):
    total = 0
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                total += int(line.split()[1])
    return total


def delta(first, last):
    """Per-thread (cpu_ns, periods) grown from first to last; new threads count whole."""
    return {tid: (cpu - first.get(tid, (0, 0))[0], n - first.get(tid, (0, 0))[1])
            for tid, (cpu, n) in last.items()}


def main():
    seconds = int(sys.argv[1])
    out_path = sys.argv[2]
    prefix = os.environ.get("WINEPREFIX")
    pids = {}
    for watched in sys.argv[3:]:
        name, pattern = watched.split("=", 1)
        pid = find_process(pattern, prefix)
        if pid is None:
            sys.exit(f"no process of this prefix runs '{pattern}'")
        pids[name] = pid
    first = {name: threads(pid) for name, pid in pids.items()}
    previous = dict(first)
    per_second = {name: [] for name in pids}
    start = time.monotonic()
    for second in range(1, seconds + 1):
        time.sleep(max(0.0, start + second - time.monotonic()))
        for name, pid in pids.items():
            now = threads(pid)
            if not now:
                sys.exit(f"{name} (pid {pid}) ended while idle")
            per_second[name].append(sum(n for _, n in delta(previous[name], now).values()))
            previous[name] = now
    result = {"seconds": seconds}
    for name, pid in pids.items():
        grown = delta(first[name], previous[name])
        result[name] = {
            "pid": pid,
            "threads": len(previous[name]),
            # CPU since the process began, up to the sampling: a check that
            # the process read is the one that started up.
            "cpu_ms_before": sum(c for c, _ in first[name].values()) / 1e6,
            "cpu_ms": sum(c for c, _ in grown.values()) / 1e6,
            "wakeups": sum(n for _, n in grown.values()),
            "wakeups_by_thread": sorted((n for _, n in grown.values()), reverse=True),
            "wakeups_per_second": per_second[name],
            "private_kb": private_kb(pid),
        }
    with open(out_path, "w") as f:
        json.dump(result, f, indent=1)


if __name__ == "__main__":
    main()
