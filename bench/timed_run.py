#!/usr/bin/env python3
"""Runs a command and prints its wall time, user and system CPU seconds and
peak memory (KiB) on one line, with microsecond resolution. The peak comes
from GNU time, which starts the command from a small process of its own: a
child forked from this Python would count Python's pages as its own.

    timed_run.py OUTFILE command [args...]
"""
import os
import subprocess
import sys
import time

out, command = sys.argv[1], sys.argv[2:]
peak_file = out + ".peak"
start = time.perf_counter()
child = subprocess.Popen(["/usr/bin/time", "-q", "-f", "%M", "-o", peak_file] + command)
_, status, usage = os.wait4(child.pid, 0)
wall = time.perf_counter() - start
with open(peak_file) as f:
    peak = f.read().split()[-1]
with open(out, "w") as f:
    f.write(f"{wall:.6f} {usage.ru_utime:.6f} {usage.ru_stime:.6f} {peak}\n")
sys.exit(os.waitstatus_to_exitcode(status))
