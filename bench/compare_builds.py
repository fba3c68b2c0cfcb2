#!/usr/bin/env python3
"""Runs the same benchmarks of two or more builds of vk_bench side by side and prints ratios.

Each round runs every build once, in turn, so that a slow spell of a loaded machine falls on all of
them alike; a benchmark's figure per build is its median processor time over the rounds. Only the
benchmarks every build has are compared. The ratio is the first build's time over each other
build's: above 1 the other build is faster.

Usage: bench/compare_builds.py [--rounds N] [--filter REGEX] BUILD_DIR_OR_BINARY...
  e.g. bench/compare_builds.py --rounds 5 --filter '^BM_(Vk|BuildTable|OpenBlob)/' /tmp/old build
"""
import argparse
import json
import os
import statistics
import subprocess
import sys


def binary(path):
    return os.path.join(path, "vk_bench") if os.path.isdir(path) else path


def run_once(program, pattern):
    out = subprocess.run([program, "--benchmark_format=json", "--benchmark_filter=" + pattern],
                         check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration":
            times[b["name"]] = b["cpu_time"]
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--filter", default=".")
    parser.add_argument("builds", nargs="+")
    args = parser.parse_args()
    programs = [binary(b) for b in args.builds]
    samples = [dict() for _ in programs]
    for _ in range(args.rounds):
        for i, program in enumerate(programs):
            for name, t in run_once(program, args.filter).items():
                samples[i].setdefault(name, []).append(t)
    common = [n for n in samples[0] if all(n in s for s in samples[1:])]
    if not common:
        sys.exit("no benchmark is in every build")
    header = ["benchmark"] + [f"build {i + 1} (cpu)" for i in range(len(programs))]
    header += [f"1 / {i + 1}" for i in range(1, len(programs))]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    ratios = [[] for _ in programs[1:]]
    for name in common:
        medians = [statistics.median(s[name]) for s in samples]
        row = [name] + [f"{m:,.0f}" for m in medians]
        for i, m in enumerate(medians[1:]):
            ratios[i].append(medians[0] / m)
            row.append(f"{medians[0] / m:.2f}")
        print("| " + " | ".join(row) + " |")
    for i, r in enumerate(ratios):
        print(f"build 1 / build {i + 2}: geometric mean {statistics.geometric_mean(r):.3f}, "
              f"range {min(r):.2f}-{max(r):.2f} over {len(r)} benchmarks")
    for i, b in enumerate(args.builds):
        print(f"build {i + 1}: {b}")


if __name__ == "__main__":
    main()
