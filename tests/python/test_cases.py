"""Cases in and out of folders and texts, changed item by item, and errors as
the command line names them."""
import copy
import pickle

import numpy as np
import pytest

import diesel_cycle
from conftest import EXAMPLES, SOURCE, bits, put_example, run_program


def cli_message(folder, *args):
    """What the program says on stderr for refused input, less its name."""
    done = run_program(folder, *args)
    first = done.stderr.split("\n")[0]
    assert done.returncode == 2 and first.startswith("diesel-cycle: "), done.stderr
    return first[len("diesel-cycle: "):]


def same_run(a, b):
    fa, fb = diesel_cycle.run(a).figures, diesel_cycle.run(b).figures
    return all(bits(fa[n]) == bits(fb[n]) for n in fa)


@pytest.mark.parametrize("edits, missing, start", [
    ([("fort2.dat", 4, 13, "1.0x")], None, "fort2.dat (unit 2), record 4, item 13 (DPHI): "),
    ([], "fort3.dat", "fort3.dat (unit 3): file is missing"),
])
def test_input_errors_carry_the_command_lines_message(tmp_path, edits, missing, start):
    folder = put_example(tmp_path, "c1_fixed", edits)
    if missing:
        (folder / missing).unlink()
    message = cli_message(folder)
    assert message.startswith(start)
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
    assert raised.value.strerror == cli_message(folder)


def test_a_stopped_run_is_a_result_not_an_exception(tmp_path):
    folder = put_example(tmp_path, "c1_fixed", [("fort2.dat", 4, 12, "2")])
    result = diesel_cycle.run(diesel_cycle.Case.from_folder(folder))
    done = run_program(folder)
    assert done.returncode == 3
    assert (result.ended, result.cycles, "diesel-cycle: " + result.message + "\n") == ("max-cycles", 2, done.stderr)
    assert len(result.traces["p_cyl1"]) == 0  # no output cycle


@pytest.fixture
def c1():
    return diesel_cycle.Case.from_folder(SOURCE / "examples" / "c1_fixed")


# name, value given, value read back (bits for reals)
@pytest.mark.parametrize("name, given, expected", [
    ("SOC", 0.1, np.float32(0.1)),                    # the double rounded once
    ("SOC", "9.0D0", np.float32(9)),                  # text, read the fort way
    ("run_control.max_cycles", 12.0, 12),             # a whole float for an integer item
    ("MAXCYC", np.int64(9), 9),
])
def test_items_are_set_and_read_by_name_or_key(c1, name, given, expected):
    c1[name] = given
    value = c1[name]
    assert type(value) is type(expected)
    if isinstance(expected, np.float32):
        assert bits(value) == bits(expected)
    else:
        assert value == expected


@pytest.mark.parametrize("name, given, error, message", [
    ("SOC", "nine", diesel_cycle.InputError, 'SOC (combustion.start_btdc): "nine" is not a real number'),
    ("SOC", 1e300, diesel_cycle.InputError, "SOC (combustion.start_btdc): 1e+300 is too large for a 32-bit real number"),
    ("MODE", True, TypeError, "MODE (operating_point.mode): a number or its text is expected, not bool"),
])
def test_values_no_run_could_use_are_refused_at_once(c1, name, given, error, message):
    before = c1.copy()
    with pytest.raises(error) as raised:
        c1[name] = given
    assert str(raised.value) == message
    assert c1 == before


@pytest.mark.parametrize("name, start", [
    ("SPEEED", "no input item is called SPEEED; did you mean SPEED, "),
    ("MASS0", "MASS0 names 3 items; use the key of the one meant: start.cylinder_1.mass, "
              "start.intake_receiver.mass or start.exhaust_receiver.mass"),
])
def test_names_that_are_no_item_say_what_was_meant_as_the_command_line_does(tmp_path, c1, name, start):
    cli = cli_message(put_example(tmp_path, "c1_fixed"), "--set", f"{name}=1")
    message = cli.removeprefix(f"--set {name}=1: ")
    assert message.startswith(start)
    for attempt in (lambda: c1[name], lambda: c1.__setitem__(name, 1)):
        with pytest.raises(diesel_cycle.ItemNameError) as raised:
            attempt()
        assert str(raised.value) == message
        assert isinstance(raised.value, KeyError) and isinstance(raised.value, diesel_cycle.InputError)
    assert name not in c1


def test_every_item_is_a_key(c1):
    items = dict(c1.items())
    assert list(items) == c1.keys() == list(c1) and list(items.values()) == c1.values() and len(items) == len(c1)
    assert items["operating_point.speed"] == 2000 and "SPEED" in c1
    c = c1.copy()
    for key, value in items.items():
        c[key] = value
    assert c == c1


def test_start_rows_are_tuples_and_can_be_set(tmp_path):
    c4 = diesel_cycle.Case.from_folder(SOURCE / "examples" / "c4_fixed")
    rows = c4.start_rows
    assert len(rows) == 3 and all(len(r) == 3 and type(r[0]) is np.float32 for r in rows)
    c = c4.copy()
    c.start_rows = [tuple(float(v) for v in r) for r in rows]  # as float64, rounded back to the same floats
    assert c == c4 and same_run(c, c4)
    with pytest.raises(ValueError, match="row 1 is not"):
        c.start_rows = [(1.0, 2.0)]


@pytest.mark.parametrize("name", EXAMPLES)
def test_folders_texts_copies_and_pickles_give_the_same_run(tmp_path, name):
    case = diesel_cycle.Case.from_folder(SOURCE / "examples" / name)
    expected = diesel_cycle.run(case)
    written = {form: case.to_folder(tmp_path / form / "deeper", format=form) for form in ("toml", "fort")}
    assert [p.split("/")[-1] for p in written["toml"]] == ["case.toml"]
    assert written["fort"][:2] == [str(tmp_path / "fort" / "deeper" / f) for f in ("fort3.dat", "fort2.dat")]
    others = [case.copy(), copy.deepcopy(case), pickle.loads(pickle.dumps(case)),
              diesel_cycle.Case.from_toml(case.to_toml())]
    for form in ("toml", "fort"):
        folder = tmp_path / form / "deeper"
        others.append(diesel_cycle.Case.from_folder(folder))
        done = run_program(folder, "--export")  # the program reads what was written as the module does
        assert done.returncode == 0, done.stderr
        assert (folder / "results.json").read_text() == expected.to_json()
    for other in others:
        assert other is not case and other == case
        assert diesel_cycle.run(other).to_json() == expected.to_json()
    result = pickle.loads(pickle.dumps(expected))
    assert bits(result.figures["pe"]) == bits(expected.figures["pe"]) and result.to_json() == expected.to_json()


def test_implausible_values_warn_as_the_command_line_does(tmp_path, c1):
    folder = put_example(tmp_path, "c1_fixed")
    done = run_program(folder, "--set", "TCOOL=200")
    c1["TCOOL"] = 200
    with pytest.warns(diesel_cycle.RunWarning) as caught:
        result = diesel_cycle.run(c1)
    expected = [line[len("diesel-cycle: warning: "):] for line in done.stderr.splitlines()]
    assert [str(w.message) for w in caught] == result.warnings == [e.replace("--set ", "", 1) for e in expected]
    assert result.warnings[0].startswith("TCOOL (walls.coolant_temperature_C): 200")
