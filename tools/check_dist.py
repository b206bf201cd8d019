"""Check the release files in a folder before they are published.

    python tools/check_dist.py dist

The sdist must hold every file of the checkout but the benchmark's outputs
(a build and the test suite need the rest), and the licence. Each wheel must
carry a manylinux platform tag, the licence, the extension module, the
`tambry` command and an MIT licence expression in its metadata. Exits with
status 1 and a list of what is wrong otherwise.
"""

import subprocess
import sys
import tarfile
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BENCH_OUTPUTS = {"bench/RESULTS.md", "bench/results.json", "bench/chart.png"}


def tracked_files():
    """The files of the git checkout, or None outside one."""
    try:
        listing = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return None
    return {name for name in listing.decode("utf-8", "surrogateescape").split("\0") if name}


def sdist_problems(path):
    with tarfile.open(path) as archive:
        top = archive.getnames()[0].split("/")[0]
        members = {name.removeprefix(f"{top}/") for name in archive.getnames() if archive.getmember(name).isfile()}
        licence = archive.extractfile(f"{top}/LICENSE").read() if "LICENSE" in members else None
    problems = [f"{path.name}: holds the benchmark output {name}" for name in sorted(members & BENCH_OUTPUTS)]
    if licence != (ROOT / "LICENSE").read_bytes():
        problems.append(f"{path.name}: LICENSE is missing or differs from the checkout's")
    tracked = tracked_files()
    if tracked is not None:
        missing = tracked - BENCH_OUTPUTS - members
        problems += [f"{path.name}: lacks {name}" for name in sorted(missing)]
        extra = members - tracked - {"PKG-INFO"}
        problems += [f"{path.name}: holds {name}, which is not in the checkout" for name in sorted(extra)]
    return problems


def wheel_problems(path):
    problems = []
    platform = path.name.removesuffix(".whl").split("-")[-1]
    if not platform.startswith("manylinux"):
        problems.append(f"{path.name}: platform tag {platform} is not a manylinux one")
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        info = next(name.split("/")[0] for name in names if name.endswith(".dist-info/METADATA"))
        licence = f"{info}/licenses/LICENSE"
        if licence not in names or archive.read(licence) != (ROOT / "LICENSE").read_bytes():
            problems.append(f"{path.name}: {licence} is missing or differs from the checkout's")
        if "License-Expression: MIT" not in archive.read(f"{info}/METADATA").decode("utf-8").splitlines():
            problems.append(f"{path.name}: the metadata does not state License-Expression: MIT")
        if not any(name.endswith(".so") and not name.startswith(info) for name in names):
            problems.append(f"{path.name}: no extension module")
        entry_points = archive.read(f"{info}/entry_points.txt").decode("utf-8") if f"{info}/entry_points.txt" in names else ""
        if not any(line.startswith("tambry = ") for line in entry_points.splitlines()):
            problems.append(f"{path.name}: no tambry command")
    return problems


def main(folder):
    folder = Path(folder)
    sdists = sorted(folder.glob("*.tar.gz"))
    wheels = sorted(folder.glob("*.whl"))
    problems = [] if len(sdists) == 1 else [f"{folder}: {len(sdists)} sdists, not one"]
    problems += [] if wheels else [f"{folder}: no wheel"]
    for sdist in sdists:
        problems += sdist_problems(sdist)
    for wheel in wheels:
        problems += wheel_problems(wheel)
    for problem in problems:
        print(problem, file=sys.stderr)
    if not problems:
        print(f"{folder}: {len(sdists)} sdist and {len(wheels)} wheel(s), as a release needs them")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "dist"))
