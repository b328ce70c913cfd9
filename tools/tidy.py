#!/usr/bin/env python3
"""Runs clang-tidy, with the checks of .clang-tidy, over every source file of ours.

The compile database comes from a configuration of its own (build-tidy): built
with clang, whose frontend clang-tidy shares, and with the fuzz targets and the
benchmarks switched on, so that their sources are checked too. Nothing is
compiled; configuring writes the one generated header the sources need.

Left out: the files CMake generates (build-tidy/tests/headers/*.cpp, each only an
#include of a public header, which the sources that include it check);
bench/gsf_bench.c where libgsf's headers are not installed (CI does not install
them: the benchmarks run by hand); and tests/consumer/, a project of its own
built against the installed library, whose one source is the README's example.

What runs where. Every check of .clang-tidy runs on every file, but for one
exception: the unit tests (*_test.cpp) get all checks but the clang static
analyzer's (clang-analyzer-*). --full runs the analyzer on them too, --quick on
no file. The reason is where the analyzer's time goes. Measured alone
(--checks='-*,clang-analyzer-*', CPU seconds a file, the largest and a middle
file of each folder, 43 files):

    library, tool and other sources   1 to 27 s, mean  7 (cli/ 22, compound/ 10,
                                                  platform/ 9, the rest 1 to 7)
    unit tests                        6 to 70 s, mean 26 (compound/ 33,
                                                  platform/ 45, document/ 56)

so the analyzer on the 52 tests would cost twice what it costs on the other
118 files together. A test body is a long run of gtest assertions, each a branch
with temporaries to destroy, in which the analyzer spends its path budget; the
faults it finds in library code (null or freed pointers reached through other
functions, leaks, uninitialised reads) are rare in such code, and
use-after-move, the one that is not, has a check of its own that does run on
the tests. Leaving checker families out would save little: one family
alone (core, cplusplus, unix, deadcode, optin, security, nullability) costs
cli/commands.cpp 18 to 23 of the 27 s that all take, because the time is the
path exploration they share. Telling the analyzer not to inline the standard
library (c++-stdlib-inlining=false) saves 40% but gives false positives: it no
longer knows that a vector is not empty after emplace_back. The checks other
than the analyzer cost 2 to 11 s a file (parsing 1 to 3 s of it).

A file that passed is remembered by a hash of what clang-tidy would see: its
preprocessed text, its flags, the checks asked for, .clang-tidy and clang-tidy's
version. A later run checks only files whose hash is new, so that an unchanged
tree costs a preprocessing pass, not a full analysis: 23 s for the 170 files on
two cores. From an empty cache a CI run costs 1,360 CPU seconds, 11 minutes on
two free cores (22 on this machine's two cores shared with two other builds);
the checks other than the analyzer are about half of that. --full costs some 50
CPU minutes. The cache lives in $VELLORA2_TIDY_CACHE, by default
~/.cache/vellora2-tidy; --no-cache ignores it.

Exit status 1 on any finding: .clang-tidy makes every warning an error, and the
output is read for diagnostics as well, so that a change of that setting does
not let findings pass.
"""

import argparse
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DIAGNOSTIC = re.compile(r"^[^\s:][^:]*:\d+:\d+: (warning|error): ", re.MULTILINE)
NO_ANALYZER = "--checks=-clang-analyzer-*"
# Entries older than this, unused since, are removed from the cache.
CACHE_DAYS = 30


def configure(build: Path) -> None:
    subprocess.run(
        ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Debug",
         "-DCMAKE_C_COMPILER=clang", "-DCMAKE_CXX_COMPILER=clang++",
         "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON", "-DVELLORA2_FUZZ=ON", "-DVELLORA2_BENCH=ON"],
        check=True, stdout=subprocess.DEVNULL)


def sources(build: Path) -> list[tuple[Path, list[str], Path]]:
    """(file, compile arguments, directory) of every file of ours, each once."""
    seen = set()
    result = []
    for entry in json.loads((build / "compile_commands.json").read_text()):
        file = Path(entry["directory"], entry["file"]).resolve()
        if file in seen or ROOT not in file.parents or build in file.parents:
            continue
        seen.add(file)
        args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
        result.append((file, args, Path(entry["directory"])))
    return sorted(result)


