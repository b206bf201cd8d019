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



# ---------------------------------------------------------------- Composer

COMPOSER_BASES = ["0", "0.1", "0.3.1", "1", "1.0", "1.0.0", "1.2", "1.2.3", "2.0", "2", "2.5.1", "10.0", "0.0.3",
                  "1.0.0.0", "7.4", "5.3.0", "01.2", "2010-01-02", "20100102", "99999.1"]
COMPOSER_SUFFIXES = ["", "", "", "", "-dev", "-alpha1", "-beta", "-beta2", "-RC1", "-rc.2", "-p1", "-pl2",
                     "-patch3", "-stable", "-alpha.1-dev", "@dev", "@beta", "@RC", "@stable", "@BETA", "@Alpha",
                     "+build.5", "-beta+exp.sha", ".x-dev", "-b1", "-a2", "beta3", "RC2", "-STABLE"]
COMPOSER_OPERATORS = ["", ">", ">=", "<", "<=", "=", "==", "!=", "<>", ">=", "<", "^", "~", "^", "~"]
# composer/semver's satisfies takes these for branches; their key is 9999999-dev's.
DEFAULT_BRANCHES = ["master", "trunk", "default", "dev-master", "dev-trunk", "dev-default", "DEV-master"]


def composer_version_text(rng, base):
    text = base + rng.choice(COMPOSER_SUFFIXES)
    if rng.random() < 0.08:
        text = "v" + text
    return text


def composer_constraint(rng):
    """A constraint and the bases its bounds are near."""
    base = rng.choice(COMPOSER_BASES)
    kind = rng.random()
    if kind < 0.08:
        parts = base.split(".")[: rng.randint(1, 3)]
        if not all(p.isdigit() for p in parts):
            parts = ["1", "2"]
        star = rng.choice([".*", ".x", ".X", ".x.x", ".*.*"])
        return ("v" if rng.random() < 0.1 else "") + ".".join(parts) + star, ".".join(parts)
    if kind < 0.15:
        low = composer_version_text(rng, base).split("@")[0]
        other = rng.choice(COMPOSER_BASES)
        high = composer_version_text(rng, other).split("@")[0]
        return f"{low}{rng.choice([' - ', '  -  ', ' -  '])}{high}", base + "|" + other
    if kind < 0.19:
        return rng.choice(["*", "x", "X", "v*", "*.*", "x.x", "*@dev", "@dev", "*@stable", "V*"]), "0"
    if kind < 0.25:
        branch = rng.choice(["dev-main", "dev-feature/x", "dev-foo", "dev-FOO", "dev-1.x", "1.x-dev", "2.0.x-dev",
                             "dev-foo#abc123", "1.0.x-dev#abc", "foo-dev", "dev-bugfix-1"])
        op = rng.choice(["", "", "=", "==", "!=", ">=", "<"])
        return op + branch, "1.0"
    if kind < 0.28:
        return f"{composer_version_text(rng, base)} as {rng.choice(COMPOSER_BASES)}", base
    op = rng.choice(COMPOSER_OPERATORS)
    space = rng.choice(["", "", "", " "]) if op not in ("^", "~") else ""
    return f"{op}{space}{composer_version_text(rng, base)}", base


def composer_range(rng):
    alternatives, bases = [], []
    for _ in range(rng.choice([1, 1, 1, 2, 2, 3])):
        parts = []
        for _ in range(rng.choice([1, 1, 1, 2, 2, 3])):
            text, near = composer_constraint(rng)
            parts.append(text)
            bases += near.split("|")
        joiner = rng.choice([" ", ",", ", ", "  ", " , "])
        alternatives.append(joiner.join(parts))
    return rng.choice([" || ", "||", " | ", "|", " ||  "]).join(alternatives), bases


def composer_neighbours(base):
    numbers = [n for n in base.replace("-", ".").split(".") if n.isdigit()] or ["1"]
    out = [base + s for s in ["", "-dev", "-alpha", "-alpha1", "-beta", "-beta2", "-RC1", "-RC2", "-p1", ".0", ".0.0",
                              ".1", "-stable", ".0-dev", "-patch1", ".0.1-dev"]]
    for i in range(min(len(numbers), 4)):
        up = numbers[: i + 1]
        up[i] = str(int(up[i]) + 1)
        up = ".".join(up)
        out += [up, up + "-dev", up + "-alpha1", up + ".0-RC1"]
        if int(numbers[i]) > 0:
            down = numbers[: i + 1]
            down[i] = str(int(down[i]) - 1)
            out += [".".join(down) + ".99", ".".join(down)]
    out += ["0.0.0", "0.0.0-dev", "dev-main", "dev-foo", "dev-FOO", "dev-feature/x", "1.x-dev", "9999999-dev",
            "v" + base, "99.0", "dev-1.x", "dev-foo-dev", "2.0.x-dev", "1.9999999.9999999.9999999-dev"]
    return out


COMPOSER_REJECTED = [
    "", " ", "~>1.0", "||", "1.0 ||", "|| 1.0", "1.0 |||| 2.0", "foo", ">=foo", "1.0,,2.0", ">= 1.0 , , <2.0", ">=",
    "1.0 -", "- 1.0", "1.0 - ", "^", "~", "^1.x", "V1.x", "1.x.2", "1.0.0.0.0", "^1.0.0.0.0", "=>1.0", "=<1.0",
    ">>1.0", "1.0 - 2.0 - 3.0", "@", "1.0@foo", "1.0@beta@dev", "*.1", "x1", "1.0-beta-", "<1.0 as", "as 1.0",
    "!==1.0", "1.0 - ", ">=1.0 <",
]

