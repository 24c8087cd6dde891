#!/bin/sh
# End-to-end test of the whole program in a real window under Wine: an emulated reader on a pty
# behind COM40 of the prefix, a copy of the program in the test's scratch folder (its settings
# file lives beside it), and ui_driver working the controls by id like a user would.
# usage: main_window_e2e.sh EMULATOR SCRATCH WINE_RUN PROGRAM DRIVER
set -eu
emulator=$1 scratch=$2 wine_run=$3 program=$4 driver=$5
QC_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/../support/emulated_readers.sh"
port=COM40
control=$scratch/control
. "$(dirname "$0")/../support/driven_program.sh"
full=$scratch/full  # a tiny file system mounted there for the disk-full save
cleanup() {
  stop_program
  chattr -i "$scratch/app" 2>/dev/null || true
  ! mountpoint -q "$scratch/app" 2>/dev/null || umount "$scratch/app" || true
  ! mountpoint -q "$full" 2>/dev/null || umount "$full" || true
  stop_emulators
  wait 2>/dev/null || true
}
trap cleanup EXIT

log_count() { drv text $IDC_LOG | grep -c -x -F "$1" || true; }
# Waits (20 s at most) until the log shows the line; a test under way shows it within a refresh.
wait_log() {
  for _ in $(seq 1 80); do
    [ "$(log_count "$1")" -gt 0 ] && return 0
    sleep 0.25
  done
  fail "the log never showed [$1] (shows [$(drv text $IDC_LOG)])"
}
# Prints Written once it exceeds $1, or as it stands after 20 s.
written_above() {
  for _ in $(seq 1 80); do
    count=$(drv text $IDC_WRITTEN)
    [ "$count" -gt "$1" ] && break
    sleep 0.25
  done
  echo "$count"
}
# Runs a test of the chosen block until the log shows the line and a while longer, then stops
# it: the line must stand there once.
test_until_line() {
  drv click $IDC_START >/dev/null
  wait_log "$1"
  sleep 1
  drv click $IDC_STOP >/dev/null
  expect "[$1] once" "1" "$(log_count "$1")"
}
# Enabled flags of Connect, port box, Disconnect, Start, Stop, block, key, key A, key B.
enables() { for id in $IDC_CONNECT $IDC_PORT $IDC_DISCONNECT $IDC_START $IDC_STOP $IDC_BLOCK $IDC_KEY $IDC_KEY_A $IDC_KEY_B; do printf %s "$(drv enabled $id)"; done; }
card() { echo "card $1" >"$control"; }
# Framed commands with code $1 (hex) the reader has received so far.
command_count() {
  before=$(grep -c "^count $1: " "$scratch/$port.log" || true)
  echo "count $1" >"$control"
  for _ in $(seq 1 50); do
    [ "$(grep -c "^count $1: " "$scratch/$port.log" || true)" -gt "$before" ] && break
    sleep 0.1
  done
  grep "^count $1: " "$scratch/$port.log" | tail -n 1 | sed 's/.*: //'
}
# Saves the test report through the log's menu command and the Save As dialog; prints the name
# the dialog offered.
save_report() {
  drv command $IDC_LOG $ID_SAVE_REPORT >/dev/null
  drv save-as "$(winpath "$1")" || fail "the Save As dialog did not take $1"
  wait_saved "$1"
}
# The report is written once the dialog has gone, flushed and renamed into place: a busy disk
# takes a moment. A failed save (a message box instead) leaves no file.
wait_saved() {
  for _ in $(seq 1 40); do [ -e "$1" ] && return 0; sleep 0.25; done
}

start_reader $port --card 1k --uid 04A1B2C3 --control "$control" --strict-baud
wait_for_readers $port
mkdir -p "$scratch/app"
cp "$program" "$scratch/app/quillcheck.exe"

echo "== English: connect, test, trouble lines, card changes, disconnect"
start_program en_US.UTF-8
expect "state at start" "Disconnected" "$(drv text $IDC_STATE)"
expect "disconnected enables" "110001111" "$(enables)"
drv set-text $IDC_PORT $port >/dev/null
drv click $IDC_CONNECT >/dev/null
expect "linked enables" "001101111" "$(enables)"
wait_text $IDC_STATE "Connected"
wait_text $IDC_CARD "Mifare Classic 1K C3B2A104"
expect "card line" "Mifare Classic 1K C3B2A104" "$(drv text $IDC_CARD)"

