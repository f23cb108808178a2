#!/usr/bin/env python3
"""Turns one benchmark run's raw files into the table and results.json.

    summarize.py RUN_DIR

RUN_DIR holds what scripts/bench.sh wrote: launch.txt, instcheck.txt,
reader-*.txt, idle.json, sizes.txt, load.txt, machine.txt.
"""
import glob
import json
import os
import sys

from bench_stats import paired_ratios, parse_reader_run, read_samples, summary, verdict


def fmt(s, unit="ms", digits=1):
    return f"{s['median']:.{digits}f} {unit} [{s['p25']:.{digits}f}–{s['p75']:.{digits}f}]"


def ratio_fmt(s):
    return f"{s['median']:.3f} [{s['p25']:.3f}–{s['p75']:.3f}]"


def timed_pair(samples, measurement, ours, target):
    sides = samples[measurement]
    ratios = paired_ratios(sides[ours], sides["baseline"])
    row = {
        "ours": summary(sides[ours]),
        "baseline": summary(sides["baseline"]),
        "ratio": summary(ratios),
        "ratio_of_medians": summary(sides[ours])["median"] / summary(sides["baseline"])["median"],
        "target": target,
    }
    row["met"] = verdict(row["ratio"]["median"], target)
    return row


def main():
    run = sys.argv[1]
    read = lambda name: open(os.path.join(run, name)).read()
    results = {"machine": read("machine.txt").strip(), "load": read("load.txt").strip().splitlines()}
    rows = []

    launch = read_samples(read("launch.txt"))
    r = results["launch_road"] = timed_pair(launch, "launch", "launcher", 1.15)
    r["to_exit"] = timed_pair(launch, "launch_exit", "launcher", 1.15)
    rows.append(("1", "Launch road: start to test game running", fmt(r["ours"]), fmt(r["baseline"]),
                 ratio_fmt(r["ratio"]), "≤ 1.15", r["met"]))
    e = r["to_exit"]
    rows.append(("1b", "Launch road: start to launcher's exit", fmt(e["ours"]), fmt(e["baseline"]),
                 ratio_fmt(e["ratio"]), "–", "–"))

    inst = read_samples(read("instcheck.txt"))
    r = results["install_check"] = timed_pair(inst, "instcheck", "handler", 1.05)
    rows.append(("2", "Install check via urlmon (zentaris://instcheck/1000 vs http)", fmt(r["ours"], digits=2),
                 fmt(r["baseline"], digits=2), ratio_fmt(r["ratio"]), "≤ 1.05", r["met"]))

    runs = [parse_reader_run(open(p).read()) for p in sorted(glob.glob(os.path.join(run, "reader-*.txt")))]
    if runs:
        pick = lambda key: summary([x[key] for x in runs])
        reader = results["reader"] = {k: pick(k) for k in runs[0]}
        reader["runs"] = len(runs)
        rows.append(("3a", f"Reader 64 KB by lines vs curl CLI, CPU ({len(runs)} runs)", "–", "–",
                     ratio_fmt(reader["process_cpu_ratio"]), "–", "–"))
        rows.append(("3b", "Reader 64 KB by lines vs curl CLI, wall",
                     fmt(reader["reader_process_wall_ms"], digits=2), fmt(reader["curl_wall_ms"], digits=2),
                     ratio_fmt(reader["process_wall_ratio"]), "–", "–"))
        rows.append(("3c", "Reader CPU while the server stalls 5 s", fmt(reader["stall_cpu_ms"], digits=2), "–",
                     "–", "≈ 0", verdict(reader["stall_cpu_ms"]["median"], 50.0)))

    idle = results["tray_idle"] = json.load(open(os.path.join(run, "idle.json")))
    tray, base = idle["tray"], idle["baseline"]
    secs = idle["seconds"]
    rows.append(("4a", f"Tray idle {secs} s: CPU", f"{tray['cpu_ms']:.1f} ms", f"{base['cpu_ms']:.1f} ms",
                 f"{tray['cpu_ms'] / base['cpu_ms']:.2f}" if base["cpu_ms"] else "–", "–", "–"))
    own = tray["wakeups"] - base["wakeups"]
    rows.append(("4b", f"Tray idle {secs} s: wake-ups (all threads)", f"{tray['wakeups']} ({tray['threads']} threads)",
                 f"{base['wakeups']} ({base['threads']} threads)", f"{own:+d} beyond baseline",
                 "no periodic wake-ups of its own", "yes" if own <= secs // 10 else "no"))
    rows.append(("4c", "Tray idle: private memory", f"{tray['private_kb'] / 1024:.1f} MiB",
                 f"{base['private_kb'] / 1024:.1f} MiB", f"{tray['private_kb'] / base['private_kb']:.2f}", "–", "–"))

    sizes = results["size"] = []
    for line in read("sizes.txt").splitlines():
        arch, name, size, baseline_size, imports, ok = line.split("\t")
        sizes.append({"arch": arch, "file": name, "bytes": int(size), "baseline_bytes": int(baseline_size),
                      "imports": imports.split(","), "system_only": ok == "yes"})
        rows.append(("5", f"Size {name} ({arch}); imports: {imports}", f"{int(size) / 1024:.0f} KiB",
                     f"{int(baseline_size) / 1024:.0f} KiB", f"{int(size) / int(baseline_size):.2f}",
                     "system DLLs only", ok))

    head = ("#", "Measurement", "Zentaris median [IQR]", "Baseline median [IQR]",
            "Ratio, median of rounds [IQR]", "Target", "Met")
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    table = "\n".join(lines)
    results["table"] = table
    with open(os.path.join(run, "results.json"), "w") as f:
        json.dump(results, f, indent=1)
    with open(os.path.join(run, "table.md"), "w") as f:
        f.write(table + "\n")
    print(table)


if __name__ == "__main__":
    main()
