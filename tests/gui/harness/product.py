"""The installed programs of the wizard and upgrade scenarios, their update
scripts and archives, and what a user receives."""

import glob
import os
import random
import shutil
from pathlib import Path

import registry
import wine
from files import compressible, snapshot, write_script
from wine import HarnessError, winpath

SAMPLE_EXE = "SampleViewer.exe"
APP_PATHS_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths"
COMPANY_KEY = r"HKEY_CURRENT_USER\Software\Quintarel Corporation"
# The time upkit build stamps on the scenarios' archives.
ARCHIVE_TIME = "1700000000"
# The write time of the installed product's files.
INSTALLED_TIME = 1500000000


def install_program(folder, version):
    """The sample program of VERSION (1.4.0, 1.5.0 or 1.6.1) as
    FOLDER/SampleViewer.exe."""
    os.makedirs(folder, exist_ok=True)
    source = os.path.join(os.environ["GUI_SAMPLES"], f"SampleViewer-{version}.exe")
    if not os.path.isfile(source):
        raise HarnessError(f"no sample program {version}")
    shutil.copy(source, os.path.join(folder, SAMPLE_EXE))


def register_app_path(folder):
    """The App Paths entry of SampleViewer.exe names FOLDER."""
    registry.import_lines([f"[{APP_PATHS_KEY}\\{SAMPLE_EXE}]",
                           f'"Path"={registry.text(winpath(folder))}'])


def sample_script(path, hints):
    """The wizard scenarios' update script: title, texts, the given hint
    lines, the version check 1.50-1.61, a licence and a copy list, with
    Japanese sections (in the Japanese code page). The files it lists are
    written beside it; the licence holds a zero byte, after which nothing
    may show."""
    folder = os.path.dirname(path)
    os.makedirs(folder, exist_ok=True)
    write_script(path, [
        "[Quintarel Corporation UpdateInfo]", "format=0",
        "[strings]", "title=Sample Viewer 1.61 Upgrade", "appname=Sample Viewer",
        "upgrade=This wizard upgrades Sample Viewer 1.50 or later to version 1.61.",
        "[japanese]", "strings=strings_j", "license=license_j",
        "[strings_j]", "title=サンプルビューア 1.61 アップグレード", "appname=サンプルビューア",
        "upgrade=このウィザードは、サンプルビューア 1.50 以降をバージョン 1.61 にアップグレードします。",
        "[hint]", *hints,
        "[version check]", f"{SAMPLE_EXE}/1.50-1.61",
        "[license]", "license.txt", "[license_j]", "license_j.txt",
        "[copyfiles]", f"{SAMPLE_EXE}=new.exe",
        "[filelist]", "new.exe", "license.txt", "license_j.txt"], encoding="cp932")
    Path(folder, "license.txt").write_bytes(
        b"SAMPLE VIEWER LICENCE\r\nUse it well.\r\n\0HIDDEN AFTER THE ZERO BYTE\r\n")
    Path(folder, "license_j.txt").write_bytes(
        "サンプルビューア 使用許諾書\r\n大切にお使いください。\r\n".encode("cp932"))
    Path(folder, "new.exe").write_text("the new program\n")


def build_archive(script, archive, sealed=True):
    """upkit build, as a release engineer makes one: sealed with digests
    unless --no-digests."""
    wine.run([os.environ["GUI_UPKIT"], "build", winpath(script), "-o", winpath(archive),
              "--time", ARCHIVE_TIME, *([] if sealed else ["--no-digests"])])


