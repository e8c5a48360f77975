"""The GUI harness: python3 tests/gui/harness COMMAND ARGS...

The GUI scenarios (scenarios/*.sh, run by scenario.sh) and the demo
(scripts/demo-updater) call it for everything but driving windows: the
shared fixture, screenshots, files and snapshots, registry settings and
their undo, the sample program and product, and update archives. A command
that finds something wrong prints why on stderr and exits 1."""

import argparse
import os
import shutil
import subprocess
import sys

import wine
from wine import HarnessError

# The archive layout and the packer are shared with the tools in scripts/.
sys.path.append(str(wine.ROOT / "scripts"))

import archive  # noqa: E402 (the imports below need the path above)
import demo  # noqa: E402
import display  # noqa: E402
import files  # noqa: E402
import fixture  # noqa: E402
import pack_archive  # noqa: E402
import product  # noqa: E402
import registry  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SCENARIO_RUNNER = os.path.join(os.path.dirname(HERE), "scenario.sh")


def run_scenario(args):
    """Runs one scenario on the fixture's display and prefix. Its files go to
    GUI_OUTPUT_DIR/work/NAME, the harness's own to logs/NAME."""
    try:
        state = fixture.read_state(args.state)
    except OSError:
        raise HarnessError(f"no GUI fixture state in {args.state}") from None
    name = os.path.splitext(os.path.basename(args.script))[0]
    output = os.environ["GUI_OUTPUT_DIR"]
    work, logs = (os.path.join(output, kind, name) for kind in ("work", "logs"))
    shots = os.path.join(output, "screenshots")
    for folder in (work, logs):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    os.makedirs(shots, exist_ok=True)
    for old in os.listdir(shots):
        if old == f"{name}.png" or old.startswith(f"{name}-") and old.endswith(".png"):
            os.remove(os.path.join(shots, old))
    # English unless a scenario asks otherwise.
    env = wine.environment(WINEPREFIX=state["GUI_PREFIX"], DISPLAY=state["GUI_DISPLAY"],
                           LC_ALL="C.UTF-8", SCENARIO=name, WORK=work, LOGS=logs,
                           SCREENSHOTS=shots, GUI_HARNESS=HERE)
    os.execvpe("bash", ["bash", SCENARIO_RUNNER, os.path.abspath(args.script)], env)


def fixture_command(args):
    if args.action == "stop":
        fixture.stop(args.state)
        return
    if not (args.guihost and args.guidriver):
        raise HarnessError("fixture start needs GUIHOST and GUIDRIVER")
    try:
        screen = fixture.start(args.state, args.guihost, args.guidriver, args.display)[1]
    except (RuntimeError, HarnessError):
        fixture.stop(args.state)
        raise
    print(f"gui fixture: display {screen}, prefix {fixture.read_state(args.state)['GUI_PREFIX']}")


def screenshot(args):
    if not display.screenshot(os.environ["DISPLAY"], args.path, args.settle):
        raise HarnessError("no screenshot: xwd or convert failed")


def same_tree(args):
    changes = files.tree_changes(args.folder, args.snapshot)
    if changes:
        raise HarnessError(f"files below {args.folder} changed:\n{changes}")


def check_archive(args):
    runner = [wine.loader()]
    problems = archive.check(runner, os.environ["GUI_UPKIT"], args.archive, args.source_dir,
                             args.names, args.access_time, args.script)
    if problems:
        raise HarnessError("the archive does not match its sources:\n" +
                           "\n".join("MISMATCH " + p for p in problems))


