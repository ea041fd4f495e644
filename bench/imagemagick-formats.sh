#!/bin/sh
# The conversions of the formats benchmark timed with ImageMagick, for
# comparison: each format written from and read into a 1024x1024 Mandel
# picture, and a 65536-colour picture reduced to 256 colours; then the whole
# conversion of a 1024x1024 plasma picture (some 800000 colours) to 256
# colours, pelorix-render's to M8 beside ImageMagick's.
#   bench/imagemagick-formats.sh [BUILD_DIR]   (default build/default)
# Prints the median of 7 runs per conversion, in milliseconds. ImageMagick
# starts a process per run; its start-up ("null" row) is shown so it can be
# taken off.
set -eu
build=${1:-build/default}
render="$build/tools/pelorix-render"
if ! dpkg -s imagemagick 2>/dev/null | grep -q '^Status: install ok installed'; then
  echo "ImageMagick is not installed (make deps)" >&2
  exit 1
fi
convert=/usr/bin/convert-im6.q16
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$render" Mandel --size 1024x1024 -o "$work/mandel.ppm"
/usr/bin/python3 - "$work/many.ppm" <<'PY'
import sys
w = h = 1024
data = bytearray()
for y in range(h):
    for x in range(w):
        data += bytes((x // 4, y // 4, ((x + y) // 8) & 255))
open(sys.argv[1], "wb").write(b"P6\n1024 1024\n255\n" + bytes(data))
PY
# The input read once into ImageMagick's own fast format, so that "write"
# times the encoder and not the PPM decoder.
"$convert" "$work/mandel.ppm" "$work/mandel.mpc"
"$convert" "$work/many.ppm" "$work/many.mpc"

median() { # command...: median wall time of 7 runs in ms
  for i in 1 2 3 4 5 6 7; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(( (end - start) / 1000000 ))
  done | sort -n | sed -n 4p
}

printf '%-34s %8s\n' "ImageMagick 6 (convert-im6.q16)" "ms"
printf '%-34s %8s\n' "start-up (null: to null:)" "$(median "$convert" xc:black null:)"
for f in bmp ppm tga; do
  extra=""
  [ "$f" = tga ] && extra="-type TrueColor -compress None"
  # shellcheck disable=SC2086
  printf '%-34s %8s\n' "write $f 1024x1024" "$(median "$convert" "$work/mandel.mpc" $extra "$work/out.$f")"
  printf '%-34s %8s\n' "read $f 1024x1024" "$(median "$convert" "$work/out.$f" null:)"
done
printf '%-34s %8s\n' "reduce 65536 colours to 256" "$(median "$convert" "$work/many.mpc" -colors 256 null:)"
printf '%-34s %8s\n' "reduce, no dither (-dither None)" "$(median "$convert" "$work/many.mpc" -dither None -colors 256 null:)"

"$convert" -size 1024x1024 -seed 1 plasma:fractal -depth 8 "$work/plasma.ppm"
printf '\n%-34s %8s\n' "plasma.ppm 1024x1024 to 256 colours" "ms"
printf '%-34s %8s\n' "pelorix-render --convert to .m8" "$(median "$render" --convert "$work/plasma.ppm" "$work/plasma.m8")"
printf '%-34s %8s\n' "convert -colors 256 to .bmp" "$(median "$convert" "$work/plasma.ppm" -colors 256 "$work/plasma.bmp")"
printf '%-34s %8s\n' "convert -dither None -colors 256" "$(median "$convert" "$work/plasma.ppm" -dither None -colors 256 "$work/plasma.bmp")"
