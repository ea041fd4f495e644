#!/bin/sh
# windows-test.sh [build|test] [JOBS]: cross-builds the Qt-free libraries,
# their tests and pelorix-render.exe as 64-bit Windows programs (preset
# "windows"); "test" also runs them under Wine. Skipped with one line where
# the cross compiler or Wine is not installed (scripts/install-deps.sh
# installs both where it can).
set -eu
what=${1:-test}
jobs=${2:-$(nproc)}
cd "$(dirname "$0")/.."

missing=""
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || missing="$missing g++-mingw-w64-x86-64-posix"
if [ "$what" = test ] && ! command -v wine64 >/dev/null 2>&1 && [ ! -x /usr/lib/wine/wine64 ]; then
  missing="$missing wine64"
fi
if [ -n "$missing" ]; then
  echo "SKIPPED: the Windows build and test run (not installed:$missing)"
  exit 0
fi

${CMAKE:-cmake} --preset windows
${CMAKE:-cmake} --build --preset windows -j "$jobs"
[ "$what" = test ] || exit 0
${CTEST:-ctest} --preset windows -j "$jobs"