drv click $IDC_START >/dev/null
expect "testing enables" "001010000" "$(enables)"
first=$(written_above 0)
second=$(written_above "$first")
[ "$first" -gt 0 ] && [ "$second" -gt "$first" ] || fail "Written did not rise: $first then $second"
echo "ok: Written rises ($first, $second)"
expect "errors while testing" "0" "$(drv text $IDC_ERRORS)"
# The figures under the log: time since the start and a rate of verified cycles.
elapsed=$(drv text $IDC_ELAPSED) rate=$(drv text $IDC_RATE)
echo "$elapsed" | grep -q -x -E '0:00:[0-9]{2}' || fail "elapsed time [$elapsed]"
echo "$rate" | grep -q -x -E '[0-9]+\.[0-9]/s' && [ "$rate" != "0.0/s" ] || fail "rate [$rate]"
echo "ok: figures ($elapsed, $rate)"
drv click $IDC_STOP >/dev/null
expect "enables after Stop" "001101111" "$(enables)"
# Stopped: the test's average rate, the one the report gives.
stopped_rate=$(drv text $IDC_RATE)
[ "$stopped_rate" != "0.0/s" ] || fail "rate after Stop [$stopped_rate]"
stopped_at=$(drv text $IDC_ELAPSED)
sleep 1.2
expect "elapsed time stands still after Stop" "$stopped_at" "$(drv text $IDC_ELAPSED)"

mkdir -p "$scratch/reports"
offered=$(save_report "$scratch/reports/first.txt")
echo "$offered" | grep -q -x -E "quillcheck-$port-[0-9]{8}-[0-9]{6}\.txt" || fail "offered name [$offered]"
report=$scratch/reports/first.txt
[ "$(head -c 3 "$report" | od -An -tx1 | tr -d ' ')" = "efbbbf" ] || fail "the report has no UTF-8 mark"
[ "$(tr -cd '\n' <"$report" | wc -c)" = "$(tr -cd '\r' <"$report" | wc -c)" ] || fail "the report's lines are not CRLF"
report_has "$report" "Port: $port"
report_has "$report" "Card: Mifare Classic 1K C3B2A104"
report_has "$report" "Verified cycles: [1-9][0-9]*"
report_has "$report" "Elapsed: $stopped_at \(stopped\)"
report_has "$report" "Average rate: $stopped_rate"
echo "ok: report saved as offered ($offered)"

drv select $IDC_BLOCK 3 >/dev/null
test_until_line "Writing to the block print is not allowed."

drv select $IDC_BLOCK 1 >/dev/null
drv set-text $IDC_KEY 000000000001 >/dev/null
test_until_line "MIFARE sector authorization error."

drv set-text $IDC_KEY ffffffffffff >/dev/null
drv click $IDC_START >/dev/null
written=$(written_above 0)
[ "$written" -gt 0 ] || fail "the test wrote nothing"
# A save into a disk with no room while the test runs: a message, no file, the test goes on.
mkdir -p "$full"
if mount -t tmpfs -o size=4k tmpfs "$full" 2>/dev/null; then
  dd if=/dev/zero of="$full/filler" bs=4096 count=1 2>/dev/null || true
  drv command $IDC_LOG $ID_SAVE_REPORT >/dev/null
  drv save-as "$(winpath "$full/report.txt")" >/dev/null || fail "the Save As dialog did not take the full disk's file"
  box=$(drv dialog-text)
  case "$box" in *"Disk full while accessing"*report.txt*) ;; *) fail "disk full message [$box]" ;; esac
  [ ! -e "$full/report.txt" ] && [ ! -e "$full/report.txt.new" ] || fail "a partial report was left: $(ls "$full")"
  umount "$full"
  [ "$(written_above "$written")" -gt "$written" ] || fail "the test stopped after the failed save"
  echo "ok: disk full reported, nothing left, test goes on"
else
  echo "skip: no tmpfs could be mounted for the disk-full save"
