"""A private X display, screenshots of it, and stopping processes by id."""

import os
import shutil
import signal
import subprocess
import time


def alive(pid):
    """Whether the process runs (a zombie does not count)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            state = f.read()
    except OSError:
        return False
    return state.rpartition(") ")[2][:1] != "Z"


def stop(pid, grace=5.0):
    """Stops one process by its id: TERM, then KILL after a grace period."""
    if not pid or not alive(pid):
        return
    try:
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + grace
        while alive(pid) and time.monotonic() < deadline:
            time.sleep(0.1)
        if alive(pid):
            os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def start_xvfb(folder):
    """Xvfb on a display it picks itself; returns (pid, ":N"). Its streams are
    off the caller's pipes, or whoever reads them would wait for it."""
    if shutil.which("Xvfb") is None:
        raise RuntimeError("Xvfb is missing (scripts/setup installs it)")
    display_file = os.path.join(folder, "display")
    log = os.path.join(folder, "xvfb.log")
    with open(display_file, "w") as numbers, open(log, "w") as out:
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(numbers.fileno()), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"],
            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
            pass_fds=(numbers.fileno(),))
    for _ in range(100):
        with open(display_file) as f:
            number = "".join(c for c in f.read() if c.isdigit())
        if number:
            return xvfb.pid, ":" + number
        if xvfb.poll() is not None:
            break
        time.sleep(0.1)
    stop(xvfb.pid)
    with open(log) as f:
        raise RuntimeError("Xvfb did not start: " + f.read())


def screenshot(path, settle=0.0):
    """Saves the windows on the screen of DISPLAY as a PNG, cut to the part
    they cover (the bare screen around them is black); SETTLE seconds first
    let the last window finish painting."""
    time.sleep(settle)
    xwd = subprocess.run(["xwd", "-root", "-display", os.environ["DISPLAY"]], capture_output=True)
    convert = ["convert", "xwd:-", "-trim", "+repage", f"png:{path}"]
    if xwd.returncode != 0 or subprocess.run(convert, input=xwd.stdout,
                                             capture_output=True).returncode != 0:
        raise RuntimeError("no screenshot: xwd or convert failed")
