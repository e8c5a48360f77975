"""The Wine environment, paths as Windows sees them, and running programs."""

import functools
import os
import subprocess
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
# How long a single Wine program may take before the harness gives up on it.
RUN_TIMEOUT = 60


class HarnessError(Exception):
    """A wrong observation or a failed step; the message says which."""


@functools.cache
def _settings():
    """The environment with cmake/wine-env.sh sourced, as the shell scripts
    have it."""
    out = subprocess.run(["bash", "-c", 'source "$0" && env -0', ROOT / "cmake" / "wine-env.sh"],
                         stdin=subprocess.DEVNULL, capture_output=True, check=True).stdout
    return dict(item.split("=", 1) for item in os.fsdecode(out).split("\0") if item)


def environment(**extra):
    return {**_settings(), **{name: str(value) for name, value in extra.items()}}


def loader():
    return _settings()["WINELOADER"]


def winpath(path):
    """The Windows form of an absolute Linux path (drive Z: is the root)."""
    return "Z:" + str(path).replace("/", "\\")


def run(args, check=True, env=None):
    """Runs a Windows program to its end; returns its output without carriage
    returns. With CHECK, a non-zero exit is a HarnessError that quotes both
    streams."""
    args = [str(a) for a in args]
    try:
        done = subprocess.run([loader(), *args], stdin=subprocess.DEVNULL, capture_output=True,
                              env=env or environment(), timeout=RUN_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise HarnessError(f"{' '.join(args)} still running after {RUN_TIMEOUT}s") from None
    out, err = (stream.decode("latin-1").replace("\r", "") for stream in (done.stdout, done.stderr))
    if check and done.returncode != 0:
        raise HarnessError(f"{' '.join(args)} (exit {done.returncode}): {err.strip()} {out.strip()}")
    return out
