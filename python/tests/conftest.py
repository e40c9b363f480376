"""Shared helpers: the programs of the build, the repository's inputs."""
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
INPUTS = ROOT / "tests" / "golden" / "input"
BUILD = pathlib.Path(os.environ.get("TREECORE_BUILD_DIR", ROOT / "build"))

try:
    import treecore  # noqa: F401
except ImportError as e:
    raise ImportError(
        f"{e}: run these tests through ctest, or put the build's python "
        f"folder on PYTHONPATH (PYTHONPATH={BUILD / 'python'})") from e


def program(name):
    """The path of a program of the build: TREECORE_<NAME>, as ctest sets
    it, else where the build puts it."""
    path = os.environ.get("TREECORE_" + name.upper())
    if path is None:
        path = BUILD / name
    return str(path)


def run(name, *args):
    """Runs a program of the build; its status, standard output and error."""
    return subprocess.run([program(name), *map(str, args)],
                          capture_output=True, text=True, check=False)


def instance(name):
    """The pin and obstacle files of an instance among the golden inputs."""
    return INPUTS / f"{name}.pins.txt", INPUTS / f"{name}.obst.txt"


@pytest.fixture(scope="session")
def design(tmp_path_factory):
    """A small generated design: its nets file and its obstacle file."""
    where = tmp_path_factory.mktemp("design")
    nets, obst = where / "nets.txt", where / "obst.txt"
    done = run("treegen", "--nets", 300, "--obstacles", 60, "--seed", 7,
               nets, obst)
    assert done.returncode == 0, done.stderr
    return nets, obst
