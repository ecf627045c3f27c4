#!/usr/bin/env python3
# The whole-run benchmark: portata in an 80x25 pseudo-terminal, typed at as a
# user would (100, Enter, 25, Enter, then a key after a wait), against two
# floors measured in the same run: /bin/true and bench/floor.c, which writes
# the same first screen in one write. Reports the time to the first complete
# screen, the bytes written, the peak memory, the total CPU time, and the
# wake-ups and CPU time per second while portata waits for the key.
# With --before (another build of portata), only the key wait instead: both
# builds and the floor's 50 ms poll waiting at once, measured over the same
# windows of a few seconds.
# Figures only: the exit status is 0 unless a run could not be made at all.
import argparse
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pty_run  # noqa: E402

KEY_GAP = 0.12  # seconds between typed keys: a quick typist
SETTLE = 0.3    # after the last screen, before the wait is measured


def expected_first_screen(floor):
    session = pty_run.Session([floor])
    session.wait_quiet(0.3)
    snapshot = session.screen.snapshot()
    session.type("\r")
    session.finish()
    return snapshot


def first_screen_time(argv, expected):
    """Seconds from the start to the moment the screen equals `expected`."""
    session = pty_run.Session(argv)
    shown = session.wait_until(lambda screen: screen.snapshot() == expected, timeout=5.0)
    session.kill()
    if shown is None:
        raise RuntimeError(f"{argv[0]}: the first screen never appeared")
    return shown - session.start


def true_run_time():
    start = time.perf_counter()
    pid = os.posix_spawn("/bin/true", ["/bin/true"], os.environ)
    _, _, rusage = os.wait4(pid, 0)
    return time.perf_counter() - start, pty_run.cpu_seconds(rusage)


def waiting_figures(session, idle, beside=None):
    """Voluntary context switches and CPU time per second over `idle`
    seconds, and the peak memory so far; with `beside`, also the CPU time
    per second of that session over the same seconds."""
    before = pty_run.proc_status(session.pid)
    cpu_before = pty_run.cpu_ns(session.pid)
    beside_before = pty_run.cpu_ns(beside.pid) if beside else 0
    started = time.perf_counter()
    session.drain(idle)
    elapsed = time.perf_counter() - started
    after = pty_run.proc_status(session.pid)
    cpu_after = pty_run.cpu_ns(session.pid)
    switches = int(after["voluntary_ctxt_switches"]) - int(before["voluntary_ctxt_switches"])
    figures = {
        "wakeups_per_s": switches / elapsed,
        "wait_cpu_us_per_s": (cpu_after - cpu_before) / 1000.0 / elapsed,
        "peak_kb": pty_run.status_kb(after, "VmHWM"),
    }
    if beside:
        figures["beside_cpu_us_per_s"] = (pty_run.cpu_ns(beside.pid) - beside_before) / 1000.0 / elapsed
    return figures


def at_key_wait(portata, expected):
    """portata typed at up to its wait for a key: 100, Enter, 25, Enter, and
    the range on its screen."""
    session = pty_run.Session([portata])
    if session.wait_until(lambda s: s.snapshot() == expected) is None:
        raise RuntimeError("portata: the first screen never appeared")
    session.type("100", KEY_GAP)
    session.type("\r")
    if session.wait_until(lambda s: "Antenna RX" in s.row_text(9) and (s.x, s.y) == (39, 9)) is None:
        raise RuntimeError("portata: the second question never appeared")
    session.type("25", KEY_GAP)
    session.type("\r")
    if session.wait_until(lambda s: "60 km" in s.row_text(19) and "premi un tasto" in s.row_text(24)) is None:
        raise RuntimeError("portata: the range never appeared:\n" + "\n".join(
            session.screen.row_text(r) for r in range(session.screen.rows)))
    return session


def portata_full_run(portata, floor, expected, idle):
    session = at_key_wait(portata, expected)
    figures = {"cpu_before_wait_ms": pty_run.cpu_ns(session.pid) / 1e6}
    # The floor of the 50 ms poll waits beside it, over the same seconds:
    # this machine's cost of a wake-up drifts too much from one moment to
    # the next for figures taken one after the other.
    sleeper = sleeping_floor(floor, expected)
    session.drain(SETTLE)
    figures.update(waiting_figures(session, idle, beside=sleeper))
    sleeper.kill()
    session.type(" ")
    status = session.finish()
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        raise RuntimeError(f"portata: exit status {status}")
    figures["bytes"] = session.bytes_out
    figures["cpu_ms"] = pty_run.cpu_seconds(session.rusage) * 1000
    return figures


