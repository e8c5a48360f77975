"""The shared environment of the GUI scenarios and the demo: a private Wine
prefix with its server, a display (Xvfb on a free one unless the caller
gives one) and one keep-alive window, so that Wine keeps the prefix's
desktop between programs (a fresh one makes the next start wait ~10 s).
Their ids go to a state file of NAME=VALUE lines, which shell scripts
source; stop() stops exactly those processes and removes the prefix.
Every process starts with its standard streams off the caller's pipes, or
ctest would wait for it to end."""

import os
import shutil
import subprocess
import tempfile

import display
import wine

PREFIX_PATTERN = "quintarel-gui."


def _record(path, name, value):
    with open(path, "a") as f:
        f.write(f"{name}={value}\n")


def start(state, guihost, guidriver, display_name=None):
    """Starts the fixture and prints its display and prefix; what it started
    stops again when a later step fails."""
    # A state file left by an interrupted run names processes to stop first.
    stop(state)
    os.makedirs(os.path.dirname(os.path.abspath(state)), exist_ok=True)
    prefix = tempfile.mkdtemp(prefix=PREFIX_PATTERN, dir="/tmp")
    _record(state, "GUI_PREFIX", prefix)
    try:
        if not display_name:
            pid, display_name = display.start_xvfb(prefix)
            _record(state, "GUI_XVFB_PID", pid)
        _record(state, "GUI_DISPLAY", display_name)
        # The prefix's desktop process starts with it and must own the display.
        subprocess.run([wine.ROOT / "scripts" / "wine-prefix", prefix], stdin=subprocess.DEVNULL,
                       env={**os.environ, "DISPLAY": display_name}, check=True)
        env = wine.environment(WINEPREFIX=prefix, DISPLAY=display_name)
        keepalive = subprocess.Popen([wine.loader(), guihost, "keepalive"], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        _record(state, "GUI_KEEPALIVE_PID", keepalive.pid)
        # Its window up means the prefix's desktop runs: the programs start fast.
        wine.run([guidriver, "wait-window", "--caption", "guihost keep-alive", "--timeout", "60000"],
                 env=env)
    except Exception:
        stop(state)
        raise
    print(f"gui fixture: display {display_name}, prefix {prefix}")


def stop(state):
    """Stops what the state file names and removes the prefix."""
    if not os.path.isfile(state):
        return
    with open(state) as f:
        values = dict(line.rstrip("\n").split("=", 1) for line in f)
    display.stop(int(values.get("GUI_KEEPALIVE_PID") or 0))
    prefix = values.get("GUI_PREFIX", "")
    if prefix and os.path.isdir(prefix):
        env = wine.environment(WINEPREFIX=prefix)
        wineserver = os.path.join(os.path.dirname(wine.loader()), "wineserver")
        for args, timeout in ((["-k"], None), (["-w"], 20)):
            try:
                subprocess.run([wineserver, *args], env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
            except subprocess.TimeoutExpired:
                pass
    display.stop(int(values.get("GUI_XVFB_PID") or 0))
    if os.path.basename(prefix).startswith(PREFIX_PATTERN) and prefix.startswith("/tmp/"):
        shutil.rmtree(prefix, ignore_errors=True)
    os.remove(state)
