#!/usr/bin/python3
"""Times the benchmark scenarios for our engine and its peers in one run.

Prepares the inputs in a scratch folder, runs every scenario for us (syncs on
and off) and for each peer several times, and prints the medians of wall time,
the peak memory of each process and the ratios against every peer and against
cp/cat. Needs GNU time (/usr/bin/time). See bench/README.md.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MIB = 1 << 20
SMALL_BYTES = 100 * 100 * 4096
BIG_BYTES = 256 * MIB
HUGE_BYTES = 4 * 256 * MIB
NEEDED_DISK = 10 << 30

US_SYNC, US_NOSYNC, GSF, CFB, OLE, SYSTEM = "us sync", "us nosync", "libgsf", "cfb", "olefile", "cp/cat"
PEERS = [GSF, CFB, OLE]
TOOLS = [US_SYNC, US_NOSYNC] + PEERS + [SYSTEM]


class Scenario:
    def __init__(self, key, title, paths, expected, system=None, peers=(GSF, CFB, OLE), fresh=None, writes=False):
        self.key = key
        self.title = title
        self.paths = paths  # tool name -> the paths the driver is given
        self.expected = expected  # payload bytes every driver must report
        self.system = system  # the cp/cat command that bounds the work, or None
        self.peers = peers
        self.fresh = fresh  # called with the tool name before its runs: its own copy of the input
        # The last path (and the cp target) is a new file: removed before each
        # run, so that nobody's time includes freeing the last run's file.
        self.writes = writes


def parse_args():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--build", default="/work/build-bench", help="CMake build folder with bench/vellora_bench")
    p.add_argument("--scratch", default=os.path.join(tempfile.gettempdir(), "vellora2-bench"))
    p.add_argument("--reps", type=int, default=5, help="runs per scenario and tool (median taken)")
    p.add_argument("--budget", type=float, default=30.0,
                   help="seconds per scenario and tool after which no further run starts (at least one runs)")
    p.add_argument("--only", default="", help="comma-separated scenario keys")
    p.add_argument("--json", help="also write every measurement to this file")
    return p.parse_args()


def run_once(argv, env=None, output=True):
    """Runs one process; returns (stdout, wall seconds, peak RSS in bytes).

    The peak comes from GNU time, a small process that forks the command: a
    child forked by this (larger) python would start from python's own peak.
    """
    os.sync()  # nobody pays for the writeback of whoever ran before
    with tempfile.NamedTemporaryFile() as rss, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss.name] + argv, env=env, stderr=err,
                              stdout=subprocess.PIPE if output else subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        wall = time.perf_counter() - start
        if proc.returncode != 0:
            err.seek(0)
            raise RuntimeError("%s failed (%d): %s" % (" ".join(argv), proc.returncode, err.read().decode(errors="replace")))
        peak = int(open(rss.name).read().split()[-1]) * 1024
    return (proc.stdout or b"").decode(), wall, peak


def parse_driver(out):
    fields = dict(item.split("=", 1) for item in out.split())
    return float(fields["seconds"]), int(fields["bytes"])


def header_version(path):
    with open(path, "rb") as f:
        head = f.read(28)
    return int.from_bytes(head[26:28], "little")


class Bench:
    def __init__(self, args):
        self.args = args
        self.scratch = args.scratch
        self.vellora = os.path.join(args.build, "bench", "vellora_bench")
        self.gsf = os.path.join(args.build, "bench", "gsf_bench")
        self.results = {}

    def path(self, name):
        return os.path.join(self.scratch, name)

    def check_tools(self):
        for exe in (self.vellora, self.gsf):
            if not os.access(exe, os.X_OK):
                sys.exit("missing %s: build it with -DVELLORA2_BENCH=ON (see bench/README.md)" % exe)
        if subprocess.run(["/usr/bin/python3", "-c", "import olefile"], capture_output=True).returncode != 0:
            sys.exit("/usr/bin/python3 has no olefile: apt-get install python3-olefile")
        if not shutil.which("node") or not shutil.which("npm"):
            sys.exit("node and npm are needed for SheetJS cfb")

    def prepare(self):
        os.makedirs(self.scratch, exist_ok=True)
        free = shutil.disk_usage(self.scratch).free
        if free < NEEDED_DISK:
            sys.exit("%s has %.1f GiB free; the run needs %.0f GiB" % (self.scratch, free / (1 << 30), NEEDED_DISK / (1 << 30)))
        npm = self.path("npm")
        if not os.path.isdir(os.path.join(npm, "node_modules", "cfb")):
            os.makedirs(npm, exist_ok=True)
            subprocess.run(["npm", "install", "--prefix", npm, "--no-audit", "--no-fund", "--silent", "cfb"], check=True)
        with open(os.path.join(npm, "node_modules", "cfb", "package.json")) as f:
            self.cfb_version = json.load(f)["version"]
        self.node_env = dict(os.environ, CFB_MODULE=npm)

        flat = self.path("flat256.bin")
        if not os.path.exists(flat) or os.path.getsize(flat) != BIG_BYTES:
            with open(flat + ".new", "wb") as f:
                for _ in range(BIG_BYTES // MIB):
                    f.write(os.urandom(MIB))
            os.replace(flat + ".new", flat)
        # The shared inputs are written by our engine; every peer reads the same files.
        for name, argv in (("small.cfb", ["write"]), ("big256.cfb", ["import", flat]), ("big1g.cfb", ["mkbig"])):
            if not os.path.exists(self.path(name)):
                run_once([self.vellora, "--no-sync"] + argv + [self.path(name) + ".new"])
                os.replace(self.path(name) + ".new", self.path(name))
        if header_version(self.path("big1g.cfb")) != 3:
            sys.exit("big1g.cfb is not a version 3 document")

    def fresh_copy(self, name):
        def copy(tool):
            shutil.copyfile(self.path("big1g.cfb"), self.path(name % tool.replace(" ", "-").replace("/", "-")))
        return copy

    def scenarios(self):
        p = self.path
        per_tool = lambda pattern: (lambda tool: pattern % tool.replace(" ", "-").replace("/", "-"))
        flat = p("flat256.bin")
        onebyte_doc = per_tool(p("onebyte-%s.cfb"))
        return [
            Scenario("write", "write 100x100 streams of 4 KiB", lambda t: [per_tool(p("write-%s.cfb"))(t)], SMALL_BYTES,
                     system=["cp", p("small.cfb"), p("write-cp.cfb")], peers=(GSF, CFB), writes=True),
            Scenario("read", "open, list, read all (40 MiB)", lambda t: [p("small.cfb")], SMALL_BYTES,
                     system=["cat", p("small.cfb")]),
            Scenario("import", "import 256 MiB + commit", lambda t: [flat, per_tool(p("import-%s.cfb"))(t)], BIG_BYTES,
                     system=["cp", flat, p("import-cp.bin")], peers=(GSF, CFB), writes=True),
            Scenario("readbig", "read the 256 MiB stream", lambda t: [p("big256.cfb")], BIG_BYTES,
                     system=["cat", flat]),
            Scenario("export", "export 256 MiB to a file", lambda t: [p("big256.cfb"), per_tool(p("export-%s.bin"))(t)],
                     BIG_BYTES, system=["cp", flat, p("export-cp.bin")], writes=True),
            Scenario("onebyte", "1 byte of 1 GiB + commit", lambda t: [onebyte_doc(t)], 1,
                     system=["cp", p("big1g.cfb"), p("onebyte-cp.cfb")], peers=(GSF, CFB),
                     fresh=self.fresh_copy("onebyte-%s.cfb")),
            Scenario("open", "open + list 1 GiB (v3)", lambda t: [p("big1g.cfb")], HUGE_BYTES),
        ]

    def argv(self, tool, scenario):
        args = scenario.paths(tool)
        if tool == US_SYNC:
            return [self.vellora, scenario.key] + args, None
        if tool == US_NOSYNC:
            return [self.vellora, "--no-sync", scenario.key] + args, None
        if tool == GSF:
            return [self.gsf, scenario.key] + args, None
        if tool == CFB:
            return ["node", os.path.join(HERE, "cfb_bench.js"), scenario.key] + args, self.node_env
        if tool == OLE:
            return ["/usr/bin/python3", os.path.join(HERE, "olefile_bench.py"), scenario.key] + args, None
        return scenario.system, None

    def measure(self, scenario, tools):
        """Runs every tool once per round, round after round, so that a machine
        whose speed drifts during the run (a virtual one does) treats every
        tool alike; returns the cells by tool."""
        cells = {}
        for tool in tools:
            argv, env = self.argv(tool, scenario)
            if scenario.fresh and tool != SYSTEM:
                scenario.fresh(tool)  # each tool changes its own copy of the document, run after run
            cells[tool] = {"argv": argv, "env": env, "runs": [], "process_wall": [], "peaks": [], "spent": 0.0}
        for _ in range(self.args.reps):
            for tool in tools:
                cell = cells[tool]
                if cell["runs"] and cell["spent"] >= self.args.budget:
                    continue
                if scenario.writes and os.path.exists(cell["argv"][-1]):
                    os.remove(cell["argv"][-1])
                out, wall, peak = run_once(cell["argv"], cell["env"], output=tool != SYSTEM)
                cell["spent"] += wall
                if tool == SYSTEM:
                    seconds = wall
                else:
                    seconds, count = parse_driver(out)
                    if count != scenario.expected:
                        raise RuntimeError("%s %s reported %d bytes, expected %d" % (
                            tool, scenario.key, count, scenario.expected))
                cell["runs"].append(seconds)
                cell["process_wall"].append(wall)
                cell["peaks"].append(peak)
        row = {}
        for tool, cell in cells.items():
            if scenario.key == "export" and tool != SYSTEM:
                self.same_file(cell["argv"][-1], self.path("flat256.bin"), tool)
            row[tool] = {"median": statistics.median(cell["runs"]), "runs": cell["runs"],
                         "process_wall": cell["process_wall"], "peak": max(cell["peaks"])}
        return row

    @staticmethod
    def same_file(a, b, tool):
        if subprocess.run(["cmp", "-s", a, b]).returncode != 0:
            raise RuntimeError("%s exported %s, which differs from the imported file" % (tool, a))

    def run(self):
        only = set(filter(None, self.args.only.split(",")))
        for scenario in self.scenarios():
            if only and scenario.key not in only:
                continue
            tools = [US_SYNC, US_NOSYNC] + [t for t in PEERS if t in scenario.peers] + ([SYSTEM] if scenario.system else [])
            row = self.measure(scenario, tools)
            for tool in tools:
                print("  %-8s %-10s %9.4f s  %7.1f MiB  (%d runs)" % (
                    scenario.key, tool, row[tool]["median"], row[tool]["peak"] / MIB, len(row[tool]["runs"])),
                    file=sys.stderr, flush=True)
            self.results[scenario.key] = {"title": scenario.title, "tools": row}
            self.cleanup(scenario.key)

    def cleanup(self, key):
        for name in os.listdir(self.scratch):
            if name.startswith(key + "-"):
                os.remove(self.path(name))

    def report(self):
        def cell(row, tool, fmt):
            return fmt(row[tool]) if tool in row else "-"

        secs = lambda r: "%.4f" % r["median"]
        print()
        print("Medians of wall time in seconds (each driver times its own work; cp/cat the whole process)")
        print("%-32s" % "scenario" + "".join("%11s" % t for t in TOOLS))
        for key, res in self.results.items():
            print("%-32s" % res["title"] + "".join("%11s" % cell(res["tools"], t, secs) for t in TOOLS))

        print()
        print("Ratios: our time / theirs (< 1 means we are faster); like for like is 'nosync'")
        cols = [(US_NOSYNC, GSF), (US_SYNC, GSF), (US_NOSYNC, CFB), (US_NOSYNC, OLE), (US_NOSYNC, SYSTEM), (US_SYNC, SYSTEM)]
        names = ["nosync/gsf", "sync/gsf", "nosync/cfb", "nosync/ole", "nosync/cp", "sync/cp"]
        print("%-32s" % "scenario" + "".join("%12s" % n for n in names))
        for key, res in self.results.items():
            r = res["tools"]
            line = "%-32s" % res["title"]
            for ours, peer in cols:
                line += "%12s" % ("%.3f" % (r[ours]["median"] / r[peer]["median"]) if peer in r else "-")
            print(line)

        print()
        print("Peak memory (MiB, largest maxrss of the runs)")
        print("%-32s" % "scenario" + "".join("%11s" % t for t in TOOLS))
        mem = lambda r: "%.1f" % (r["peak"] / MIB)
        for key, res in self.results.items():
            print("%-32s" % res["title"] + "".join("%11s" % cell(res["tools"], t, mem) for t in TOOLS))
        self.goals()

    def goals(self):
        res = {k: v["tools"] for k, v in self.results.items()}
        lines = []

        def goal(text, ok):
            lines.append("  %-6s %s" % ("met" if ok else "MISSED", text))

        for key, r in res.items():
            if GSF in r:
                ratio = r[US_NOSYNC]["median"] / r[GSF]["median"]
                goal("%-8s at or ahead of libgsf: %.2fx like for like (%.2fx with syncs)" % (
                    key, ratio, r[US_SYNC]["median"] / r[GSF]["median"]), ratio <= 1.0)
        for key in ("import", "export"):
            if key in res and SYSTEM in res[key]:
                ratio = res[key][US_NOSYNC]["median"] / res[key][SYSTEM]["median"]
                goal("%-8s within 1.5x of cp: %.2fx like for like (%.2fx with syncs)" % (
                    key, ratio, res[key][US_SYNC]["median"] / res[key][SYSTEM]["median"]), ratio <= 1.5)
        if "onebyte" in res:
            r = res["onebyte"]
            goal("onebyte  commit under 50 ms with syncs: %.1f ms (%.1f ms without)" % (
                r[US_SYNC]["median"] * 1e3, r[US_NOSYNC]["median"] * 1e3), r[US_SYNC]["median"] < 0.050)
            for peer in (GSF, CFB):
                if peer in r:
                    ahead = r[peer]["median"] / r[US_SYNC]["median"]
                    goal("onebyte  20x ahead of %s: %.0fx with syncs" % (peer, ahead), ahead >= 20)
        if "open" in res and GSF in res["open"]:
            r = res["open"]
            goal("open     peak memory at or below libgsf's: %.1f MiB vs %.1f MiB" % (
                r[US_NOSYNC]["peak"] / MIB, r[GSF]["peak"] / MIB), r[US_NOSYNC]["peak"] <= r[GSF]["peak"])
        print()
        print("Goals")
        print("\n".join(lines))


def main():
    args = parse_args()
    bench = Bench(args)
    bench.check_tools()
    started = time.perf_counter()
    bench.prepare()
    print("inputs ready in %s (SheetJS cfb %s)" % (bench.scratch, bench.cfb_version), file=sys.stderr)
    bench.run()
    bench.report()
    print("\n%d runs per cell at most, %.0f s budget per cell; whole run %.0f s" % (
        args.reps, args.budget, time.perf_counter() - started))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(bench.results, f, indent=1)


if __name__ == "__main__":
    main()