def floor_full_run(floor, expected, idle):
    session = pty_run.Session([floor])
    if session.wait_until(lambda s: s.snapshot() == expected) is None:
        raise RuntimeError("floor: the first screen never appeared")
    bytes_out = session.bytes_out
    session.drain(SETTLE)
    figures = waiting_figures(session, idle)
    session.type("\r")
    session.finish()
    figures["bytes"] = bytes_out
    figures["cpu_ms"] = pty_run.cpu_seconds(session.rusage) * 1000
    return figures


def sleeping_floor(floor, expected):
    """The floor that polls every 50 ms, started and showing its screen:
    what the key poll costs at least."""
    session = pty_run.Session([floor, "sleep"])
    if session.wait_until(lambda s: s.snapshot() == expected) is None:
        raise RuntimeError("floor: the first screen never appeared")
    return session


def wait_windows(sessions, windows, seconds):
    """CPU time (us) and wake-ups per second of each session, window by
    window, all over the same seconds; the order they are read in turns
    with each window."""
    rows = []
    names = list(sessions)
    for i in range(windows):
        order = names[i % len(names):] + names[:i % len(names)]
        cpu = {name: pty_run.cpu_ns(sessions[name].pid) for name in order}
        woken = {name: int(pty_run.proc_status(sessions[name].pid)["voluntary_ctxt_switches"]) for name in order}
        started = time.perf_counter()
        time.sleep(seconds)
        elapsed = time.perf_counter() - started
        row = {}
        for name in order:
            switches = int(pty_run.proc_status(sessions[name].pid)["voluntary_ctxt_switches"]) - woken[name]
            row[name] = ((pty_run.cpu_ns(sessions[name].pid) - cpu[name]) / 1000.0 / elapsed, switches / elapsed)
        rows.append(row)
    return rows