fi
# A report taken while the test runs.
save_report "$scratch/reports/running.txt" >/dev/null
report_has "$scratch/reports/running.txt" 'Elapsed: 0:00:[0-9]{2} \(running\)'
echo "ok: report saved while the test runs"
echo remove >"$control"
wait_text $IDC_CARD ""
wait_log "No card."
# One removal, one line; it must stay so however long the test runs on.
sleep 1.5
expect "no card line once" "1" "$(log_count "No card.")"
drv click $IDC_STOP >/dev/null
save_report "$scratch/reports/removal.txt" >/dev/null
report_has "$scratch/reports/removal.txt" '[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}  No card\.'
report_has "$scratch/reports/removal.txt" '"No card\." events: 1'
# The same test over time: its table has a row with the missing card, and the chart its scale.
report_has "$scratch/reports/removal.txt" 'Over time, per minute:'
report_has "$scratch/reports/removal.txt" '[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8} +[1-9][0-9]* +[0-9]+\.[0-9]/s +[0-9]+ +[0-9]+ +1 +[0-9]+ +[0-9]+'
drv text $IDC_CHART | grep -q -x -E 'to [0-9]+\.[0-9]/s' || fail "chart text [$(drv text $IDC_CHART)]"
echo "ok: the report's table and the chart's scale"
echo "ok: the report keeps the log line with its time"

# A card of another kind with another UID arrives while connected; Disconnect must still end the
# worker at once.
card "plus-x 04112233"
wait_text $IDC_CARD "Mifare Plus 2K 33221104 X SL1"
# The card came after Stop: the stopped test's report still names the card it ran on.
save_report "$scratch/reports/after-stop.txt" >/dev/null
report_has "$scratch/reports/after-stop.txt" "Card: Mifare Classic 1K C3B2A104"
grep -q "Mifare Plus" "$scratch/reports/after-stop.txt" && fail "the report names the card laid on after Stop"
echo "ok: a card after Stop stays out of the report"
drv click $IDC_DISCONNECT >/dev/null
# The worker ends on its own; the window does not wait for it.
wait_text $IDC_STATE "Disconnected"
expect "state after Disconnect" "Disconnected" "$(drv text $IDC_STATE)"
expect "card line after Disconnect" "" "$(drv text $IDC_CARD)"
expect "enables after Disconnect" "110001111" "$(enables)"

# The same card found at connect.
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
wait_text $IDC_CARD "Mifare Plus 2K 33221104 X SL1"
drv click $IDC_DISCONNECT >/dev/null
wait_text $IDC_STATE "Disconnected"
expect "state after the second Disconnect" "Disconnected" "$(drv text $IDC_STATE)"

echo "== Position and settings kept across a restart"
# A size above the page's least one (the plan's row and the chart raised it), so it is kept
# as it stands.
drv move 40 50 640 560 >/dev/null
close_program
settings=$scratch/app/quillcheck.json
[ -f "$settings" ] || fail "no settings file written on close"
grep -q "\"port\": \"$port\"" "$settings" || fail "settings lack the port: $(cat "$settings")"
grep -q '"authKey": "ffffffffffff"' "$settings" || fail "settings lack the key: $(cat "$settings")"
echo "ok: settings file written"
start_program en_US.UTF-8
expect "restored placement" "40 50 640 560" "$(drv placement)"
expect "restored port" "$port" "$(drv text $IDC_PORT)"
close_program

