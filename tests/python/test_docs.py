"""The Python blocks of docs/python.md run as they stand, one after the other
as in a notebook, and print what the plain blocks after them show."""
import contextlib
import io

import matplotlib
import matplotlib.pyplot as plt

from conftest import SOURCE


def fenced_blocks(text):
    """(info string, body) of every fenced block."""
    blocks, info, body = [], None, []
    for line in text.split("\n"):
        if line.startswith("```"):
            if info is None:
                info, body = line[3:].strip(), []
            else:
                blocks.append((info, "\n".join(body) + "\n"))
                info = None
        elif info is not None:
            body.append(line)
    return blocks


def test_the_studies_of_the_docs_run_and_print_what_the_docs_show(tmp_path, monkeypatch):
    blocks = fenced_blocks((SOURCE / "docs" / "python.md").read_text())
    (tmp_path / "examples").symlink_to(SOURCE / "examples")
    monkeypatch.chdir(tmp_path)
    matplotlib.use("Agg")
    namespace, ran, compared = {}, 0, 0
    for i, (info, body) in enumerate(blocks):
        if info != "python":
            continue
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            exec(compile(body, f"docs/python.md, block {i + 1}", "exec"), namespace)
        ran += 1
        if i + 1 < len(blocks) and blocks[i + 1][0] == "":
            shown = [line.rstrip() for line in blocks[i + 1][1].rstrip("\n").split("\n")]
            assert [line.rstrip() for line in printed.getvalue().rstrip("\n").split("\n")] == shown
            compared += 1
    plt.close("all")
    assert ran >= 5 and compared == 2
    assert (tmp_path / "soc-sweep.png").stat().st_size > 10000
