#!/bin/sh
# Runs the COM port tests under Wine against two emulated readers on pseudo-terminals.
# The prefix must map COM7, COM8 and COM9 to PTYDIR/COM7 .. PTYDIR/COM9 (scripts/test does this with
# qc_map_com_ports); the emulators make those symlinks point at their terminals.
# usage: com_port_wine_test.sh EMULATOR PTYDIR WINE_RUN TEST_EXE [test arguments]
set -eu
emulator=$1 ptydir=$2 wine_run=$3 test_exe=$4
shift 4
if [ ! -x "$emulator" ]; then
  echo "reader emulator not built: $emulator (build the host preset first)" >&2
  exit 1
fi
mkdir -p "$ptydir"
"$emulator" --link "$ptydir/COM7" --card 1k --strict-baud >"$ptydir/COM7.log" 2>&1 &
reader=$!
"$emulator" --link "$ptydir/COM8" --unplug-after 2 >"$ptydir/COM8.log" 2>&1 &
vanishing=$!
trap 'kill $reader $vanishing 2>/dev/null || true; wait $reader $vanishing 2>/dev/null || true' EXIT
# A port held by another program: its device refuses access, even to root.
busy=""
if [ -e /sys/kernel/notes ]; then
  ln -sfn /sys/kernel/notes "$ptydir/COM9"
  busy=COM9
fi
for _ in $(seq 1 50); do
  [ -L "$ptydir/COM7" ] && [ -L "$ptydir/COM8" ] && break
  sleep 0.1
done
QC_EMU_PORT=COM7 QC_EMU_UNPLUG_PORT=COM8 QC_BUSY_PORT=$busy "$wine_run" "$test_exe" "$@"
