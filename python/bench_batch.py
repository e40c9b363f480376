#!/usr/bin/env python3
"""Times many nets routed from Python against zorvane --nets on the same
design, in processor time per net (the median of the repeats).

    bench_batch.py [--build DIR] [--out DIR] [--nets N] [--obstacles K]
                   [--threads T] [--repeat R]

The design comes from treegen --nets N (--obstacles K where given). Cases,
run in turn in each repeat:
  zorvane --nets      the program, file to file (its whole process)
  python file         read_obstacles, read_nets, steiner_trees with
                      drawing_only=True, banner and plain_text written to a
                      file: the same bytes as the program's, checked
  python drawing      steiner_trees with drawing_only=True on nets already
                      in memory
  zorvane json        the program with --format json, which makes whole
                      trees (nodes and edges too)
  python trees        steiner_trees on nets already in memory, whole trees,
                      as a training loop calls it
Needs the build's python folder on PYTHONPATH. On a shared machine the
processor times are the steadier figures.
"""
import argparse
import pathlib
import resource
import statistics
import subprocess
import sys
import time

import treecore


def child_seconds():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def time_program(command):
    before = child_seconds()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return child_seconds() - before


def time_python(work):
    before = time.process_time()
    work()
    return time.process_time() - before


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default="build")
    p.add_argument("--out", default="bench-out/python")
    p.add_argument("--nets", type=int, default=10000)
    p.add_argument("--obstacles", type=int)
    p.add_argument("--threads", type=int, default=1)
    p.add_argument("--repeat", type=int, default=5)
    args = p.parse_args()
    build, out = pathlib.Path(args.build), pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    nets_file, obst_file = out / "nets.txt", out / "obst.txt"
    generate = [build / "treegen", "--nets", str(args.nets)]
    if args.obstacles is not None:
        generate += ["--obstacles", str(args.obstacles)]
    subprocess.run(generate + [nets_file, obst_file], check=True)

    threads = args.threads
    program_out, python_out = out / "zorvane.txt", out / "python.txt"

    def python_file():
        obstacles = treecore.read_obstacles(obst_file)
        nets = treecore.read_nets(nets_file)
        trees = treecore.steiner_trees(nets, obstacles, threads=threads,
                                       drawing_only=True, errors="keep")
        with open(python_out, "w", encoding="ascii", newline="\n") as f:
            f.write(treecore.banner())
            f.write(treecore.plain_text(trees))

    obstacles = treecore.read_obstacles(obst_file)
    nets = treecore.read_nets(nets_file)

    def python_trees(drawing_only):
        treecore.steiner_trees(nets, obstacles, threads=threads,
                               drawing_only=drawing_only, errors="keep")

    def program(*extra):
        return time_program([build / "zorvane", "--nets", nets_file,
                             "--threads", str(threads), *extra, obst_file,
                             program_out if not extra else out / "json.txt"])

    cases = {
        "zorvane --nets": program,
        "python file": lambda: time_python(python_file),
        "python drawing": lambda: time_python(lambda: python_trees(True)),
        "zorvane json": lambda: program("--format", "json"),
        "python trees": lambda: time_python(lambda: python_trees(False)),
    }
    seconds = {name: [] for name in cases}
    for _ in range(args.repeat):
        for name, case in cases.items():
            seconds[name].append(case())
    if program_out.read_bytes() != python_out.read_bytes():
        print(f"bench_batch.py: {python_out} differs from {program_out}",
              file=sys.stderr)
        return 1

    print(f"{len(nets)} nets, {len(obstacles)} obstacles, {threads} "
          f"thread(s), {args.repeat} repeats; processor time (user + "
          f"system), median")
    base = statistics.median(seconds["zorvane --nets"])
    for name, values in seconds.items():
        median = statistics.median(values)
        print(f"  {name:15} {median:7.3f} s  {1e6 * median / len(nets):7.2f} "
              f"us/net  {median / base:5.3f} x  (min {min(values):.3f}, "
              f"max {max(values):.3f})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
