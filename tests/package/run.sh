#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch root and
# checks that the program, its capture library, the simulator, the menu entry with its launcher, the icon,
# the AppStream metadata and the manual pages are where a desktop looks for them, and
# that the validators and lintian accept them. Exits 77 (skipped) with a reason when
# a tool is missing.
set -u
build=$1 id=$2
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli identify lintian man; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Compressed as users get it: lintian refuses an uncompressed data tarball.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"; echo "FAIL: cpack"; exit 1
fi
deb=$(ls "$scratch"/out/*.deb)
root=$scratch/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }

# Debian's checks: any error or warning fails (info and pedantic tags do not). Not
# as root, which lintian advises against: as nobody, on a copy anybody can read.
lintian_deb=$deb lintian_as=()
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null; then
  lintian_deb=$(mktemp -d /tmp/scandeck-lintian.XXXXXX)/$(basename "$deb")
  cp "$deb" "$lintian_deb" && chmod -R a+rX "$(dirname "$lintian_deb")"
  lintian_as=(runuser -u nobody --)
fi
if ! "${lintian_as[@]}" env HOME=/tmp lintian --fail-on error,warning "$lintian_deb" >"$scratch/lintian.log" 2>&1; then
  cat "$scratch/lintian.log"; fail "lintian"
fi
[ "$lintian_deb" = "$deb" ] || rm -rf "$(dirname "$lintian_deb")"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6multimedia6 qt6-qpa-plugins libcups2 libmosquitto1; do
  [[ $depends == *"$package"* ]] || fail "Depends lacks $package: $depends"
done

for program in scandeck scandeck-sim scandeck-dir scandeck-launch; do
  [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program is missing or not executable"
done
# The capture library, opened from ../lib/scandeck beside /usr/bin: its Qt Multimedia
# comes into Depends through shlibdeps only if it is really in the package.
capture=$root/usr/lib/scandeck/libscandeck-capture.so
[ -f "$capture" ] || fail "/usr/lib/scandeck/libscandeck-capture.so is missing"
nm -D --defined-only "$capture" | grep -q ' scandeck_capture_make$' || fail "the capture library exports no scandeck_capture_make"
"$root/usr/bin/scandeck-sim" --help >/dev/null 2>&1 || fail "scandeck-sim --help does not run"
"$root/usr/bin/scandeck-dir" --help >/dev/null 2>&1 || fail "scandeck-dir --help does not run"

# Every program has a page that renders without a warning; the simulator's names
# every option its --help does.
for program in scandeck scandeck-sim scandeck-dir scandeck-launch; do
  page=$root/usr/share/man/man1/$program.1.gz
  warnings=$(man --warnings -E UTF-8 -l "$page" 2>&1 >"$scratch/$program.txt") || fail "man $page"
  [ -z "$warnings" ] || fail "man $program: $warnings"
done
for option in $("$root/usr/bin/scandeck-sim" --help | grep -oE -- '(^|\s)--?[a-z][a-z-]*'); do
  grep -qE -- "^ {7}(-[a-z], )?$option([ ,]|$)" "$scratch/scandeck-sim.txt" || fail "scandeck-sim.1 lacks $option"
done
for option in $("$root/usr/bin/scandeck-dir" --help | grep -oE -- '(^|\s)--?[a-z][a-z-]*'); do
  grep -qE -- "^ {7}(-[a-z], )?$option([ ,]|$)" "$scratch/scandeck-dir.txt" || fail "scandeck-dir.1 lacks $option"
done
# The directory tool says why it refuses a folder ScanDeck holds, with status 3.
held=$scratch/held; mkdir -p "$held"; printf 'Frequency,Name\n154.415,Fire\n' >"$held/list.csv"
flock "$held/scandeck.lock" "$root/usr/bin/scandeck-dir" --folder "$held" import "$held/list.csv" 2>"$scratch/dir.err"
[ $? -eq 3 ] && grep -q "ScanDeck is running" "$scratch/dir.err" || fail "scandeck-dir wrote under the lock: $(cat "$scratch/dir.err")"

# The README's try-out on a fresh account: the folder is made, private, and a command
# written just before the port is closed still reaches the scanner.
fresh="$scratch/fresh home/.local/share/scandeck"
"$root/usr/bin/scandeck-sim" -v --folder "$fresh" >"$scratch/sim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -L "$fresh/com1" ] && break; sleep 0.1; done
[ "$(stat -c %a "$fresh" 2>/dev/null)" = 700 ] || fail "scandeck-sim made no private $fresh"
printf 'KEY04H\r' >"$fresh/com1"
for _ in $(seq 50); do grep -q "left remote control" "$scratch/sim.log" && break; sleep 0.1; done
kill "$sim"; wait "$sim"
grep -q "left remote control" "$scratch/sim.log" || { cat "$scratch/sim.log"; fail "KEY04H before closing was lost"; }
touch "$scratch/a file"
"$root/usr/bin/scandeck-sim" --folder "$scratch/a file/scandeck" 2>"$scratch/sim.err"
[ $? -eq 2 ] && grep -q "cannot make folder" "$scratch/sim.err" || fail "a file in the way: $(cat "$scratch/sim.err")"

entry=$root/usr/share/applications/$id.desktop
if [ -f "$entry" ]; then
  desktop-file-validate "$entry" || fail "desktop-file-validate"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$root/usr/bin/$exec_program" ] || fail "Exec=$exec_program is not in /usr/bin"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  for size in 16 22 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
    [ "$(identify -format '%m %wx%h' "$png" 2>/dev/null)" = "PNG ${size}x$size" ] || fail "no ${size}x$size PNG icon $icon"
  done
else
  fail "no menu entry $entry"
fi

metainfo=$root/usr/share/metainfo/$id.metainfo.xml
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" >"$scratch/as.log" 2>&1 || { cat "$scratch/as.log"; fail "appstreamcli validate"; }
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo does not launch $id.desktop"
else
  fail "no metadata $metainfo"
fi

# The launcher, with a stand-in program beside it that says where it was started.
bin="$scratch/a bin"
mkdir -p "$bin"
cp "$root/usr/bin/scandeck-launch" "$bin/"
printf '#!/bin/sh\npwd\n' >"$bin/scandeck"
chmod +x "$bin/scandeck"
home="$scratch/a home"
while IFS='|' read -r xdg expected; do
  got=$(env -u XDG_DATA_HOME HOME="$home" ${xdg:+XDG_DATA_HOME="$xdg"} "$bin/scandeck-launch") \
    || fail "launcher failed for XDG_DATA_HOME='$xdg'"
  [ "$got" = "$expected" ] && [ -d "$expected" ] || fail "launcher with XDG_DATA_HOME='$xdg' started in '$got', not '$expected'"
done <<TABLE
|$home/.local/share/scandeck
$scratch/my data|$scratch/my data/scandeck
relative/data|$home/.local/share/scandeck
TABLE

[ $failed -eq 0 ] && echo "package checks passed: $(basename "$deb")"
exit $failed
