#!/usr/bin/env python3
"""Kills th10run with SIGKILL at random moments and resumes it until it
finishes, then compares every result file with those of an uninterrupted
run: they must be equal byte for byte. After every kill the PVD file must
parse and list only complete VTU files, and the CSV must end with a whole
row.

usage: kill_resume.py PROGRAM PROBLEM WORKDIR [KILLS]
"""
import os
import random
import shutil
import signal
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

program, problem, work = sys.argv[1:4]
kills = int(sys.argv[4]) if len(sys.argv) > 4 else 5
seed = int(os.environ.get("KILL_SEED", time.time_ns() % 100000))
random.seed(seed)
print(f"seed {seed} (set KILL_SEED to repeat)")
shutil.rmtree(work, ignore_errors=True)  # no checkpoint of an earlier run to resume from
os.makedirs(work)


def run(folder, resume, kill_after=None):
    args = [program, problem, "--output", folder, "--quiet", "--threads", "2"] + (["--resume"] if resume else [])
    p = subprocess.Popen(args, cwd=work, stdout=subprocess.DEVNULL)
    try:
        return p.wait(timeout=kill_after)
    except subprocess.TimeoutExpired:
        p.send_signal(signal.SIGKILL)
        p.wait()
        return None


def check_readable(folder):
    pvd = [f for f in os.listdir(folder) if f.endswith(".pvd")]
    for name in pvd:
        for ds in ET.parse(os.path.join(folder, name)).getroot().iter("DataSet"):
            ET.parse(os.path.join(folder, ds.get("file")))  # complete XML
    for name in [f for f in os.listdir(folder) if f.endswith(".csv")]:
        text = open(os.path.join(folder, name)).read()
        rows = text.splitlines()
        assert text.endswith("\n") and len({r.count(",") for r in rows}) == 1, f"{name}: a row is cut short"


start = time.monotonic()
assert run("whole", False) == 0, "the uninterrupted run failed"
whole = time.monotonic() - start
resume, killed = False, 0
for _ in range(kills):
    code = run("killed", resume, random.uniform(0.05, whole / 3))
    if code is not None:
        break
    killed += 1
    resume = True
    if os.path.isdir(os.path.join(work, "killed")):
        check_readable(os.path.join(work, "killed"))
else:
    code = run("killed", True)
assert code == 0, f"the resumed run failed ({code})"
print(f"killed {killed} times, then finished")

a, b = os.path.join(work, "whole"), os.path.join(work, "killed")
files = sorted(f for f in os.listdir(a) if not f.endswith(".checkpoint"))
assert files == sorted(f for f in os.listdir(b) if not f.endswith(".checkpoint")), "different files"
for f in files:
    assert open(os.path.join(a, f), "rb").read() == open(os.path.join(b, f), "rb").read(), f + " differs"
print(f"{len(files)} result files equal byte for byte")

# A damaged checkpoint is refused with a message that names it.
with open(os.path.join(b, [f for f in os.listdir(b) if f.endswith(".checkpoint")][0]), "r+b") as f:
    f.truncate(1000)
p = subprocess.run([program, problem, "--output", "killed", "--resume"], cwd=work, capture_output=True, text=True)
assert p.returncode == 2 and ".checkpoint: cut short in the Gauss points" in p.stderr, p.stderr
print("a damaged checkpoint is refused:", p.stderr.strip())
