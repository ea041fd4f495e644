#!/bin/sh
# Until the main window exists, `make run` renders the Mandel picture with the
# batch renderer and says where it went.
set -eu
build=${1:-build/default}
out=${TMPDIR:-/tmp}/pelorix-demo
mkdir -p "$out"
"$build/tools/pelorix-render" Mandel --size 1024x768 -o "$out/mandel.ppm"
echo "Rendered Mandel into $out/mandel.ppm"
