#!/usr/bin/env python3
# The paste benchmark: 10 KB of digits (in no repeating pattern, so no row of
# the scrolled echo matches the row it replaces) pasted at the first question
# of portata in an 80x25 pseudo-terminal, all at once as a terminal delivers a
# paste. Reports how long after the last pasted byte the screen settles and
# how many bytes portata wrote for it, then finishes the run (Enter, 25,
# Enter, a key). Figures only: the exit status is 0 unless a run could not
# be made at all.
import argparse
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pty_run  # noqa: E402

QUIET = 0.5  # no output for this long: the screen has settled


def paste_run(portata, size):
    session = pty_run.Session([portata])
    if session.wait_until(lambda s: "Antenna TX" in s.row_text(7) and (s.x, s.y) == (39, 7)) is None:
        raise RuntimeError("portata: the first question never appeared")
    session.wait_quiet(0.2)
    before = session.bytes_out
    digits = random.Random(size)
    pasted = "".join(digits.choice("0123456789") for _ in range(size))
    session.type(pasted)
    last_in = time.perf_counter()
    last_out = session.wait_quiet(QUIET)
    written = session.bytes_out - before
    # The end of the pasted line is on the screen, the cursor after it.
    tail = session.screen.row_text(session.screen.y)[:session.screen.x]
    if not tail or not pasted.endswith(tail):
        raise RuntimeError("portata: the pasted line is not on the screen")
    session.type("\r")
    session.wait_quiet(0.2)
    session.type("25\r")
    if session.wait_until(lambda s: any("premi un tasto" in s.row_text(r) for r in range(s.rows))) is None:
        raise RuntimeError("portata: the last screen never appeared")
    # Keys typed before the wait for a key begins are dropped by it, as a
    # user's would be: press it once the wait has begun.
    session.drain(0.2)
    session.type(" ")
    status = session.finish()
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        raise RuntimeError(f"portata: exit status {status}")
    return max(last_out - last_in, 0.0), written


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--portata", required=True)
    parser.add_argument("--size", type=int, default=10240, help="bytes pasted")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    portata = os.path.abspath(args.portata)
    settles, writes = [], []
    for _ in range(args.runs):
        settle, written = paste_run(portata, args.size)
        settles.append(settle)
        writes.append(written)
    settle = pty_run.median(settles)
    written = pty_run.median(writes)
    print("| figure | portata | target | met |")
    print("|---|---:|---|---|")
    print("| screen settled after the last pasted byte (ms, median of %d) | %.1f | <= 50 | %s |"
          % (args.runs, settle * 1000, "yes" if settle <= 0.050 else "NO"))
    print("| bytes written for a paste of %d bytes | %d (%.2fx) | <= 2x | %s |"
          % (args.size, written, written / args.size, "yes" if written <= 2 * args.size else "NO"))


if __name__ == "__main__":
    main()
