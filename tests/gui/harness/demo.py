"""What the demo (scripts/demo-updater) shows beyond the scenarios' files."""

import random
import shutil


def sample_with_big_file(sample, folder):
    """A copy of the sample with one large file more (data.txt, listed in the
    script), so that the progress dialog stays up long enough to be seen."""
    shutil.copytree(sample, folder)
    rng = random.Random(7)
    words = "update archive sample viewer version file folder program".split()
    with open(f"{folder}/data.txt", "w") as out:
        out.write("".join(" ".join(rng.choice(words) for _ in range(12)) + "\n"
                          for _ in range(120000)))
    with open(f"{folder}/update.inf", "rb") as f:
        script = f.read()
    with open(f"{folder}/update.inf", "wb") as f:
        f.write(script.replace(b"[filelist_j]\n", b"[filelist_j]\ndata.txt\n"))
