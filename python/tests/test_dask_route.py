"""examples/dask_route.py on a local cluster of two worker processes."""
import os
import stat
import subprocess
import sys

import pytest
import treecore

from conftest import ROOT, run

SCRIPT = ROOT / "examples" / "dask_route.py"


def dask_route(*args):
    # Forked workers start in a fraction of the time of spawned ones.
    env = dict(os.environ,
               DASK_DISTRIBUTED__WORKER__MULTIPROCESSING_METHOD="fork")
    return subprocess.run([sys.executable, str(SCRIPT), *map(str, args)],
                          capture_output=True, text=True, check=False,
                          env=env)


@pytest.fixture(scope="module")
def refused_design(design, tmp_path_factory):
    """The design with one more net, its first pin inside an obstacle."""
    nets_file, obst_file = design
    x0, y0, x1, y1 = treecore.read_obstacles(obst_file).rects[0]
    where = tmp_path_factory.mktemp("refused")
    nets = where / "nets.txt"
    nets.write_text(nets_file.read_text() +
                    f"{(x0 + x1) / 2} {(y0 + y1) / 2} pin\n0 0 pin\n")
    return nets, obst_file


def test_local_cluster_writes_the_program_file(tmp_path, refused_design):
    nets_file, obst_file = refused_design
    expected = tmp_path / "zorvane.txt"
    done = run("zorvane", "--nets", nets_file, obst_file, expected)
    assert done.returncode == 4, done.stderr
    # Written through a link to a private file, as the programs write: the
    # script's own writer used to replace the link and widen the file.
    out = tmp_path / "dask.txt"
    out.write_text("old")
    out.chmod(0o600)
    (tmp_path / "link").symlink_to("dask.txt")
    routed = dask_route(nets_file, obst_file, tmp_path / "link", "--workers",
                        2, "--chunk", 37)
    assert routed.returncode == 4, routed.stderr
    assert out.read_bytes() == expected.read_bytes()
    assert (tmp_path / "link").is_symlink()
    assert stat.S_IMODE(out.stat().st_mode) == 0o600
    assert "net 301: pin 1" in routed.stderr
    in_process = treecore.steiner_trees(treecore.read_nets(nets_file),
                                        treecore.read_obstacles(obst_file),
                                        errors="keep")
    assert treecore.banner() + treecore.plain_text(in_process) == \
        out.read_text()


def test_bad_input_writes_nothing(tmp_path, design):
    nets_file, _ = design
    out = tmp_path / "out.txt"
    routed = dask_route(nets_file, tmp_path / "missing.txt", out)
    assert routed.returncode == 2
    assert "cannot open" in routed.stderr and "missing.txt" in routed.stderr
    assert not out.exists() and os.listdir(tmp_path) == []
    assert dask_route(nets_file).returncode == 1


def test_unwritable_output_is_refused_before_the_cluster_is_reached(tmp_path,
                                                                    design):
    nets_file, obst_file = design
    missing = tmp_path / "missing" / "out.txt"
    # No scheduler listens there: reaching for it would time out instead.
    routed = dask_route(nets_file, obst_file, missing, "--scheduler",
                        "tcp://127.0.0.1:9")
    assert routed.returncode == 3
    assert routed.stderr == (f"dask_route.py: cannot write {missing}: No such "
                             f"file or directory (creating a file in its "
                             f"folder)\n")
    assert os.listdir(tmp_path) == []
