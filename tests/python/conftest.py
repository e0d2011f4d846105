"""Shared helpers of the module's tests: the bundled examples as fort files or
case.toml, the command-line program beside the module, and item-wise edits of
input files."""
import os
import pathlib
import shutil
import subprocess

import numpy as np
import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ["c1_fixed", "c1_load", "c4_fixed", "c12_fixed"]


def program():
    """The command-line program of the same build (CTest names it)."""
    path = os.environ.get("DIESEL_BINARY")
    if not path:
        pytest.fail("DIESEL_BINARY does not name the diesel-cycle program; run the tests through ctest")
    return path


def put_example(folder, name, edits=()):
    """Copies examples/NAME into FOLDER; each edit (file, line, item, text)
    replaces one whitespace-separated item, e.g. ("fort2.dat", 4, 12, "2")."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    for f in (SOURCE / "examples" / name).glob("*.dat"):
        shutil.copy(f, folder / f.name)
    for file, line, item, text in edits:
        lines = (folder / file).read_text().split("\n")
        words = lines[line - 1].split()
        words[item - 1] = text
        lines[line - 1] = "  ".join(words)
        (folder / file).write_text("\n".join(lines))
    return folder


def put_toml_example(folder, name):
    """examples/NAME in FOLDER as case.toml (by the program's convert), its
    start table left in fort14.dat, the fort3.dat and fort2.dat removed."""
    folder = put_example(folder, name)
    done = subprocess.run([program(), "convert", str(folder)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    for f in ("fort3.dat", "fort2.dat"):
        (folder / f).unlink()
    return folder


def run_program(folder, *args):
    return subprocess.run([program(), "-C", str(folder), *args], capture_output=True, text=True)


def bits(values):
    """float32 values as their bit patterns, so that equality is to the bit (NaN included)."""
    return np.asarray(values, dtype=np.float32).view(np.uint32)
