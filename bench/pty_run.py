# Running a program in a pseudo-terminal for the benchmarks: starting it with
# the terminal as its controlling terminal, a small terminal emulator that
# keeps the screen the program draws (to tell when a screen is complete),
# and the figures Linux keeps per process (/proc/PID/status and schedstat).
# Standard library only.
import codecs
import ctypes
import fcntl
import os
import select
import struct
import sys
import termios
import time

COLUMNS = 80
ROWS = 25


class VtScreen:
    """The part of an xterm the programs here use: text, colours, cursor
    moves, erasing, line feeds with scrolling, the wrap at the right edge."""

    def __init__(self, columns=COLUMNS, rows=ROWS):
        self.columns = columns
        self.rows = rows
        self.cells = [[" ", None, None] for _ in range(columns * rows)]
        self.x = 0
        self.y = 0
        self.wrap_pending = False
        self.fg = None
        self.bg = None
        self.cursor_shown = True
        self.decoder = codecs.getincrementaldecoder("utf-8")("replace")
        self.state = "text"
        self.sequence = ""

    # -- reading the screen -------------------------------------------------
    def row_text(self, row):
        start = row * self.columns
        return "".join(cell[0] for cell in self.cells[start:start + self.columns])

    def snapshot(self):
        return ([tuple(cell) for cell in self.cells], self.x, self.y)

    # -- feeding bytes ------------------------------------------------------
    def feed(self, data):
        for ch in self.decoder.decode(data):
            self._char(ch)

    def _char(self, ch):
        if self.state == "escape":
            if ch == "[":
                self.state, self.sequence = "csi", ""
            elif ch == "]":
                self.state = "osc"
            else:
                self.state = "text"
            return
        if self.state == "csi":
            if "\x40" <= ch <= "\x7e":
                self.state = "text"
                self._csi(self.sequence, ch)
            else:
                self.sequence += ch
            return
        if self.state == "osc":
            if ch in "\x07\x1b":
                self.state = "text" if ch == "\x07" else "escape"
            return
        if ch == "\x1b":
            self.state = "escape"
        elif ch == "\r":
            self.x, self.wrap_pending = 0, False
        elif ch == "\n":
            self._line_feed()
        elif ch == "\b":
            self.x, self.wrap_pending = max(self.x - 1, 0), False
        elif ch >= " ":
            self._put(ch)

    def _line_feed(self):
        self.wrap_pending = False
        if self.y + 1 < self.rows:
            self.y += 1
        else:
            del self.cells[:self.columns]
            self.cells.extend([" ", None, None] for _ in range(self.columns))

    def _put(self, ch):
        if self.wrap_pending:
            self.x = 0
            self._line_feed()
        self.cells[self.y * self.columns + self.x] = [ch, self.fg, self.bg]
        if self.x + 1 < self.columns:
            self.x += 1
        else:
            self.wrap_pending = True

    def _erase(self, start, end):
        for i in range(start, end):
            self.cells[i] = [" ", None, self.bg]

    def _csi(self, body, final):
        private = body.startswith("?")
        fields = [f for f in body.lstrip("?").split(";")]
        numbers = [int(f) if f.isdigit() else 0 for f in fields]
        first = numbers[0] if numbers else 0
        if private:
            if first == 25 and final in "hl":
                self.cursor_shown = final == "h"
            return
        self.wrap_pending = False
        here = self.y * self.columns + self.x
        if final in "Hf":
            row = numbers[0] if len(numbers) > 0 and numbers[0] > 0 else 1
            col = numbers[1] if len(numbers) > 1 and numbers[1] > 0 else 1
            self.y = min(row, self.rows) - 1
            self.x = min(col, self.columns) - 1
        elif final == "C":
            self.x = min(self.x + max(first, 1), self.columns - 1)
        elif final == "D":
            self.x = max(self.x - max(first, 1), 0)
        elif final == "A":
            self.y = max(self.y - max(first, 1), 0)
        elif final == "B":
            self.y = min(self.y + max(first, 1), self.rows - 1)
        elif final == "G":
            self.x = min(max(first, 1), self.columns) - 1
        elif final == "J":
            if first == 0:
                self._erase(here, len(self.cells))
            elif first == 1:
                self._erase(0, here + 1)
            else:
                self._erase(0, len(self.cells))
        elif final == "K":
            row_start = self.y * self.columns
            if first == 0:
                self._erase(here, row_start + self.columns)
            elif first == 1:
                self._erase(row_start, here + 1)
            else:
                self._erase(row_start, row_start + self.columns)
        elif final == "m":
            for n in numbers or [0]:
                if n == 0:
                    self.fg = self.bg = None
                elif 30 <= n <= 37 or 90 <= n <= 97:
                    self.fg = n
                elif 40 <= n <= 47 or 100 <= n <= 107:
                    self.bg = n
                elif n == 39:
                    self.fg = None
                elif n == 49:
                    self.bg = None