def preprocessed_key(file: Path, args: list[str], directory: Path, salt: bytes) -> str:
    """The hash of what clang-tidy reads for `file`, independent of the checkout's path."""
    flags = []
    skip = False
    for arg in args[1:]:
        if skip:
            skip = False
        elif arg == "-o":
            skip = True
        elif arg != "-c" and Path(directory, arg).resolve() != file:
            flags.append(arg)
    text = subprocess.run([args[0], *flags, "-E", str(file), "-o", "-"], cwd=directory,
                          check=True, capture_output=True).stdout
    root = str(ROOT).encode()
    digest = hashlib.sha256(salt)
    digest.update(" ".join(flags).encode().replace(root, b"."))
    digest.update(str(file.relative_to(ROOT)).encode())
    digest.update(text.replace(root, b"."))
    return digest.hexdigest()


def extra_args(file: Path, quick: bool, full: bool) -> list[str]:
    """clang-tidy's arguments besides .clang-tidy for `file` (see the top of this file)."""
    return [NO_ANALYZER] if quick or (not full and file.name.endswith("_test.cpp")) else []


def tidy(file: Path, build: Path, extra: list[str]) -> tuple[bool, str]:
    run = subprocess.run(["clang-tidy", "-p", str(build), "--quiet", *extra, str(file)], cwd=ROOT,
                         capture_output=True, text=True)
    # The count of warnings clang-tidy suppressed (in system headers) is not a finding.
    output = "\n".join(line for line in (run.stdout + run.stderr).splitlines()
                       if not re.fullmatch(r"\d+ warnings? (and \d+ errors? )?generated\.", line))
    return run.returncode == 0 and not DIAGNOSTIC.search(output), output


def prune(cache: Path) -> None:
    limit = time.time() - CACHE_DAYS * 86400
    for entry in cache.iterdir():
        if entry.stat().st_mtime < limit:
            entry.unlink(missing_ok=True)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(ROOT / "build-tidy"), help="the configuration's folder")
    parser.add_argument("-j", type=int, default=os.cpu_count(), help="clang-tidy processes at once")
    parser.add_argument("--no-cache", action="store_true", help="check every file, whatever passed before")
    depth = parser.add_mutually_exclusive_group()
    depth.add_argument("--quick", action="store_true", help="leave out the clang static analyzer everywhere")
    depth.add_argument("--full", action="store_true",
                       help="the static analyzer on the unit tests too (by hand)")
    parser.add_argument("files", nargs="*", help="only these of the sources (default: all)")
    options = parser.parse_args()

    build = Path(options.build).resolve()
    configure(build)
    files = sources(build)
    if options.files:
        wanted = {Path(f).resolve() for f in options.files}
        files = [item for item in files if item[0] in wanted]
        if len(files) != len(wanted):
            print("tidy: not in the compile database: " + " ".join(sorted(str(f) for f in wanted - {i[0] for i in files})))
            return 1
    default_cache = Path(os.environ.get("XDG_CACHE_HOME", Path.home() / ".cache"), "vellora2-tidy")
    cache = Path(os.environ.get("VELLORA2_TIDY_CACHE", default_cache))
    cache.mkdir(parents=True, exist_ok=True)
    prune(cache)
    version = subprocess.run(["clang-tidy", "--version"], check=True, capture_output=True).stdout
    salt = version + (ROOT / ".clang-tidy").read_bytes()
    # The longest first, so that no large file starts last and runs alone.
    files.sort(key=lambda item: item[0].stat().st_size, reverse=True)

    started = time.monotonic()
    failed = []
    checked = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, options.j)) as pool:
        def check(item: tuple[Path, list[str], Path]) -> tuple[Path, bool, str, bool]:
            file, args, directory = item
            extra = extra_args(file, options.quick, options.full)
            key = cache / preprocessed_key(file, args, directory, salt + " ".join(extra).encode())
            if not options.no_cache and key.exists():
                key.touch()
                return file, True, "", False
            clean, output = tidy(file, build, extra)
            if clean:
                key.touch()
            return file, clean, output, True

        for file, clean, output, ran in pool.map(check, files):
            checked += ran
            if not clean:
                failed.append(file)
                print(output, flush=True)

    seconds = time.monotonic() - started
    print(f"tidy: {len(files)} files, {checked} checked, {len(files) - checked} unchanged since they passed, "
          f"{seconds:.0f} s")
    if failed:
        print("tidy: findings in " + ", ".join(str(f.relative_to(ROOT)) for f in failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
