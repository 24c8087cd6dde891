#!/bin/sh
# Runs the connection thread's end-to-end test under Wine against an emulated reader (model 2,
# firmware 1.8.0, a MIFARE Classic 1K card) that ignores the line while its speed differs from
# the reader's, so the move to 115200 baud must really happen.
# usage: connect_wine_test.sh EMULATOR PTYDIR WINE_RUN TEST_EXE [test arguments]
set -eu
emulator=$1 ptydir=$2 wine_run=$3 test_exe=$4
shift 4
if [ ! -x "$emulator" ]; then
  echo "reader emulator not built: $emulator (build the host preset first)" >&2
  exit 1
fi
mkdir -p "$ptydir"
"$emulator" --link "$ptydir/COM10" --card 1k --strict-baud --pace >"$ptydir/COM10-connect.log" 2>&1 &
reader=$!
trap 'kill $reader 2>/dev/null || true; wait $reader 2>/dev/null || true' EXIT
trap 'exit 1' INT TERM
for _ in $(seq 1 50); do
  [ -L "$ptydir/COM10" ] && break
  sleep 0.1
done
QC_EMU_PORT=COM10 "$wine_run" "$test_exe" "$@"
