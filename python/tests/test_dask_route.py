"""examples/dask_route.py on a local cluster of two worker processes."""
import os
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
    out = tmp_path / "dask.txt"
    routed = dask_route(nets_file, obst_file, out, "--workers", 2, "--chunk",
                        37)
    assert routed.returncode == 4, routed.stderr
    assert out.read_bytes() == expected.read_bytes()
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
