"""An installed prefix imports with nothing but its own site-packages on
the path, and keeps working when moved."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

BUILD = os.environ.get("TALV_BUILD_DIR")
CMAKE = os.environ.get("CMAKE_COMMAND", "cmake")

pytestmark = pytest.mark.skipif(not BUILD, reason="needs TALV_BUILD_DIR (set by CTest)")

PROBE = """
import sys, talvechk
assert talvechk.__file__.startswith(sys.argv[1]), talvechk.__file__
form = talvechk.Form.from_dict({"fields": [{"name": "A"}, {"name": "C", "check": "luhn(@)"}]})
print(talvechk.__file__, [f.outcome for f in form.check({"C": "79927398713"})])
"""


def run_from(prefix: Path):
    (site,) = prefix.glob("lib*/python3*/site-packages")
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "LD_LIBRARY_PATH")}
    env["PYTHONPATH"] = str(site)
    return subprocess.run([sys.executable, "-c", PROBE, str(site)], env=env, capture_output=True, text=True,
                          cwd=prefix)


def test_installed_package_imports_and_checks(tmp_path):
    prefix = tmp_path / "prefix"
    subprocess.run([CMAKE, "--install", BUILD, "--prefix", str(prefix)], check=True, capture_output=True)
    proc = run_from(prefix)
    assert proc.returncode == 0, proc.stderr
    assert "['passed']" in proc.stdout, "the companion library's luhn() was found too"
    moved = tmp_path / "moved"
    shutil.move(prefix, moved)
    proc = run_from(moved)
    assert proc.returncode == 0, proc.stderr
