"""The Wine environment, paths as Windows sees them, and running programs."""

import os
import re
import subprocess
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
ENV_FILE = ROOT / "cmake" / "wine-env.sh"
WINE_PREFIX_SCRIPT = ROOT / "scripts" / "wine-prefix"
# How long a single Wine program may take before the harness gives up on it.
RUN_TIMEOUT = 60

_EXPORT = re.compile(r'^export (\w+)=(?:\$\{\1:-([^}]*)\}|"([^"]*)"|(\S*))$')


class HarnessError(Exception):
    """A wrong observation or a failed step; the message says which."""


def settings():
    """The variables of cmake/wine-env.sh, defaults already applied."""
    values = {}
    for line in ENV_FILE.read_text().splitlines():
        match = _EXPORT.match(line)
        if not match:
            continue
        name, default, quoted, plain = match.groups()
        if default is not None:
            values[name] = os.environ.get(name) or default
        else:
            values[name] = quoted if quoted is not None else plain
    return values


def environment(**extra):
    env = dict(os.environ)
    env.update(settings())
    env.update({k: str(v) for k, v in extra.items()})
    return env


def loader():
    return settings()["WINELOADER"]


def wineserver():
    return str(Path(loader()).with_name("wineserver"))


def winpath(path):
    """The Windows form of an absolute Linux path (drive Z: is the root)."""
    return "Z:" + str(path).replace("/", "\\")


def run(args, log=None, timeout=RUN_TIMEOUT, env=None):
    """Runs a Windows program to its end; returns (status, stdout, stderr),
    the texts without carriage returns. With LOG, both streams are appended
    to that file instead."""
    command = [loader()] + [str(a) for a in args]
    env = env or environment()
    try:
        if log is not None:
            with open(log, "ab") as out:
                status = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out,
                                        stderr=subprocess.STDOUT, env=env, timeout=timeout).returncode
            return status, "", ""
        done = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, env=env,
                              timeout=timeout)
    except subprocess.TimeoutExpired:
        raise HarnessError(f"{' '.join(command)} still running after {timeout}s") from None
    return done.returncode, _text(done.stdout), _text(done.stderr)


def _text(output):
    return output.decode("latin-1").replace("\r", "")


def drive(driver, *args):
    """Runs the GUI driver; its output, or HarnessError when it fails."""
    status, out, err = run([driver, *args])
    if status != 0:
        raise HarnessError(f"guidriver {' '.join(args)} (exit {status}): {err.strip()} {out.strip()}")
    return out


def make_prefix(prefix, display=None):
    """A fresh prefix with its server running (scripts/wine-prefix)."""
    env = dict(os.environ)
    if display:
        env["DISPLAY"] = display
    done = subprocess.run([str(WINE_PREFIX_SCRIPT), str(prefix)], stdin=subprocess.DEVNULL,
                          env=env)
    if done.returncode != 0:
        raise HarnessError("wine prefix setup failed")
