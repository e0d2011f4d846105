"""Many runs at once give the bits of one at a time; runs and maps release the
GIL; a map equals the command line's map CSV to the bit."""
import concurrent.futures
import csv
import subprocess
import threading
import time

import numpy as np
import pytest

import diesel_cycle
from conftest import EXAMPLES, SOURCE, bits, program


def fingerprint(result):
    """Every figure and trace value as bits."""
    return (result.ended, result.cycles,
            tuple(int(bits(v)) for v in result.figures.values()),
            tuple(bits(t).tobytes() for t in result.traces.values()))


def test_many_runs_at_once_give_the_bits_of_one_at_a_time():
    cases = [diesel_cycle.Case.from_folder(SOURCE / "examples" / name) for name in EXAMPLES]
    alone = [fingerprint(diesel_cycle.run(c)) for c in cases]
    work = cases * 4
    with concurrent.futures.ThreadPoolExecutor(max_workers=8) as pool:
        together = [fingerprint(r) for r in pool.map(diesel_cycle.run, work)]
    assert together == alone * 4


@pytest.mark.parametrize("call", ["run", "map"])
def test_runs_and_maps_release_the_gil(call):
    """While a run or a map is in progress another thread keeps running Python
    code: the longest pause it sees is far shorter than the call."""
    case = diesel_cycle.Case.from_folder(SOURCE / "examples" / "c12_fixed")
    work = {"run": lambda: diesel_cycle.run(case),
            "map": lambda: diesel_cycle.map(case, speeds=[1900, 2000], loads=[3.5], jobs=1, progress=False)}[call]
    work()  # numpy and the module are loaded
    for _ in range(3):
        ticks, running = [], threading.Event()

        def count():
            running.wait()
            while running.is_set():
                ticks.append(time.perf_counter())

        counter = threading.Thread(target=count)
        counter.start()
        running.set()
        start = time.perf_counter()
        work()
        took = time.perf_counter() - start
        running.clear()
        counter.join()
        during = [t for t in ticks if start <= t <= start + took]
        longest = max(np.diff([start] + during + [start + took]))
        if longest < 0.5 * took:
            return
    raise AssertionError(f"another thread stood still for {longest:.4f} s of a {took:.4f} s {call}")


def test_map_equals_the_command_lines_map_csv(tmp_path):
    base = SOURCE / "examples" / "c1_load"
    speeds, loads = [1500.0, 2250.0], [4.0, 6.5, 8.0]
    done = subprocess.run([program(), "map", str(base), "--speeds", "1500,2250", "--loads", "4,6.5,8",
                           "--jobs", "2", "--csv", str(tmp_path / "map.csv")], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    with open(tmp_path / "map.csv") as f:
        expected = list(csv.DictReader(f))
    case = diesel_cycle.Case.from_folder(base)
    rows = diesel_cycle.map(case, speeds=speeds, loads=np.array(loads), jobs=2, progress=False)
    assert len(rows) == len(expected) == 6
    columns = {"speed_rpm": "speed", "target_pe_bar": "target_pe", "pe_bar": "pe", "be_g_kwh": "be", "nv": "nv",
               "tex_degc": "tex", "etai": "etai", "lambda": "lambda", "pmax_bar": "pmax"}
    for row, line in zip(rows, expected):
        for column, name in columns.items():
            assert bits(row[name]) == bits(np.float32(line[column])), (column, row["point"])
        assert bits(row["fuel"] / np.float32(10)) == bits(np.float32(line["fuel_10mm3"]))
        assert (row["cycles"], row["ended"]) == (int(line["cycles"]), line["end"])
