#!/usr/bin/env bash
# Runs every benchmark program found in a build's bench folder, one after the other.
#   scripts/run-benchmarks.sh [BENCH_BIN_DIR]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="${1:-$root/build/bench}"

mapfile -t benches < <(find "$dir" -maxdepth 1 -type f -perm -u+x 2>/dev/null | sort)
if [ ${#benches[@]} -eq 0 ]; then
  echo "bench: no benchmark programs in $dir"
  exit 0
fi
for b in "${benches[@]}"; do
  echo "bench: $(basename "$b")"
  "$b" </dev/null
done
