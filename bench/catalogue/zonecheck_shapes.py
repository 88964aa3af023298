#!/usr/bin/env python3
"""zonecheck on files of the largest size it reads (16 MiB) in the shapes that cost it most: every line a section
without a name, every line a one-letter key, every line a distinct key or section, lines ended by CR alone, one zone
of servers, and a UTF-16 file of characters without a GBK code. Prints one table row per shape for scripts/bench:
the CPU time (user and system: on a busy machine the wall time mostly measures the wait for a core) and the peak
memory of the whole process (targets: under 2 s and 200 MB, at most ten times the file).
Usage: zonecheck_shapes.py ZONECHECK [FOLDER]"""
import os, sys, tempfile, time

SIZE = 16 * 1024 * 1024


def fill(unit_of):
    """Lines from unit_of(n) until the file holds SIZE bytes."""
    parts, total, n = [], 0, 0
    while total < SIZE:
        line = unit_of(n)
        parts.append(line)
        total += len(line)
        n += 1
    return b"".join(parts)[:SIZE]


def servers(n):
    return b"[Zone1]\r\nServiceZoneTitle=Many\r\n" if n == 0 else b"AgentIP%d=10.0.0.%d\r\nPort%d=%d\r\n" % (n, n % 256, n, 7000 + n % 1000)


SHAPES = [
    ("sections without a name, `[]`", lambda: fill(lambda n: b"[]\n")),
    ("one-letter keys", lambda: fill(lambda n: b"%c\n" % (97 + n % 26))),
    ("distinct keys", lambda: fill(lambda n: b"k%d\n" % n)),
    ("distinct sections", lambda: fill(lambda n: b"[s%d]\n" % n)),
    ("lines ended by CR alone", lambda: fill(lambda n: b"k%d=v\r" % (n % 1000))),
    ("one zone of servers", lambda: fill(servers)),
    ("UTF-16 characters without a GBK code", lambda: b"\xff\xfe" + ("\u0100" * ((SIZE - 2) // 2)).encode("utf-16-le")),
    ("UTF-16 pairs of surrogates", lambda: b"\xff\xfe" + ("\U0001F600" * ((SIZE - 2) // 4)).encode("utf-16-le")),
]


def run(zonecheck, path):
    start = time.monotonic()
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        os.execv(zonecheck, [zonecheck, path])
    _, status, usage = os.wait4(pid, 0)
    wall = time.monotonic() - start
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0, os.waitstatus_to_exitcode(status), wall


def main():
    zonecheck = sys.argv[1]
    folder = sys.argv[2] if len(sys.argv) > 2 else tempfile.gettempdir()
    path = os.path.join(folder, "zonecheck-shape-%d.ini" % os.getpid())
    worst, walls = [], []
    try:
        for name, make in SHAPES:
            data = make()
            with open(path, "wb") as out:
                out.write(data)
            # Best of three (a busy machine adds waiting, not work); the peak memory of the largest.
            runs = [run(zonecheck, path) for _ in range(3)]
            seconds, peak, wall = min(r[0] for r in runs), max(r[1] for r in runs), min(r[3] for r in runs)
            status = runs[0][2]
            met = "met" if seconds < 2 and peak < 200 and status in (0, 1) else "**not met**"
            print("| zonecheck on the host, 16 MiB of %s (CPU time; peak memory) | %.2f s; %.0f MB | file %.1f MB | "
                  "< 2 s; < 200 MB (%.1fx the file) | %s |"
                  % (name, seconds, peak, len(data) / 1048576.0, peak * 1048576.0 / len(data), met))
            worst.append((peak, name))
            walls.append("%s %.2f s" % (name, wall))
    finally:
        if os.path.exists(path):
            os.remove(path)
    print("  zonecheck on the 16 MiB shapes: best of 3 CPU times, peak resident memory of the process (ru_maxrss); "
          "largest: %.0f MB (%s); best wall times: %s" % (max(worst) + ("; ".join(walls),)))


main()
