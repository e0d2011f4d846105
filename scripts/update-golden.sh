#!/usr/bin/env bash
# Regenerates the golden outputs under tests/golden/ from the bundled examples.
#
# Run it ONLY after a deliberate change of the model or of an output format. The
# golden test (tests/golden/golden_test.cpp) exists to prove that every other
# change - speed work above all - leaves every byte of every output file as it
# was; regenerating the goldens to make it pass defeats it. Review the diff of
# tests/golden/ and say in the commit message why the results changed.
#
#   scripts/update-golden.sh [path/to/diesel-cycle]
#
# Without an argument it builds the program in build-golden/ with the project's
# flags. Each example runs in a scratch copy of its folder; its output files,
# its console text and, when the run rewrote it, its fort14.dat are kept.
set -euo pipefail
cd "$(dirname "$0")/.."

cases="c1_fixed c1_load c4_fixed c12_fixed"

bin=${1:-}
if [ -z "$bin" ]; then
  cmake -S . -B build-golden -DCMAKE_BUILD_TYPE=Release -DDIESEL_TESTS=OFF >/dev/null
  cmake --build build-golden -j "$(nproc 2>/dev/null || echo 2)" --target diesel-cycle >/dev/null
  bin=build-golden/diesel-cycle
fi
bin=$(realpath "$bin")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for c in $cases; do
  work="$scratch/$c"
  mkdir -p "$work"
  cp examples/"$c"/*.dat "$work"/
  before14=$(stat -c %i "$work/fort14.dat" 2>/dev/null || echo none)
  status=0
  "$bin" -C "$work" >"$work/console.txt" 2>"$work/diag.txt" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "update-golden: $c ended with exit status $status:" >&2
    cat "$work/diag.txt" >&2
    exit 1
  fi
  dest=tests/golden/$c
  rm -rf "$dest"
  mkdir -p "$dest"
  for f in fort8.dat fort9.dat fort10.dat fort12.dat fort13.dat fort15.dat fort16.dat console.txt; do
    cp "$work/$f" "$dest/$f"
  done
  # The start table is golden only when the run wrote it (a new file: the
  # program replaces it by a rename).
  after14=$(stat -c %i "$work/fort14.dat" 2>/dev/null || echo none)
  if [ "$after14" != none ] && [ "$after14" != "$before14" ]; then
    cp "$work/fort14.dat" "$dest/fort14.dat"
  fi
  echo "update-golden: $c -> $dest"
done
