"""Cases in and out of folders, and errors as the command line names them."""
import copy
import pickle

import pytest

import diesel_cycle
from conftest import SOURCE, bits, put_example, run_program


def cli_message(folder):
    """What the program says on stderr, less its name."""
    done = run_program(folder)
    assert done.stderr.startswith("diesel-cycle: ") and done.stderr.count("\n") == 1, done.stderr
    return done.returncode, done.stderr[len("diesel-cycle: "):-1]


@pytest.mark.parametrize("edits, missing, start", [
    ([("fort2.dat", 4, 13, "1.0x")], None, "fort2.dat (unit 2), record 4, item 13 (DPHI): "),
    ([("fort3.dat", 1, 5, "13")], None, "fort3.dat (unit 3), record 1, item 5 (NCYL): "),
    ([], "fort3.dat", "fort3.dat (unit 3): file is missing"),
])
def test_input_errors_carry_the_command_lines_message(tmp_path, edits, missing, start):
    folder = put_example(tmp_path, "c1_fixed", edits)
    if missing:
        (folder / missing).unlink()
    status, message = cli_message(folder)
    assert status == 2 and message.startswith(start)
    with pytest.raises(diesel_cycle.InputError) as raised:
        diesel_cycle.Case.from_folder(folder)
    assert str(raised.value) == message
    assert isinstance(raised.value, ValueError) and isinstance(raised.value, diesel_cycle.Error)


def test_unreadable_folders_are_os_errors(tmp_path):
    with pytest.raises(FileNotFoundError):
        diesel_cycle.Case.from_folder(tmp_path / "nowhere")
    folder = put_example(tmp_path / "dir", "c1_fixed")
    (folder / "fort2.dat").unlink()
    (folder / "fort2.dat").mkdir()  # opens, but cannot be read
    with pytest.raises(OSError) as raised:
        diesel_cycle.Case.from_folder(folder)
    assert raised.value.filename.endswith("fort2.dat")


def test_a_stopped_run_is_a_result_not_an_exception(tmp_path):
    folder = put_example(tmp_path, "c1_fixed", [("fort2.dat", 4, 12, "2")])
    result = diesel_cycle.run(diesel_cycle.Case.from_folder(folder))
    status, message = cli_message(folder)
    assert status == 3
    assert (result.ended, result.cycles, result.message) == ("max-cycles", 2, message)
    assert len(result.traces["p_cyl1"]) == 0  # no output cycle


def test_copies_folders_and_pickles_give_the_same_case(tmp_path):
    case = diesel_cycle.Case.from_folder(put_example(tmp_path / "a", "c4_fixed"))
    assert "4 cylinders" in repr(case)
    case.to_folder(tmp_path / "b" / "c")
    for name in ("fort3.dat", "fort2.dat", "fort14.dat"):
        assert (tmp_path / "b" / "c" / name).read_bytes() == (tmp_path / "a" / name).read_bytes()
    expected = diesel_cycle.run(case).figures
    for other in (case.copy(), copy.deepcopy(case), pickle.loads(pickle.dumps(case)),
                  diesel_cycle.Case.from_folder(tmp_path / "b" / "c")):
        assert other is not case
        figures = diesel_cycle.run(other).figures
        assert all(bits(figures[n]) == bits(expected[n]) for n in expected)
    result = pickle.loads(pickle.dumps(diesel_cycle.run(case)))
    assert bits(result.figures["pe"]) == bits(expected["pe"]) and result.to_json().startswith("{")


def test_a_map_point_with_refused_input_is_a_row_saying_so():
    case = diesel_cycle.Case.from_folder(SOURCE / "examples" / "c1_load")
    bad, good = diesel_cycle.map(case, speeds=[float("nan"), 2000], loads=[8], progress=False)
    assert (bad["ended"], bad["cycles"], "pe" in bad) == ("input-error", 0, False)
    assert bad["message"].startswith("fort3.dat (unit 3), record 1, item 1 (SPEED): ")
    assert good["ended"] == "completed" and "pe" in good
