#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan and UBSan, the libraries instrumented
# for coverage) and runs each in turn, one process at a time (no parallel jobs), for SECONDS each (default 60).
# FUZZ_RUNS=N runs each target for N executions instead. The committed seeds in fuzz/corpus/
# stay as they are; what the fuzzer finds on top goes to build/fuzz/corpus/.
# Usage: fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(account_file store_round_trip body_reader service_requests)

# clang and its sanitizer runtimes are needed here only, not by ./test.sh.
missing=()
for p in clang libclang-rt-14-dev; do
  [[ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)" == "install ok installed" ]] ||
    missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]/#/fuzz_}"

# The round trip writes and syncs a file each run: a memory file system keeps that cheap.
[[ -d /dev/shm && -w /dev/shm ]] && export TMPDIR=/dev/shm
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

status=0
for target in "${targets[@]}"; do
  work=build/fuzz/corpus/$target
  mkdir -p "$work"
  limits=(-max_total_time="$seconds")
  [[ -n "${FUZZ_RUNS:-}" ]] && limits=(-runs="$FUZZ_RUNS")
  max_len=4096  # room for a full table of short lines, and for bodies of several pieces
  echo "== $target"
  start=$(date +%s)
  set +e
  build/fuzz/fuzz/fuzz_"$target" "${limits[@]}" -max_len=$max_len -print_final_stats=1 \
    -artifact_prefix="build/fuzz/$target-" "$work" "fuzz/corpus/$target" >"build/fuzz/$target.log" 2>&1
  result=$?
  set -e
  grep -E '^(Done|stat::number_of_executed_units|SUMMARY|finding)|ERROR' "build/fuzz/$target.log" || true
  if [[ $result -ne 0 ]]; then
    echo "$target: FINDING (log build/fuzz/$target.log, input build/fuzz/$target-*)"
    status=1
  fi
  echo "$target: $(( $(date +%s) - start )) s"
done
exit $status
