#!/usr/bin/env python3
"""Runs zonecheck over every catalogue of the corpus: its report must equal <case>.report (exit status first), and its
JSON must list exactly the zones of <case>.expected, the catalogue the launcher's scan yields.
Usage: check_reports.py DATA_DIR COMMAND... (the command that starts zonecheck, emulator first where there is one)."""
import json, os, re, select, shutil, subprocess, sys, tempfile, time

data, command = sys.argv[1], sys.argv[2:]
failures = []
TIMEOUT = 120  # seconds for one call: a zonecheck that blocks fails its case instead of the whole run hanging

errors = b""  # the error output of the last run, shown with a report that differs

def run(*args, cwd=data):
    global errors
    # No standard input: zonecheck reads none, and under Wine an inherited terminal slows every start.
    try:
        done = subprocess.run(command + list(args), cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=TIMEOUT)
    except subprocess.TimeoutExpired as late:
        errors = late.stderr or b""
        failures.append("%r: no answer within %d s (ended); output so far %r" % (args, TIMEOUT, late.stdout))
        return -1, b""
    errors = done.stderr
    return done.returncode, done.stdout.replace(b"\r\n", b"\n")

# Under Wine, a prefix whose server is not kept running ends the server and Wine's background programs after every
# call and starts them again for the next (seconds a call); and the background programs a call starts hold its
# output pipes open until they end, so the call's answer is complete only then. One Wine program kept open for the
# whole run (a command prompt waiting for its input), ready before the first call, keeps them running with handles
# of its own. It is ended by closing its input. Natively there is nothing to keep.
keeper = None
if command[:-1]:
    keeper = subprocess.Popen(command[:-1] + ["cmd"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
    keeper.stdin.write(b"echo keeper-ready\r\n")
    keeper.stdin.flush()
    said, deadline = b"", time.monotonic() + TIMEOUT
    while not re.search(rb"(^|[\n>])keeper-ready\r?\n", said) and time.monotonic() < deadline:
        if select.select([keeper.stdout], [], [], 1)[0]:
            chunk = os.read(keeper.stdout.fileno(), 4096)
            if not chunk:
                break
            said += chunk
    if not re.search(rb"(^|[\n>])keeper-ready\r?\n", said):
        failures.append("Wine's command prompt kept open for the run did not answer within %d s: %r" % (TIMEOUT, said))

cases = sorted(f[:-4] for f in os.listdir(data) if f.endswith(".ini"))
for case in cases:
    status, text = run(case + ".ini")
    expected = open(os.path.join(data, case + ".report"), "rb").read()
    if b"exit %d\n" % status + text != expected:
        failures.append(case + ": report differs from " + case + ".report:\n" + (b"exit %d\n" % status + text).decode("utf-8", "replace")
                        + "error output: %r" % errors)
    status, out = run("--json", case + ".ini")
    try:
        zones = json.loads(out)["zones"]
    except ValueError as error:
        failures.append("%s: --json gave no JSON (%s); status %r, output %r, error output %r"
                        % (case, error, status, out[:400], errors[:400]))
        continue
    listed = [bytes.fromhex(z["title_gbk_hex"]) + b"".join(b"\t:%d" % s["port"] for s in z["servers"]) for z in zones]
    launcher = [line.split(b"\t")[0] + b"".join(b"\t:" + s.rsplit(b":", 1)[1] for s in line.split(b"\t")[1:])
                for line in open(os.path.join(data, case + ".expected"), "rb").read().split(b"\n") if line]
    if listed != launcher or [z["row"] for z in zones] != list(range(1, len(zones) + 1)):
        failures.append(case + ": zones %r, the launcher's %r" % (listed, launcher))

# An installation folder stands for its AgentIP.ini, in any letter case; a file that cannot be read (missing, a
# folder without one, a FIFO, more than 16 MiB) or wrong arguments give status 2 and no report; help and version go
# to the standard output with status 0; "--" ends the options.
with tempfile.TemporaryDirectory() as folder:
    shutil.copy(os.path.join(data, "scan_typical.ini"), os.path.join(folder, "agentip.ini"))
    shutil.copy(os.path.join(data, "scan_typical.ini"), os.path.join(folder, "-typical.ini"))
    if run(".", cwd=folder) != run("scan_typical.ini") or run("--", "-typical.ini", cwd=folder) != run("scan_typical.ini"):
        failures.append("a folder is not read as its agentip.ini, or -- does not end the options")
    os.mkdir(os.path.join(folder, "empty"))
    with open(os.path.join(folder, "huge.ini"), "wb") as huge:
        huge.truncate(16 * 1024 * 1024 + 1)
    os.mkfifo(os.path.join(folder, "fifo.ini"))
    for args in (("missing.ini",), ("empty",), ("huge.ini",), ("fifo.ini",), ("--json",), ("a.ini", "b.ini"), ("-x", "a.ini")):
        status, out = run(*args, cwd=folder)
        if status != 2 or out:
            failures.append("%r: status %d, output %r instead of status 2 and no output" % (args, status, out))
    for args, start in ((("--help",), b"usage: zonecheck"), (("-h",), b"usage: zonecheck"), (("--version",), b"zonecheck ")):
        status, out = run(*args)
        if status != 0 or not out.startswith(start):
            failures.append("%r: status %d, output %r" % (args, status, out))

# A path's control characters reach the error output escaped, as in reports; help, version or a report that cannot
# be written (a full disk) give status 2 and say so on the error output.
with tempfile.TemporaryDirectory() as folder:
    status, out = run("missing\x1b[2J.ini", cwd=folder)
    if status != 2 or b"\x1b" in errors or b"missing\\u001b[2J.ini" not in errors:
        failures.append("a path with an escape: status %d, error output %r" % (status, errors))
if os.path.exists("/dev/full"):
    for args in (("--help",), ("--version",), ("scan_typical.ini",)):
        with open("/dev/full", "wb") as full:
            try:
                done = subprocess.run(command + list(args), cwd=data, stdin=subprocess.DEVNULL, stdout=full,
                                      stderr=subprocess.PIPE, timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                failures.append("%r to a full disk: no answer within %d s (ended)" % (args, TIMEOUT))
                continue
        if done.returncode != 2 or b"zonecheck: cannot write" not in done.stderr:
            failures.append("%r to a full disk: status %d, error output %r" % (args, done.returncode, done.stderr))

if keeper:
    keeper.stdin.close()
    try:
        keeper.wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        keeper.kill()
print("\n".join(failures) if failures else "%d catalogues checked" % len(cases))
sys.exit(1 if failures else 0)