echo "== Link trouble: a wrong key, a failing select, a reader left at 115200 baud"
card "1k 04A1B2C3"
start_program en_US.UTF-8
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
wait_text $IDC_CARD "Mifare Classic 1K C3B2A104"
# A refused key is tried once per poll period, not at line rate.
drv set-text $IDC_KEY 000000000001 >/dev/null
auths_before=$(command_count 50)
drv click $IDC_START >/dev/null
sleep 3
drv click $IDC_STOP >/dev/null
auths=$(( $(command_count 50) - auths_before ))
[ "$auths" -ge 4 ] && [ "$auths" -le 15 ] || fail "a wrong key was tried $auths times in 3 s"
echo "ok: a wrong key tried $auths times in 3 s"
drv set-text $IDC_KEY ffffffffffff >/dev/null
# A select answered with status 7 for four seconds: the failure named once, its repeats counted
# in one more line, and the test goes on when the reader answers again.
echo "status 46 07" >"$control"
drv click $IDC_START >/dev/null
sleep 4
echo "status off" >"$control"
[ "$(written_above 0)" -gt 0 ] || fail "the test did not go on after the select failures"
drv click $IDC_STOP >/dev/null
failure="Command 0x46 failed with status 0x07: "
expect "select failure lines" "2" "$(drv text $IDC_LOG | grep -c -F "$failure" || true)"
expect "repeats line" "1" "$(drv text $IDC_LOG | grep -c "^Repeated [0-9]* more times: $failure" || true)"
expect "my_error lines" "0" "$(drv text $IDC_LOG | grep -c -F "my_error" || true)"
# Killed while connected at 115200: the reader stays there, and the next start finds it again
# within one reconnect period plus the identification.
kill -KILL "$program_pid"
wait "$program_pid" 2>/dev/null || true
program_pid=""
start_program en_US.UTF-8
drv set-text $IDC_PORT $port >/dev/null
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected" 20000
echo "ok: found again after the program was killed"
drv click $IDC_DISCONNECT >/dev/null
# The first poll at 115200 gets no answer twice: the failed attempt switches the link off at
# 115200, and the next attempt 5 s later finds the reader at 9600.
echo "dropfast 2" >"$control"
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected" 20000
echo "ok: found again after a connect that failed past the speed switch"
drv click $IDC_DISCONNECT >/dev/null
close_program

echo "== A stored place off every screen and a size of nothing open on the screen"
python3 - "$settings" <<'PY'
import re, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
text = re.sub(r'"formPos": \[[^\]]*\]', '"formPos": [-30000, -30000, 0, 100000]', text)
open(path, "w", encoding="utf-8").write(text)
PY
grep -q -- '-30000' "$settings" || fail "could not plant the bad place: $(cat "$settings")"
start_program en_US.UTF-8
placement=$(drv placement)
set -- $placement
# On the 1280 x 1024 screen, at least 500 x 400 and no taller than the screen.
[ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ "$1" -lt 1200 ] && [ "$2" -lt 1000 ] ||
  fail "window placed off the screen: $placement"
[ "$3" -ge 500 ] && [ "$4" -ge 400 ] && [ "$4" -le 1024 ] || fail "window of an unusable size: $placement"
echo "ok: placed at $placement"
close_program

echo "== A partly typed key starts no test"
card "1k 04A1B2C3"
start_program en_US.UTF-8
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
drv set-text $IDC_KEY abcd >/dev/null
# Start shows its message box and waits for it: press Start from a driver of its own.
ui_driver_background click $IDC_START >/dev/null 2>&1
clicker=$!
box=$(drv answer-box 20000) || fail "Start with a partly typed key showed no message"
wait "$clicker" 2>/dev/null || true
case $box in *"Incorrect authentication key Mifare Classic."*) echo "ok: invalid key message" ;;
  *) fail "message box shows [$box]" ;; esac
expect "no test after the invalid key" "001101111" "$(enables)"
expect "nothing written" "0" "$(drv text $IDC_WRITTEN)"
drv click $IDC_DISCONNECT >/dev/null
close_program
grep -q '"authKey": "ffffffffffff"' "$settings" || fail "the partly typed key was stored: $(cat "$settings")"
echo "ok: the stored key is kept"

echo "== A stored block the box cannot show"
# 259 cut to a byte is block 3, a sector trailer: the test must run on the block shown.
sed -i 's/"block": [0-9]*/"block": 259/' "$settings"
start_program en_US.UTF-8
expect "block shown for 259" "1" "$(drv selected $IDC_BLOCK)"
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
wait_text $IDC_CARD "Mifare Classic 1K C3B2A104"
drv click $IDC_START >/dev/null
[ "$(written_above 0)" -gt 0 ] || fail "the test on the block shown wrote nothing"
expect "no trailer line" "0" "$(log_count "Writing to the block print is not allowed.")"
drv click $IDC_STOP >/dev/null
drv click $IDC_DISCONNECT >/dev/null
close_program