def install_product(product):
    """Tessa Line, installed below PRODUCT: its programs in Program (found
    through App Paths), its data files beside that folder, its settings
    under the old registry key with a stored path into the installation, and
    links to the program in both Start-menu trees. Returns the snapshot of
    PRODUCT as installed."""
    program = os.path.join(product, "Program")
    install_program(program, "1.5.0")
    readme = os.path.join(program, "readme.txt")
    Path(readme).write_text("old readme\n")
    for path in (os.path.join(program, SAMPLE_EXE), readme):
        os.utime(path, (INSTALLED_TIME, INSTALLED_TIME))
    # Read-only to Windows: the upgrade must replace it, and a failed one
    # must put it back as it was.
    os.chmod(readme, os.stat(readme).st_mode & ~0o222)
    register_app_path(program)
    os.makedirs(os.path.join(product, "Data", "Fonts"), exist_ok=True)
    for name, text in (("Data/notes.txt", "my notes"), ("Data/Fonts/face.fon", "font"),
                       ("settings.ini", "[view]"), ("manual.chm", "help"), ("uninst.isu", "log")):
        Path(product, name).write_text(text + "\n")
    data_path = winpath(os.path.join(product, "Data"))
    font_path = data_path + "\\Fonts;C:\\Windows\\Fonts"
    registry.import_lines([
        f"[{COMPANY_KEY}]",
        f"[{COMPANY_KEY}\\Tessaline]", '"Theme"="Blue"',
        f"[{COMPANY_KEY}\\Tessaline\\Path]", f'"Data"={registry.text(data_path)}',
        f'"Fonts"={registry.text(font_path)}'])
    prefix = os.environ["WINEPREFIX"]
    registry.add_undo(leftovers=[os.path.join(prefix, "drive_c/ProgramData/Quintarel Corporation")])
    exe = winpath(os.path.join(program, SAMPLE_EXE))
    for tree, name, target in (("--common", "Tessa Line\\Tessa Viewer.lnk", exe),
                               ("--user", "Tessa Viewer.lnk", exe.lower()),
                               ("--user", "Other Viewer.lnk", exe)):
        wine.run([os.environ["GUI_DRIVER"], "link", tree, "--name", name, "--target", target])
    common = os.path.join(prefix, "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tessa Line")
    user = sorted(glob.glob(os.path.join(
        prefix, "drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs")))
    if not user:
        raise HarnessError("no user's Start menu in the prefix")
    links = [common] + [os.path.join(folder, f"{name} Viewer.lnk")
                        for folder in user for name in ("Tessa", "Other")]
    registry.add_undo(leftovers=links)
    for link in links:
        if not os.path.lexists(link):
            raise HarnessError(f"no link at {link}")
    return snapshot(product)


def product_archive(archive, copy_lines, sealed=True):
    """The update of the product: it replaces the program with version
    1.6.1, adds Viewer.exe and help\\guide.txt, replaces readme.txt last,
    and turns the links named "Tessa..." to Viewer.exe. COPY_LINES, when
    given, stand in for the usual copy list."""
    folder = os.path.join(os.environ["WORK"], "source")
    copy = list(copy_lines) or [f"{SAMPLE_EXE}={SAMPLE_EXE}", f"Viewer.exe={SAMPLE_EXE}",
                                "help\\guide.txt=guide.txt", "readme.txt=readme.txt"]
    os.makedirs(folder, exist_ok=True)
    write_script(os.path.join(folder, "update.inf"), [
        "[Quintarel Corporation UpdateInfo]", "format=0",
        "[strings]", "title=Tessa Line 1.61 Upgrade", "appname=Tessa Line",
        "upgrade=This wizard upgrades Tessa Line 1.50 or later to version 1.61.",
        "[hint]", f"exe,{SAMPLE_EXE}", "[version check]", f"{SAMPLE_EXE}/1.50-1.61",
        "[copyfiles]", *copy,
        "[shortcut keyword]", "Tessa", "[shortcut target]", f"Viewer.exe={SAMPLE_EXE}",
        "[filelist]", SAMPLE_EXE, "guide.txt", "readme.txt"])
    shutil.copy(os.path.join(os.environ["GUI_SAMPLES"], "SampleViewer-1.6.1.exe"),
                os.path.join(folder, SAMPLE_EXE))
    compressible(os.path.join(folder, "guide.txt"), 20000)
    Path(folder, "readme.txt").write_text("new readme\n")
    build_archive(os.path.join(folder, "update.inf"), archive, sealed)


def ship(folder, archive):
    """What a user receives: updater.exe, Kestrune.dll and update.dat in one
    folder."""
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.environ["GUI_UPDATER"], os.path.join(folder, "updater.exe"))
    shutil.copy(os.environ["GUI_LIBRARY"], os.path.join(folder, "Kestrune.dll"))
    shutil.copy(archive, os.path.join(folder, "update.dat"))


def demo_sample(sample, folder):
    """A copy of the sample with one large file more (data.txt, listed in the
    script), so that the demo's progress dialog stays up long enough to be
    seen."""
    shutil.copytree(sample, folder)
    rng = random.Random(7)
    words = "update archive sample viewer version file folder program".split()
    Path(folder, "data.txt").write_text("".join(" ".join(rng.choice(words) for _ in range(12)) + "\n"
                                                for _ in range(120000)))
    script = Path(folder, "update.inf")
    script.write_bytes(script.read_bytes().replace(b"[filelist_j]\n", b"[filelist_j]\ndata.txt\n"))
