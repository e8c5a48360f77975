"""The shared environment of the GUI scenarios and the demo: a private Wine
prefix with its server, a display (Xvfb on a free one unless the caller
gives one) and one keep-alive window, so that Wine keeps the prefix's
desktop between programs (a fresh one makes the next start wait ~10 s).
Their ids go to a state file of NAME=VALUE lines, which shell scripts may
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


def read_state(path):
    state = {}
    with open(path) as f:
        for line in f:
            name, _, value = line.rstrip("\n").partition("=")
            state[name] = value
    return state


def _record(path, name, value):
    with open(path, "a") as f:
        f.write(f"{name}={value}\n")


def start(state_file, guihost, guidriver, use_display=None):
    # A state file left by an interrupted run names processes to stop first.
    stop(state_file)
    os.makedirs(os.path.dirname(os.path.abspath(state_file)), exist_ok=True)
    prefix = tempfile.mkdtemp(prefix=PREFIX_PATTERN, dir="/tmp")
    _record(state_file, "GUI_PREFIX", prefix)
    if use_display:
        screen = use_display
    else:
        pid, screen = display.start_xvfb(prefix)
        _record(state_file, "GUI_XVFB_PID", pid)
    _record(state_file, "GUI_DISPLAY", screen)
    # The prefix's desktop process starts with it and must own the display.
    wine.make_prefix(prefix, screen)
    env = wine.environment(WINEPREFIX=prefix, DISPLAY=screen)
    keepalive = subprocess.Popen([wine.loader(), guihost, "keepalive"], stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    _record(state_file, "GUI_KEEPALIVE_PID", keepalive.pid)
    # Its window up means the prefix's desktop runs: the programs start fast.
    status, _, _ = wine.run([guidriver, "wait-window", "--caption", "guihost keep-alive",
                             "--timeout", "60000"], env=env)
    if status != 0:
        raise wine.HarnessError("the keep-alive window did not appear")
    return prefix, screen


def stop(state_file):
    if not os.path.isfile(state_file):
        return
    state = read_state(state_file)
    display.stop(int(state.get("GUI_KEEPALIVE_PID") or 0))
    prefix = state.get("GUI_PREFIX", "")
    if prefix and os.path.isdir(prefix):
        env = wine.environment(WINEPREFIX=prefix)
        for args, timeout in ((["-k"], None), (["-w"], 20)):
            try:
                subprocess.run([wine.wineserver(), *args], env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
            except subprocess.TimeoutExpired:
                pass
    display.stop(int(state.get("GUI_XVFB_PID") or 0))
    if os.path.basename(prefix).startswith(PREFIX_PATTERN) and prefix.startswith("/tmp/"):
        shutil.rmtree(prefix, ignore_errors=True)
    os.remove(state_file)
