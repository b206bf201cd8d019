"""Real version lists, read where they lie on this machine when the benchmark runs.

Nothing here is copied into the repository; every list is read afresh:

- the labelled pairs in the shared fidelity files (`<ecosystem>.tsv`, columns
  a, b, expected, source), keeping only the rows whose source names a list that
  an ecosystem published: a `*-generated.txt` list (every version of every
  package in the advisories, sorted by the ecosystem's own tool, taken as
  consecutive pairs), a go.sum history or a lockfile. Hand-written test cases are
  left out;
- Debian's own package list: the `Version:` fields of the package indexes in
  /var/lib/apt/lists (every binary package the configured archives publish) and
  the versions of the packages installed here (`dpkg-query`).

    python bench/real_versions.py      # prints what was found

The fidelity directory is $TAMBRY_FIDELITY, else ../shared/fidelity beside the
repository, else /work/shared/fidelity. A source that is missing gives an empty
list, and the report says so.
"""

import glob
import os
import random
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
APT_LISTS = "/var/lib/apt/lists"

# Sources that name a published list rather than a hand-written case.
REAL_SOURCE = re.compile(r"generated|go\.sum|lock")

# Which fidelity file holds the real pairs of each ecosystem that has any.
FIDELITY_ECOSYSTEMS = ["pep440", "debian", "maven", "alpine", "ruby", "composer", "go", "semver",
                       "npm", "crates", "hex"]


def fidelity_dir():
    candidates = [os.environ.get("TAMBRY_FIDELITY"),
                  os.path.join(os.path.dirname(ROOT), "shared", "fidelity"),
                  "/work/shared/fidelity"]
    for c in candidates:
        if c and os.path.isdir(c):
            return c
    return None


def _read_tsv(path):
    """Rows of a fidelity file as dicts; lines split on "\\n" only, fields never stripped."""
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    head = lines[0].split("\t")
    rows = []
    for line in lines[1:]:
        if not line:
            continue
        fields = line.split("\t")
        if len(fields) == len(head):
            rows.append(dict(zip(head, fields)))
    return rows


def fidelity_pairs(ecosystem):
    """The real (a, b) pairs of one ecosystem's fidelity file, in file order; [] without one."""
    d = fidelity_dir()
    path = d and os.path.join(d, f"{ecosystem}.tsv")
    if not path or not os.path.exists(path):
        return []
    return [(r["a"], r["b"]) for r in _read_tsv(path) if REAL_SOURCE.search(r["source"])]


def fidelity_sources(ecosystem):
    """The distinct real sources of one file, without line numbers, for the report."""
    d = fidelity_dir()
    path = d and os.path.join(d, f"{ecosystem}.tsv")
    if not path or not os.path.exists(path):
        return []
    # A list's own file name, without the collection that gathered it, and no line number.
    names = {re.sub(r"^\w+:(?=[\w.-]+\.txt$)", "", re.sub(r":L\d+$", "", r["source"])) for r in _read_tsv(path)
             if REAL_SOURCE.search(r["source"])}
    return sorted(names)


def _package_index_text(path):
    """The text of one package index, whatever its compression."""
    helper = "/usr/lib/apt/apt-helper"
    if os.path.exists(helper):
        out = subprocess.run([helper, "cat-file", path], capture_output=True, check=False)
        if out.returncode == 0:
            return out.stdout.decode("utf-8", "surrogateescape")
    if path.endswith(".lz4") and shutil.which("lz4cat"):
        out = subprocess.run(["lz4cat", path], capture_output=True, check=False)
        return out.stdout.decode("utf-8", "surrogateescape")
    if path.endswith(".gz"):
        import gzip
        with gzip.open(path, "rt", encoding="utf-8", errors="surrogateescape") as f:
            return f.read()
    if path.endswith(".xz"):
        import lzma
        with lzma.open(path, "rt", encoding="utf-8", errors="surrogateescape") as f:
            return f.read()
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return f.read()


def apt_list_versions():
    """The Version field of every stanza of every package index, index by index, in file order."""
    versions = []
    for path in sorted(glob.glob(os.path.join(APT_LISTS, "*_Packages*"))):
        for line in _package_index_text(path).split("\n"):
            if line.startswith("Version: "):
                versions.append(line[len("Version: "):])
    return versions


def installed_debian_versions():
    """The versions of the packages installed on this machine, as dpkg reports them."""
    if not shutil.which("dpkg-query"):
        return []
    out = subprocess.run(["dpkg-query", "-W", "-f=${Version}\\n"], capture_output=True, check=False)
    return [v for v in out.stdout.decode("utf-8", "surrogateescape").split("\n") if v]


def debian_versions():
    return apt_list_versions() + installed_debian_versions()


def versions_of_pairs(pairs):
    """Every text of the pairs, in order, each once."""
    seen, out = set(), []
    for a, b in pairs:
        for v in (a, b):
            if v not in seen:
                seen.add(v)
                out.append(v)
    return out


def neighbour_pairs(versions):
    """Consecutive entries of a list as pairs: in a package index these are the
    versions of neighbouring packages, which is what a scan of an index compares."""
    return list(zip(versions, versions[1:]))


def fresh(text):
    """A str object of its own, so that no comparison can answer from identity."""
    return (text + " ")[:-1]


def fresh_pairs(pairs):
    return [(fresh(a), fresh(b)) for a, b in pairs]


def pool(ecosystems):
    """All real versions of the given fidelity files, each text once, in file order."""
    out, seen = [], set()
    for eco in ecosystems:
        for v in versions_of_pairs(fidelity_pairs(eco)):
            if v not in seen:
                seen.add(v)
                out.append(v)
    return out


def sample(versions, count, seed):
    """`count` versions drawn from a list in a shuffled order: the whole list as
    often as it fits, shuffled, then a shuffled part of it. Real lists repeat
    versions, and a sort must not meet them in their published (sorted) order,
    which would favour sorted()'s run detection."""
    if not versions:
        return []
    r = random.Random(seed)
    out = []
    while len(out) < count:
        block = list(versions)
        r.shuffle(block)
        out.extend(block[:count - len(out)])
    return [fresh(v) for v in out]


def summary():
    lines = [f"fidelity directory: {fidelity_dir() or 'not found'}"]
    for eco in FIDELITY_ECOSYSTEMS:
        pairs = fidelity_pairs(eco)
        lines.append(f"  {eco:9} {len(pairs):6} real pairs, {len(versions_of_pairs(pairs)):6} distinct versions"
                     f"  ({'; '.join(fidelity_sources(eco))})")
    apt, installed = apt_list_versions(), installed_debian_versions()
    lines.append(f"Debian package indexes: {len(apt)} versions ({len(set(apt))} distinct); "
                 f"installed packages: {len(installed)}")
    return "\n".join(lines)


if __name__ == "__main__":
    sys.stdout.write(summary() + "\n")
