#!/usr/bin/env bash
# Times velmora-cli against srec_cat on the same job: read a full-chip image file (4096 pages of
# 528 bytes, 67,584 records of 32 bytes) and write it back as 32-byte records.
#   bench/hex-vs-srec_cat.sh [--cli PATH] [--repetitions N]
# Builds velmora-cli (Release, in build-bench/) unless --cli names one. Prints the median wall
# time and CPU time of each tool, their ratio, and each tool's peak resident memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=""
repetitions=9
while [ $# -gt 0 ]; do
  case "$1" in
    --cli) cli=$2; shift 2 ;;
    --repetitions) repetitions=$2; shift 2 ;;
    *) echo "usage: $0 [--cli PATH] [--repetitions N]" >&2; exit 2 ;;
  esac
done

command -v srec_cat >/dev/null || { echo "srec_cat is missing (Debian package srecord)" >&2; exit 1; }
if [ -z "$cli" ]; then
  dir="$root/build-bench"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_GUI=OFF >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target velmora-cli >/dev/null
  cli="$dir/bin/velmora-cli"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/make-full-image.py" "$work/full.ldr"

python3 - "$cli" "$work" "$repetitions" <<'PY'
import os, statistics, sys, time

cli, work, repetitions = sys.argv[1], sys.argv[2], int(sys.argv[3])
full = os.path.join(work, "full.ldr")
tools = {
    "velmora-cli": [cli, "resave", full, os.path.join(work, "velmora.ldr")],
    "srec_cat": ["srec_cat", full, "-Intel", "-o", os.path.join(work, "srec.ldr"), "-Intel",
                 "-Output_Block_Size=32"],
}

TIME = "/usr/bin/time"
HAVE_TIME = os.access(TIME, os.X_OK)

def run(arguments, peak_only=False):
    """Wall time, CPU time (s) and peak resident memory (KiB) of one run.

    Timed runs start the tool itself, so that its figures hold nothing else. The peak memory
    comes from a run of its own under /usr/bin/time, which reports the tool's own; without it,
    the figure is wait4's, which for a process started from Python includes the interpreter's
    memory, so it is only an upper bound."""
    peak_file = os.path.join(work, "peak")
    through_time = peak_only and HAVE_TIME
    command = [TIME, "-f", "%M", "-o", peak_file] + arguments if through_time else arguments
    quiet = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)]
    start = time.perf_counter()
    pid = os.posix_spawnp(command[0], command, os.environ, file_actions=quiet)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{arguments[0]} failed")
    peak = usage.ru_maxrss
    if through_time:
        with open(peak_file) as f:
            peak = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak

results = {name: [] for name in tools}
peaks = {}
for name, arguments in tools.items():  # warm the file cache, and the peak memory
    peaks[name] = run(arguments, peak_only=True)[2]
for _ in range(repetitions):  # interleaved, so both see the same machine load
    for name, arguments in tools.items():
        results[name].append(run(arguments))

def text(name):
    with open(os.path.join(work, name), "rb") as f:
        return f.read().replace(b"\r\n", b"\n")

if text("velmora.ldr") != text("srec.ldr") or text("velmora.ldr") != text("full.ldr"):
    sys.exit("the two outputs differ")

summary = {}
print(f"full-chip resave, median of {repetitions} runs")
for name, runs in results.items():
    wall = statistics.median(r[0] for r in runs)
    cpu = statistics.median(r[1] for r in runs)
    peak = peaks[name]
    summary[name] = (wall, cpu)
    bound = "" if HAVE_TIME else "at most "
    print(f"  {name:12} wall {wall * 1000:7.1f} ms   cpu {cpu * 1000:7.1f} ms   "
          f"peak memory {bound}{peak / 1024:.1f} MiB")
velmora, srec = summary["velmora-cli"], summary["srec_cat"]
print(f"  velmora-cli is {srec[0] / velmora[0]:.1f}x faster (wall), "
      f"{srec[1] / velmora[1]:.1f}x (cpu); outputs are the same records")
PY
