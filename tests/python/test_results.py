"""A run from Python gives what the command line gives, to the bit: figures,
traces, reports and results.json of every bundled example, from its fort files
and from its case.toml."""
import json

import numpy as np
import pandas as pd
import pytest

import diesel_cycle
from conftest import EXAMPLES, bits, put_example, put_toml_example, run_program


@pytest.fixture(scope="module", params=[(name, form) for name in EXAMPLES for form in ("fort", "toml")],
                ids=lambda p: "-".join(p))
def both(request, tmp_path_factory):
    """The example, as fort files or as case.toml, run by the program with
    --export and by the module."""
    name, form = request.param
    put = put_example if form == "fort" else put_toml_example
    folder = put(tmp_path_factory.mktemp(name), name)
    case = diesel_cycle.Case.from_folder(folder)  # before the run rewrites fort14.dat
    done = run_program(folder, "--export")
    assert done.returncode == 0, done.stderr
    return folder, diesel_cycle.run(case)


def test_figures_equal_results_json_to_the_bit(both):
    folder, result = both
    exported = json.loads((folder / "results.json").read_text())
    assert result.ended == "completed" and result.cycles == exported["cycles"]
    assert list(result.figures) == list(exported["figures"])
    for name, figure in exported["figures"].items():
        assert result.units[name] == figure["unit"]
        assert bits(result.figures[name]) == bits(figure["value"]), name
    assert result.to_json() == (folder / "results.json").read_text()
    assert result.warnings == []


def test_traces_equal_traces_csv_to_the_bit(both):
    folder, result = both
    csv = pd.read_csv(folder / "traces.csv", dtype=str)
    names = [column.split(" [")[0] for column in csv.columns]
    assert names == list(result.traces)
    for column, name in zip(csv.columns, names):
        assert result.traces[name].dtype == np.float32
        assert np.array_equal(bits(csv[column].astype(np.float32)), bits(result.traces[name])), name
        assert column == f"{name} [{result.trace_units[name]}]"


def test_reports_are_the_files_decoded_as_latin1(both):
    folder, result = both
    for name in ("fort13", "fort15", "fort16"):
        assert result.reports[name] == (folder / f"{name}.dat").read_bytes().decode("latin-1")
    assert "çi=" in result.reports["fort13"]


def test_to_pandas_is_the_traces_table(both):
    _, result = both
    frame = result.to_pandas()
    assert list(frame.columns) == list(result.traces)
    assert (frame.dtypes == np.float32).all()
    assert len(frame) == len(result.traces["crank_angle"])
    assert frame.attrs["units"]["p_cyl1"] == "bar"


@pytest.mark.parametrize("name", EXAMPLES)
def test_a_case_toml_gives_the_run_of_its_fort_files(tmp_path, name):
    fort = diesel_cycle.Case.from_folder(put_example(tmp_path / "fort", name))
    toml = diesel_cycle.Case.from_folder(put_toml_example(tmp_path / "toml", name))
    assert fort == toml
    assert diesel_cycle.run(fort).to_json() == diesel_cycle.run(toml).to_json()
