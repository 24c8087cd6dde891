#!/bin/sh
# End-to-end test of the whole program in a real window under Wine: an emulated reader on a pty
# is mapped to COM40 of the prefix (a dosdevices link, resolved when the port opens), a copy of
# the program runs in a scratch folder of its own (its settings file lives beside it), and
# ui_driver works the controls by id like a user would.
# usage: main_window_e2e.sh EMULATOR WORKDIR WINE_RUN PROGRAM DRIVER
set -eu
emulator=$1 work=$2 wine_run=$3 program=$4 driver=$5
prefix=${WINEPREFIX:-$(dirname "$wine_run")/wineprefix}
port=COM40
[ -x "$emulator" ] || { echo "reader emulator not built: $emulator (build the host preset first)" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/pty" "$prefix/dosdevices"
control=$work/pty/control
mkfifo "$control"
emulator_pid="" program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null
  wait 2>/dev/null || true
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
drv() { "$wine_run" "$driver" "$@" | tr -d '\r'; }
expect() {  # what, expected, actual
  [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
  echo "ok: $1"
}
wait_text() { drv wait-text "$1" "$2" "${3:-20000}" >/dev/null || fail "control $1 never showed [$2] (shows [$(drv text "$1")])"; }
log_count() { drv text 1013 | grep -c -x -F "$1" || true; }
# Enabled flags of Connect, port box, Disconnect, Start, Stop, block, key, key A, key B.
enables() { for id in 1002 1000 1003 1011 1012 1007 1008 1009 1010; do printf %s "$(drv enabled $id)"; done; }
card() { echo "card $1" >"$control"; }

start_program() {  # $1: LC_ALL value
  LC_ALL=$1 "$wine_run" "$work/app/quillcheck.exe" >/dev/null 2>&1 &
  program_pid=$!
  drv wait-window 30000 >/dev/null || fail "the main window did not appear"
}
close_program() {
  drv syscommand 61536 >/dev/null
  drv wait-gone 20000 >/dev/null || fail "the window did not close"
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
}

"$emulator" --link "$work/pty/$port" --card 1k --uid 04A1B2C3 --control "$control" >"$work/emulator.log" 2>&1 &
emulator_pid=$!
for _ in $(seq 1 50); do [ -L "$work/pty/$port" ] && break; sleep 0.1; done
ln -sfn "$work/pty/$port" "$prefix/dosdevices/$(echo $port | tr 'A-Z' 'a-z')"
mkdir -p "$work/app"
cp "$program" "$work/app/quillcheck.exe"

echo "== English: connect, test, trouble lines, card changes, disconnect"
start_program en_US.UTF-8
expect "state at start" "Disconnected" "$(drv text 1016)"
expect "disconnected enables" "110001111" "$(enables)"
drv set-text 1000 $port >/dev/null
drv click 1002 >/dev/null
expect "linked enables" "001101111" "$(enables)"
wait_text 1016 "Connected"
wait_text 1005 "Mifare Classic 1K C3B2A104"
expect "card line" "Mifare Classic 1K C3B2A104" "$(drv text 1005)"

drv click 1011 >/dev/null
expect "testing enables" "001010000" "$(enables)"
for _ in $(seq 1 40); do first=$(drv text 1014); [ "$first" -gt 0 ] && break; sleep 0.25; done
sleep 1
second=$(drv text 1014)
[ "$first" -gt 0 ] && [ "$second" -gt "$first" ] || fail "Written did not rise: $first then $second"
echo "ok: Written rises ($first, $second)"
expect "errors while testing" "0" "$(drv text 1015)"
drv click 1012 >/dev/null
expect "enables after Stop" "001101111" "$(enables)"

drv select 1007 3 >/dev/null
drv click 1011 >/dev/null
sleep 2
drv click 1012 >/dev/null
sleep 0.5
expect "trailer line once" "1" "$(log_count "Writing to the block print is not allowed.")"

drv select 1007 1 >/dev/null
drv set-text 1008 000000000001 >/dev/null
drv click 1011 >/dev/null
sleep 2
drv click 1012 >/dev/null
sleep 0.5
expect "wrong key line once" "1" "$(log_count "MIFARE sector authorization error.")"

drv set-text 1008 ffffffffffff >/dev/null
drv click 1011 >/dev/null
sleep 1
echo remove >"$control"
wait_text 1005 ""
sleep 1.5
settled=$(log_count "No card.")
sleep 1.5
# One removal, one line; it must stay so however long the test runs on.
[ "$settled" -eq 1 ] || fail "No card. logged $settled times"
expect "no card line does not repeat" "$settled" "$(log_count "No card.")"
drv click 1012 >/dev/null

drv click 1003 >/dev/null
expect "state after Disconnect" "Disconnected" "$(drv text 1016)"
expect "card line after Disconnect" "" "$(drv text 1005)"
expect "enables after Disconnect" "110001111" "$(enables)"

card "plus-x 04112233"
drv click 1002 >/dev/null
wait_text 1016 "Connected"
wait_text 1005 "Mifare Plus 2K 33221104 X SL1"
expect "plus card line" "Mifare Plus 2K 33221104 X SL1" "$(drv text 1005)"
drv click 1003 >/dev/null
expect "state after the second Disconnect" "Disconnected" "$(drv text 1016)"

echo "== Position and settings kept across a restart"
drv move 40 50 640 470 >/dev/null
close_program
settings=$work/app/quillcheck.json
[ -f "$settings" ] || fail "no settings file written on close"
grep -q "\"port\": \"$port\"" "$settings" || fail "settings lack the port: $(cat "$settings")"
grep -q '"authKey": "ffffffffffff"' "$settings" || fail "settings lack the key: $(cat "$settings")"
echo "ok: settings file written"
start_program en_US.UTF-8
expect "restored placement" "40 50 640 470" "$(drv placement)"
expect "restored port" "$port" "$(drv text 1000)"
close_program

echo "== Russian"
card "1k 04A1B2C3"
start_program ru_RU.UTF-8
expect "Russian state at start" "Отключён" "$(drv text 1016)"
drv click 1002 >/dev/null
wait_text 1016 "Подключён"
drv select 1007 3 >/dev/null
drv click 1011 >/dev/null
sleep 2
drv click 1012 >/dev/null
sleep 0.5
expect "Russian trailer line once" "1" "$(log_count "Писать в блок-прицеп не разрешено.")"
drv click 1003 >/dev/null
expect "Russian state after Disconnect" "Отключён" "$(drv text 1016)"
close_program
echo "all passed"
