# Sourced by the end-to-end tests and by the scripts that work the program: ui_driver run once per
# step, the controls' ids by name, and the program started from the test's scratch folder.
# The caller sets QC_ROOT (the source tree, whose ui/resource_ids.h names the ids); `wine_run`
# and `driver` default to the Windows build's Wine runner and ui_driver under QC_ROOT. To use
# start_program the caller sets `scratch` and copies the program to $scratch/app/quillcheck.exe;
# its clean-up calls stop_program.
wine_run=${wine_run:-${QC_ROOT:?}/build/windows/wine-run}
driver=${driver:-${QC_ROOT:?}/build/windows/tools/ui_driver.exe}
program_pid=""

# Every IDC_, IDD_, IDM_, ID_... name of the resource header as a shell variable ($IDC_PORT): the
# ids are written in that one place. The system's own commands are named here.
eval "$(sed -n 's|^#define[[:space:]]\{1,\}\(ID[A-Z0-9_]*\)[[:space:]]\{1,\}\([0-9]\{1,\}\)[[:space:]]*\(//.*\)\{0,1\}$|\1=\2|p' \
  "${QC_ROOT:?}/ui/resource_ids.h")"
SC_CLOSE=61536

fail() { echo "FAIL: $*" >&2; exit 1; }
# A step's check: what, expected, actual.
expect() {
  [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
  echo "ok: $1"
}
# One run of the driver, its output as it comes and its exit status (1 a condition not met in
# time, 2 no such window or control, 3 the window stopped answering). A driver stuck beyond two
# minutes counts as failed.
ui_driver() { timeout 120 "$wine_run" "$driver" "$@"; }
# The same as a background job whose $! is the driver's own (under timeout, which passes a kill on),
# not a subshell's that a kill would leave the driver running past.
ui_driver_background() { timeout 120 "$wine_run" "$driver" "$@" & }
# The driver's failure (a window that stopped answering) fails the step.
drv() { ui_driver "$@" || fail "ui_driver $* failed"; }
# The Windows name of a path under the prefix's Z: drive (the whole Linux file system).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
start_program() {  # [LC_ALL value]
  LC_ALL=${1:-${LC_ALL:-}} "$wine_run" "$scratch/app/quillcheck.exe" >/dev/null 2>&1 &
  program_pid=$!
  drv wait-window 30000 >/dev/null || fail "the main window did not appear"
}
close_program() {
  drv syscommand $SC_CLOSE >/dev/null
  drv wait-gone 20000 >/dev/null || fail "the window did not close"
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
}
stop_program() { [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true; }
# Waits (20 s unless told) until the control shows the text.
wait_text() { ui_driver wait-text "$1" "$2" "${3:-20000}" >/dev/null || fail "control $1 never showed [$2] (shows [$(drv text "$1")])"; }
# A saved report holds a line (without its CR) matching the pattern. The program may still be
# writing it when the Save As dialog has gone: it is waited for (5 s), whole once it is there.
report_has() {
  for _ in $(seq 1 50); do [ -e "$1" ] && break; sleep 0.1; done
  tr -d '\r' <"$1" | grep -q -x -E "$2" || fail "report $1 lacks [$2]: $(cat "$1")"
}
