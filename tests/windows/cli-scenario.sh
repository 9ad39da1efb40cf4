#!/usr/bin/env bash
# Runs velmora-cli.exe under wine through one scenario, in the current folder:
#   cli-scenario.sh SCENARIO WINE VELMORA-CLI.EXE [SAMPLE]
# The programmer scenarios talk to the simulator that with-simulator.sh serves on the COM port
# named by VELMORA_TEST_COM_PORT; "simulate" and "files" need none.
set -euo pipefail
[[ $# -ge 3 ]] || { echo "usage: $0 SCENARIO WINE VELMORA-CLI.EXE [SAMPLE]" >&2; exit 2; }
scenario=$1
wine=$2
cli=$3
sample=${4:-}

fail() {
  echo "$0: $scenario: $*" >&2
  exit 1
}

# Runs velmora-cli.exe with the arguments; its output goes to "output" and is shown, its exit
# code to "status".
output=
status=0
run() {
  status=0
  output=$("$wine" "$cli" "$@" 2>&1) || status=$?
  printf '%s\n' "$output"
}
on_port() {
  run --port "${VELMORA_TEST_COM_PORT:?with-simulator.sh names the port}" "$@"
}
expect_success() {
  [[ $status -eq 0 ]] || fail "exit code $status instead of 0"
}
expect_failure_saying() { # text
  [[ $status -ne 0 ]] || fail "succeeded where it should have failed"
  [[ $output == *"$1"* ]] || fail "the output does not say \"$1\""
}
# The program's data folder (settings and traffic logs) is this scenario's own, seen from wine
# on its drive Z: (the build machine's root).
mkdir -p data
export XDG_DATA_HOME="Z:$PWD/data"

# A chip's worth of bytes that are the same in every run.
make_pattern() { # file, pages
  python3 -c "import random, sys; random.seed(528); open(sys.argv[1], 'wb').write(random.randbytes(528 * int(sys.argv[2])))" "$1" "$2"
}

case $scenario in
simulate) # the simulated programmer in the program itself
  run --simulate write --verify "$sample"
  expect_success
  [[ $output == *"Образ совпадает с образом в контроллере."* ]] || fail "no verification"
  ;;
files) # Cyrillic names, and saving twice over the same file
  make_pattern "образ.bin" 40
  for pass in 1 2; do
    run resave "образ.bin" "копия образа.ldr"
    expect_success
    run resave "копия образа.ldr" "снова.bin"
    expect_success
    cmp "образ.bin" "снова.bin" || fail "pass $pass: the image changed on its way through HEX"
  done
  [[ $(ls | wc -l) -eq 4 ]] || fail "files were left behind: $(ls)"
  ;;
init)
  on_port init
  expect_success
  [[ $output == *"Velmora simulator 1.0"* ]] || fail "no identification"
  ;;
full-chip) # every page written, verified, compared and read back byte for byte
  make_pattern "образ.bin" 4096
  on_port write --verify "образ.bin"
  expect_success
  cmp "образ.bin" chip.bin || fail "the chip does not hold the image"
  on_port compare "образ.bin"
  expect_success
  on_port read "прочитано.ldr"
  expect_success
  run resave "прочитано.ldr" "прочитано.bin"
  expect_success
  cmp "образ.bin" "прочитано.bin" || fail "the image read differs from the one written"
  ;;
error-code) # the board refuses every page write
  make_pattern "образ.bin" 4
  on_port write "образ.bin"
  expect_failure_saying "Ошибка работы с контроллером."
  ;;
silent)
  on_port init
  expect_failure_saying "Программатор не подключен."
  ;;
two-ports) # a programmer on COM26 and one on the port named, both written at once
  make_pattern "образ.bin" 40
  run --port COM26 --port "${VELMORA_TEST_COM_PORT:?}" write --verify "образ.bin"
  expect_success
  for port in COM26 "$VELMORA_TEST_COM_PORT"; do
    grep -Eq "^$port +Velmora simulator 1.0 +ok" <<<"$output" || fail "$port is not ok in the table"
    [[ -s "data/Velmora/Velmora-$port.log" ]] || fail "no traffic log for $port"
  done
  ;;
hang-up) # the board is pulled out in the middle of a write
  make_pattern "образ.bin" 40
  on_port write "образ.bin"
  expect_failure_saying "Программатор не подключен."
  ;;
*)
  fail "unknown scenario"
  ;;
esac
