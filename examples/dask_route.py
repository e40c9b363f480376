#!/usr/bin/python3
"""Routes a nets file across a Dask cluster and writes the file that
`zorvane --nets` writes for it, byte for byte.

    dask_route.py [options] NETS_FILE RECT_OBSTS_FILE OUTPUT_FILE

The obstacles are read and indexed here, sent to every worker once and kept
there; the nets go out in chunks, each routed on a worker with the treecore
module, and come back as text, written in the nets' order. Without
--scheduler a cluster of --workers processes is started on this machine
(loopback only). Every machine needs the treecore module on its PYTHONPATH.

Exit status as zorvane --nets: 0 every net one tree, 1 usage, 2 an input
file unreadable or invalid (nothing written), 3 output not written, 4 some
nets not one tree (pins walled apart, or a pin inside an obstacle), the
others written.
"""
import argparse
import contextlib
import os
import signal
import sys
import time

SHOWN = 10  # messages on standard error for each kind of failed net


class Parser(argparse.ArgumentParser):
    def error(self, message):
        self.print_usage(sys.stderr)
        print(f"{self.prog}: {message}", file=sys.stderr)
        sys.exit(1)


def parse(argv):
    p = Parser(prog="dask_route.py", description=__doc__.split("\n\n")[0])
    p.add_argument("nets", metavar="NETS_FILE")
    p.add_argument("obstacles", metavar="RECT_OBSTS_FILE")
    p.add_argument("output", metavar="OUTPUT_FILE")
    p.add_argument("--scheduler", metavar="ADDRESS",
                   help="a running scheduler, e.g. tcp://10.0.0.5:8786")
    p.add_argument("--workers", type=int, default=2, metavar="N",
                   help="worker processes of the local cluster (2)")
    p.add_argument("--chunk", type=int, default=1000, metavar="N",
                   help="nets per task (1000)")
    p.add_argument("--exact-graph", action="store_true")
    form = p.add_mutually_exclusive_group()
    form.add_argument("--optimize", action="store_true")
    form.add_argument("--no-refine", action="store_true")
    args = p.parse_args(argv)
    if args.workers < 1 or args.chunk < 1:
        p.error("--workers and --chunk take a positive count")
    return args


def route_chunk(obstacles, pins, ends, first, options):
    """Runs on a worker: the chunk's text, numbered from `first`, and its
    nets that are not one tree, as (number, status, message). The chunk's
    nets are its pins, each net ending before its entry of ends."""
    import numpy as np
    import treecore

    nets = np.split(pins, ends[:-1])
    # One thread a task: the worker's threads run tasks side by side, the
    # interpreter lock released while they route.
    trees = treecore.steiner_trees(nets, obstacles, threads=1,
                                   drawing_only=True, errors="keep",
                                   **options)
    failed = [(first + k, t.status, t.message)
              for k, t in enumerate(trees) if t.status != "ok"]
    return treecore.plain_text(trees, first=first), failed


def local_cluster(workers):
    """A cluster of worker processes on this machine, loopback only."""
    import dask
    from dask.distributed import LocalCluster

    # Dask starts its workers with a heap trim threshold of 64 kB, which
    # also fixes glibc's mmap threshold: each net then maps and unmaps its
    # work space afresh, at five times the processor time.
    environ = dict(dask.config.get("distributed.nanny.pre-spawn-environ"))
    environ.pop("MALLOC_TRIM_THRESHOLD_", None)
    with dask.config.set({"distributed.nanny.pre-spawn-environ": environ}):
        return LocalCluster(n_workers=workers, threads_per_worker=1,
                            processes=True, host="127.0.0.1",
                            dashboard_address=None)


