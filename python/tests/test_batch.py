"""Many nets at once: the programs' --nets files, and one net at a time."""
import signal
import subprocess
import sys
import textwrap
import threading
import time

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


def test_no_thread_count_or_zero_is_one_per_core(routed):
    nets, obstacles, trees = routed
    expected = [t.text() for t in trees]
    for threads in None, 0:
        again = treecore.steiner_trees(nets, obstacles, threads=threads)
        assert [t.text() for t in again] == expected


def python(script, *args, **popen):
    """Starts the interpreter on a script, treecore importable as here."""
    return subprocess.Popen(
        [sys.executable, "-c", textwrap.dedent(script), *map(str, args)],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **popen)


# Some minutes of work: ten-pin nets among walls that leave no integer
# point inside, optimized.
LONG_BATCH = """
    import sys
    import numpy as np
    import treecore
    threads = int(sys.argv[1])
    pins = np.random.default_rng(5).integers(0, 1000, size=(20000, 10, 2))
    walls = treecore.Obstacles([[100 * k + 50.25, 10.5, 100 * k + 50.75,
                                 990.5] for k in range(10)])
    try:
        print("started", flush=True)
        treecore.steiner_trees(list(pins), walls, threads=threads,
                               optimize=True)
        print("finished")
    except KeyboardInterrupt:
        print("interrupted", flush=True)
        print(len(treecore.steiner_trees(list(pins[:50]), walls,
                                         threads=threads)))
"""


# Ctrl-C once reached the interpreter only when the whole batch was done.
@pytest.mark.parametrize("threads", [1, 2])
def test_ctrl_c_stops_a_batch_with_keyboard_interrupt(threads):
    child = python(LONG_BATCH, threads)
    try:
        assert child.stdout.readline() == "started\n", child.stderr.read()
        time.sleep(0.5)
        child.send_signal(signal.SIGINT)
        sent = time.monotonic()
        out, err = child.communicate(timeout=60)
        took = time.monotonic() - sent
    finally:
        child.kill()
    assert out == "interrupted\n50\n", err
    assert took < 10, f"{took:.1f} s from Ctrl-C to the exception"


# Thread stacks beyond the address space the process may have: once the
# interpreter aborted.
def test_threads_that_cannot_start_raise():
    child = python("""
        import resource
        import numpy as np
        import treecore
        nets = [np.array([[0, 0], [k, 5]]) for k in range(5000)]
        treecore.steiner_trees(nets[:10], threads=2)
        size = next(int(line.split()[1]) << 10 for line in
                    open("/proc/self/status") if line.startswith("VmSize:"))
        soft, hard = resource.getrlimit(resource.RLIMIT_AS)
        limit = size + (256 << 20)
        if hard != resource.RLIM_INFINITY:
            limit = min(limit, hard)
        resource.setrlimit(resource.RLIMIT_AS, (limit, hard))
        try:
            treecore.steiner_trees(nets, threads=1000)
            print("routed")
        except RuntimeError as e:
            print(e)
        resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
        print(len(treecore.steiner_trees(nets, threads=4)))
    """)
    out, err = child.communicate(timeout=120)
    assert child.returncode == 0, err
    assert out == ("routing on 1000 threads: Resource temporarily "
                   "unavailable\n5000\n")


def test_empty_batches_and_nets():
    assert treecore.steiner_trees([]) == []
    trees = treecore.spanning_trees([[], [[1, 1]]], [[5, 5, 6, 6]])
    assert [t.parts for t in trees] == [0, 1]
    assert treecore.plain_text(trees) == "# net 1\n# net 2\n"
