#!/usr/bin/env python3
"""Samples what idle Windows processes of one Wine prefix cost the Linux host.

    idle_sample.py SECONDS OUT.json NAME=PATTERN...

Each PATTERN is a text of the process's command line (e.g. "--autostart");
only processes whose WINEPREFIX is this process's are considered. Over
SECONDS it reads, once a second, every thread's time on a CPU and its count
of run periods (/proc/PID/task/TID/schedstat: each run period is a wake-up),
and at the end the process's private memory (smaps_rollup) and what holds
it (smaps, by mapping). Reading /proc does not wake the processes read.
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


def private_by_mapping(pid):
    """Private memory (Private_Clean + Private_Dirty, KiB) by what is mapped:
    {kind: {name: KiB}}. Kinds: "image" (a Windows program or DLL: its
    relocated and written pages), "unix library" (Wine's Unix side and the
    host's libraries), "unix heap" and "unix stack" (malloc's heap and the
    main thread's stack on the Unix side), "anonymous" (memory the process
    reserved for itself: the Windows heaps, the threads' stacks and TEBs,
    Wine's own tables), "other" (any other named mapping)."""
    kinds = {}
    name = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            fields = line.split()
            if not fields:
                continue
            if not fields[0].endswith(":") or "-" in fields[0]:
                path = " ".join(fields[5:]) if len(fields) > 5 else ""
                base = os.path.basename(path).lower()
                if not path:
                    kind, name = "anonymous", "anonymous"
                elif path == "[heap]":
                    kind, name = "unix heap", path
                elif path.startswith("[stack"):
                    kind, name = "unix stack", path
                elif base.endswith((".dll", ".exe", ".drv", ".sys")):
                    kind, name = "image", base
                elif ".so" in base:
                    kind, name = "unix library", base
                else:
                    kind, name = "other", path
                continue
            if fields[0] in ("Private_Clean:", "Private_Dirty:"):
                by_name = kinds.setdefault(kind, {})
                by_name[name] = by_name.get(name, 0) + int(fields[1])
    return kinds


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
            "private_kb_by_mapping": private_by_mapping(pid),
        }
    with open(out_path, "w") as f:
        json.dump(result, f, indent=1)


if __name__ == "__main__":
    main()
