# Sourced by the Wine tests' scripts and by scripts/run and the benchmarks: emulated readers on
# pseudo-terminals, each mapped to a COM port of the Wine prefix by a link in its dosdevices
# folder, which Wine follows whenever the port is opened (so no Wine server has to restart).
# Every user has a scratch folder of its own, emptied here, and COM port numbers no other test
# uses, so tests (and a benchmark beside them) can run side by side.
# The caller sets `scratch` and names the prefix: WINEPREFIX, or else `wine_run` (the prefix
# beside that build's Wine runner). `emulator` is the host build's pty emulator under QC_ROOT
# unless the caller names one. The readers are stopped at exit: a caller that sets its own EXIT
# trap calls stop_emulators from it.
# The scripts hand UTF-8 text (Russian among it) to Wine programs and read theirs back: the
# caller's locale, or none at all, must not change how Wine converts it.
export LC_ALL=C.UTF-8
emulator=${emulator:-${QC_ROOT:?}/build/host/tools/reader-emulator/qc-reader-emulator}
[ -x "$emulator" ] || { echo "reader emulator not built: $emulator (build the host preset first)" >&2; exit 1; }
prefix=${WINEPREFIX:-$(dirname "${wine_run:?}")/wineprefix}
# Links left by an earlier run may point at another program's terminal by now.
rm -rf "$scratch"
mkdir -p "$scratch"
emulator_pids=""

stop_emulators() {
  [ -n "$emulator_pids" ] || return 0
  kill $emulator_pids 2>/dev/null || true
  wait $emulator_pids 2>/dev/null || true
  emulator_pids=""
}
trap stop_emulators EXIT
trap 'exit 1' HUP INT TERM

map_port() {  # PORT TARGET: the prefix's PORT opens TARGET
  mkdir -p "$prefix/dosdevices"
  ln -sfn "$2" "$prefix/dosdevices/$(echo "$1" | tr 'A-Z' 'a-z')"
}

start_reader() {  # PORT [emulator options]: an emulated reader behind PORT, its output in $scratch/PORT.log
  reader_port=$1
  shift
  "$emulator" --link "$scratch/$reader_port" "$@" >"$scratch/$reader_port.log" 2>&1 &
  emulator_pids="$emulator_pids $!"
  map_port "$reader_port" "$scratch/$reader_port"
}

wait_for_readers() {  # PORT...: until every reader has made its terminal's link (30 s at most)
  for _ in $(seq 1 300); do
    ready=1
    for reader_port in "$@"; do
      [ -L "$scratch/$reader_port" ] || ready=0
    done
    [ "$ready" = 1 ] && return 0
    sleep 0.1
  done
  echo "emulated readers did not start: $* (logs in $scratch)" >&2
  exit 1
}
