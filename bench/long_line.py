#!/usr/bin/env python3
# The long-line benchmark: one typed line of 1 MB, 10 MB and 100 MB (the
# digit 7 repeated, then a line end) read by portata in pipe mode (standard
# output not a terminal), then 25 for the second question. Reports the time
# and the peak memory for each length, and how they grow with the line.
# Figures only: the exit status is 0 unless a run could not be made at all.
import argparse
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pty_run  # noqa: E402

MB = 1 << 20
# A line of sevens reads as the largest 32-bit height: 4 x (sqrt(2^31 - 1) + 5).
EXPECTED_RANGE = b"185384"


def make_input(directory, size):
    path = os.path.join(directory, f"line_{size}")
    with open(path, "wb") as out:
        block = b"7" * MB
        left = size
        while left > 0:
            out.write(block[:min(left, MB)])
            left -= min(left, MB)
        out.write(b"\n25\n")
    return path


def timed_run(portata, input_path, output_path):
    actions = [
        (os.POSIX_SPAWN_OPEN, 0, input_path, os.O_RDONLY, 0),
        (os.POSIX_SPAWN_OPEN, 1, output_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
    ]
    start = time.perf_counter()
    pid = os.posix_spawn(portata, [portata], os.environ, file_actions=actions)
    _, status, rusage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        raise RuntimeError(f"portata: exit status {status}")
    with open(output_path, "rb") as produced:
        if EXPECTED_RANGE not in produced.read():
            raise RuntimeError("portata: the range of a line of sevens is missing from its output")
    return elapsed, pty_run.cpu_seconds(rusage)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--portata", required=True)
    parser.add_argument("--sizes", default="1,10,100", help="line lengths in MB")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    # The peak memory is VmHWM, read as the program exits (under ptrace).
    pty_run.require_proc("long_line.py", "status")
    portata = os.path.abspath(args.portata)
    sizes = [int(s) * MB for s in args.sizes.split(",")]

    results = []
    with tempfile.TemporaryDirectory(prefix="portata-bench-") as directory:
        output = os.path.join(directory, "out")
        for size in sizes:
            path = make_input(directory, size)
            times, cpus = [], []
            for _ in range(args.runs):
                elapsed, cpu = timed_run(portata, path, output)
                times.append(elapsed)
                cpus.append(cpu)
            peak = pty_run.peak_at_exit_kb([portata], stdin_path=path)
            results.append((size, pty_run.median(times), pty_run.median(cpus), peak))
            os.unlink(path)

    print("| line | time (ms, median of %d) | CPU (ms) | peak memory (kB) | peak / line | time vs the line 10x shorter |"
          % args.runs)
    print("|---:|---:|---:|---:|---:|---:|")
    previous = None
    for size, elapsed, cpu, peak in results:
        growth = "-"
        if previous is not None and size == previous[0] * 10:
            growth = "%.1fx" % (elapsed / previous[1])
        print("| %d MB | %.1f | %.1f | %d | %.2f | %s |" % (
            size // MB, elapsed * 1000, cpu * 1000, peak, peak * 1024 / size, growth))
        previous = (size, elapsed)
    print()
    print("targets: 10x the line at most 12x the time; 100 MB under 500 ms with peak memory under 1.3x the line")


if __name__ == "__main__":
    main()
