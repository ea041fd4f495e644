#!/bin/sh
# Runs one picture reader's libFuzzer target (built by the fuzz preset).
#   run-fuzz.sh check FORMAT FUZZ_BUILD_DIR   replay the seed corpus and the
#       regression files, then a fixed number of runs with a fixed seed
#   run-fuzz.sh fuzz FORMAT FUZZ_BUILD_DIR SECONDS   fuzz for that long; the
#       corpus grows in FUZZ_BUILD_DIR/corpus-FORMAT, crashes land in
#       FUZZ_BUILD_DIR/crashes-FORMAT/
# FORMAT is bmp, ppm, tga, m8 or png. Exit status 77: the target is not built.
set -eu
mode=$1 format=$2 build=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin="$build/formats/fuzz/pelorix-fuzz-$format"
if [ ! -x "$bin" ]; then
  echo "$bin is not built (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
  exit 77
fi
seeds="$here/corpus/$format"
regressions="$root/tests/formats/fuzz-regressions/$format"
[ -d "$regressions" ] || regressions=""
# Fixed length and limits, so that a run is repeatable.
options="-max_len=4096 -timeout=20 -rss_limit_mb=4096 -dict=$here/$format.dict -print_final_stats=1"

case "$mode" in
check)
  # Every seed and regression file once, then the fixed-seed runs.
  # shellcheck disable=SC2046
  "$bin" $(find "$seeds" $regressions -type f | sort)
  work="$build/check-$format"
  rm -rf "$work" && mkdir -p "$work"
  # About fifteen seconds each on one core (the slower targets make bigger pictures).
  case "$format" in bmp|ppm) runs=30000 ;; tga) runs=20000 ;; png) runs=150000 ;; *) runs=10000 ;; esac
  # shellcheck disable=SC2086
  "$bin" -seed=1 -runs="${FUZZ_RUNS:-$runs}" $options -artifact_prefix="$work/" "$work" "$seeds" $regressions
  ;;
fuzz)
  work="$build/corpus-$format" crashes="$build/crashes-$format"
  mkdir -p "$work" "$crashes"
  # shellcheck disable=SC2086
  "$bin" -max_total_time="${4:-600}" $options -artifact_prefix="$crashes/" "$work" "$seeds" $regressions
  ;;
*)
  echo "usage: $0 check|fuzz FORMAT FUZZ_BUILD_DIR [SECONDS]" >&2
  exit 2
  ;;
esac
