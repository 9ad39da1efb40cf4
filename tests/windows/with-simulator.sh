#!/usr/bin/env bash
# Runs a Windows program under wine against the Linux simulator, reached as a COM port:
#   with-simulator.sh COMn [velmora-sim options] -- COMMAND...
# Starts velmora-sim (the program named by VELMORA_HOST_SIMULATOR, else velmora-sim on the PATH)
# with its port linked as wine's device of COMn ($WINEPREFIX/dosdevices/comn), waits until it
# serves, runs COMMAND with VELMORA_TEST_COM_PORT=COMn, stops the simulator and exits with
# COMMAND's status. Each COM number serves one simulator at a time.
set -euo pipefail

usage() {
  echo "usage: $0 COMn [velmora-sim options] -- COMMAND..." >&2
  exit 2
}

[[ $# -ge 1 && $1 =~ ^[Cc][Oo][Mm]([1-9][0-9]*)$ ]] || usage
number=${BASH_REMATCH[1]}
port="COM$number"
shift
options=()
while [[ $# -gt 0 && $1 != -- ]]; do
  options+=("$1")
  shift
done
[[ $# -ge 2 ]] || usage
shift

simulator=${VELMORA_HOST_SIMULATOR:-velmora-sim}
prefix=${WINEPREFIX:-$HOME/.wine}
# wine looks up its COM devices in lower case.
link="$prefix/dosdevices/com$number"
mkdir -p "$prefix/dosdevices"

output=$(mktemp)
simulator_pid=
holder_pid=
stop_simulator() {
  if [[ -n $holder_pid ]]; then
    kill -TERM "$holder_pid" 2>/dev/null || true
  fi
  if [[ -n $simulator_pid ]]; then
    kill -TERM "$simulator_pid" 2>/dev/null || true
    # Bounded: a simulator that does not leave within five seconds is killed.
    for _ in $(seq 50); do
      kill -0 "$simulator_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$simulator_pid" 2>/dev/null || true
    wait "$simulator_pid" 2>/dev/null || true
  fi
  rm -f "$output"
}
trap stop_simulator EXIT

"$simulator" --link "$link" "${options[@]}" >"$output" &
simulator_pid=$!

# The simulator prints its port's path on its first line once it serves and the link is made.
for _ in $(seq 300); do
  if [[ $(wc -l <"$output") -ge 1 && -L $link ]]; then
    break
  fi
  if ! kill -0 "$simulator_pid" 2>/dev/null; then
    echo "$0: the simulator ended before it served" >&2
    exit 1
  fi
  sleep 0.1
done
if [[ ! -L $link ]]; then
  echo "$0: the simulator did not serve within 30 seconds" >&2
  exit 1
fi
pty=$(head -n 1 "$output")
echo "$0: $port is $pty" >&2

# wine's server opens the device as a session leader without a controlling terminal, so the
# pseudo-terminal would become its terminal and the simulator's exit would hang it up (the
# server then dumps its objects on standard error). A session of its own that takes the
# terminal first receives that hang-up instead and ends with it.
setsid sh -c 'exec sleep 86400 <"$0"' "$pty" </dev/null >/dev/null 2>&1 &
holder_pid=$!
disown "$holder_pid" # its end by the hang-up is expected: no job notice for it
for _ in $(seq 50); do
  [[ $(readlink "/proc/$holder_pid/fd/0" 2>/dev/null) == "$pty" ]] && break
  sleep 0.1
done

status=0
VELMORA_TEST_COM_PORT=$port "$@" || status=$?
exit $status
