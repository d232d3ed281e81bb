#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time, each on a copy of its seed
# corpus (the repository is not modified), and prints the executions of each.
#   scripts/run-fuzzers.sh [FUZZ_BIN_DIR] [SECONDS_EACH]
# A finding (crash, sanitizer report, time-out, memory limit) stops with a non-zero exit; its
# input is kept under FUZZ_BIN_DIR/findings/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin_dir="${1:-$root/build-fuzz/tests/fuzz}"
seconds="${2:-60}"
targets=(fuzz_process_message fuzz_item_reader fuzz_replay)
declare -A max_len=([fuzz_process_message]=4096 [fuzz_item_reader]=4096 [fuzz_replay]=65536)

work="$(mktemp -d "${TMPDIR:-/tmp}/dcload-fuzz.XXXXXX")"
# The targets make a Results folder per input: on a memory file system when there is one.
scratch=""
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  scratch="$(mktemp -d /dev/shm/dcload-fuzz.XXXXXX)"
fi
trap 'rm -rf "$work" ${scratch:+"$scratch"}' EXIT
findings="$bin_dir/findings"
mkdir -p "$findings"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

passed=0
failed=0
total_execs=0
for t in "${targets[@]}"; do
  exe="$bin_dir/$t"
  if [ ! -x "$exe" ]; then
    echo "fuzz: $t: not built ($exe missing)" >&2
    failed=$((failed + 1))
    continue
  fi
  corpus="$work/$t"
  mkdir -p "$corpus"
  cp "$root/tests/fuzz/corpus/$t/." "$corpus/" -R
  log="$work/$t.log"
  echo "fuzz: $t: running for ${seconds}s on $(ls "$corpus" | wc -l) seed inputs"
  rc=0
  TMPDIR="${scratch:-${TMPDIR:-/tmp}}" "$exe" "$corpus" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
    -max_len="${max_len[$t]}" -print_final_stats=1 \
    -artifact_prefix="$findings/$t-" >"$log" 2>&1 </dev/null || rc=$?
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  execs="${execs:-0}"
  total_execs=$((total_execs + execs))
  if [ "$rc" -eq 0 ]; then
    cov="$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)"
    echo "fuzz: $t: $execs executions in ${seconds}s, ${cov:-cov: ?}, corpus $(ls "$corpus" | wc -l) inputs, no finding"
    passed=$((passed + 1))
  else
    echo "fuzz: $t: FINDING after $execs executions (exit $rc); log tail:" >&2
    grep -v '^#' "$log" | tail -n 60 >&2
    ls -1 "$findings"/"$t"-* 2>/dev/null | sed 's/^/fuzz: input kept: /' >&2 || true
    failed=$((failed + 1))
  fi
done

echo "fuzz: $total_execs executions in all"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
