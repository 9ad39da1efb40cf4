#!/usr/bin/env python3
"""What one request/reply exchange costs velmora-cli, in one run:

1. a full-chip erase (4096 exchanges) on one velmora-sim paced at 115200 baud, by velmora-cli
   and by the lean Python client bench/lean-erase.py, taking turns: processor time (user and
   system) of each process, its voluntary and involuntary context switches and its wall time;
   then the ratios: velmora-cli's processor time over the Python client's, and velmora-cli's
   voluntary switches per exchange;
2. parallel-bench (velmora-cli only): a full-chip erase and a full-chip write on eight paced
   simulators at once against one alone;
3. link-bench --noise: how soon a frame is recognised after noise of AA 00 pairs, from one pair
   to 4 MiB.

    bench/exchange-cost.py [--bin DIR] [--runs N] [--pages N] [--skip-parallel] [--skip-noise]

Builds velmora-cli, velmora-sim, parallel-bench and link-bench (Release, in build-bench/) unless
--bin names the folder that holds them. Python 3 standard library only.
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BAUD = 115200
TARGETS = ("velmora-cli", "velmora-sim", "parallel-bench", "link-bench")


def build():
    folder = os.path.join(ROOT, "build-bench")
    quiet = {"stdout": subprocess.DEVNULL}
    subprocess.run(["cmake", "-S", ROOT, "-B", folder, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DVELMORA_GUI=OFF"], check=True, **quiet)
    subprocess.run(["cmake", "--build", folder, "-j", "2", "--target", *TARGETS],
                   check=True, **quiet)
    return os.path.join(folder, "bin")


def measure(words, environment):
    """Runs words as a process of its own; its wall time and resource use (wait4)."""
    started = time.monotonic()
    child = subprocess.Popen(words, env=environment, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - started
    child.returncode = os.waitstatus_to_exitcode(status)
    error = child.stderr.read().decode(errors="replace")
    child.stderr.close()
    if child.returncode != 0:
        sys.exit("%s ended with %d:\n%s" % (" ".join(words), child.returncode, error))
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime,
            "voluntary": usage.ru_nvcsw, "involuntary": usage.ru_nivcsw}


def start_simulator(binaries):
    simulator = subprocess.Popen([os.path.join(binaries, "velmora-sim"), "--baud", str(BAUD)],
                                 stdout=subprocess.PIPE, text=True)
    port = simulator.stdout.readline().strip()
    if not port:
        sys.exit("velmora-sim gave no port")
    return simulator, port


def print_run(name, run, exchanges):
    print("  %-12s wall %6.2f s  CPU %5.3f s (%5.1f us an exchange)  switches: voluntary %6d "
          "(%4.2f an exchange), involuntary %5d" %
          (name, run["wall"], run["cpu"], run["cpu"] / exchanges * 1e6, run["voluntary"],
           run["voluntary"] / exchanges, run["involuntary"]))


def compare_with_python(binaries, runs, pages):
    print("full-chip erase on velmora-sim --baud %d, %d exchanges, %d runs each, taking turns:"
          % (BAUD, pages, runs))
    environment = dict(os.environ)
    scratch = tempfile.mkdtemp(prefix="exchange-cost-")
    environment["XDG_DATA_HOME"] = scratch  # the traffic log of velmora-cli, on as always
    simulator, port = start_simulator(binaries)
    last = ["--first", "0", "--last", str(pages - 1)]
    words = {
        "python": [sys.executable, os.path.join(ROOT, "bench", "lean-erase.py"), port,
                   "--pages", str(pages)],
        "velmora-cli": [os.path.join(binaries, "velmora-cli"), "erase", *last, "--port", port],
    }
    results = {name: [] for name in words}
    try:
        for _ in range(runs):
            for name, command in words.items():
                results[name].append(measure(command, environment))
                print_run(name, results[name][-1], pages)
    finally:
        simulator.terminate()
        simulator.wait()
        subprocess.run(["rm", "-rf", scratch], check=False)
    median = {name: {key: statistics.median(run[key] for run in taken) for key in taken[0]}
              for name, taken in results.items()}
    print("medians:")
    for name in words:
        print_run(name, median[name], pages)
    cli, python = median["velmora-cli"], median["python"]
    return [("velmora-cli CPU / Python CPU", cli["cpu"] / python["cpu"], 0.5),
            ("velmora-cli voluntary switches per exchange", cli["voluntary"] / pages, 2.0)]


def parallel(binaries, pages):
    ratios = []
    for job in ("erase", "write"):
        output = subprocess.run([os.path.join(binaries, "parallel-bench"), "--job", job,
                                 "--pages", str(pages), "--cli-only"],
                                capture_output=True, text=True, check=True).stdout
        print(output, end="")
        found = re.search(r"^%s\s+cli\b.*?ratio ([0-9.]+)" % job, output, re.MULTILINE)
        if not found:
            sys.exit("parallel-bench printed no ratio for %s" % job)
        ratios.append(("eight boards against one, %s" % job, float(found.group(1)), 1.05))
    return ratios


def noise(binaries):
    output = subprocess.run([os.path.join(binaries, "link-bench"), "--noise"],
                            capture_output=True, text=True, check=True).stdout
    print(output, end="")
    slowest = max(float(seconds) for seconds in re.findall(r"recognised after ([0-9.]+) s",
                                                           output))
    return [("slowest frame after noise, seconds", slowest, 1.0)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", help="folder of velmora-cli, velmora-sim and the benchmarks")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--pages", type=int, default=4096)
    parser.add_argument("--skip-parallel", action="store_true")
    parser.add_argument("--skip-noise", action="store_true")
    arguments = parser.parse_args()
    binaries = arguments.bin or build()
    figures = compare_with_python(binaries, max(1, arguments.runs), arguments.pages)
    if not arguments.skip_parallel:
        figures += parallel(binaries, arguments.pages)
    if not arguments.skip_noise:
        figures += noise(binaries)
    print("summary (target in brackets):")
    for name, value, target in figures:
        print("  %-45s %7.3f  (at most %g: %s)" %
              (name, value, target, "met" if value <= target else "NOT met"))


if __name__ == "__main__":
    main()
