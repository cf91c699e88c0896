#!/usr/bin/env python3
"""make bench: what the launcher costs, in one table.

Usage: run.py --root DIR --windows-build DIR --bench-build DIR [--rounds N]
              [--runs N] [--warmup N] [--repetitions N] [--out FILE]

Everything is measured in one run, so that the ratios compare numbers
taken on the same machine in the same minute. Three parts:

  1. The exe: dist/pelgrove.exe's size, sections, imported functions and
     SHA-256.

  2. Launch time under Wine, with hyperfine (commands run directly, no
     shell). Timed from the start of the Wine process to its exit:
       (a) dist/pelgrove.exe with a config.ini whose jre is a tiny exe that
           returns at once (bench/child.cpp);
       (b) the floor: bench/floor.cpp, which starts the same command line
           in the same way and reads no file;
       (c) what users do without a launcher: a batch file with
           start "" <the same command line>, run by cmd.exe /c.
     All three programs and the config sit in one folder, which is the
     working directory, so each finds the child by the same first step of
     the search. The Wine server of the private prefix is started once,
     persistent, and stopped at the end, so each run pays for starting a
     Windows process, not for starting Wine. The runs are taken in rounds
     (every round times a, b and c after warm-up runs) and pooled, so a
     slow minute on a shared machine weighs on all three alike. Reported:
     median, quartiles, min and max; a/b and c/a from the medians.

  3. The lookup on the host, with Google Benchmark (bench/lookup_bench.cpp,
     Release build): configs of 1 KB, 1 MB and 64 MB whose section stands
     at the end, read through the real file system. MB/s (10^6 bytes per
     second of process CPU time, system time for the reads included), the
     heap calls made during the lookups, and the peak resident memory.

Prints the table and writes it, with the machine and the date, to
bench/RESULTS.md.
"""
import argparse
import datetime
import hashlib
import importlib.util
import json
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import tempfile

# Must agree with BENCH_COMMAND_LINE in bench/CMakeLists.txt.
CHILD = "bench-child.exe"
ARCHIVE = "app.jar"
CONFIG = "[pelgrove]\r\njre=%s\r\njar=%s\r\n" % (CHILD, ARCHIVE)
BATCH = '@start "" %s -jar %s\r\n' % (CHILD, ARCHIVE)

TARGET_SIZE = 4096
TARGET_RATIO = 1.05
TARGET_MBPS = 500