def route(client, obstacles, nets, chunk, options, failed):
    """Routes the nets on the client's cluster, yielding each chunk's text in
    order; adds the nets that are not one tree to failed."""
    import numpy as np

    remote = client.scatter(obstacles, broadcast=True, hash=False)
    futures = []
    for i in range(0, len(nets), chunk):
        # One array a chunk: a list of small arrays costs far more to send.
        part = nets[i:i + chunk]
        ends = np.cumsum([len(net) for net in part])
        futures.append(client.submit(route_chunk, remote,
                                     np.concatenate(part), ends, i + 1,
                                     options, pure=False))
    for future in futures:
        text, bad = future.result()
        failed += bad
        future.release()
        yield text


def on_standard_output(path):
    """Whether the output goes where standard output goes."""
    if path == "-":
        return True
    try:
        return os.path.samestat(os.stat(path), os.fstat(1))
    except OSError:
        return False


class Ended(BaseException):
    pass


@contextlib.contextmanager
def ending_by_exception(sig):
    """Turns sig into an exception while the body runs, so that the writer
    removes its temporary file, then ends the process by sig as before."""
    def raise_ended(number, frame):
        raise Ended()
    previous = signal.signal(sig, raise_ended)
    try:
        yield
    except Ended:
        signal.signal(sig, signal.SIG_DFL)
        os.kill(os.getpid(), sig)
    finally:
        signal.signal(sig, previous)


def report(failed, count, output):
    refused = [f for f in failed if f[1] != "forest"]
    forests = [f for f in failed if f[1] == "forest"]
    for kind, shown, tail in ((refused, "", "; no tree written"),
                              (forests, "warning: ",
                               "; one tree per part written")):
        for net, _, message in kind[:SHOWN]:
            print(f"dask_route.py: {shown}net {net}: {message}{tail}",
                  file=sys.stderr)
    if refused:
        print(f"dask_route.py: {len(refused)} of {count} nets refused, each "
              f"with a pin inside an obstacle; {output} gives each its "
              f"status", file=sys.stderr)
    if forests:
        print(f"dask_route.py: warning: obstacles keep the pins of "
              f"{len(forests)} of {count} nets apart; {output} holds a "
              f"forest for each", file=sys.stderr)
    return 4 if refused or forests else 0


def main(argv=None):
    args = parse(argv)
    try:
        import treecore
    except ImportError as e:
        print(f"dask_route.py: {e}: the treecore module must be on "
              f"PYTHONPATH (the build's python folder)", file=sys.stderr)
        return 1
    try:
        obstacles = treecore.read_obstacles(args.obstacles)
        nets = treecore.read_nets(args.nets)
    except (OSError, ValueError) as e:
        print(f"dask_route.py: {e}", file=sys.stderr)
        return 2
    try:
        from dask.distributed import Client
    except ImportError as e:
        print(f"dask_route.py: {e} (Debian: python3-distributed)",
              file=sys.stderr)
        return 1
    options = dict(exact_graph=args.exact_graph, optimize=args.optimize,
                   refine=not args.no_refine)

    times = {"start": time.perf_counter()}
    failed = []

    def text():
        yield treecore.banner()
        with contextlib.ExitStack() as stack:
            if args.scheduler:
                client = stack.enter_context(Client(args.scheduler))
            else:
                cluster = stack.enter_context(local_cluster(args.workers))
                client = stack.enter_context(Client(cluster))
            times["ready"] = time.perf_counter()
            yield from route(client, obstacles, nets, args.chunk, options,
                             failed)
            times["routed"] = time.perf_counter()

    # The library's writer opens the output before the cluster starts, so
    # that a path that cannot be written is reported at once, and replaces
    # a file only once it is complete (an interrupted run leaves it as it
    # was) as the programs do.
    console = sys.stderr if on_standard_output(args.output) else sys.stdout
    try:
        with ending_by_exception(signal.SIGTERM):
            treecore.write_output(args.output, text())
    except OSError as e:
        print(f"dask_route.py: {e}", file=sys.stderr)
        return 3
    print(f"Routed {len(nets)} nets in {times['routed'] - times['ready']:.3f}"
          f" s, the cluster ready after {times['ready'] - times['start']:.3f}"
          f" s (wall time)", file=console)
    return report(failed, len(nets), args.output)


if __name__ == "__main__":
    sys.exit(main())
