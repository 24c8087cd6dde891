#!/bin/sh
# End-to-end test of unattended runs in a real window under Wine against the pty emulator: test
# plans that end the test by themselves, the automatic report and its summary in the reports
# folder, a journal that becomes a report after the program was killed, and a reports folder
# that refuses writing.
# usage: test_plan_e2e.sh EMULATOR SCRATCH WINE_RUN PROGRAM DRIVER
set -eu
emulator=$1 scratch=$2 wine_run=$3 program=$4 driver=$5
QC_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/../support/emulated_readers.sh"
port=COM42
control=$scratch/control
. "$(dirname "$0")/../support/driven_program.sh"
cleanup() {
  stop_program
  stop_emulators
  wait 2>/dev/null || true
}
trap cleanup EXIT

wait_log() {  # the log shows a line matching the pattern (grep -E), within 30 s
  for _ in $(seq 1 120); do
    drv text $IDC_LOG | tr -d '\r' | grep -q -E "$1" && return 0
    sleep 0.25
  done
  fail "the log never showed [$1] (shows [$(drv text $IDC_LOG)])"
}
# Enabled flags of Connect, port box, Disconnect, Start, Stop.
enables() { for id in $IDC_CONNECT $IDC_PORT $IDC_DISCONNECT $IDC_START $IDC_STOP; do printf %s "$(drv enabled $id)"; done; }
# The only report of the folder whose name matches; fails unless there is exactly one.
newest_report() {
  found=$(ls -t "$reports"/quillcheck-$port-*.txt 2>/dev/null | head -n 1)
  [ -n "$found" ] || fail "no report in $reports: $(ls "$reports" 2>&1)"
  echo "$found"
}
set_plan() {  # kind index, value
  drv select $IDC_PLAN_KIND "$1" >/dev/null
  [ -z "$2" ] || drv set-text $IDC_PLAN_VALUE "$2" >/dev/null
}

start_reader $port --card 1k --uid 04A1B2C3 --control "$control"
wait_for_readers $port
mkdir -p "$scratch/app"
cp "$program" "$scratch/app/quillcheck.exe"
reports=$scratch/reports
# The reports folder is kept in the settings; a new one is made when a test needs it.
printf '{"info": {"name": "Quillcheck", "version": "1"}, "main": {"port": "%s"}, "reports": {"folder": "%s"}}' \
  "$port" "$(winpath "$reports" | sed 's/\\/\\\\/g')" >"$scratch/app/quillcheck.json"

echo "== A plan of 40 verified cycles"
start_program en_US.UTF-8
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
wait_text $IDC_CARD "Mifare Classic 1K C3B2A104"
set_plan 1 40
drv click $IDC_START >/dev/null
wait_log '^The test plan is complete: 40 verified cycles\. The test stopped\.$'
expect "enables after the plan ended the test" "00110" "$(enables)"
report=$(newest_report)
wait_text $IDC_VERDICT "Passed. Report: $(basename "$report")"
wait_log "^The test report was saved: .*$(basename "$report")\$"
report_has "$report" "Verified cycles: 40"
report_has "$report" "Plan: stop after 40 verified cycles"
report_has "$report" "Result: passed"
summary=${report%.txt}.json
grep -q '"result": "passed"' "$summary" || fail "summary: $(cat "$summary")"
grep -q '"verifiedCycles": 40,' "$summary" || fail "summary: $(cat "$summary")"
expect "no journal left" "" "$(ls "$reports"/*.qcjournal 2>/dev/null || true)"
echo "ok: passed after 40 cycles, report and summary in the reports folder"

