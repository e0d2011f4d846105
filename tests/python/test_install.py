"""cmake --install puts the program, its plot helper and the documentation under
the prefix, and the module where Debian's python3 finds it there."""
import os
import subprocess
import sys

import pytest


def test_install_into_a_prefix(tmp_path):
    build = os.environ.get("DIESEL_BUILD_DIR")
    if not build:
        pytest.fail("DIESEL_BUILD_DIR does not name the build folder; run the tests through ctest")
    done = subprocess.run(["cmake", "--install", build, "--prefix", str(tmp_path)], capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    for tool in ("bin/diesel-cycle", "bin/diesel-cycle-plot"):
        assert os.access(tmp_path / tool, os.X_OK), tool
    for doc in ("README.md", "command-line.md", "examples/c1_fixed/fort2.dat"):
        assert (tmp_path / "share/doc/diesel-cycle" / doc).is_file(), doc
    packages = tmp_path / "lib" / "python3" / "dist-packages"
    assert [p.name.split(".")[0] for p in packages.iterdir()] == ["diesel_cycle"]
    env = dict(os.environ, PYTHONPATH=str(packages))
    done = subprocess.run([sys.executable, "-c", "import diesel_cycle; print(diesel_cycle.__file__)"],
                          capture_output=True, text=True, env=env)
    assert done.returncode == 0, done.stderr
    assert done.stdout.startswith(str(packages))
