// Entry point of diesel_bench (`make bench`).
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