echo "== A plan that stops at the first error"
rm -f "$reports"/*
set_plan 3 ""
expect "no value for the first error" "0" "$(drv enabled $IDC_PLAN_VALUE)"
drv click $IDC_START >/dev/null
sleep 1
echo "status 52 09" >"$control"
wait_log '^The test plan stopped the test at its first error\.$'
echo "status off" >"$control"
report=$(newest_report)
verdict=$(drv text $IDC_VERDICT)
echo "$verdict" | grep -q -E "^Failed: Write error 0x09: The card refused the command at [0-9-]{10} [0-9:.]{12}\. Report: $(basename "$report")\$" ||
  fail "verdict [$verdict]"
expect "errors when the plan ended the test" "1" "$(drv text $IDC_ERRORS)"
report_has "$report" "Result: failed"
report_has "$report" "Card errors: 1"
grep -q '"result": "failed"' "${report%.txt}.json" || fail "summary: $(cat "${report%.txt}.json")"
echo "ok: failed at the first error, with its time"

echo "== Values a plan cannot take are refused with a message"
for row in "1|0|The number of verified cycles must be a whole number from 1 to 1000000000." \
           "1|1000000000000|The number of verified cycles must be a whole number from 1 to 1000000000." \
           "2|10000:00|The duration must be hours:minutes from 0:01 to 999:59." \
           "4|-3|The number of errors must be a whole number from 1 to 1000000."; do
  kind=${row%%|*} rest=${row#*|}
  set_plan "$kind" "${rest%%|*}"
  ui_driver_background click $IDC_START >/dev/null 2>&1
  clicker=$!
  box=$(drv answer-box 20000) || fail "Start with plan value [${rest%%|*}] showed no message"
  wait "$clicker" 2>/dev/null || true
  case $box in *"${rest#*|}"*) ;; *) fail "message box shows [$box]" ;; esac
  expect "no test after plan value [${rest%%|*}]" "00110" "$(enables)"
done

echo "== Killed in the middle of a test: the journal becomes a report at the next start"
rm -f "$reports"/*
set_plan 0 ""
drv click $IDC_START >/dev/null
sleep 12  # past the first figures on the disk
journal=$(ls "$reports"/*.qcjournal 2>/dev/null | head -n 1)
[ -n "$journal" ] || fail "no journal while the test runs: $(ls "$reports")"
kill -KILL "$program_pid"
wait "$program_pid" 2>/dev/null || true
program_pid=""
# Beside it a journal of 500 MB (its middle a hole), while another program holds the killed
# test's journal as a running copy would: the start reads the large one by its ends, at once,
# and leaves the held one alone.
big=$reports/quillcheck-$port-big.qcjournal
cp "$journal" "$big"
truncate -s 500M "$big"
ui_driver_background hold "$(winpath "$journal")" 10000 >"$scratch/hold.out" 2>&1
holder=$!
for _ in $(seq 1 100); do grep -q held "$scratch/hold.out" && break; sleep 0.1; done
started_at=$(date +%s)
start_program en_US.UTF-8
wait_log "became the report .*quillcheck-$port-big.txt\$"
[ $(( $(date +%s) - started_at )) -le 15 ] || fail "the 500 MB journal held the start up"
report_has "$reports/quillcheck-$port-big.txt" "Log: .*\([0-9]+ bytes in the middle of the journal were not read\)"
expect "recovered while held" "1" "$(drv text $IDC_LOG | grep -c "became the report" || true)"
[ -e "$journal" ] || fail "the held journal was taken"
close_program
wait "$holder" 2>/dev/null || true
echo "ok: a 500 MB journal read by its ends, a held one left alone"
start_program en_US.UTF-8
wait_log "^A test the program did not see end \(interrupted at [0-9-]{10} [0-9:]{8}\) became the report .*$(basename "${journal%.qcjournal}").txt\$"
report=${journal%.qcjournal}.txt
report_has "$report" "Result: interrupted at .*: the program ended without stopping the test"
report_has "$report" "Verified cycles: [1-9][0-9]*"
grep -q '"result": "interrupted"' "${report%.txt}.json" || fail "summary: $(cat "${report%.txt}.json")"
[ ! -e "$journal" ] || fail "the journal stayed after its report was made"
echo "ok: the killed test's journal became its report"

echo "== The reports folder deleted while a test runs, then a folder that refuses writing"
drv click $IDC_CONNECT >/dev/null
wait_text $IDC_STATE "Connected"
drv click $IDC_START >/dev/null
sleep 2
rm -rf "$reports"
sleep 11
drv click $IDC_STOP >/dev/null
wait_log "^The test report was saved: "
[ -n "$(ls "$reports"/*.txt 2>/dev/null)" ] || fail "no report after the folder was deleted"
echo "ok: a report after the folder was deleted"
rm -rf "$reports"
echo "not a folder" >"$reports"
drv click $IDC_START >/dev/null
wait_log "^The test journal could not be written; the test goes on without it\. "
sleep 2
written=$(drv text $IDC_WRITTEN)
[ "$written" -gt 0 ] || fail "the test did not go on without its journal"
drv click $IDC_STOP >/dev/null
wait_log "^The test report could not be saved in the reports folder\. "
expect "journal line once" "1" "$(drv text $IDC_LOG | grep -c "^The test journal could not be written" || true)"
echo "ok: the test went on, the log said so once"
rm -f "$reports"

echo "== Closed while a test runs: the test ends as by Stop"
drv click $IDC_START >/dev/null
sleep 2
close_program
report=$(newest_report)
report_has "$report" "Elapsed: 0:00:0[0-9] \(stopped\)"
expect "no journal after the close" "" "$(ls "$reports"/*.qcjournal 2>/dev/null || true)"
echo "all passed"
