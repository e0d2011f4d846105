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
    for name in ("fort13", "fort15", "fort16"):  # the files decoded as Latin-1
        assert result.reports[name] == (folder / f"{name}.dat").read_bytes().decode("latin-1")
    assert "çi=" in result.reports["fort13"]


def test_traces_and_their_frame_equal_traces_csv_to_the_bit(both):
    folder, result = both
    csv = pd.read_csv(folder / "traces.csv", dtype=str)
    names = [column.split(" [")[0] for column in csv.columns]
    assert names == list(result.traces)
    for column, name in zip(csv.columns, names):
        assert result.traces[name].dtype == np.float32
        assert np.array_equal(bits(csv[column].astype(np.float32)), bits(result.traces[name])), name
        assert column == f"{name} [{result.trace_units[name]}]"
    frame = result.to_pandas()
    assert list(frame.columns) == names and (frame.dtypes == np.float32).all()
    assert len(frame) == len(csv) and frame.attrs["units"]["p_cyl1"] == "bar"
