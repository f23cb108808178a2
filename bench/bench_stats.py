"""Statistics and parsers of the benchmark command (no I/O here)."""
import re


def quantile(values, q):
    """Linear-interpolated quantile of a non-empty list, q in [0, 1]."""
    if not values:
        raise ValueError("no samples")
    ordered = sorted(values)
    position = q * (len(ordered) - 1)
    low = int(position)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (position - low)


def summary(values):
    """Median, quartiles, extremes and count of a list of samples."""
    return {
        "n": len(values),
        "median": quantile(values, 0.5),
        "p25": quantile(values, 0.25),
        "p75": quantile(values, 0.75),
        "min": min(values),
        "max": max(values),
    }


def paired_ratios(ours, baseline):
    """Round-by-round ratios of two interleaved sample lists."""
    if len(ours) != len(baseline):
        raise ValueError(f"{len(ours)} samples against {len(baseline)}: rounds do not pair")
    return [a / b for a, b in zip(ours, baseline) if b > 0]


def read_samples(text):
    """Lines "<measurement> <side> <ms>" into {measurement: {side: [ms, ...]}}."""
    samples = {}
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip():
            continue
        parts = line.split()
        if len(parts) != 3:
            raise ValueError(f"line {number}: expected 3 fields: {line!r}")
        samples.setdefault(parts[0], {}).setdefault(parts[1], []).append(float(parts[2]))
    return samples


_READER_PATTERNS = {
    "stall_cpu_s": r"^\s*CPU ([0-9.]+) s over ([0-9.]+) s wall",
    "reader_process": r"reader, one process per read\s+CPU\s+([0-9.]+) ms\s+wall\s+([0-9.]+) ms",
    "reader_in_process": r"reader, in this process\s+CPU\s+([0-9.]+) ms\s+wall\s+([0-9.]+) ms",
    "reader_per_line": r"reader, per line in this process\s+CPU\s+([0-9.]+) us\s+wall\s+([0-9.]+) us",
    "curl_cli": r"curl CLI, one process per read\s+CPU\s+([0-9.]+) ms\s+wall\s+([0-9.]+) ms",
}


def parse_reader_run(text):
    """One run of the web file reader's benchmark into its figures.

    Raises ValueError when a figure is missing, so that a failed run is not
    taken for a fast one."""
    figures = {}
    for name, pattern in _READER_PATTERNS.items():
        match = re.search(pattern, text, re.MULTILINE)
        if not match:
            raise ValueError(f"reader benchmark output lacks {name}")
        figures[name] = (float(match.group(1)), float(match.group(2)))
    stall_cpu, stall_wall = figures["stall_cpu_s"]
    return {
        "stall_cpu_ms": 1e3 * stall_cpu,
        "stall_wall_s": stall_wall,
        "process_cpu_ratio": figures["reader_process"][0] / figures["curl_cli"][0],
        "process_wall_ratio": figures["reader_process"][1] / figures["curl_cli"][1],
        "in_process_cpu_ratio": figures["reader_in_process"][0] / figures["curl_cli"][0],
        "in_process_wall_ratio": figures["reader_in_process"][1] / figures["curl_cli"][1],
        "reader_process_wall_ms": figures["reader_process"][1],
        "per_line_cpu_us": figures["reader_per_line"][0],
        "per_line_wall_us": figures["reader_per_line"][1],
        "curl_wall_ms": figures["curl_cli"][1],
    }


def verdict(value, target, slack=0.0):
    """"yes" when value is at most target (+ slack), else "no"."""
    return "yes" if value <= target + slack else "no"