echo "== Settings held by another program at start are not overwritten"
settings_win="Z:$settings"
hold_file() {  # MS: another program holds the settings file without sharing; waits until it does
  ui_driver_background hold "$settings_win" "$1" >"$scratch/hold.out" 2>&1
  holder=$!
  for _ in $(seq 1 100); do
    grep -q held "$scratch/hold.out" && return 0
    sleep 0.1
  done
  fail "the file could not be held: $(cat "$scratch/hold.out")"
}
hold_file 8000
start_program en_US.UTF-8
wait_text $IDC_LOG "The settings could not be read at start."
case $(drv text $IDC_LOG) in *quillcheck.json*) echo "ok: the notice names the file" ;;
  *) fail "the notice names no file: [$(drv text $IDC_LOG)]" ;; esac
expect "port on the defaults" "" "$(drv text $IDC_PORT)"
wait "$holder" 2>/dev/null || true
drv select $IDC_BLOCK 2 >/dev/null
close_program
grep -q "\"port\": \"$port\"" "$settings" || fail "the defaults replaced the stored port: $(cat "$settings")"
grep -q '"block": 2,' "$settings" || fail "the block chosen was not saved: $(cat "$settings")"
echo "ok: the file keeps the port and takes the block chosen"

echo "== A failed save at close is reported"
start_program en_US.UTF-8
drv select $IDC_BLOCK 5 >/dev/null
hold_file 30000
drv syscommand $SC_CLOSE >/dev/null
box=$(drv answer-box 20000) || fail "the failed save showed no message"
case $box in *"The settings could not be saved."*quillcheck.json*) echo "ok: save failure message" ;;
  *) fail "message box shows [$box]" ;; esac
drv wait-gone 20000 >/dev/null || fail "the window did not close after the message"
wait "$program_pid" 2>/dev/null || true
program_pid=""
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
grep -q '"block": 2,' "$settings" || fail "the failed save changed the file: $(cat "$settings")"
echo "ok: the old file is intact"

echo "== A settings file of a later version: a line at start, a copy before the save"
printf '\357\273\277{"info": {"name": "Quillcheck", "version": "2.0"}, "main": {"port": "COM9"}, "later": 1}' >"$settings"
cp "$settings" "$scratch/later.json"
start_program en_US.UTF-8
wait_text $IDC_LOG "is not one of this version of the program and was not read."
case $(drv text $IDC_LOG) in *quillcheck.json*) echo "ok: the line names the file" ;;
  *) fail "the line names no file: [$(drv text $IDC_LOG)]" ;; esac
expect "port on the defaults" "" "$(drv text $IDC_PORT)"
drv set-text $IDC_PORT $port >/dev/null
close_program
cmp -s "$settings.bak" "$scratch/later.json" || fail "no copy of the later version's file: $(ls "$scratch/app")"
grep -q "\"port\": \"$port\"" "$settings" || fail "the settings were not saved: $(cat "$settings")"
echo "ok: the later version's file is kept as quillcheck.json.bak"

echo "== A folder that takes no new file: the settings are written in place"
# Immutable, the program's folder lets it change its settings file but create no file (this
# binds root too), as a folder whose rights allow only that.
if chattr +i "$scratch/app" 2>/dev/null; then
  start_program en_US.UTF-8
  drv select $IDC_BLOCK 7 >/dev/null
  close_program
  chattr -i "$scratch/app"
  grep -q '"block": 7,' "$settings" || fail "the settings were not written in place: $(cat "$settings")"
  echo "ok: written in place"

  echo "== The in-place write finds the disk full: the old settings stay"
  # The program's folder on a file system with no room beyond the settings file's last block.
  cp "$settings" "$scratch/settings.before"
  room=$(( ($(stat -c %s "$program") / 4096 + 2) * 4096 ))
  if mount -t tmpfs -o size=$room tmpfs "$scratch/app" 2>/dev/null; then
    cp "$program" "$scratch/app/quillcheck.exe"
    cp "$scratch/settings.before" "$settings"
    dd if=/dev/zero of="$scratch/app/filler" bs=1024 2>/dev/null || true
    chattr +i "$scratch/app"
    start_program en_US.UTF-8
    # A port name that makes the new text longer than the block the old one has.
    drv set-text $IDC_PORT "COM$(printf '%05000d' 7)" >/dev/null
    drv syscommand $SC_CLOSE >/dev/null
    box=$(drv answer-box 20000) || fail "the failed in-place save showed no message"
    case $box in *"The settings could not be saved."*) ;; *) fail "message box shows [$box]" ;; esac
    drv wait-gone 20000 >/dev/null || fail "the window did not close after the message"
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
    cmp -s "$settings" "$scratch/settings.before" || fail "the failed in-place write changed the file: $(head -c 300 "$settings")"
    chattr -i "$scratch/app"
    umount "$scratch/app"
    echo "ok: the old settings are intact"
  else
    echo "skip: no tmpfs could be mounted for the full disk"
  fi
