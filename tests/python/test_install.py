"""cmake --install puts the module where Debian's python3 finds it under the prefix."""
import os
import subprocess
import sys

import pytest


def test_install_into_a_prefix(tmp_path):
    build = os.environ.get("DIESEL_BUILD_DIR")
    if not build:
        pytest.fail("DIESEL_BUILD_DIR does not name the build folder; run the tests through ctest")
    done = subprocess.run(["cmake", "--install", build, "--prefix", str(tmp_path), "--component", "python"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    packages = tmp_path / "lib" / "python3" / "dist-packages"
    assert [p.name.split(".")[0] for p in packages.iterdir()] == ["diesel_cycle"]
    env = dict(os.environ, PYTHONPATH=str(packages))
    done = subprocess.run([sys.executable, "-c", "import diesel_cycle; print(diesel_cycle.__file__)"],
                          capture_output=True, text=True, env=env)
    assert done.returncode == 0, done.stderr
    assert done.stdout.startswith(str(packages))
