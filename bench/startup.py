#!/usr/bin/env python3
"""Start time and peak memory of whole processes that open a document and list
it, taken in turn in one run: each COMMAND is run --runs times, alternating,
and the medians of wall time and of peak resident memory are printed.

The peak comes from GNU time (/usr/bin/time -f %M), as in bench/run.py: a child
forked by this python starts from python's own peak, so wait4's figure would be
python's (some 15 MiB) for any program smaller than that. The wall time then
includes starting GNU time, the same small cost for every program.

    bench/startup.py DOC 'before=/tmp/vellora-old tree {doc}' \\
        'after=build/cli/vellora tree {doc}' 'libgsf=gsf list {doc}'
"""

import argparse
import os
import shlex
import statistics
import subprocess
import tempfile
import time


def run_once(argv):
    with tempfile.NamedTemporaryFile() as rss:
        start = time.perf_counter()
        status = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss.name, *argv],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL, check=False).returncode
        elapsed = time.perf_counter() - start
        if status != 0:
            raise SystemExit(f"{shlex.join(argv)} failed")
        kib = int(open(rss.name, encoding="ascii").read().split()[-1])
    return elapsed, kib / 1024.0


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