def spawn(argv, columns=COLUMNS, rows=ROWS, env=None):
    """Starts argv with a new pseudo-terminal of the given size as its
    controlling terminal and standard streams. Returns (pid, master fd, start
    time). posix_spawn (vfork) keeps the copy of this interpreter's memory out
    of the child's start-up cost."""
    master, slave = os.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))
    name = os.ttyname(slave)
    environment = dict(os.environ if env is None else env)
    environment["TERM"] = "xterm-256color"
    environment["COLUMNS"] = str(columns)
    environment["LINES"] = str(rows)
    actions = [
        (os.POSIX_SPAWN_OPEN, 0, name, os.O_RDWR, 0),
        (os.POSIX_SPAWN_DUP2, 0, 1),
        (os.POSIX_SPAWN_DUP2, 0, 2),
    ]
    start = time.perf_counter()
    pid = os.posix_spawn(argv[0], argv, environment, file_actions=actions, setsid=True)
    os.close(slave)
    return pid, master, start


class Session:
    """A program in a pseudo-terminal: everything it writes goes through the
    emulator and is counted."""

    def __init__(self, argv, columns=COLUMNS, rows=ROWS):
        self.pid, self.master, self.start = spawn(argv, columns, rows)
        self.screen = VtScreen(columns, rows)
        self.bytes_out = 0
        self.closed = False
        self.last_output = self.start
        self.status = None
        self.rusage = None

    def _read_once(self, timeout):
        if self.closed:
            return False
        ready, _, _ = select.select([self.master], [], [], max(timeout, 0))
        if not ready:
            return False
        try:
            data = os.read(self.master, 65536)
        except OSError:
            data = b""
        now = time.perf_counter()
        if not data:
            self.closed = True
            return False
        self.last_output = now
        self.bytes_out += len(data)
        self.screen.feed(data)
        return True

    def wait_until(self, predicate, timeout=5.0):
        """Reads until predicate(screen) holds; returns the time it first
        held (perf_counter), or None on a timeout or the end of output."""
        deadline = time.perf_counter() + timeout
        while True:
            if predicate(self.screen):
                return self.last_output
            left = deadline - time.perf_counter()
            if left <= 0 or self.closed:
                return None
            self._read_once(left)

    def drain(self, seconds):
        """Reads whatever comes during `seconds`."""
        deadline = time.perf_counter() + seconds
        while not self.closed:
            left = deadline - time.perf_counter()
            if left <= 0:
                break
            self._read_once(left)

    def wait_quiet(self, quiet, timeout=10.0):
        """Reads until nothing came for `quiet` seconds; returns the time of
        the last byte."""
        deadline = time.perf_counter() + timeout
        while not self.closed and time.perf_counter() < deadline:
            if not self._read_once(quiet):
                break
        return self.last_output

    def type(self, text, gap=0.0):
        """Types text, one key every `gap` seconds (all at once for 0),
        reading the output meanwhile."""
        data = text.encode()
        if gap <= 0:
            view = memoryview(data)
            deadline = time.perf_counter() + 30.0
            while view:
                if time.perf_counter() > deadline:
                    raise RuntimeError("the program stopped reading its input")
                _, writable, _ = select.select([self.master], [self.master], [], 1.0)
                if writable:
                    written = os.write(self.master, view[:4096])
                    view = view[written:]
                self._read_once(0)
            return
        for i in range(len(data)):
            os.write(self.master, data[i:i + 1])
            self.drain(gap)

    def finish(self, timeout=10.0):
        """Reads to the end of output and reaps the process, killing it if
        it has not ended within `timeout`."""
        deadline = time.perf_counter() + timeout
        while not self.closed and time.perf_counter() < deadline:
            self._read_once(deadline - time.perf_counter())
        if not self.closed:
            os.kill(self.pid, 9)
        _, self.status, self.rusage = os.wait4(self.pid, 0)
        os.close(self.master)
        return self.status

    def kill(self):
        os.kill(self.pid, 9)
        self.finish()


