"""Writes the labelled PyPI and Composer range vectors under tests/vectors/ranges/.

Generates specifier sets and constraints in the shapes people write and the hard
cases of each syntax, pairs each with versions near its bounds, and asks each
ecosystem's own tool through the labellers beside this script: `packaging`'s
SpecifierSet.contains (run by --packaging-python, which must have it installed)
and composer/semver's Semver::satisfies (run by --php, from Debian's
php-composer-semver).

    pypi.tsv       range, version, expected, included, excluded: 1 or 0 under
                   prereleases=None, True and False
    composer.tsv   range, version, expected: 1 or 0

A range the tool rejects has one row with an empty version and "!" in every
answer. The output is the same on every run (fixed seeds); no text holds a tab, a
line feed or a NUL.

    python3 tools/vectors/ranges_pypi_composer.py --packaging-python /path/to/python
"""

import argparse
import pathlib
import random
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
OUT = ROOT / "tests" / "vectors" / "ranges"
FORBIDDEN = ("\t", "\n", "\0", "\r")


def run_labeller(command, lines, mode=None):
    data = "".join(line + "\n" for line in lines).encode("utf-8")
    args = command + ([mode] if mode else [])
    done = subprocess.run(args, input=data, capture_output=True, check=True)
    out = done.stdout.decode("utf-8").split("\n")
    if out and out[-1] == "":
        out.pop()
    assert len(out) == len(lines), (args, len(out), len(lines))
    return out


def unique(texts):
    seen, kept = set(), []
    for text in texts:
        if text not in seen and not any(c in text for c in FORBIDDEN):
            seen.add(text)
            kept.append(text)
    return kept


# ---------------------------------------------------------------- PyPI

PYPI_RELEASES = ["0", "0.1", "0.0.1", "1", "1.0", "1.0.0", "1.2", "1.2.3", "1.4.5", "2.0", "2", "2.1.0", "10.0",
                 "2024.1", "1.0.0.0", "0.9", "3.10", "1!1.0", "1!2", "18446744073709551616.0", "1.99999999999999999999"]
PYPI_SUFFIXES = ["", "", "", "", "a1", "b2", "rc1", ".post1", ".dev0", ".dev3", "a1.dev2", ".post1.dev0",
                 "rc1.post2", "a0", ".post0"]
# The same suffixes as other spellings packaging reads.
PYPI_SPELLINGS = {
    "a1": ["a1", "A1", "-a1", ".alpha.1", "_alpha1", "a.1"],
    "b2": ["b2", "B2", "-beta2", ".b-2", "beta_2"],
    "rc1": ["rc1", "RC1", "-rc.1", "c1", "pre1", "preview1", ".c.1"],
    ".post1": [".post1", "-1", ".r1", "rev1", "-post1", "_POST1", "post1"],
    ".dev0": [".dev0", ".dev", "-dev", "dev0", ".DEV0", "_dev.0"],
    ".dev3": [".dev3", "-dev3", "dev.3"],
    ".post0": [".post0", ".post", "-0", "r"],
}


def pypi_spell(rng, release, suffix):
    if suffix in PYPI_SPELLINGS and rng.random() < 0.4:
        suffix = rng.choice(PYPI_SPELLINGS[suffix])
    text = release + suffix
    if rng.random() < 0.08:
        text = "v" + text
    if rng.random() < 0.05:
        text = "V" + text
    return text


def bump(release, index):
    parts = release.split("!")[-1].split(".")
    epoch = release.split("!")[0] + "!" if "!" in release else ""
    index = min(index, len(parts) - 1)
    parts = parts[: index + 1]
    parts[index] = str(int(parts[index]) + 1)
    return epoch + ".".join(parts)


def pypi_neighbours(release):
    """Versions around every bound a specifier on `release` can have."""
    out = [release + s for s in ["", ".dev0", ".dev1", "a0", "a1", "a1.dev0", "a1.post1", "a2.dev0", "b1", "rc1",
                                 "rc1.post2.dev0", ".post0.dev0", ".post0", ".post1", ".post1.dev0", ".post2",
                                 "+local", "+Local.7", "+1", ".post1+x", ".0", ".0.0", ".0.1", ".1", ".1.dev0",
                                 ".0.0.1a1", ".dev3", ".dev4", ".dev3+l", "a1.dev3"]]
    plain = release.split("!")[-1]
    count = len(plain.split("."))
    for index in range(count):
        up = bump(release, index)
        out += [up, up + ".dev0", up + "a1", up + ".0"]
    out += ["0", "0.dev0", "0.0.1", "1!0", "99", "1!" + plain, "0.1.dev0", "1.0.0a0"]
    return out