def commands():
    """Each command: (help, arguments, what it does)."""
    return {
        "scenario": ("run one scenario", [("script",), ("state",)], run_scenario),
        "fixture": ("start or stop the shared prefix, display and keep-alive window",
                    [("action", dict(choices=("start", "stop"))), ("state",),
                     ("guihost", dict(nargs="?")), ("guidriver", dict(nargs="?")),
                     ("--display", dict(help="use this display instead of a private Xvfb"))],
                    fixture_command),
        "screenshot": ("save the screen of DISPLAY as a PNG",
                       [("path",), ("--settle", dict(type=float, default=0.0))], screenshot),
        "snapshot": ("every file below a folder with its hash", [("folder",)],
                     lambda a: print(files.snapshot(a.folder))),
        "same-tree": ("fail when files below a folder changed since a snapshot",
                      [("folder",), ("snapshot",)], same_tree),
        "write-script": ("a text file with CRLF line ends", [("path",), ("lines", dict(nargs="*"))],
                         lambda a: files.write_script(a.path, a.lines)),
        "compressible": ("text that compresses well", [("path",), ("size", dict(type=int))],
                         lambda a: files.compressible(a.path, a.size)),
        "cp932": ("a text in the Japanese code page as \\xNN escapes", [("text",)],
                  lambda a: print(files.cp932_escapes(a.text), end="")),
        "file-version": ("a program's file version", [("path",)],
                         lambda a: print(files.file_version(a.path))),
        "winpath": ("the Windows form of a Linux path", [("path",)],
                    lambda a: print(wine.winpath(a.path), end="")),
        "reg-import": ("import REGEDIT4 lines; the keys go again at the end",
                       [("lines", dict(nargs="+")), ("--once", dict(action="store_true"))],
                       lambda a: registry.import_lines(a.lines, undo=not a.once)),
        "reg-value": ("the data of a registry value", [("key",), ("name",)],
                      lambda a: print(registry.value(a.key, a.name), end="")),
        "undo": ("put back what the scenario changed in the prefix", [],
                 lambda a: registry.undo()),
        "japanese-fonts": ("a Japanese font for the dialog font", [],
                           lambda a: registry.japanese_fonts()),
        "install-program": ("the sample program of a version", [("folder",), ("version",)],
                            lambda a: product.install_program(a.folder, a.version)),
        "register-app-path": ("the sample program's App Paths entry", [("folder",)],
                              lambda a: product.register_app_path(a.folder)),
        "sample-script": ("the wizard scenarios' update script",
                          [("path",), ("hints", dict(nargs="*"))],
                          lambda a: product.sample_script(a.path, a.hints)),
        "build-archive": ("upkit build", [("script",), ("archive",)],
                          lambda a: product.build_archive(a.script, a.archive)),
        "install-product": ("install the product; prints its snapshot", [("folder",)],
                            lambda a: print(product.install_product(a.folder))),
        "product-archive": ("the product's update", [("archive",), ("copy", dict(nargs="*"))],
                            lambda a: product.product_archive(a.archive, a.copy)),
        "ship": ("updater.exe, Kestrune.dll and update.dat in one folder",
                 [("folder",), ("archive",)], lambda a: product.ship(a.folder, a.archive)),
        "damage-entry": ("an entry that claims one byte more", [("archive",), ("name",)],
                         lambda a: archive.damage(a.archive, a.name)),
        "pack": ("an archive of stored entries, byte by byte",
                 [("out",), ("entries", dict(nargs="+", metavar="NAME=FILE"))],
                 lambda a: pack_archive.write_archive(a.out, a.entries)),
        "demo-sample": ("the sample with a large file more, for the demo", [("sample",), ("folder",)],
                        lambda a: demo.sample_with_big_file(a.sample, a.folder)),
        "check-archive": ("check an archive the builder wrote against its sources",
                          [("--access-time", dict(type=int)), ("--script",), ("archive",),
                           ("source_dir",), ("names", dict(nargs="+"))], check_archive),
    }


def main():
    parser = argparse.ArgumentParser(prog="harness", description=__doc__.splitlines()[0])
    subparsers = parser.add_subparsers(dest="command", required=True)
    for name, (help_text, arguments, action) in commands().items():
        sub = subparsers.add_parser(name, help=help_text)
        for argument in arguments:
            sub.add_argument(argument[0], **(argument[1] if len(argument) > 1 else {}))
        sub.set_defaults(run=action)
    args = parser.parse_args()
    try:
        args.run(args)
    except (HarnessError, RuntimeError, ValueError, OSError, subprocess.SubprocessError) as error:
        print(f"harness {args.command}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
