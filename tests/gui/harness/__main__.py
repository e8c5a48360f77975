"""The GUI harness: python3 tests/gui/harness COMMAND ARGS...

The GUI scenarios (through scenario.sh) and the demo (scripts/demo-updater)
call it for everything but driving windows: the shared fixture, screenshots,
files and snapshots, registry settings and their undo, the sample program
and product, and update archives. A command prints what its function
returns; one that finds something wrong prints why on stderr and exits 1."""

import argparse
import subprocess
import sys

import wine
from wine import HarnessError

# The archive layout and the packer are shared with the tools in scripts/.
sys.path.append(str(wine.ROOT / "scripts"))

import archive  # noqa: E402 (the imports below need the path above)
import display  # noqa: E402
import files  # noqa: E402
import fixture  # noqa: E402
import pack_archive  # noqa: E402
import product  # noqa: E402
import registry  # noqa: E402

ANY = dict(nargs="*")
SOME = dict(nargs="+")
UNSEALED = ("--no-digests", dict(dest="sealed", action="store_false"))

# Each command: the function it calls with its arguments by name, and the
# arguments as (name, add_argument options).
COMMANDS = {
    "fixture-start": (fixture.start, [("state",), ("guihost",), ("guidriver",), (
        "--display", dict(dest="display_name", help="use this display instead of a private Xvfb"))]),
    "fixture-stop": (fixture.stop, [("state",)]),
    "screenshot": (display.screenshot, [("path",), ("--settle", dict(type=float, default=0.0))]),
    "snapshot": (files.snapshot, [("folder",)]),
    "same-tree": (files.same_tree, [("folder",), ("before",)]),
    "write-script": (files.write_script, [("path",), ("lines", ANY)]),
    "compressible": (files.compressible, [("path",), ("size", dict(type=int))]),
    "cp932": (files.cp932_escapes, [("text",)]),
    "cp932-text": (files.cp932_text, [("escaped",)]),
    "file-version": (files.file_version, [("path",)]),
    "reg-import": (registry.import_lines, [
        ("lines", SOME), ("--once", dict(dest="undo", action="store_false", help="keep the keys at the end"))]),
    "reg-value": (registry.value, [("key",), ("name",)]),
    "undo": (registry.undo, []),
    "japanese-fonts": (registry.japanese_fonts, []),
    "install-program": (product.install_program, [("folder",), ("version",)]),
    "register-app-path": (product.register_app_path, [("folder",)]),
    "sample-script": (product.sample_script, [("path",), ("hints", ANY)]),
    "build-archive": (product.build_archive, [("script",), ("archive",), UNSEALED]),
    "install-product": (product.install_product, [("product",)]),
    "product-archive": (product.product_archive, [("archive",), ("copy_lines", ANY), UNSEALED]),
    "ship": (product.ship, [("folder",), ("archive",)]),
    "demo-sample": (product.demo_sample, [("sample",), ("folder",)]),
    "damage-entry": (archive.damage, [("path",), ("name",), ("--flip", dict(action="store_true"))]),
    "pack": (pack_archive.write_archive, [("out",), ("entries", dict(nargs="+", metavar="NAME=FILE"))]),
    "check-archive": (archive.check, [("--access-time", dict(type=int)), ("--script",), ("archive",),
                                      ("source_dir",), ("names", SOME)]),
}


def main():
    parser = argparse.ArgumentParser(prog="harness", description=__doc__.splitlines()[0])
    subparsers = parser.add_subparsers(dest="command", required=True)
    for name, (function, arguments) in COMMANDS.items():
        # A command's help is the first paragraph of its function's docstring.
        summary = " ".join(function.__doc__.split("\n\n")[0].split())
        sub = subparsers.add_parser(name, help=summary, description=summary)
        for argument, *options in arguments:
            sub.add_argument(argument, **(options[0] if options else {}))
    args = vars(parser.parse_args())
    command = args.pop("command")
    try:
        result = COMMANDS[command][0](**args)
    except (HarnessError, RuntimeError, ValueError, OSError, subprocess.SubprocessError) as error:
        print(f"harness {command}: {error}", file=sys.stderr)
        return 1
    if result is not None:
        print(result)
    return 0


if __name__ == "__main__":
    sys.exit(main())
