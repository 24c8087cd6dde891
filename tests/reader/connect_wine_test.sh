#!/bin/sh
# Runs the reader worker's end-to-end test under Wine against an emulated reader on COM14
# (model 2, firmware 1.8.0, a MIFARE Classic 1K card) that ignores the line while its speed
# differs from the reader's, so the move to 115200 baud must really happen.
# usage: connect_wine_test.sh EMULATOR SCRATCH WINE_RUN TEST_EXE [test arguments]
set -eu
emulator=$1 scratch=$2 wine_run=$3 test_exe=$4
shift 4
. "$(dirname "$0")/../support/emulated_readers.sh"
start_reader COM14 --card 1k --strict-baud --pace
wait_for_readers COM14
QC_EMU_PORT=COM14 "$wine_run" "$test_exe" "$@"