def load_checker(root):
    path = os.path.join(root, "tests", "shape", "check_pe.py")
    spec = importlib.util.spec_from_file_location("check_pe", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def exe_facts(root, exe):
    checker = load_checker(root)
    with open(exe, "rb") as f:
        data = f.read()
    image = checker.Image(data)
    imports = image.imports()
    return {
        "size": len(data),
        "sections": [(name, vsize, rawsize)
                     for name, _, vsize, _, rawsize in image.sections],
        "imports": {dll: names for dll, names in imports.items()},
        "sha256": hashlib.sha256(data).hexdigest(),
        "headers": min(rawptr for _, _, _, rawptr, _ in image.sections),
    }


def wine_environment(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def ratio_interval(top, bottom, draws=2000):
    """95% bootstrap interval of median(top) / median(bottom): how far the
    ratio of medians could move on another run of the same noisy machine.
    Seeded, so the same times give the same interval."""
    pick = random.Random(1)
    ratios = sorted(
        statistics.median(pick.choices(top, k=len(top))) /
        statistics.median(pick.choices(bottom, k=len(bottom)))
        for _ in range(draws))
    return ratios[int(0.025 * draws)], ratios[int(0.975 * draws) - 1]


def quartiles(values):
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], statistics.median(values), q[2]


def launch_times(root, windows_build, exe, rounds, runs, warmup):
    prefix = os.path.join(windows_build, "wineprefix")
    env = wine_environment(prefix)
    winerun = os.path.join(root, "tests", "wine", "winerun")
    # The Wine loader itself rather than Debian's /usr/bin/wine, a shell
    # script that only picks it: no shell in what is timed.
    wine = "/usr/lib/wine/wine" if os.access("/usr/lib/wine/wine", os.X_OK) \
        else shutil.which("wine")
    work = tempfile.mkdtemp(prefix="launch.", dir=windows_build)
    for source, name in ((exe, "pelgrove.exe"),
                         (os.path.join(windows_build, "bench",
                                       "bench_floor.exe"), "bench-floor.exe"),
                         (os.path.join(windows_build, "bench",
                                       "bench_child.exe"), CHILD)):
        shutil.copyfile(source, os.path.join(work, name))
    with open(os.path.join(work, "config.ini"), "w", newline="") as f:
        f.write(CONFIG)
    with open(os.path.join(work, "run-app.bat"), "w", newline="") as f:
        f.write(BATCH)
    commands = [
        ("a", "launcher", [wine, "pelgrove.exe"]),
        ("b", "floor", [wine, "bench-floor.exe"]),
        ("c", "batch file", [wine, "cmd.exe", "/c", "run-app.bat"]),
    ]
    times = {key: [] for key, _, _ in commands}
    # The prefix exists once make test has run; create it if not.
    subprocess.run([winerun, prefix, "wineboot.exe", "--init"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    try:
        for r in range(rounds):
            out = os.path.join(work, "round%d.json" % r)
            cmd = ["hyperfine", "-N", "--style", "none",
                   "--warmup", str(warmup), "--runs", str(runs),
                   "--export-json", out]
            for _, name, command in commands:
                cmd += ["-n", name, " ".join(command)]
            subprocess.run(cmd, cwd=work, env=env, check=True,
                           stdout=subprocess.DEVNULL)
            with open(out) as f:
                results = json.load(f)["results"]
            for (key, _, _), result in zip(commands, results):
                times[key] += [t * 1000 for t in result["times"]]
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
        shutil.rmtree(work, ignore_errors=True)
    wine_version = subprocess.run([wine, "--version"], env=env,
                                  capture_output=True, text=True).stdout
    return commands, times, wine_version.strip()


def lookup_costs(bench_build, repetitions):
    binary = os.path.join(bench_build, "bench", "lookup_bench")
    work = tempfile.mkdtemp(prefix="lookup.", dir=bench_build)
    try:
        done = subprocess.run(
            [binary, "--benchmark_format=json",
             "--benchmark_repetitions=%d" % repetitions,
             "--benchmark_report_aggregates_only=true", work],
            check=True, capture_output=True, text=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    report = json.loads(done.stdout)
    rows = {}
    for b in report["benchmarks"]:
        label = b["run_name"].split("/")[1]
        rows.setdefault(label, {})[b["aggregate_name"]] = b
    return report["context"], rows


def machine():
    cpu = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return "%s, %d cores, %s %s" % (cpu, os.cpu_count(), platform.system(),
                                    platform.release())


def ms(value):
    return "%.1f ms" % value


def table(facts, launch, lookup, args):
    commands, times, wine_version = launch
    context, rows = lookup
    lines = []
    add = lines.append
    now = datetime.datetime.now(datetime.timezone.utc)
    add("# pelgrove: size, launch time and lookup cost")
    add("")
    add("Measured %s UTC by `make bench` on %s; %s." % (
        now.strftime("%Y-%m-%d %H:%M"), machine(), wine_version))
    add("")

    add("## The executable")
    add("")
    add("| | |")
    add("|---|---|")
    add("| `dist/pelgrove.exe` | %d bytes |" % facts["size"])
    add("| sections (bytes used / on disk) | %s |" % ", ".join(
        "%s %d / %d" % s for s in facts["sections"]))
    for dll, names in sorted(facts["imports"].items()):
        add("| imports from %s | %d: %s |" % (dll, len(names),
                                              ", ".join(names)))
    add("| SHA-256 | `%s` |" % facts["sha256"])
    add("")
    add("On disk every section takes whole 512-byte blocks: %d bytes of "
        "headers, then %s." % (
            facts["headers"], ", ".join("%s %d" % (name, raw) for name, _,
                                        raw in facts["sections"])))
    add("")

    add("## Launch time under Wine")
    add("")
    add("hyperfine, %d rounds of %d timed runs per command after %d warm-up "
        "runs each, pooled; the Wine server kept running throughout." % (
            args.rounds, args.runs, args.warmup))
    add("")
    add("| | command | runs | median | quartiles | min … max |")
    add("|---|---|---|---|---|---|")
    medians = {}
    for key, name, command in commands:
        t = times[key]
        q1, median, q3 = quartiles(t)
        medians[key] = median
        add("| (%s) %s | `wine %s` | %d | %s | %s … %s | %s … %s |" % (
            key, name, " ".join(command[1:]), len(t), ms(median), ms(q1),
            ms(q3), ms(min(t)), ms(max(t))))
    ab = medians["a"] / medians["b"]
    ca = medians["c"] / medians["a"]
    ab_low, ab_high = ratio_interval(times["a"], times["b"])
    ca_low, ca_high = ratio_interval(times["c"], times["a"])
    add("")
    add("a/b = **%.3f** (launcher against the floor; 95%% bootstrap interval "
        "%.3f … %.3f)." % (ab, ab_low, ab_high))
    add("c/a = **%.2f** (batch file against the launcher; %.2f … %.2f)."
        % (ca, ca_low, ca_high))
    add("")

    add("## Lookup cost on the host")
    add("")
    add("Google Benchmark, Release build, %d repetitions (median, and the "
        "coefficient of variation); one `GetIniValue` of the last key in a "
        "config whose section stands at the end, read from the real file "
        "system." % args.repetitions)
    add("")
    add("| config | bytes | time per lookup | MB/s | heap calls | "
        "peak RSS |")
    add("|---|---|---|---|---|---|")
    mbps = {}
    for label in ("1KB", "1MB", "64MB"):
        median = rows[label]["median"]
        cv = rows[label]["cv"]
        rate = median["bytes_per_second"] / 1e6
        mbps[label] = rate
        add("| %s | %d | %.1f µs (cv %.1f%%) | %.0f | %d | %d KiB |" % (
            label, median["file_bytes"], median["cpu_time"] / 1e3,
            cv["cpu_time"] * 100, rate, median["heap_calls"],
            median["peak_rss_kib"]))
    add("")
    add("Peak RSS of the benchmark process before the configs were written: "
        "%s KiB; heap calls counted in the process by then (the counter "
        "works): %s." % (context.get("peak_rss_kib_before_configs", "?"),
                         context.get("heap_calls_before_run", "?")))
    add("")

    add("## Targets")
    add("")
    heap = sum(rows[l]["median"]["heap_calls"] for l in rows)
    add("| target | measured | |")
    add("|---|---|---|")
    add("| size ≤ %d bytes | %d bytes | %s |" % (
        TARGET_SIZE, facts["size"],
        "met" if facts["size"] <= TARGET_SIZE else "not met"))
    add("| a/b ≤ %.2f | %.3f | %s |" % (
        TARGET_RATIO, ab, "met" if ab <= TARGET_RATIO else "not met"))
    add("| ≥ %d MB/s on 64 MB, no heap | %.0f MB/s, %d heap calls | %s |" % (
        TARGET_MBPS, mbps["64MB"], heap,
        "met" if mbps["64MB"] >= TARGET_MBPS and heap == 0 else "not met"))
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--root", required=True)
    ap.add_argument("--windows-build", required=True)
    ap.add_argument("--bench-build", required=True)
    ap.add_argument("--rounds", type=int, default=8)
    ap.add_argument("--runs", type=int, default=40)
    ap.add_argument("--warmup", type=int, default=5)
    ap.add_argument("--repetitions", type=int, default=5)
    ap.add_argument("--out", help="Markdown file to write "
                    "(default: bench/RESULTS.md)")
    args = ap.parse_args()
    root = os.path.abspath(args.root)
    windows_build = os.path.abspath(args.windows_build)
    exe = os.path.join(root, "dist", "pelgrove.exe")

    facts = exe_facts(root, exe)
    launch = launch_times(root, windows_build, exe, args.rounds, args.runs,
                          args.warmup)
    lookup = lookup_costs(os.path.abspath(args.bench_build),
                          args.repetitions)
    text = table(facts, launch, lookup, args)
    sys.stdout.write(text)
    out = args.out or os.path.join(root, "bench", "RESULTS.md")
    with open(out, "w") as f:
        f.write(text)
    print("\nwritten to %s" % os.path.relpath(out, root))


if __name__ == "__main__":
    main()
