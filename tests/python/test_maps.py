"""Maps over a case: items set for every point by either name, the axes'
items refused there, rows as dicts or a DataFrame."""
import numpy as np
import pandas as pd
import pytest

import diesel_cycle
from conftest import SOURCE, bits


def case_of(name):
    return diesel_cycle.Case.from_folder(SOURCE / "examples" / name)


def figures_bits(row):
    return {k: int(bits(v)) for k, v in row.items() if isinstance(v, np.float32)}


@pytest.mark.parametrize("set_", [{"SOC": 12, "MAXCYC": 30}, {"combustion.start_btdc": 12.0, "run_control.max_cycles": "30"}])
def test_items_set_by_either_name_give_the_runs_of_cases_set_so(set_):
    case = case_of("c1_load")
    rows = diesel_cycle.map(case, speeds=[1800, 2200], loads=[5.5], set=set_, jobs=2, progress=False)
    assert [(r["speed"], r["target_pe"]) for r in rows] == [(1800, 5.5), (2200, 5.5)]
    for row in rows:
        c = case.copy()
        c["SOC"], c["MAXCYC"], c["SPEED"], c["PETARG"] = 12, 30, row["speed"], row["target_pe"]
        result = diesel_cycle.run(c)
        assert (row["ended"], row["cycles"]) == (result.ended, result.cycles)
        assert all(bits(row[name]) == bits(value) for name, value in result.figures.items())
    assert bits(case["SOC"]) != bits(np.float32(12))  # the case itself is left as it was


# Refused before any point runs, as the exception of its kind; the rest of the
# refusals are the tests of apply_settings and of Case items.
@pytest.mark.parametrize("set_, error, message", [
    ({"operating_point.target_bmep_bar": 6}, diesel_cycle.InputError,
     "set operating_point.target_bmep_bar=6: PETARG (operating_point.target_bmep_bar) is also varied by loads; "
     "give it in one place only"),
    ({"SOC": [1]}, TypeError, "set SOC: a number or its text is expected, not list"),
])
def test_settings_are_refused_before_any_point_runs(set_, error, message):
    with pytest.raises(error) as raised:
        diesel_cycle.map(case_of("c1_load"), speeds=[2000], loads=[3], set=set_, progress=False)
    assert str(raised.value) == message


def test_a_map_point_with_refused_input_is_a_row_saying_so():
    case = case_of("c1_load")
    bad, good = diesel_cycle.map(case, speeds=[float("nan"), 2000], loads=[8], progress=False)
    assert (bad["ended"], bad["cycles"], "pe" in bad) == ("input-error", 0, False)
    assert bad["message"] == "SPEED (operating_point.speed): nan is not a finite number"
    assert good["ended"] == "completed" and "pe" in good


def test_as_frame_gives_the_rows_as_a_table():
    case = case_of("c1_load")
    rows = diesel_cycle.map(case, speeds=[1500, 2500], loads=[4, 8], progress=False)
    frame = diesel_cycle.map(case, speeds=[1500, 2500], loads=[4, 8], progress=False, as_frame=True)
    assert isinstance(frame, pd.DataFrame) and list(frame.columns) == list(rows[0])
    assert frame["be"].dtype == np.float32
    assert np.array_equal(bits(frame["be"]), bits([r["be"] for r in rows]))
