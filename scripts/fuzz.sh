#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, address and undefined-behaviour
# sanitizers into build-fuzz/ and runs each of them for a given time on a copy
# of its seed corpus (fuzz/corpus/<target>, which stays as it is).
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 60 s, every target
#
# Inputs that crash, hang or make a sanitizer report are written to
# build-fuzz/artifacts/; the script then exits non-zero. The grown corpus is
# kept in fuzz/corpus-work/<target> for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(reader run case_toml)

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDIESEL_FUZZ=ON -DDIESEL_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/%/_fuzz}"

mkdir -p "$build/artifacts"
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
status=0
for t in "${targets[@]}"; do
  work="fuzz/corpus-work/$t"
  mkdir -p "$work"
  cp -n fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  echo "== fuzzing $t for $seconds s (corpus $work: $(ls "$work" | wc -l) inputs)"
  # One input may take at most 10 s (a hang beyond that is a finding) and 2 GB.
  if ! "$build/${t}_fuzz" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=16384 -print_final_stats=1 -artifact_prefix="$build/artifacts/${t}-" \
      >"$build/$t.log" 2>&1; then
    echo "== $t: FAILED, see $build/$t.log and $build/artifacts/"
    tail -n 40 "$build/$t.log"
    status=1
  else
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$build/$t.log" | sed "s/^/   $t /" || true
    echo "   $t: corpus now $(ls "$work" | wc -l) inputs"
  fi
done
exit $status
