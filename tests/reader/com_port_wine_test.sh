#!/bin/sh
# Runs the COM port tests under Wine against emulated readers on pseudo-terminals: a reader with
# a MIFARE Classic 1K card that answers only at its own line speed (COM11), one that vanishes when
# its second framed command arrives (COM12), a port held by another program (COM13), and a reader
# sending its replies at the line's pace, byte by byte (COM14).
# usage: com_port_wine_test.sh EMULATOR SCRATCH WINE_RUN TEST_EXE [test arguments]
set -eu
emulator=$1 scratch=$2 wine_run=$3 test_exe=$4
shift 4
. "$(dirname "$0")/../support/emulated_readers.sh"
start_reader COM11 --card 1k --strict-baud
start_reader COM12 --unplug-after 2
start_reader COM14 --card 1k --pace
# A port held by another program: its device refuses access, even to root.
busy=""
if [ -e /sys/kernel/notes ]; then
  map_port COM13 /sys/kernel/notes
  busy=COM13
fi
wait_for_readers COM11 COM12 COM14
QC_EMU_PORT=COM11 QC_EMU_UNPLUG_PORT=COM12 QC_EMU_PACED_PORT=COM14 QC_BUSY_PORT=$busy "$wine_run" "$test_exe" "$@"
