"""Registry settings of a scenario, and what it left in the prefix, put back
however the scenario ends. The undo list lives in LOGS/undo.json, since
every harness call is a process of its own."""

import glob
import json
import os
import random
import shutil

import wine
from files import write_script
from wine import HarnessError

FONT_SUBSTITUTES = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes"
FONT_REPLACEMENTS = r"HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements"
DIALOG_FONTS = ("MS Sans Serif", "MS UI Gothic")
JAPANESE_FONT = "IPAPGothic"


def _undo_file():
    return os.path.join(os.environ["LOGS"], "undo.json")


def load_undo():
    try:
        with open(_undo_file()) as f:
            return json.load(f)
    except FileNotFoundError:
        return {"registry": [], "hidden_fonts": None, "leftovers": []}


def save_undo(undo):
    with open(_undo_file(), "w") as f:
        json.dump(undo, f)


def text(value):
    """A registry file's string value: backslashes and quotes escaped."""
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def _import(lines, name):
    logs = os.environ["LOGS"]
    path = os.path.join(logs, name)
    write_script(path, ["REGEDIT4", "", *lines, ""])
    log = os.path.join(logs, "registry.log")
    status, _, _ = wine.run(["reg", "import", wine.winpath(path)], log=log)
    return status, log


def import_lines(lines, undo=True):
    """Imports REGEDIT4 lines ('[KEY]', '"Name"="data"', '@="data"'; '[-KEY]'
    deletes a key, '"Name"=-' a value). With UNDO, every key named in
    brackets is deleted again when the scenario ends."""
    if undo:
        state = load_undo()
        state["registry"] += ["[-" + line[1:] for line in lines
                              if line.startswith("[") and not line.startswith("[-")]
        save_undo(state)
    status, log = _import(lines, f"import-{random.randrange(1 << 32)}.reg")
    if status != 0:
        with open(log, encoding="latin-1") as f:
            raise HarnessError("reg import: " + f.read().replace("\r", ""))


def add_undo(lines=(), leftovers=()):
    """Registry lines to import and prefix paths to remove at the end."""
    state = load_undo()
    state["registry"] += list(lines)
    state["leftovers"] += list(leftovers)
    save_undo(state)


def undo():
    """Puts back what the scenario changed in the prefix; safe to repeat."""
    state = load_undo()
    for path in state["leftovers"]:
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path, ignore_errors=True)
        elif os.path.lexists(path):
            os.remove(path)
    if state["hidden_fonts"]:
        fonts = os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "Fonts")
        for path in glob.glob(os.path.join(state["hidden_fonts"], "*")):
            shutil.move(path, fonts)
    if state["registry"]:
        _import(state["registry"], "undo.reg")
    save_undo({"registry": [], "hidden_fonts": None, "leftovers": []})


def value(key, name):
    """The data of a registry value, empty when it is missing."""
    _, out, _ = wine.run(["reg", "query", key, "/v", name])
    for line in out.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
            return parts[2] if len(parts) == 3 else ""
    return ""


def japanese_fonts():
    """Programs started from now on draw the dialogs' font, MS Sans Serif,
    with a Japanese one. Wine substitutes a font only when it is missing,
    and its own MS Sans Serif has no Japanese characters, so its files leave
    the prefix until the scenario ends."""
    fonts = os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "Fonts")
    hidden = os.path.join(os.environ["LOGS"], "hidden-fonts")
    os.makedirs(hidden, exist_ok=True)
    state = load_undo()
    state["hidden_fonts"] = hidden
    save_undo(state)
    files = glob.glob(os.path.join(fonts, "sserif*.fon")) + [os.path.join(fonts, "ms_sans_serif.ttf")]
    try:
        for path in files:
            shutil.move(path, hidden)
    except OSError as e:
        raise HarnessError(f"cannot hide the fonts: {e}") from None
    substitutes = [f'"{font}"="{JAPANESE_FONT}"' for font in DIALOG_FONTS]
    import_lines([f"[{FONT_SUBSTITUTES}]", *substitutes], undo=False)
    add_undo([f"[{FONT_SUBSTITUTES}]", *(f'"{font}"=-' for font in DIALOG_FONTS)])
    import_lines([f"[{FONT_REPLACEMENTS}]", *substitutes])
