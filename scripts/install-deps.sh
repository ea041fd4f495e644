#!/bin/sh
# install-deps.sh [test|run|check]: installs the Debian packages Pelorix needs.
#   test (the default)  the Linux build and its tests (make test, make package)
#   run                 and the virtual display of make run
#   check               and clang for the fuzzing build, the Windows cross
#                       compiler and Wine (make check)
# Packages are detected with dpkg, not by looking for commands: a wrapper of
# the same name (a `convert` that is not ImageMagick, a `python3` without
# Pillow) must not count as installed.
set -eu
what=${1:-test}

PACKAGES="cmake ninja-build g++ ccache qt6-base-dev qt6-qpa-plugins \
libgtest-dev libgmock-dev libbenchmark-dev libspng-dev pkgconf imagemagick netpbm python3 python3-pil \
python3-numpy appstream desktop-file-utils dpkg-dev man-db lintian"
# The Windows build and its test run under Wine (skipped where these cannot
# be installed; the wine package gives wine64 its wineserver).
WINDOWS_PACKAGES=""
case "$what" in
test) ;;
run) PACKAGES="$PACKAGES xvfb x11vnc" ;;
check)
  PACKAGES="$PACKAGES clang libclang-rt-14-dev"
  WINDOWS_PACKAGES="g++-mingw-w64-x86-64-posix wine64 wine"
  ;;
*)
  echo "usage: $0 [test|run|check]" >&2
  exit 2
  ;;
esac

installed() { dpkg -s "$1" 2>/dev/null | grep -q '^Status: install ok installed'; }

missing=""
for p in $PACKAGES; do
  installed "$p" || missing="$missing $p"
done
windows_missing=""
for p in $WINDOWS_PACKAGES; do
  installed "$p" || windows_missing="$windows_missing $p"
done
[ -z "$missing$windows_missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root="sudo"
else
  [ -z "$missing" ] && exit 0 # the Windows run is skipped without its packages
  echo "Pelorix needs these packages:$missing" >&2
  echo "Install them as root with:" >&2
  echo "  apt-get update && apt-get install -y$missing$windows_missing" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -q
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  # shellcheck disable=SC2086
  $as_root apt-get install -y -q $missing
fi
if [ -n "$windows_missing" ]; then
  echo "Installing:$windows_missing"
  # shellcheck disable=SC2086
  $as_root apt-get install -y -q --no-install-recommends $windows_missing ||
    echo "Could not install$windows_missing: the Windows build and test run will be skipped." >&2
fi