COMPOSER_ACCEPTED_ODDITIES = [
    ">=3.0 <2.0 || ^2.0", "^2.0 || >=3.0 <2.0", ">=1.0 <2.0 || >=2.0 <3.0 || >=3.0 <4.0", ">=1.0 <2.0 || >=2.0 <=3.0",
    ">=1.0 <=2.0 || >=2.0 <3.0", "^1.0 || ^2.0 || ^3.0", "^1.0 || ^1.0", "1.0 - 2.0 || 2.0 - 3.0",
    ">=1.0,<1.0", ">1.0 <1.0", "1.0 2.0", "!=1.0 !=1.0", "^0.0.3", "^0", "^0.0", "~0", "~1", "~1.2.3.4",
    "^1.2.3.4", "~1.0@dev", "^1.0@beta", ">=1.0@beta", "<1.0@dev", ">1.0@RC", "!=1.0@alpha", "=1.0@dev",
    "1.0@dev", "<1.0-RC1", ">=1.0-RC1", ">=1.0RC1", ">=1.0beta", "<1.0-beta+build", "~1.2+build", "^1.2+build",
    "1.0+build - 2.0+meta", "1.0 - 2", "1.0 - 2.1", "1.0 - 2.0.0", "1.0 - 2.0-beta", "1.0 - 2.x-dev",
    "1.0-beta - 2.0@dev", "~1.x-dev", "~1.2.x-dev", "^1.x-dev", "00.x", "0.x", "0.0.x", "1.x.x", "v1.x",
    "dev-master", "master", "dev-foo#abc", "dev-foo || dev-bar", "dev-foo 1.0", "!=dev-foo", ">=dev-foo", "<>1.0",
    "foo-dev", ">=foo-dev", "1.0 as 2.0", "1.0@dev as 2.0", ">= 1.0", ">=  1.0", "  ^1.0  ", "^1.0 ,^1.2",
    "1.0,2.0", "1.0 ,2.0", "1.0, 2.0", "1.0 , 2.0", ">=1.0 , <2.0 || 3.0", "^1.0||^2.0", "^1.0|^2.0",
    "2010-01-02", ">=2010-01-02", "^9223372036854775806", "~1.9223372036854775806.0", "1.0.*@dev",
    ">=1.0@STABLE", ">=1.0@Beta", "<2.0@DEV", "<2.0-p1", ">=2.0-patch1@beta", "<=1.0", "<=1.0-dev", ">1.0-dev",
    "<1.0 >=0.5 !=0.7", "^1.0 !=1.5 !=1.6", "*", "*@dev", "x", "*.*", "v*", "^1.0 *", "* || dev-foo",
    # PHP adds one past 2^63 - 1 as a float, and compares its printed form.
    "^99999999999999999999", "~1.9223372036854775807", "1.9223372036854775807.*", "^9223372036854775807",
    "1.0 - 9223372036854775807", "~1." + "9" * 400,
]


def composer_rows(rng, labeller):
    ranges = [composer_range(rng) for _ in range(520)]
    ranges += [(text, ["1.0", "2.0", "0.5", "3.0", "1.5"]) for text in COMPOSER_ACCEPTED_ODDITIES]
    ranges += [(text, []) for text in COMPOSER_REJECTED]
    for _ in range(60):
        text, bases = composer_range(rng)
        chars = list(text)
        where = rng.randint(0, len(chars))
        chars.insert(where, rng.choice("<>=!~^*|-,. @vx#"))
        ranges.append(("".join(chars), bases))
    seen = set()
    ranges = [(t, b) for t, b in ranges if not (t in seen or seen.add(t)) and not any(c in t for c in FORBIDDEN)]
    accepted = run_labeller(labeller, [t + "\t" for t, _ in ranges])
    rows = []
    for (text, bases), answer in zip(ranges, accepted):
        if answer == "!":
            rows.append((text, "", "!"))
            continue
        pool = []
        for base in bases or ["1.0"]:
            pool += composer_neighbours(base)
        # satisfies takes the default branches for branches, where their key is
        # 9999999-dev's: neither is asked about (the difference is tested by hand).
        pool = [v for v in unique(pool) if v not in DEFAULT_BRANCHES and "9999999-dev" != v]
        rows += [(text, v, None) for v in rng.sample(pool, min(len(pool), 10))]
    pending = [i for i, row in enumerate(rows) if row[2] is None]
    labels = run_labeller(labeller, [rows[i][0] + "\t" + rows[i][1] for i in pending])
    for i, label in zip(pending, labels):
        assert label not in ("!", "ok"), (rows[i], label)
        rows[i] = (rows[i][0], rows[i][1], label)
    return [row for row in rows if row[2] != "e"]

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
    composer = [args.php, str(HERE / "labellers" / "composer_range_label.php")]
    write(OUT / "composer.tsv", "range\tversion\texpected", composer_rows(random.Random(20261216), composer))


if __name__ == "__main__":
    main()
