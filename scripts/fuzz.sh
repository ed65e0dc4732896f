#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz and runs each for SECONDS (default 60), starting from its seed
# corpus in fuzz/corpus/<target>. Fails when any target finds something: a crash,
# a sanitizer report or a broken invariant. Findings are kept in fuzz-findings/.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(receive bank_file idbank_file config freq_read id_read rig settings import remote)
dir=${SCANDECK_FUZZ_BUILD:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSCANDECK_FUZZ=ON -DSCANDECK_GUI=OFF -DSCANDECK_BENCH=OFF >/dev/null
cmake --build "$dir" -j2 --target fuzz_targets

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
# Each target's longest input covers its whole input: the receive path past its
# 64 KiB bound, every record of bank.dat (300 x 68) and idbank.dat (1000 x 65).
max_len() {
  case $1 in
    receive) echo 72000 ;; bank_file) echo 20600 ;; idbank_file) echo 65200 ;; import) echo 32768 ;; *) echo 8192 ;;
  esac
}
for target in "${targets[@]}"; do
  mkdir -p "$work/$target/corpus" "$work/$target/artifacts"
  rc=0
  ASAN_OPTIONS=malloc_context_size=5:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$dir/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len="$(max_len "$target")" -print_final_stats=1 -timeout=10 \
    -artifact_prefix="$work/$target/artifacts/" "$work/$target/corpus" "fuzz/corpus/$target" \
    >"$work/$target/log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target/log")
  coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$work/$target/log" | tail -1)
  echo "fuzz: $target: ${runs:-?} runs, ${coverage:-no coverage figures}, exit $rc"
  if ((rc != 0)) || [ -n "$(ls -A "$work/$target/artifacts")" ]; then
    failed+=("$target")
    mkdir -p fuzz-findings/"$target"
    cp -r "$work/$target/artifacts/." fuzz-findings/"$target"/
    cp "$work/$target/log" fuzz-findings/"$target"/log
    grep -E 'invariant broken|ERROR|runtime error|SUMMARY' "$work/$target/log" | head -5 || true
  fi
done
if ((${#failed[@]})); then
  echo "fuzz: findings in ${failed[*]} (inputs and logs in fuzz-findings/)" >&2
  exit 1
fi
