"""Many nets at once: the programs' --nets files, and one net at a time."""
import threading

import pytest
import treecore

from conftest import run


@pytest.fixture(scope="module")
def routed(design):
    nets_file, obst_file = design
    nets = treecore.read_nets(nets_file)
    obstacles = treecore.read_obstacles(obst_file)
    return nets, obstacles, treecore.steiner_trees(nets, obstacles, threads=2)


@pytest.mark.parametrize("program, flags, call", [
    ("zorvane", [], lambda n, o: treecore.steiner_trees(
        n, o, drawing_only=True)),
    ("zorvane", ["--no-refine"], lambda n, o: treecore.steiner_trees(
        n, o, refine=False, threads=1)),
    ("oamst", ["--exact-graph"], lambda n, o: treecore.spanning_trees(
        n, o, exact_graph=True)),
])
def test_plain_text_is_the_program_file(tmp_path, design, program, flags,
                                        call):
    nets_file, obst_file = design
    out = tmp_path / "out.txt"
    done = run(program, *flags, "--nets", nets_file, obst_file, out)
    assert done.returncode == 0, done.stderr
    trees = call(treecore.read_nets(nets_file),
                 treecore.read_obstacles(obst_file))
    text = treecore.banner(spanning=program == "oamst")
    text += treecore.plain_text(trees[:100])
    text += treecore.plain_text(trees[100:], first=101)
    assert text == out.read_text()


def test_json_is_the_program_file(tmp_path, design, routed):
    nets_file, obst_file = design
    out = tmp_path / "out.json"
    done = run("zorvane", "--nets", nets_file, "--format", "json", obst_file,
               out)
    assert done.returncode == 0, done.stderr
    trees = routed[2]
    assert "".join(t.json(k + 1) + "\n" for k, t in enumerate(trees)) == \
        out.read_text()


def test_batch_is_one_net_at_a_time(routed):
    nets, obstacles, trees = routed
    assert len(trees) == len(nets) == 300
    rects = obstacles.rects
    for k, (net, tree) in enumerate(zip(nets, trees)):
        alone = treecore.steiner_tree(net, obstacles)
        assert alone.json(k) == tree.json(k), f"net {k}"


def test_python_threads_route_side_by_side(routed):
    nets, obstacles, trees = routed
    results = [None, None]

    def work(slot):
        results[slot] = treecore.steiner_trees(nets, obstacles, threads=1)

    threads = [threading.Thread(target=work, args=(s,)) for s in (0, 1)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    expected = [t.text() for t in trees]
    for result in results:
        assert [t.text() for t in result] == expected


def test_empty_batches_and_nets():
    assert treecore.steiner_trees([]) == []
    trees = treecore.spanning_trees([[], [[1, 1]]], [[5, 5, 6, 6]])
    assert [t.parts for t in trees] == [0, 1]
    assert treecore.plain_text(trees) == "# net 1\n# net 2\n"
