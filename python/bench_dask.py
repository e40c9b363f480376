#!/usr/bin/env python3
"""Times examples/dask_route.py's routing on a local cluster: the cluster's
start, then each repeat's routing of the whole nets file, in wall time and
in processor time summed over the client, the scheduler and the workers.

    bench_dask.py [--workers N] [--chunk N] [--repeat R] NETS_FILE
                  RECT_OBSTS_FILE

Each repeat's text must equal steiner_trees' in process. Needs the build's
python folder on PYTHONPATH. On a shared machine the processor times are
the steadier figures.
"""
import argparse
import pathlib
import statistics
import sys
import time

import treecore

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] /
                       "examples"))
import dask_route  # noqa: E402


def cpu_seconds(client):
    """Processor time used so far by this process (which holds the local
    cluster's scheduler) and the workers."""
    return time.process_time() + sum(client.run(time.process_time).values())


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("nets")
    p.add_argument("obstacles")
    p.add_argument("--workers", type=int, default=2)
    p.add_argument("--chunk", type=int, default=1000)
    p.add_argument("--repeat", type=int, default=3)
    args = p.parse_args()
    from dask.distributed import Client

    obstacles = treecore.read_obstacles(args.obstacles)
    nets = treecore.read_nets(args.nets)
    expected = treecore.plain_text(treecore.steiner_trees(
        nets, obstacles, threads=1, drawing_only=True, errors="keep"))
    options = dict(exact_graph=False, optimize=False, refine=True)

    start = time.perf_counter()
    with dask_route.local_cluster(args.workers) as cluster, \
            Client(cluster) as client:
        started = time.perf_counter() - start
        wall, cpu = [], []
        for _ in range(args.repeat):
            before_cpu, before = cpu_seconds(client), time.perf_counter()
            # route yields the chunks' text in order; nothing runs until
            # it is drawn on.
            failed = []
            text = "".join(dask_route.route(client, obstacles, nets,
                                            args.chunk, options, failed))
            wall.append(time.perf_counter() - before)
            cpu.append(cpu_seconds(client) - before_cpu)
            if text != expected:
                print("bench_dask.py: the cluster's text differs from the "
                      "in-process text", file=sys.stderr)
                return 1
    print(f"{len(nets)} nets, {len(obstacles)} obstacles, {args.workers} "
          f"workers, chunks of {args.chunk}; cluster started in "
          f"{started:.2f} s (wall)")
    print(f"  routing, median of {args.repeat}: {statistics.median(wall):.3f}"
          f" s wall, {statistics.median(cpu):.3f} s processor time "
          f"({1e6 * statistics.median(cpu) / len(nets):.1f} us/net; "
          f"min {min(cpu):.3f}, max {max(cpu):.3f})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
