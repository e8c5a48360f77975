"""Registry settings of a scenario, and what it left in the prefix, put back
however the scenario ends. The undo notes live in LOGS/undo.json, one JSON
object a line, since every harness call is a process of its own."""

import glob
import json
import os
import shutil

import wine
from files import write_script

FONT_SUBSTITUTES = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes"
FONT_REPLACEMENTS = r"HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements"
DIALOG_FONTS = ("MS Sans Serif", "MS UI Gothic")
JAPANESE_FONT = "IPAPGothic"


def _undo_file():
    return os.path.join(os.environ["LOGS"], "undo.json")


def _fonts_folder():
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "Fonts")


def add_undo(registry=(), leftovers=(), hidden_fonts=()):
    """What to put back at the end: registry lines to import, prefix paths to
    remove, and folders whose fonts go back to the prefix."""
    with open(_undo_file(), "a") as f:
        f.write(json.dumps(dict(registry=list(registry), leftovers=list(leftovers),
                                hidden_fonts=list(hidden_fonts))) + "\n")


def undo():
    """Puts back what the scenario changed in the prefix; safe to repeat."""
    try:
        with open(_undo_file()) as f:
            notes = [json.loads(line) for line in f]
    except FileNotFoundError:
        return
    os.remove(_undo_file())
    for path in (path for note in notes for path in note["leftovers"]):
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path, ignore_errors=True)
        elif os.path.lexists(path):
            os.remove(path)
    for folder in (folder for note in notes for folder in note["hidden_fonts"]):
        for path in glob.glob(os.path.join(folder, "*")):
            shutil.move(path, _fonts_folder())
    lines = [line for note in notes for line in note["registry"]]
    if lines:
        _import(lines, check=False)


def text(value):
    """A registry file's string value: backslashes and quotes escaped."""
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def _import(lines, check=True):
    path = os.path.join(os.environ["LOGS"], "import.reg")
    write_script(path, ["REGEDIT4", "", *lines, ""])
    wine.run(["reg", "import", wine.winpath(path)], check=check)


def import_lines(lines, undo=True):
    """Imports REGEDIT4 lines ('[KEY]', '"Name"="data"', '@="data"'; '[-KEY]'
    deletes a key, '"Name"=-' a value). With UNDO, every key named in
    brackets is deleted again when the scenario ends."""
    if undo:
        add_undo(["[-" + line[1:] for line in lines if line.startswith("[") and not line.startswith("[-")])
    _import(lines)


def value(key, name):
    """The data of a registry value, empty when it is missing."""
    for line in wine.run(["reg", "query", key, "/v", name], check=False).splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
            return parts[2] if len(parts) == 3 else ""
    return ""


def japanese_fonts():
    """Programs started from now on draw the dialogs' font, MS Sans Serif,
    with a Japanese one. Wine substitutes a font only when it is missing,
    and its own MS Sans Serif has no Japanese characters, so its files leave
    the prefix until the scenario ends."""
    fonts = _fonts_folder()
    hidden = os.path.join(os.environ["LOGS"], "hidden-fonts")
    os.makedirs(hidden, exist_ok=True)
    add_undo(hidden_fonts=[hidden])
    for path in glob.glob(os.path.join(fonts, "sserif*.fon")) + [os.path.join(fonts, "ms_sans_serif.ttf")]:
        shutil.move(path, hidden)
    substitutes = [f'"{font}"="{JAPANESE_FONT}"' for font in DIALOG_FONTS]
    import_lines([f"[{FONT_SUBSTITUTES}]", *substitutes], undo=False)
    add_undo([f"[{FONT_SUBSTITUTES}]", *(f'"{font}"=-' for font in DIALOG_FONTS)])
    import_lines([f"[{FONT_REPLACEMENTS}]", *substitutes])