else
  echo "skip: the program's folder cannot be made immutable here"
fi

echo "== A found reader of an unsupported model does not lock the page"
# A USB adapter device node whose port leads to an emulated reader of another model (0x302).
other_port=COM41
device='FTDIBUS\VID_0403+PID_1234+QCE2E14\0000'
. "$(dirname "$0")/../support/planted_devices.sh"
remove_device() { unplant_port "$device"; plant_apply; }
trap 'remove_device; cleanup' EXIT
start_reader $other_port --code 302
wait_for_readers $other_port
plant_port "$device" $other_port
plant_apply
start_program en_US.UTF-8
for _ in $(seq 1 120); do
  drv items $IDC_PORT | grep -q "^$other_port   Tern EH" && break
  sleep 0.25
done
drv items $IDC_PORT | grep -q "^$other_port   Tern EH" || fail "the planted reader was not listed: [$(drv items $IDC_PORT)]"
echo "ok: the reader of another model is listed"
drv select $IDC_PORT 0 >/dev/null
expect "enables with the other model chosen" "010001111" "$(enables)"
drv click $IDC_DISCONNECT >/dev/null
expect "enables after Disconnect with it chosen" "010001111" "$(enables)"
drv type $IDC_PORT $port >/dev/null
expect "enables with a port typed" "110001111" "$(enables)"
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
drv click $IDC_DISCONNECT >/dev/null
expect "enables after connecting the typed port" "110001111" "$(enables)"
drv select $IDC_PORT 0 >/dev/null
expect "enables with the other model chosen again" "010001111" "$(enables)"
drv type $IDC_PORT $port >/dev/null
close_program
remove_device

echo "== Two readers side by side: each counts its own cycles, a fault on one spares the other"
second=COM42
second_control=$scratch/control2
start_reader $second --card 1k --uid 04D1E2F3 --control "$second_control" --strict-baud
wait_for_readers $second
start_program en_US.UTF-8
drv set-text $IDC_PORT $port >/dev/null
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
drv syscommand $ID_ADD_READER >/dev/null
expect "tabs after Add reader (two readers and the overview)" "3 1" "$(drv tabs $IDC_READER_TABS)"
expect "the new page starts disconnected" "Disconnected" "$(drv text $IDC_STATE)"
expect "the first reader's tab: connected" "● $port" "$(drv tab-text $IDC_READER_TABS 0)"
expect "a new page's tab names it until it has a port" "○ Reader 2" "$(drv tab-text $IDC_READER_TABS 1)"
expect "the overview's tab comes last" "All readers" "$(drv tab-text $IDC_READER_TABS 2)"
drv set-text $IDC_PORT $port >/dev/null
drv command $IDC_CONNECT $IDC_CONNECT >/dev/null  # posted: the refusal is a message box
box=$(drv dialog-text)
case "$box" in *"$port is in use by another reader's page."*) ;; *) fail "the same port twice: [$box]" ;; esac
expect "the first page's port is not connected twice" "Disconnected" "$(drv text $IDC_STATE)"
drv set-text $IDC_PORT $second >/dev/null
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
wait_text $IDC_CARD "Mifare Classic 1K F3E2D104"
test_block_one() { drv select $IDC_BLOCK 1 >/dev/null; drv set-text $IDC_KEY ffffffffffff >/dev/null; }
test_block_one
drv click $IDC_START >/dev/null
drv tab $IDC_READER_TABS 0 >/dev/null
expect "the first page keeps its card" "Mifare Classic 1K C3B2A104" "$(drv text $IDC_CARD)"
test_block_one
writes_before=$(command_count 52)
drv click $IDC_START >/dev/null
[ "$(written_above 20)" -gt 20 ] || fail "the first reader's test wrote nothing: $(drv text $IDC_ERRORS) errors, log [$(drv text $IDC_LOG | tail -n 5)]"
echo unplug >"$second_control"
sleep 2
first_written=$(drv text $IDC_WRITTEN)
[ "$(written_above "$first_written")" -gt "$first_written" ] || fail "the first reader stopped when the second was unplugged"
case "$(drv tab-text $IDC_READER_TABS 1)" in *"$second !") ;; *) fail "no trouble mark on the unplugged reader's tab: [$(drv tab-text $IDC_READER_TABS 1)]" ;; esac
case "$(drv tab-text $IDC_READER_TABS 0)" in "► $port") ;; *) fail "the testing page's tab: [$(drv tab-text $IDC_READER_TABS 0)]" ;; esac
drv click $IDC_STOP >/dev/null
sleep 0.5
expect "no errors on the first reader" "0" "$(drv text $IDC_ERRORS)"
writes=$(( $(command_count 52) - writes_before ))
written=$(drv text $IDC_WRITTEN)
[ $(( writes - written )) -ge 0 ] && [ $(( writes - written )) -le 1 ] ||
  fail "the first page counts $written cycles, its reader took $writes writes"
