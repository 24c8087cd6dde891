#!/bin/sh
# Runs the search worker's Wine tests against emulated readers on pseudo-terminals: readers with
# serials 1001.. on COM20..COM23 and devices that never answer in time on COM30..COM32. Each COM port is mapped by a
# symlink in the prefix's dosdevices folder, which Wine resolves when the port is opened, so no
# Wine server has to restart.
# usage: search_thread_wine_test.sh EMULATOR PTYDIR WINE_RUN TEST_EXE [test arguments]
set -eu
emulator=$1 ptydir=$2 wine_run=$3 test_exe=$4
shift 4
prefix=${WINEPREFIX:-$(dirname "$wine_run")/wineprefix}
reply_delay=1000
if [ ! -x "$emulator" ]; then
  echo "reader emulator not built: $emulator (build the host preset first)" >&2
  exit 1
fi
mkdir -p "$ptydir" "$prefix/dosdevices"
pids=""
trap 'kill $pids 2>/dev/null || true; wait $pids 2>/dev/null || true' EXIT

start_device() {  # $1: COM port name, then emulator options
  port=$1
  shift
  rm -f "$ptydir/$port"
  "$emulator" --link "$ptydir/$port" "$@" >"$ptydir/$port.log" 2>&1 &
  pids="$pids $!"
  ln -sfn "$ptydir/$port" "$prefix/dosdevices/$(echo "$port" | tr 'A-Z' 'a-z')"
}

serial=1001
for port in COM20 COM21 COM22 COM23; do
  start_device $port --serial $serial --reply-delay $reply_delay
  serial=$((serial + 1))
done
for port in COM30 COM31 COM32; do
  start_device $port --reply-delay 600000  # silent for as long as the test runs
done
for _ in $(seq 1 50); do
  ready=1
  for port in COM20 COM21 COM22 COM23 COM30 COM31 COM32; do
    [ -L "$ptydir/$port" ] || ready=0
  done
  [ $ready = 1 ] && break
  sleep 0.1
done

QC_SEARCH_READERS=COM20,COM21,COM22,COM23 QC_SEARCH_SILENT=COM30,COM31,COM32 \
QC_SEARCH_REPLY_DELAY=$reply_delay "$wine_run" "$test_exe" "$@"
