#!/usr/bin/env python3
"""Start time and peak memory of whole processes that open a document and list
it, taken in turn in one run: each COMMAND is run --runs times, alternating,
and the medians of wall time and of peak resident memory (from wait4) are
printed.

    bench/startup.py DOC 'before=/tmp/vellora-old tree {doc}' \\
        'after=build/cli/vellora tree {doc}' 'libgsf=gsf list {doc}'
"""

import argparse
import os
import shlex
import statistics
import subprocess
import time


def run_once(argv):
    start = time.perf_counter()
    with open(os.devnull, "wb") as sink:
        process = subprocess.Popen(argv, stdout=sink, stderr=sink)
        _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"{shlex.join(argv)} failed")
    return elapsed, usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("doc")
    parser.add_argument("commands", nargs="+", help="NAME=COMMAND, {doc} standing for DOC")
    parser.add_argument("--runs", type=int, default=30)
    args = parser.parse_args()
    commands = []
    for spec in args.commands:
        name, command = spec.split("=", 1)
        commands.append((name, shlex.split(command.replace("{doc}", shlex.quote(args.doc)))))
    results = {name: [] for name, _ in commands}
    for argv in (argv for _, argv in commands):  # warm the page cache
        run_once(argv)
    for _ in range(args.runs):
        for name, argv in commands:
            results[name].append(run_once(argv))
    print(f"{'program':<10} {'median time':>12} {'peak memory':>12}   ({args.runs} runs each, in turn)")
    for name, samples in results.items():
        seconds = statistics.median(s for s, _ in samples)
        mib = statistics.median(m for _, m in samples)
        print(f"{name:<10} {seconds * 1000:>9.1f} ms {mib:>8.1f} MiB")


main()
