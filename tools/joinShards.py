#!/usr/bin/env python3
"""Joins the files of `--nets ... --shard K/N` runs into the whole run's file.

Usage: joinShards.py [--output FILE] SHARD_FILE...

Give every shard's file, in shard order (1/N first); N is the number of
files. Plain files (banner, then `# net K` sections) and JSON Lines files
(`--format json`) are told apart by their contents. The result is the file
the run without --shard writes, byte for byte: the banner once, then the
nets by number. Every file is checked first: the same banner, and exactly
the nets K, K + N, K + 2N, ... of its shard, so that a shard missing, given
twice or out of order is an error, and nothing is written.

Exit status: 0 joined, 1 usage, 2 a shard file unreadable or not a shard of
the others' run, 3 output not written. Without --output, or with `-`, the
result goes to standard output; a file is replaced only once all is
written.
"""

import os
import re
import sys
import tempfile

NET_LINE = re.compile(rb"# net (\d+)\n")
JSON_NET = re.compile(rb'\{"net":(\d+),')


class ShardError(Exception):
    pass


def read_shard(path):
    """(banner, [(net, bytes)]): the banner is None for JSON Lines, and
    b"" for an empty file, which is either form's shard without nets."""
    with open(path, "rb") as f:
        data = f.read()
    if not data:
        return b"", []
    # Only LF ends a line: a message may hold any other byte.
    lines = [line + b"\n" for line in data.split(b"\n")]
    if lines.pop() != b"\n":
        raise ShardError(f"{path}, line {len(lines) + 1}: the file does not "
                         "end with a line end; it is not a whole run's file")
    nets = []
    if data.startswith(b"{"):
        for number, line in enumerate(lines, 1):
            m = JSON_NET.match(line)
            if not m:
                raise ShardError(f'{path}, line {number}: not a JSON net '
                                 'object starting {"net":K,')
            nets.append((int(m.group(1)), line, number))
        return None, nets
    at = 0
    while at < len(lines) and not NET_LINE.fullmatch(lines[at]):
        if not lines[at].startswith(b"#"):
            raise ShardError(f"{path}, line {at + 1}: a piece before the "
                             "first '# net K' line")
        at += 1
    banner = b"".join(lines[:at])
    for number in range(at, len(lines)):
        m = NET_LINE.fullmatch(lines[number])
        if m:
            nets.append((int(m.group(1)), [lines[number]], number + 1))
        else:
            nets[-1][1].append(lines[number])
    return banner, [(k, b"".join(text), line) for k, text, line in nets]


def join(paths):
    """The whole run's bytes from its shards' files, in shard order."""
    shards = len(paths)
    banner = b""
    banner_path = None
    by_net = {}
    for shard, path in enumerate(paths, 1):
        head, nets = read_shard(path)
        if head != b"":
            if banner_path is None:
                banner, banner_path = head, path
            elif head != banner:
                form = "JSON Lines" if head is None else "a banner"
                raise ShardError(f"{path}: {form}, unlike {banner_path}; the "
                                 "shards are not of one run")
        due = shard
        for net, text, line in nets:
            if net != due:
                raise ShardError(
                    f"{path}, line {line}: net {net} where shard {shard}/"
                    f"{shards} holds net {due}; give every shard's file, "
                    "in shard order")
            by_net[net] = text
            due += shards
    total = len(by_net)
    if by_net and max(by_net) != total:
        missing = min(k for k in range(1, total + 2) if k not in by_net)
        raise ShardError(f"net {missing} is in no file, yet net "
                         f"{max(by_net)} is; give every shard's file")
    return (banner or b"") + b"".join(by_net[k] for k in range(1, total + 1))


def write_output(path, data):
    if path == "-":
        sys.stdout.buffer.write(data)
        sys.stdout.buffer.flush()
        return
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(prefix=".joinShards.", dir=folder)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


def main(argv):
    name = "joinShards.py"
    output = "-"
    paths = []
    args = iter(argv)
    for a in args:
        if a in ("-h", "--help"):
            print(__doc__.strip())
            return 0
        if a == "--output" or a.startswith("--output="):
            output = a.partition("=")[2] if "=" in a else next(args, None)
            if not output:
                print(f"{name}: --output needs a file", file=sys.stderr)
                return 1
        elif a.startswith("-") and a != "-":
            print(f"{name}: unknown option {a}\nTry '{name} --help' for more "
                  "information.", file=sys.stderr)
            return 1
        else:
            paths.append(a)
    if not paths:
        print(f"{name}: no shard files given\nTry '{name} --help' for more "
              "information.", file=sys.stderr)
        return 1
    if output != "-" and os.path.exists(output) and any(
            os.path.exists(p) and os.path.samefile(p, output) for p in paths):
        print(f"{name}: the output {output} is one of the shard files",
              file=sys.stderr)
        return 1
    try:
        data = join(paths)
    except OSError as e:
        print(f"{name}: {e.filename}: {e.strerror}", file=sys.stderr)
        return 2
    except ShardError as e:
        print(f"{name}: {e}", file=sys.stderr)
        return 2
    try:
        write_output(output, data)
    except OSError as e:
        print(f"{name}: {output}: {e.strerror or e}", file=sys.stderr)
        return 3
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
