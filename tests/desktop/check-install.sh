#!/bin/sh
# Installs the build into a scratch DESTDIR and checks that exactly the
# expected files arrive: the programs, the menu entry, the AppStream file,
# the icon at each usual size (each PNG as large as its folder says), the
# manual pages and the documents; AppStream then checks the installed tree
# as a whole (the entry its launchable names).
#   check-install.sh <cmake> <appstreamcli> <build folder> <application id> <with window: 0|1> [<tree>]
# Given a tree (an unpacked package), it checks that tree instead.
set -eu
cmake=$1 appstreamcli=$2 build=$3 id=$4 window=$5

lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT
if [ $# -ge 6 ]; then
  dest=$6
else
  dest=$lists/tree
  DESTDIR=$dest "$cmake" --install "$build" --prefix /usr >/dev/null
fi

sizes="16 22 24 32 48 64 128 256"
{
  [ "$window" = 1 ] && echo usr/bin/pelorix
  echo usr/bin/pelorix-render
  echo "usr/share/applications/$id.desktop"
  echo "usr/share/metainfo/$id.metainfo.xml"
  for s in $sizes; do echo "usr/share/icons/hicolor/${s}x$s/apps/$id.png"; done
  for f in pelorix.1.gz pelorix-render.1.gz; do echo "usr/share/man/man1/$f"; done
  for f in copyright changelog.gz README.md.gz; do echo "usr/share/doc/pelorix/$f"; done
} | sort >"$lists/expected"
(cd "$dest" && find . ! -type d | sed 's|^\./||' | sort) >"$lists/installed"
if ! diff -u "$lists/expected" "$lists/installed"; then
  echo "installed files differ from the expected ones (- missing, + unexpected)" >&2
  exit 1
fi

status=0
for p in usr/bin/pelorix usr/bin/pelorix-render; do
  if [ -e "$dest/$p" ] && [ ! -x "$dest/$p" ]; then
    echo "$p is not executable" >&2
    status=1
  fi
done
for s in $sizes; do
  f=$dest/usr/share/icons/hicolor/${s}x$s/apps/$id.png
  got=$(identify -format '%m %wx%h' "$f")
  if [ "$got" != "PNG ${s}x$s" ]; then
    echo "${s}x$s icon is $got" >&2
    status=1
  fi
done
"$appstreamcli" validate-tree --no-net "$dest" || status=1
exit $status