echo "ok: the first page counts its own $written cycles ($writes writes)"
drv tab $IDC_READER_TABS 2 >/dev/null
drv click $IDC_STOP_ALL >/dev/null
drv command $IDC_OVERVIEW_LIST $ID_SAVE_STATION_REPORT >/dev/null
station=$scratch/reports/station.txt
drv save-as "$(winpath "$station")" >/dev/null || fail "no Save As for the station report"
wait_saved "$station"
report_has "$station" ".*Quill Check station report"  # after the UTF-8 mark
report_has "$station" "$port +.* $written +0 +.*"
report_has "$station" "$second .*"
[ "$(tr -d '\r' <"$station" | grep -c '^Quill Check test report$')" = 2 ] || fail "the station report lacks a reader's record: $(cat "$station")"
echo "ok: station report with both readers"
drv tab $IDC_READER_TABS 1 >/dev/null
[ "$(drv text $IDC_STATE)" != "Connected" ] || fail "the unplugged reader still shows Connected"
sleep 0.5
case "$(drv tab-text $IDC_READER_TABS 1)" in *"!") fail "the trouble mark stays on a page in view" ;; esac
close_program
grep -q "\"port\": \"$second\"" "$settings" || fail "the settings lack the second reader: $(cat "$settings")"
start_program en_US.UTF-8
expect "pages back after a restart" "3 0" "$(drv tabs $IDC_READER_TABS)"
drv tab $IDC_READER_TABS 1 >/dev/null
expect "the second page's port is back" "$second" "$(drv text $IDC_PORT)"
expect "not connected after a restart" "Disconnected" "$(drv text $IDC_STATE)"
drv command $IDC_READER_TABS $ID_CLOSE_READER >/dev/null
sleep 1
expect "the first page alone again" "$port" "$(drv text $IDC_PORT)"
close_program
grep -q "\"port\": \"$second\"" "$settings" && fail "the closed page's reader is still in the settings"
echo "ok: the pages come back after a restart and a closed one stays closed"

echo "== Russian"
start_program ru_RU.UTF-8
expect "Russian state at start" "Отключён" "$(drv text $IDC_STATE)"
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Подключён"
drv select $IDC_BLOCK 3 >/dev/null
test_until_line "Писать в блок-прицеп не разрешено."
expect "Russian figures label" "Скорость:" "$(drv text $IDC_RATE_LABEL)"
drv click $IDC_DISCONNECT >/dev/null
expect "Russian state after Disconnect" "Отключён" "$(drv text $IDC_STATE)"
close_program
echo "all passed"
