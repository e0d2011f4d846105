"""Throughput of diesel_cycle.run() on one and on two Python threads.

    make python && PYTHONPATH=build/python /usr/bin/python3 bench/python_threads.py [EXAMPLE] [RUNS]

Runs release the GIL, so two threads should give nearly twice the runs per
second of one on a machine with two idle cores."""
import concurrent.futures
import pathlib
import statistics
import sys
import time

import diesel_cycle

example = sys.argv[1] if len(sys.argv) > 1 else "c1_load"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 200
case = diesel_cycle.Case.from_folder(pathlib.Path(__file__).resolve().parents[1] / "examples" / example)
diesel_cycle.run(case)


def throughput(threads):
    with concurrent.futures.ThreadPoolExecutor(max_workers=threads) as pool:
        start = time.perf_counter()
        list(pool.map(lambda _: diesel_cycle.run(case), range(runs)))
        return runs / (time.perf_counter() - start)


# Rounds alternate, so that load from elsewhere falls on both alike; the best
# round of each shows what the machine gives when it is free.
one, two = [], []
for _ in range(7):
    one.append(throughput(1))
    two.append(throughput(2))
for what, pick in (("median", statistics.median), ("best", max)):
    print(f"{example}, {what} of 7 rounds of {runs} runs: {pick(one):.0f} runs/s on one thread, "
          f"{pick(two):.0f} on two: {pick(two) / pick(one):.2f}x")
