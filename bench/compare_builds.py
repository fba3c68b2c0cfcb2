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
import tempfile


def binary(path):
    return os.path.join(path, "vk_bench") if os.path.isdir(path) else path


SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def run_once(program, pattern):
    # The results go to a file: some benchmarks print to standard output themselves.
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([program, "--benchmark_filter=" + pattern, "--benchmark_out=" + out.name,
                        "--benchmark_out_format=json"], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        report = json.load(open(out.name))
    times = {}
    for b in report["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration":
            times[b["name"]] = b["cpu_time"] * SECONDS[b.get("time_unit", "ns")]
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
    header = ["benchmark"] + [f"build {i + 1} (cpu ms)" for i in range(len(programs))]
    header += [f"1 / {i + 1}" for i in range(1, len(programs))]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    ratios = [[] for _ in programs[1:]]
    for name in common:
        medians = [statistics.median(s[name]) for s in samples]
        row = [name] + [f"{m * 1e3:.4g}" for m in medians]
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
