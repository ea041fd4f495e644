#!/bin/sh
# Builds the Debian package from the build tree into a scratch folder and
# checks it without installing it: its control fields and its dependencies
# as dpkg-shlibdeps found them; unpacked, it must hold exactly the files an
# install does (tests/desktop/check-install.sh) and its stripped batch
# renderer must still run. lintian must find neither an error nor a warning
# in it (owners, modes, stripping, manual pages, copyright file, changelog).
#   check-package.sh <cpack> <build folder> <version> <home page> <with window: 0|1> <check-install.sh and its arguments>
set -eu
cpack=$1 build=$2 version=$3 homepage=$4 window=$5
shift 5

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# cpack first brings the build up to date (its preinstall target): after
# the build that precedes ctest, a check that changes nothing.
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
deb=$scratch/out/pelorix_${version}_$arch.deb
if [ ! -f "$deb" ]; then
  echo "cpack made no pelorix_${version}_$arch.deb but:" >&2
  ls "$scratch/out" >&2
  exit 1
fi

status=0
fail() { echo "$*" >&2; status=1; }

expect() { # <field> <value>
  got=$(dpkg-deb -f "$deb" "$1")
  [ "$got" = "$2" ] || fail "$1 is \"$got\", not \"$2\""
}
expect Package pelorix
expect Version "$version"
expect Architecture "$arch"
expect Section graphics
expect Priority optional
expect Homepage "$homepage"
dpkg-deb -f "$deb" Maintainer | grep -Eqx '[^<]+ <[^@>]+@[^>]+>' ||
  fail "Maintainer is \"$(dpkg-deb -f "$deb" Maintainer)\", not a name and a mail address"
# A short description and a long one below it.
dpkg-deb -f "$deb" Description | awk 'NR == 1 && length($0) > 0 && length($0) < 80 { short = 1 }
  NR > 1 && /^ [^ ]/ { long++ } END { exit !(short && long >= 2) }' ||
  fail "Description is not a short line and a long description:
$(dpkg-deb -f "$deb" Description)"
libraries="libc6 libstdc++6 libspng0"
[ "$window" = 1 ] && libraries="$libraries libqt6core6 libqt6gui6 libqt6widgets6"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in $libraries; do
  case ", $depends," in
    *", $lib (>= "*) ;;
    *) fail "Depends names no version of $lib: $depends" ;;
  esac
done

dpkg-deb -x "$deb" "$scratch/unpacked"
sh "$@" "$scratch/unpacked" || fail "the package's files are not the installed ones"
"$scratch/unpacked/usr/bin/pelorix-render" --list >/dev/null ||
  fail "the packed pelorix-render does not run"
if ! lintian --fail-on error,warning "$deb" >"$scratch/lintian" 2>&1; then
  grep -v '^running with root privileges' "$scratch/lintian" >&2
  fail "lintian finds fault with the package"
fi
exit $status
