#!/usr/bin/env bash
# Fails on any #include against the order of the folders under src/, lowest
# first: common, link, directory, status, app and stream, then log, print, heard, integrations,
# announce, import, audio, mqtt and remote, then ui, then main.cpp.
# The simulator stands beside the program and uses what lies below status.
# Core code includes no qt/ folder and no Qt header.
set -u
src=${1:-$(dirname "$0")/../../src}
cd "$src" || exit 2

level() {
  case $1 in
    common) echo 0 ;; link) echo 1 ;; directory) echo 2 ;; status) echo 3 ;;
    sim) echo 3 ;; app | stream) echo 4 ;; log | print | heard | integrations | announce | import | audio | mqtt | remote) echo 5 ;; ui) echo 6 ;; main.cpp) echo 7 ;;
    *) echo -1 ;;
  esac
}

bad=0
while IFS= read -r file; do
  from=${file%%/*}
  mine=$(level "$from")
  if [ "$mine" -lt 0 ]; then
    echo "$file: folder '$from' has no place in the order; add it to $0"
    bad=1
    continue
  fi
  while IFS=: read -r line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$text")
    to=${target%%/*}
    [ "$to" = "$target" ] && continue  # a file beside it, or a test helper
    theirs=$(level "$to")
    if [ "$theirs" -lt 0 ]; then
      echo "$file:$line: includes \"$target\", which is in no folder of the order"
      bad=1
    elif [ "$to" != "$from" ] && [ "$theirs" -ge "$mine" ]; then
      echo "$file:$line: includes \"$target\": '$to' is not below '$from'"
      bad=1
    fi
    case $file in */core/*)
      case $target in */qt/*) echo "$file:$line: core code includes \"$target\" from a qt/ folder"; bad=1 ;; esac ;;
    esac
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  case $file in */core/*)
    grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file" | sed "s|^|$file:|; s|\$|: core code includes Qt|"
    grep -q -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file" && bad=1 ;;
  esac
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort)

if [ "$bad" -ne 0 ]; then
  echo "include order: FAILED"
  exit 1
fi
echo "include order: every file includes only its own folder and those below it"
