#!/bin/sh
# compare-windows-render.sh LINUX_RENDER WINE_RUN WINEPREFIX WINDOWS_RENDER WORKDIR
# Renders every generator with the Linux build and with the Windows build
# (under Wine) at two sizes with a fixed seed; the files must be identical
# byte for byte (both use the same 80-bit long double).
set -eu
linux=$1 wine_run=$2 prefix=$3 windows=$4 work=$5

if [ ! -x "$linux" ]; then
  echo "The Linux build's pelorix-render is missing ($linux): build the default preset first." >&2
  exit 1
fi
rm -rf "$work"
status=0
for size in 1024x1024 321x203; do
  mkdir -p "$work/linux-$size" "$work/windows-$size"
  "$linux" --all "$work/linux-$size" --size "$size" --seed 20261208 >/dev/null
  # Z: is Wine's drive for the Unix root.
  sh "$wine_run" "$prefix" "$windows" --all "Z:$work/windows-$size" --size "$size" --seed 20261208 >/dev/null
  count=0
  for file in "$work/linux-$size"/*; do
    name=$(basename "$file")
    count=$((count + 1))
    if ! cmp -s "$file" "$work/windows-$size/$name"; then
      echo "differs at $size: $name" >&2
      status=1
    fi
  done
  if [ "$(ls "$work/windows-$size" | wc -l)" -ne "$count" ] || [ "$count" -lt 27 ]; then
    echo "at $size: $count pictures from Linux, $(ls "$work/windows-$size" | wc -l) from Windows" >&2
    status=1
  fi
  echo "$size: $count pictures compared"
done
[ "$status" -eq 0 ] && rm -rf "$work"
exit "$status"
