#!/bin/sh
# The release package packed from this build's program by scripts/pack-release, and checked the
# way scripts/package checks the real one (contents, size bound, imports, version, debug file).
# usage: release_package_test.sh SOURCE_DIR EXE VERSION SCRATCH
set -eu
rm -rf "$4"
"$1/scripts/pack-release" "$2" "$3" "$4"
"$1/scripts/check-package" "$4" "$3"