def compare_waits(after, before, floor, expected, windows, seconds):
    """Two builds of portata at their key wait beside the floor's 50 ms
    poll, all three waiting at once: a table of each window's CPU per second
    and of each build's ratio to the floor, with the load of the machine."""
    sessions = {"before": at_key_wait(before, expected), "after": at_key_wait(after, expected),
                "floor": sleeping_floor(floor, expected)}
    time.sleep(SETTLE)
    load = os.getloadavg()
    rows = wait_windows(sessions, windows, seconds)
    for session in sessions.values():
        session.kill()

    def ratio(row, name):
        return row[name][0] / row["floor"][0]

    def line(label, row, before_ratio, after_ratio):
        print("| %s | %.0f | %.0f | %.0f | %.3fx | %.3fx | %.1f, %.1f, %.1f |" % (
            label, row["before"][0], row["after"][0], row["floor"][0], before_ratio, after_ratio,
            row["before"][1], row["after"][1], row["floor"][1]))

    print("load average (1, 5, 15 min) at the start: %.2f %.2f %.2f; at the end: %.2f %.2f %.2f" %
          (load + os.getloadavg()))
    print("| window (%g s) | before (us/s) | after (us/s) | floor (us/s) | before/floor | after/floor "
          "| wake-ups/s before, after, floor |" % seconds)
    print("|---|---:|---:|---:|---:|---:|---|")
    for i, row in enumerate(rows):
        line(str(i + 1), row, ratio(row, "before"), ratio(row, "after"))
    medians = {name: tuple(pty_run.median([row[name][k] for row in rows]) for k in (0, 1)) for name in sessions}
    line("median", medians, pty_run.median([ratio(row, "before") for row in rows]),
         pty_run.median([ratio(row, "after") for row in rows]))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--portata", required=True)
    parser.add_argument("--floor", required=True)
    parser.add_argument("--runs", type=int, default=30, help="runs for the first-screen times")
    parser.add_argument("--full-runs", type=int, default=3, help="typed runs of each program")
    parser.add_argument("--idle", type=float, default=2.0, help="seconds the key wait is measured")
    parser.add_argument("--json", help="also write the figures here")
    parser.add_argument("--before", help="another build of portata: compare the two key waits only")
    parser.add_argument("--windows", type=int, default=7, help="windows the key waits are compared in")
    parser.add_argument("--window-seconds", type=float, default=3.0, help="seconds of each window")
    args = parser.parse_args()
    # Peak memory, CPU time and wake-ups come from the process's own files.
    pty_run.require_proc("whole_run.py", "status", "schedstat")
    portata = os.path.abspath(args.portata)
    floor = os.path.abspath(args.floor)

    expected = expected_first_screen(floor)
    if args.before:
        compare_waits(portata, os.path.abspath(args.before), floor, expected, args.windows, args.window_seconds)
        return

    first = {"portata": [], "floor": [], "true": []}
    true_cpu = []
    for i in range(args.runs):
        # Alternating, so a change in the machine's load hits both alike.
        order = [("portata", portata), ("floor", floor)]
        if i % 2:
            order.reverse()
        for name, path in order:
            first[name].append(first_screen_time([path], expected))
        elapsed, cpu = true_run_time()
        first["true"].append(elapsed)
        true_cpu.append(cpu)

    runs = {"portata": [], "floor": []}
    for _ in range(args.full_runs):
        runs["portata"].append(portata_full_run(portata, floor, expected, args.idle))
        runs["floor"].append(floor_full_run(floor, expected, args.idle))

    def med(name, key):
        return pty_run.median([run[key] for run in runs[name]])

    figures = {
        "first_screen_ms": {name: pty_run.median(times) * 1000 for name, times in first.items()},
        "bytes": {"portata": med("portata", "bytes"), "floor": med("floor", "bytes")},
        "peak_kb": {
            "portata": med("portata", "peak_kb"),
            "floor": med("floor", "peak_kb"),
            "true": pty_run.peak_at_exit_kb(["/bin/true"]),
        },
        "cpu_ms": {
            "portata": med("portata", "cpu_ms"),
            "floor": med("floor", "cpu_ms"),
            "true": pty_run.median(true_cpu) * 1000,
        },
        "cpu_before_wait_ms": {"portata": med("portata", "cpu_before_wait_ms")},
        "wakeups_per_s": {
            "portata": med("portata", "wakeups_per_s"),
            "floor": med("floor", "wakeups_per_s"),
        },
        "wait_cpu_us_per_s": {
            "portata": med("portata", "wait_cpu_us_per_s"),
            "floor": med("floor", "wait_cpu_us_per_s"),
            "sleeping": med("portata", "beside_cpu_us_per_s"),
        },
    }

    f = figures
    ratio_first = f["first_screen_ms"]["portata"] / f["first_screen_ms"]["floor"]
    ratio_cpu = f["cpu_ms"]["portata"] / f["cpu_ms"]["floor"]
    ratio_peak = f["peak_kb"]["portata"] / f["peak_kb"]["floor"]
    ratio_before = f["cpu_before_wait_ms"]["portata"] / f["cpu_ms"]["floor"]
    # The 50 ms poll is the design's: its own floor is the C loop of the same two calls.
    ratio_wait = pty_run.median([run["wait_cpu_us_per_s"] / run["beside_cpu_us_per_s"] for run in runs["portata"]])
    rows = [
        ("time to the first complete screen (ms, median of %d)" % args.runs,
         f["first_screen_ms"], "%.2f", "%.2fx C floor" % ratio_first, "<= 1.25x", ratio_first <= 1.25),
        ("bytes written, whole run", f["bytes"], "%d", "", "<= 340", f["bytes"]["portata"] <= 340),
        ("peak memory, VmHWM (kB)", f["peak_kb"], "%d", "%.2fx C floor" % ratio_peak, "<= 1.25x",
         ratio_peak <= 1.25),
        ("total CPU time (ms, median of %d; %.1f s key wait included)" % (args.full_runs, SETTLE + args.idle),
         f["cpu_ms"], "%.2f", "%.2fx C floor" % ratio_cpu, "", None),
        ("CPU time up to the key wait (ms)", f["cpu_before_wait_ms"], "%.2f",
         "%.2fx C floor's total" % ratio_before, "<= 1.5x", ratio_before <= 1.5),
        ("wake-ups per second waiting for the key", f["wakeups_per_s"], "%.1f", "", "<= 20",
         f["wakeups_per_s"]["portata"] <= 20.5),
        ("CPU per second waiting for the key (us)", f["wait_cpu_us_per_s"], "%.0f",
         "%.2fx 50 ms poll" % ratio_wait, "<= 1.15x", ratio_wait <= 1.15),
    ]

    def cell(values, name, fmt):
        return fmt % values[name] if name in values else "-"

    print("| figure | portata | C floor | /bin/true | C floor, 50 ms poll | ratio | target | met |")
    print("|---|---:|---:|---:|---:|---|---|---|")
    for label, values, fmt, ratio, target, met in rows:
        print("| %s | %s | %s | %s | %s | %s | %s | %s |" % (
            label, cell(values, "portata", fmt), cell(values, "floor", fmt), cell(values, "true", fmt),
            cell(values, "sleeping", fmt), ratio, target, "" if met is None else "yes" if met else "NO"))
    if args.json:
        with open(args.json, "w") as out:
            json.dump({"figures": figures, "runs": runs, "first_screen_s": first}, out, indent=1)


if __name__ == "__main__":
    main()