# The exit status CTest is told means "skipped" (SKIP_RETURN_CODE).
SKIP_STATUS = 77


def require_proc(script, *files):
    """Ends the script as skipped, saying why, where Linux's per-process
    files are missing (macOS, FreeBSD): its figures come from them."""
    missing = [f for f in files if not os.path.exists(f"/proc/self/{f}")]
    if not sys.platform.startswith("linux") or missing:
        print(f"SKIPPED: {script} reads /proc/PID/{' and '.join(files)} (Linux), which this system does not have")
        sys.exit(SKIP_STATUS)


def proc_status(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            key, _, value = line.partition(":")
            fields[key] = value.strip()
    return fields


def status_kb(fields, key):
    return int(fields[key].split()[0])


def cpu_ns(pid):
    """Time the process has run on a CPU, in nanoseconds (schedstat)."""
    with open(f"/proc/{pid}/schedstat") as schedstat:
        return int(schedstat.read().split()[0])


def cpu_seconds(rusage):
    return rusage.ru_utime + rusage.ru_stime


# -- peak memory of a process too short-lived to read while it runs ---------
_PTRACE_TRACEME = 0
_PTRACE_CONT = 7
_PTRACE_SETOPTIONS = 0x4200
_PTRACE_O_TRACEEXIT = 0x40


def peak_at_exit_kb(argv, stdin_path=os.devnull):
    """VmHWM of argv at the moment it exits, read while ptrace holds it
    there. (ru_maxrss is no use here: it counts the memory of the process that
    forked, this interpreter.)"""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.ptrace.restype = ctypes.c_long
    libc.ptrace.argtypes = [ctypes.c_long, ctypes.c_long, ctypes.c_void_p, ctypes.c_void_p]
    null = os.open(os.devnull, os.O_RDWR)
    source = os.open(stdin_path, os.O_RDONLY)
    pid = os.fork()
    if pid == 0:
        try:
            os.dup2(source, 0)
            for fd in (1, 2):
                os.dup2(null, fd)
            libc.ptrace(_PTRACE_TRACEME, 0, None, None)
            os.execv(argv[0], argv)
        finally:
            os._exit(127)
    os.close(null)
    os.close(source)
    os.waitpid(pid, 0)  # stopped at exec
    libc.ptrace(_PTRACE_SETOPTIONS, pid, None, ctypes.c_void_p(_PTRACE_O_TRACEEXIT))
    libc.ptrace(_PTRACE_CONT, pid, None, None)
    peak = None
    while True:
        _, status = os.waitpid(pid, 0)
        if os.WIFEXITED(status) or os.WIFSIGNALED(status):
            return peak
        if os.WIFSTOPPED(status) and (status >> 16) == 6:  # PTRACE_EVENT_EXIT
            peak = status_kb(proc_status(pid), "VmHWM")
            libc.ptrace(_PTRACE_CONT, pid, None, None)
        else:
            signal_number = os.WSTOPSIG(status) if os.WIFSTOPPED(status) else 0
            libc.ptrace(_PTRACE_CONT, pid, None, ctypes.c_void_p(signal_number))


def median(values):
    ordered = sorted(values)
    n = len(ordered)
    if n == 0:
        return float("nan")
    mid = n // 2
    return ordered[mid] if n % 2 else (ordered[mid - 1] + ordered[mid]) / 2