PYPI_OPERATORS = ["==", "!=", "<", "<=", ">", ">=", "~=", ">=", "<", "=="]


def pypi_specifier(rng):
    """A specifier and the releases its bounds are near."""
    release = rng.choice(PYPI_RELEASES)
    kind = rng.random()
    space = rng.choice(["", "", "", " ", "  ", "\u00a0", "\u3000"])
    if kind < 0.07:
        op = rng.choice(["==", "!="])
        return f"{op}{space}{release}.*", release
    if kind < 0.12:
        op = rng.choice(["==", "!="])
        local = rng.choice(["+local", "+Local.7", "+1", "+ubuntu-1", "+abc.01"])
        return f"{op}{space}{release}{rng.choice(PYPI_SUFFIXES)}{local}", release
    if kind < 0.16:
        version = pypi_spell(rng, release, rng.choice(PYPI_SUFFIXES))
        return f"==={space}{version}", None
    op = rng.choice(PYPI_OPERATORS)
    if op == "~=" and "." not in release.split("!")[-1]:
        release += ".0"
    version = pypi_spell(rng, release, rng.choice(PYPI_SUFFIXES))
    return f"{op}{space}{version}", release


def pypi_range(rng):
    count = rng.choice([0, 1, 1, 1, 2, 2, 2, 3, 3, 4])
    specs, releases = [], []
    for _ in range(count):
        text, release = pypi_specifier(rng)
        specs.append(text)
        if release:
            releases.append(release)
    joiner = lambda: rng.choice([",", ",", ", ", " ,", " , ", ",\u00a0"])  # noqa: E731
    text = ""
    for i, spec in enumerate(specs):
        text += (joiner() if i else "") + spec
    if rng.random() < 0.1:
        text = rng.choice([" ", ",", " , "]) + text + rng.choice([" ", ",", ",,"])
    return text, releases


PYPI_REJECTED = [
    "lolwat", "1.0", "=1.0", "=>1.0", "=<1.0", ">=", "==", "~=1", "~=1.*", ">=1.0.*", "<1.0+local", "<=1.0+x",
    ">1+1", "~=1.0+l", "==1.0a1.*", "==1.0.post1.*", "==1.0.*.*", "== 1.0 .*", ">=1.0 <2.0", ">= 1.0 , <2 .0",
    "!==1.0", "===", "=== ", "=== 1 0", "===1.0;", "===(1.0)", ">=1.0;", "(>=1.0)", ">=1.0)", ">=1..0", ">=1.",
    ">=.1", ">=1.0-", ">=1.0+", "==1.0+", "==1.0+.a", "==1.0+a..b", ">=1.0a1b2", ">=1.0.post1.post2", ">=v", "v1.0",
    "~= 1", ">=1,0", ">= 1.0 2.0", "<>1.0", "!1.0", ">=1.0-dev-1", ">=1.0.dev1.post1", ">=1.0alpha-", ">=1_0",
    ">=01!", ">=!1.0", ">=1!1!1", "==1.0.* ,x", ">=1e3", ">=\u0661.0", "==1.0.x", "~=1.0.0.*", "===a b", ">=0x10",
    "==" + "1" * 4301, ">=1." + "9" * 4301,
]

