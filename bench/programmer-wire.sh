#!/usr/bin/env bash
# Times full-chip write, compare, read and erase through velmora-cli against velmora-sim, once
# at the simulator's full speed and once paced at 115200 baud, and sets each against the pure
# wire time of the frames the operation exchanged (10 bits per byte at 115200 baud). The frame
# bytes are counted from the traffic log, which records every byte written to and read from
# the port.
#   bench/programmer-wire.sh [--bin DIR] [--paced-only | --full-speed-only]
# Builds velmora-cli and velmora-sim (Release, in build-bench/) unless --bin names their folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=""
modes="full 115200"
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --paced-only) modes="115200"; shift ;;
    --full-speed-only) modes="full"; shift ;;
    *) echo "usage: $0 [--bin DIR] [--paced-only | --full-speed-only]" >&2; exit 2 ;;
  esac
done
if [ -z "$bin" ]; then
  dir="$root/build-bench"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_GUI=OFF >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target velmora-cli velmora-sim >/dev/null
  bin="$dir/bin"
fi

work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The traffic log and the settings file of these runs stay in the scratch folder.
export XDG_DATA_HOME="$work/xdg"
mkdir -p "$XDG_DATA_HOME"
log="$XDG_DATA_HOME/Velmora/Velmora.log"
python3 "$root/bench/make-full-image.py" "$work/full.ldr"

# Bytes of the frames written to and read from the port, from the log of the last run.
wire_bytes() {
  python3 - "$log" <<'PY'
import re
import sys
record_start = re.compile(r"^\d+\t\d+:\d+:\d+:\d+\t")
records, current = [], None
with open(sys.argv[1], encoding="utf-8", errors="replace") as log:
    for line in log:
        if record_start.match(line):
            current = [line]
            records.append(current)
        elif current is not None:  # long byte lists go on over several lines
            current.append(line)
total = 0
for record in records:
    text = " ".join(part.strip() for part in record)
    if "Записано в COM порт" in text or "Получено из COM порта" in text:
        inside = text[text.index("[") + 1:text.rindex("]")]
        total += sum(1 for word in inside.split() if re.fullmatch(r"[0-9A-F]{2}", word))
print(total)
PY
}

printf '| simulator | operation | pages/s | seconds | frame bytes | wire seconds at 115200 | ratio |\n'
printf '|---|---|---|---|---|---|---|\n'
for mode in $modes; do
  sim_args=()
  [ "$mode" != full ] && sim_args=(--baud "$mode")
  "$bin/velmora-sim" "${sim_args[@]}" > "$work/sim.out" &
  sim_pid=$!
  for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
  port=$(head -n 1 "$work/sim.out")
  for operation in write compare read erase; do
    case $operation in
      write) args=(write "$work/full.ldr") ;;
      compare) args=(compare "$work/full.ldr") ;;
      read) args=(read "$work/read.ldr") ;;
      erase) args=(erase) ;;
    esac
    start=$(date +%s.%N)
    "$bin/velmora-cli" --port "$port" "${args[@]}" > "$work/cli.out" 2>&1 ||
      { echo "velmora-cli $operation failed:" >&2; cat "$work/cli.out" >&2; exit 1; }
    end=$(date +%s.%N)
    bytes=$(wire_bytes)
    label=$([ "$mode" = full ] && echo "full speed" || echo "$mode baud")
    python3 - "$label" "$operation" "$start" "$end" "$bytes" <<'PY'
import sys
label, operation, start, end, frame_bytes = sys.argv[1:]
seconds = float(end) - float(start)
wire = int(frame_bytes) * 10 / 115200
print(f"| {label} | {operation} | {4096 / seconds:.1f} | {seconds:.2f} | {frame_bytes} "
      f"| {wire:.2f} | {seconds / wire:.3f} |")
PY
  done
  if [ "$mode" != full ]; then
    cmp -s <(python3 - "$work/full.ldr" "$work/read.ldr" <<'PY'
import sys
print(open(sys.argv[1]).read() == open(sys.argv[2]).read())
PY
) <(echo True) || echo "warning: the image read back differs from the one written" >&2
  fi
  kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=""
done
