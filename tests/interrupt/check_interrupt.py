"""Ctrl-C during a long call, in each host: SIGINT 0.5 s into a call of
several seconds must end it within 0.5 s with no result, and the next call
must work. Exits non-zero on failure.

    check_interrupt.py python PYTHON_PACKAGE_DIR
    check_interrupt.py octave OCTAVE_CLI MODULE_DIR   (oct-files or MEX files)

The host is a child process. It says "started" just before each long call
and "interrupted" once the call has ended by the interrupt; the time from the
signal to that line is measured here. Then it reports whether the call's
output was left unassigned and whether a small call gives its result as
before the interrupt: "result 1 next 1".
"""
import os
import queue
import signal
import subprocess
import sys
import threading
import time

WAIT = 0.5   # into the call, before the signal
BOUND = 0.5  # from the signal to the end of the call
STALL = 120  # no line for this long: the child is stuck

# rank_diverse over 8,000 candidates of 20 items among 2,000, and
# suppress_overlaps over 4,000 such rows (none dropped), each take several
# seconds. The second call is stopped by a SIGINT handler of the user's,
# whose exception comes through as raised.
PYTHON_CHILD = r"""
import signal
import numpy as np
from mexsets import octave

def say(text):
    print(text, flush=True)

rng = np.random.default_rng(1)
items = rng.integers(0, 2000, size=(8000, 20)).astype(float)
relevance = rng.random(8000)
w = rng.random((2000, 2000))
rows = rng.integers(0, 2000, size=(4000, 20)).astype(float)
small = (items[:50], relevance[:50], w, 0.6)
expected = octave.rank_diverse(*small)

def report(result):
    again = octave.rank_diverse(*small)
    same = all(np.array_equal(a, b) for a, b in zip(again, expected))
    say(f"result {int(result is None)} next {int(same)}")

class Stop(Exception):
    pass

def stop(number, frame):
    raise Stop()

for call, caught in ((lambda: octave.rank_diverse(items, relevance, w, 0.6), KeyboardInterrupt),
                     (lambda: octave.suppress_overlaps(rows, np.ones(2000), w, 1.0), Stop)):
    result = None
    say("started")
    try:
        result = call()
        say("finished")
    except caught:
        say("interrupted")
    report(result)
    signal.signal(signal.SIGINT, stop)
"""

# Octave reads commands from the pipe; an interrupt abandons the rest of the
# line, and the line after it is sent once the signal is.
OCTAVE_SETUP = r"""
more off;
rand("seed", 1); items = floor(rand(8000, 20) * 2000); relevance = rand(8000, 1); w = rand(2000);
[expected_order, expected_scores] = rank_diverse(items(1:50, :), relevance(1:50), w, 0.6);
printf("started\n"); fflush(stdout); [order, scores] = rank_diverse(items, relevance, w, 0.6); printf("finished\n"); fflush(stdout);
"""
OCTAVE_AFTER = r"""
printf("interrupted\n"); fflush(stdout);
[o, s] = rank_diverse(items(1:50, :), relevance(1:50), w, 0.6);
printf("result %d next %d\n", !exist("order"), isequal(o, expected_order) && isequal(s, expected_scores));
clear mex; exit(0);
"""


class Child:
    def __init__(self, command, env=None):
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True, bufsize=1, env=env)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def send(self, text):
        self.process.stdin.write(text)
        self.process.stdin.flush()

    def expect(self, *starts):
        """The next line that starts with one of `starts`; others are echoed."""
        while True:
            try:
                line = self.lines.get(timeout=STALL)
            except queue.Empty:
                line = None
                print(f"no line in {STALL} s")
            if line is None:
                self.process.kill()
                sys.exit(f"FAIL the child stopped or ended before {' or '.join(starts)}")
            if line.startswith(starts):
                return line
            print(f"  child: {line}")

    def interrupt(self, then=""):
        """SIGINT WAIT s after "started": the seconds until "interrupted"."""
        self.expect("started")
        time.sleep(WAIT)
        sent = time.monotonic()
        self.process.send_signal(signal.SIGINT)
        self.send(then)
        line = self.expect("interrupted", "finished")
        ended = time.monotonic() - sent
        return ended if line == "interrupted" else float("inf")


def main():
    if sys.argv[1] == "python":
        host = "python"
        child = Child([sys.executable, "-c", PYTHON_CHILD],
                      dict(os.environ, PYTHONPATH=sys.argv[2]))
        calls = ["rank_diverse, KeyboardInterrupt", "suppress_overlaps, a handler's exception"]
    else:
        host = os.path.basename(os.path.normpath(sys.argv[3]))
        child = Child([sys.argv[2], "--norc", "--quiet", "--no-window-system"])
        child.send(f"addpath('{sys.argv[3]}');\n" + OCTAVE_SETUP)
        calls = ["rank_diverse"]
    failed = False
    for call in calls:
        ended = child.interrupt(OCTAVE_AFTER if host != "python" else "")
        report = child.expect("result")
        ok = ended <= BOUND and report == "result 1 next 1"
        failed = failed or not ok
        print(f"{'ok  ' if ok else 'FAIL'} {host} ({call}): ended {ended * 1000:.0f} ms after "
              f"SIGINT (bound {BOUND * 1000:.0f} ms); {report}")
    child.process.stdin.close()
    if child.process.wait(timeout=STALL) != 0:
        print(f"FAIL {host}: the child exited with status {child.process.returncode}")
        failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
