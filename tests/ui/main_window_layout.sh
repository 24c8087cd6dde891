#!/bin/sh
# The main window's layout at 100%, 125%, 150% and 200% screen scale, in English and Russian:
# the MainWindowLayout tests in a small Wine prefix of this test's own, whose LogPixels is set
# for each scale in turn (a change takes a restart of the prefix's server). The scales run from
# the largest down, so that the run at 96 DPI finds the layout a start at 144 DPI left for it.
# usage: main_window_layout.sh EMULATOR SCRATCH WINE_RUN TESTS
set -eu
scratch=$2 wine_run=$3 tests=$4
wineserver=/usr/lib/wine/wineserver
rm -rf "$scratch"
mkdir -p "$scratch"
WINEPREFIX=$scratch/prefix
WINEDEBUG=-all
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
# The server and Wine's own processes start with their output on /dev/null: started by a test
# instead, they would hold the test's output open and ctest would wait for them.
start_wine() {
  "$wineserver" -p
  "$wine_run" wineboot >/dev/null 2>&1 </dev/null || true
}
"$wine_run" wineboot -i >/dev/null 2>&1 </dev/null || true
"$wineserver" -w

failed=0
for dpi in 192 144 120 96; do
  "$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w
  start_wine
  for language in en_US ru_RU; do
    folder=$scratch/$language
    mkdir -p "$folder"
    echo "== $dpi DPI, $language"
    LC_ALL=$language.UTF-8 QC_LAYOUT_DIR="Z:$(echo "$folder" | tr / '\\')" \
      "$wine_run" "$tests" --gtest_filter='MainWindowLayout.*' || failed=1
  done
done
exit $failed
