#!/bin/sh
# Runs the search worker's Wine tests against emulated readers on pseudo-terminals: readers with
# serials 1001.. on COM20..COM23 and devices that never answer in time on COM30..COM32.
# usage: search_thread_wine_test.sh EMULATOR SCRATCH WINE_RUN TEST_EXE [test arguments]
set -eu
emulator=$1 scratch=$2 wine_run=$3 test_exe=$4
shift 4
. "$(dirname "$0")/../support/emulated_readers.sh"
reply_delay=1000
serial=1001
for port in COM20 COM21 COM22 COM23; do
  start_reader $port --serial $serial --reply-delay $reply_delay
  serial=$((serial + 1))
done
for port in COM30 COM31 COM32; do
  start_reader $port --reply-delay 600000  # silent for as long as the test runs
done
wait_for_readers COM20 COM21 COM22 COM23 COM30 COM31 COM32
QC_SEARCH_READERS=COM20,COM21,COM22,COM23 QC_SEARCH_SILENT=COM30,COM31,COM32 \
QC_SEARCH_REPLY_DELAY=$reply_delay "$wine_run" "$test_exe" "$@"