PYPI_ACCEPTED_ODDITIES = [
    "", " ", ",", ",,", " , , ", ">=1.0,", ",>=1.0", ">=1.0,,<2.0", "\u3000>=1.0\u3000", ">=\u20031.0", "~=1.0.0.0",
    "==1.0+ABC", "!=1.0+abc.1-2_3", "==v1.0", "===V1.0", "===foo", "===1.0.0", "===1.0", "=== 1.0", "~=1!1.0",
    ">1!1.0", "<1!0.dev0", "<0", "<0.0", "<0.dev0", "<=0.dev0", ">0", ">=0", "<0a0", "<0.0.0.dev0", "==0.*",
    "!=0.*", "==1.*,!=1.0.*", ">=1.0,<1.0", ">1.0,<1.0.0.1", ">1.0,<=1.0", "==1.0,!=1.0", "==1.0,!=1.0+l",
    "==1.0+l,!=1.0", ">1.0a1,<1.0a2.dev0", ">=1.0.post1,<1.0.post1", ">1.0.post1.dev2", ">1.0rc1.post2.dev3",
    "<=1.0.post1.dev2", "~=1.0a1.post2.dev3", "~=2.2.post3", "==1.99999999999999999999.*",
    ">18446744073709551615.0", "<=18446744073709551616", ">1.0,>1.0a1,>1.0.dev0", "!=1.0,!=1.0.post0.dev0,!=1.0.post0",
    "!=1.*,!=2.*,!=3.*", "==1.0.0.0.*", "===" + "9" * 4301,
]


def pypi_rows(rng, labeller, version_labeller):
    ranges = []
    for _ in range(430):
        ranges.append(pypi_range(rng))
    ranges += [(text, []) for text in PYPI_ACCEPTED_ODDITIES]
    ranges += [(text, []) for text in PYPI_REJECTED]
    for _ in range(60):
        text, releases = pypi_range(rng)
        if text:
            chars = list(text)
            where = rng.randint(0, len(chars))
            chars.insert(where, rng.choice("<>=!~*+.,;() vxa1"))
            ranges.append(("".join(chars), releases))
    seen = set()
    ranges = [(t, r) for t, r in ranges if not (t in seen or seen.add(t)) and not any(c in t for c in FORBIDDEN)]
    accepted = run_labeller(labeller, [t + "\t" for t, _ in ranges])
    pools = []
    for (text, releases), answer in zip(ranges, accepted):
        pool = []
        if answer != "!":
            for release in releases or ["1.0", "0"]:
                pool += pypi_neighbours(release)
            if "===" in text:
                pool = arbitrary_candidates(text)
        pools.append(unique(pool))
    candidates = unique(v for pool in pools for v in pool)
    valid = {v for v, ok in zip(candidates, run_labeller(version_labeller, candidates, "valid")) if ok == "1"}
    rows = []
    for (text, _), answer, pool in zip(ranges, accepted, pools):
        if answer == "!":
            rows.append((text, "", "!\t!\t!"))
            continue
        pool = [v for v in pool if v in valid]
        versions = rng.sample(pool, min(len(pool), 11))
        rows += [(text, v, None) for v in versions]
    pending = [i for i, row in enumerate(rows) if row[2] is None]
    labels = run_labeller(labeller, [rows[i][0] + "\t" + rows[i][1] for i in pending])
    for i, label in zip(pending, labels):
        assert label not in ("!", "?", "ok"), (rows[i], label)
        if label == "e":
            print(f"left out, packaging raises on use: {rows[i][0][:40]!r}", file=sys.stderr)
        rows[i] = (rows[i][0], rows[i][1], label)
    return [row for row in rows if row[2] != "e"]


def arbitrary_candidates(text):
    """Versions for a set holding "===X": X as written and in other cases, and
    versions not equal to X. A different spelling of X itself is left out: a set of
    keys cannot tell it from X, and holds it."""
    out = ["0.0.7", "3.3.3", "7!1.0", "1.0.post5", "5.0a9"]
    for item in text.split(","):
        item = item.strip()
        if item.startswith("==="):
            x = item[3:].strip()
            out += [x, x.upper(), x.lower()]
    return out


# ---------------------------------------------------------------- main

def write(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(header + "\n")
        for text, version, label in rows:
            f.write(f"{text}\t{version}\t{label}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--packaging-python", default=sys.executable)
    parser.add_argument("--php", default="php")
    args = parser.parse_args()
    pypi = [args.packaging_python, str(HERE / "labellers" / "pep440_range_label.py")]
    pypi_versions = [args.packaging_python, str(HERE / "labellers" / "pep440_label.py")]
    rows = pypi_rows(random.Random(20261215), pypi, pypi_versions)
    write(OUT / "pypi.tsv", "range\tversion\texpected\tincluded\texcluded", rows)


if __name__ == "__main__":
    main()
