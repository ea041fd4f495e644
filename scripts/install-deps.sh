#!/bin/sh
# Installs the Debian packages that building and testing Pelorix need.
# Packages are detected with dpkg, not by looking for commands: a wrapper of
# the same name (a `convert` that is not ImageMagick, a `python3` without
# Pillow) must not count as installed.
set -eu

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-qpa-plugins \
libgtest-dev libgmock-dev libbenchmark-dev imagemagick netpbm python3 python3-pil python3-numpy \
appstream desktop-file-utils xvfb x11vnc"

missing=""
for p in $PACKAGES; do
  if ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root="sudo"
else
  echo "Pelorix needs these packages:$missing" >&2
  echo "Install them as root with:" >&2
  echo "  apt-get update && apt-get install -y$missing" >&2
  exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -q
# shellcheck disable=SC2086
$as_root apt-get install -y -q $missing
