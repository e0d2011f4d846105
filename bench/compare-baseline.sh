#!/usr/bin/env bash
# Side-by-side comparison with the speed baseline: builds the baseline commit
# in a temporary worktree outside the repository and this tree in
# build-compare/, both with the project's Release flags and the benchmarks,
# then measures both in the same run (bench/compare_baseline.py) and writes
# bench/RESULTS.md: single runs, the corrector pass against its floor, maps
# cold (checked point by point against the baseline) and this tree's maps
# with --warm-start (wall time against the baseline's cold map, cycles per
# point cold against warm).
#
#   bench/compare-baseline.sh [--quick] [--baseline COMMIT]
#
# --quick takes fewer repetitions (a first look; the numbers in RESULTS.md
# should come from a full run on a quiet machine). Needs cmake, a C++20
# compiler, Google Benchmark and Debian's python3; valgrind, when present,
# adds instruction counts.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

baseline=63cacbc
quick=
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=--quick ;;
    --baseline) baseline=$2; shift ;;
    *) echo "usage: $0 [--quick] [--baseline COMMIT]" >&2; exit 2 ;;
  esac
  shift
done

jobs=$(nproc 2>/dev/null || echo 2)
base_tree=$(mktemp -d /tmp/diesel-baseline.XXXXXX)
scratch=$(mktemp -d /tmp/diesel-compare.XXXXXX)
cleanup() {
  git -C "$root" worktree remove --force "$base_tree" >/dev/null 2>&1 || rm -rf "$base_tree"
  rm -rf "$scratch"
}
trap cleanup EXIT

configure_and_build() {  # source dir, build dir
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DDIESEL_BENCH=ON -DDIESEL_TESTS=OFF >/dev/null
  cmake --build "$2" -j "$jobs" --target diesel-cycle diesel_bench >/dev/null
}

echo "== baseline $baseline in $base_tree"
git -C "$root" worktree add --detach "$base_tree" "$baseline" >/dev/null 2>&1
configure_and_build "$base_tree" "$base_tree/build"
echo "== this tree in build-compare/"
configure_and_build "$root" "$root/build-compare"

/usr/bin/python3 "$root/bench/compare_baseline.py" $quick \
  --base-bin "$base_tree/build" --base-rev "$(git -C "$base_tree" rev-parse --short HEAD)" \
  --cur-bin "$root/build-compare" --cur-rev "$(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- src bench CMakeLists.txt ':!bench/RESULTS.md' || echo '+changes')" \
  --examples "$root/examples" --scratch "$scratch" --out "$root/bench/RESULTS.md"
