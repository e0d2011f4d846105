#!/usr/bin/env bash
# Remakes the bundled measured trace examples/c1_fixed/measured-pressure.csv
# from the model (see the note at its top and tests/analysis/example_trace_test.cpp).
# Run it after a deliberate change of the model, or of how the trace is made.
#
#   scripts/update-example-trace.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target diesel_tests >/dev/null
DIESEL_WRITE_EXAMPLE_TRACE=1 "$build/diesel_tests" --gtest_filter='ExampleTrace.*'
git --no-pager diff --stat -- examples/c1_fixed/measured-pressure.csv
