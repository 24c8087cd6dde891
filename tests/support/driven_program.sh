# Sourced by the end-to-end scripts: the program started from the test's scratch folder and
# worked by ui_driver. The caller sets `scratch`, `wine_run` and `driver` and copies the program
# to $scratch/app/quillcheck.exe; its clean-up calls stop_program.
program_pid=""

fail() { echo "FAIL: $*" >&2; exit 1; }
# The driver's failure (a window that stopped answering) fails the step.
drv() {
  out=$("$wine_run" "$driver" "$@") || fail "ui_driver $* failed"
  printf '%s\n' "$out" | tr -d '\r'
}
start_program() {  # [LC_ALL value]
  LC_ALL=${1:-${LC_ALL:-}} "$wine_run" "$scratch/app/quillcheck.exe" >/dev/null 2>&1 &
  program_pid=$!
  drv wait-window 30000 >/dev/null || fail "the main window did not appear"
}
close_program() {
  drv syscommand 61536 >/dev/null
  drv wait-gone 20000 >/dev/null || fail "the window did not close"
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
}
stop_program() { [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true; }
