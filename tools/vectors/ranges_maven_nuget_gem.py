#!/usr/bin/env python3
"""Writes the labelled range vectors of Maven, NuGet and RubyGems to tests/vectors/ranges/.

Ranges are drawn in every form each syntax has (intervals, unions, exact and bare
versions, floats, pessimistic requirements, comma lists), with blanks in the
places each tool allows them, and from hand-picked hard cases; each is paired with
the versions around its bounds (the bounds themselves, their neighbours in a pool
of real and hard versions, pre-releases and other spellings of them) and labelled
by the ecosystem's own range evaluation:

  - Maven: VersionRange.createFromVersionSpec and containsVersion of maven-artifact
    3.8.7 (labellers/MavenRange.java);
  - RubyGems: Gem::Requirement#satisfied_by? of RubyGems 3.3.15
    (labellers/gem_requirement.rb), the range split at its commas into requirements;
  - NuGet: no tool here; labellers/nuget_range_rules.py follows VersionRange.Parse
    and Satisfies of NuGet.Versioning step by step, after checking itself against
    NuGet.Client's published cases.

None of the three has a pre-release rule in its membership test, so one label a row.
Ranges the tool rejects go to <eco>-rejected.tsv. Maven's order is not transitive and
ranges hold keys: a row where a bound and the version are ordered by their keys
otherwise than Maven compares them (a pair on a cycle of Maven's order) goes to
maven-cycles.tsv with that bound, instead of maven.tsv.

Needs tambry built (keys pick the neighbours and find the cycle pairs):

    /work/venvs/<venv>/bin/python tools/vectors/ranges_maven_nuget_gem.py [--seed N]
"""

from __future__ import annotations

import argparse
import random
import subprocess
import sys
import tempfile
from pathlib import Path

from tambry import native

HERE = Path(__file__).resolve().parent
OUT = HERE.parent.parent / "tests" / "vectors" / "ranges"
MAVEN_CLASSPATH = "/usr/share/java/maven-artifact-3.x.jar:/usr/share/java/commons-lang3.jar"

sys.path.insert(0, str(HERE / "labellers"))
import nuget_range_rules  # noqa: E402
import nuget_rules  # noqa: E402


def unique(items):
    seen = set()
    return [x for x in items if not (x in seen or seen.add(x))]


def clean(text: str) -> bool:
    return not any(c in text for c in "\t\n\r\0")


def run(command: list[str], lines: list[str]) -> list[str]:
    text = "".join(line + "\n" for line in lines)
    done = subprocess.run(command, input=text.encode(), capture_output=True, check=True)
    return done.stdout.decode().split("\n")[:-1]


def write(name: str, header: str, rows) -> None:
    with open(OUT / name, "w", encoding="utf-8", newline="\n") as f:
        f.write(header + "\n")
        for row in rows:
            f.write("\t".join(str(x) for x in row) + "\n")


class Pool:
    """Versions of one ecosystem in key order, to find a bound's neighbours."""

    def __init__(self, ecosystem: str, versions: list[str]):
        self.ecosystem = ecosystem
        self.versions = sorted(unique(v for v in versions if native.is_valid(v, ecosystem)),
                               key=lambda v: native.key(v, ecosystem))
        self.keys = [native.key(v, ecosystem) for v in self.versions]

    def around(self, bound: str, rnd: random.Random, reach: int = 2) -> list[str]:
        if not native.is_valid(bound, self.ecosystem):
            return []
        import bisect

        key = native.key(bound, self.ecosystem)
        lo = bisect.bisect_left(self.keys, key)
        hi = bisect.bisect_right(self.keys, key)
        near = self.versions[max(0, lo - reach) : lo] + self.versions[hi : hi + reach]
        same = self.versions[lo:hi]
        return near + rnd.sample(same, min(2, len(same)))


def pair_rows(ranges: list[tuple[str, list[str]]], pool: Pool, derive, rnd: random.Random, per_range: int):
    """(range, version) pairs: each range with versions around its bounds."""
    pairs = []
    for text, bounds in ranges:
        chosen = []
        for bound in bounds:
            chosen += [bound] + pool.around(bound, rnd) + derive(bound, rnd)
        chosen = [v for v in unique(chosen) if clean(v) and native.is_valid(v, pool.ecosystem)]
        rnd.shuffle(chosen)
        chosen = chosen[:per_range]
        chosen += rnd.sample(pool.versions, max(2, per_range - len(chosen)) if bounds else per_range)
        pairs += [(text, v) for v in unique(chosen)]
    return pairs


def spaced(rnd: random.Random, blanks: list[str], chance: float = 0.3) -> str:
    return rnd.choice(blanks) * rnd.randint(1, 2) if rnd.random() < chance else ""


# Maven -------------------------------------------------------------------------

MAVEN_VERSIONS = [
    "0.9", "0.9.9", "1", "1.0", "1.0.0", "1.0.0.0", "1-ga", "1.0-final", "1.0.0.RELEASE", "1.0.GA", "1.0-release",
    "1.0-SNAPSHOT", "1.0-snapshot", "1-SNAPSHOT", "1.0-alpha-1", "1.0-alpha1", "1.0a1", "1.0-ALPHA-1", "1.0-beta-2",
    "1.0b2", "1.0-M1", "1.0m3", "1.0-milestone-1", "1.0-RC1", "1.0-rc-1", "1.0.CR1", "1.0-cr1", "1.0-sp1", "1.0-SP",
    "1.0.1", "1.0.1-SNAPSHOT", "1.0-1", "1.0-0", "1.0.0-1", "1.0-20230101.123456-7", "1.0-jre", "1.0-android",
    "1.0-foo", "1.0-xyz", "1.0_01", "1.0.RC1", "1.1", "1.1-SNAPSHOT", "1.1-alpha-1", "1.2", "1.2.3", "1.2.3-SNAPSHOT",
    "1.9", "1.10", "2", "2.0", "2.0.0", "2.0-SNAPSHOT", "2.0-alpha-1", "2.0-beta", "2-rc", "2.0-RC1", "2.0.0-M1",
    "2.0.0.RELEASE", "2.0.Final", "2.0-sp1", "2.0.1", "2.1", "3.0", "3.0-SNAPSHOT", "10.0", "31.1-jre",
    "1.0000000000", "1.0.0000000000.1", "12345678901234567890", "1.123456789012", "1-a", "1-b", "1-m", "1-a1",
    "1.0-a1", "1.0.a.1", "1.0-abc", "1.0-ABC", "1.0.x", "1.0-z",
]
# Versions on cycles of Maven's order (native/maven.cpp), bounds and versions alike.
MAVEN_CYCLES = ["1.sp.1", "1-alpha", "1-1", "1.0.alpha.1", "1.5", "1.0000000000.alpha.1", "1.ga.1", "1.0.ga.1"]
MAVEN_QUALIFIERS = ["-SNAPSHOT", "-alpha-1", "-beta", "-RC1", "-M2", "-sp1", ".Final", "-1", ".0", "-jre", "a1", ""]


def maven_derive(bound: str, rnd: random.Random) -> list[str]:
    return [bound + q for q in rnd.sample(MAVEN_QUALIFIERS, 4)] + [bound.upper(), bound + ".0.0"]


def maven_trim_blanks(rnd: random.Random) -> str:
    return spaced(rnd, [" ", " ", "\x0b", "\x01", "\x1f"], 0.25)


def maven_restriction(rnd: random.Random, low: str | None, high: str | None) -> str:
    sp = lambda: maven_trim_blanks(rnd)  # noqa: E731
    if low is not None and low == high and rnd.random() < 0.6:
        return f"[{sp()}{low}{sp()}]"
    opener = rnd.choice("[(") if low is not None else rnd.choice("([")
    closer = rnd.choice("])") if high is not None else rnd.choice(")]")
    return f"{opener}{sp()}{low or ''}{sp()},{sp()}{high or ''}{sp()}{closer}"


def maven_ranges(rnd: random.Random, pool: Pool) -> list[tuple[str, list[str]]]:
    bounds_pool = [v for v in MAVEN_VERSIONS + MAVEN_CYCLES if clean(v)]
    ranges = []
    for _ in range(330):
        count = rnd.choice([1, 1, 1, 2, 2, 3])
        picked = sorted(rnd.sample(bounds_pool, 2 * count), key=lambda v: native.key(v, "maven"))
        if rnd.random() < 0.08:
            rnd.shuffle(picked)  # out of order: Maven rejects most
        restrictions, bounds = [], []
        for i in range(count):
            low, high = picked[2 * i], picked[2 * i + 1]
            if rnd.random() < 0.15:
                high = low
            if i == 0 and rnd.random() < 0.25:
                low = None
            if i == count - 1 and rnd.random() < 0.25:
                high = None
            restrictions.append(maven_restriction(rnd, low, high))
            bounds += [b for b in (low, high) if b is not None]
        separators = [",", ",", ", ", " , ", "", "\x0b,"]
        text = restrictions[0]
        for r in restrictions[1:]:
            text += rnd.choice(separators) + r
        if rnd.random() < 0.05:
            text += rnd.choice([",", " ", ", "])
        ranges.append((text, bounds))
    for _ in range(12):
        bound = rnd.choice(bounds_pool)
        ranges.append((bound, [bound]))  # a recommended version
    hard = [
        ("", []), (" ", []), ("[,]", []), ("(,)", []), ("[,)", []), ("[]", ["0"]), ("[ ]", ["0"]),
        (" [1.0,2.0)", ["1.0", "2.0"]), ("[1.0,2.0) ", ["1.0", "2.0"]), ("[1.0,2.0),", ["1.0", "2.0"]),
        ("[1.0,2.0)[3.0,4.0)", ["1.0", "2.0", "3.0", "4.0"]), ("[1.0,2.0],[2.0,3.0]", ["1.0", "2.0", "3.0"]),
        ("(,1.0],[1.2,)", ["1.0", "1.2"]), ("[1.0,),[0.5,0.7]", ["1.0", "0.5", "0.7"]),
        ("[1.0,1]", ["1.0", "1"]), ("[1,1.0.0]", ["1"]), ("(1.0,1.0.1)", ["1.0", "1.0.1"]),
        ("[1,2,3]", ["1", "2,3"]), ("[(1.0,2.0]", ["(1.0", "2.0"]), ("[1.0-SNAPSHOT,1.0]", ["1.0-SNAPSHOT", "1.0"]),
        ("[1.0-alpha,1.0)", ["1.0-alpha", "1.0"]), ("(1.0,1.0-sp]", ["1.0", "1.0-sp"]),
        ("[1.0.0.RELEASE]", ["1.0"]), ("[1-ga,2.final)", ["1", "2"]), ("[1.sp.1,1-alpha]", ["1.sp.1", "1-alpha"]),
        ("[1-alpha,1]", ["1-alpha", "1"]), ("[1,1.sp.1]", ["1", "1.sp.1"]), ("[1-1,1.0.alpha.1]", ["1-1", "1.0.alpha.1"]),
        ("[1.0.alpha.1,1)", ["1.0.alpha.1", "1"]), ("(1,1-1]", ["1", "1-1"]), ("[1.5,1.0000000000.alpha.1]", ["1.5"]),
        ("[1.0000000000.alpha.1,1]", ["1.0000000000.alpha.1", "1"]), ("[1.0,1.5],[1.0000000000.alpha.1,2)", ["1.5"]),
        ("[\x011.0\x1f,2.0]", ["1.0", "2.0"]), ("[1.0,2.0],\x0b[3.0,)", ["1.0", "2.0", "3.0"]),
        ("[é,ü]", ["é", "ü"]), ("[1.0-ǅ,1.0-ǆ]", ["1.0-ǅ", "1.0-ǆ"]), ("[1٢,2]", ["1٢", "2"]),
    ]
    malformed = [
        "[1.0,2.0", "(1.0", "[", "(", "(1.0)", "[1.0)", "(1.0]", "[2.0,1.0]", "(1.0,1.0]", "[1.0,1.0)", "(1,1.0)",
        "[1.0,2.0]x", "[1.0,2.0] x", "[1.0,2.0],,[3.0,)", "[1.0,2.0],[1.5,3.0]", "[1.0,2.0],(,3.0]", "[1.0,2.0];[3,4]",
        "[1.0,2.0]1.0", "[1.0,2.0],1.0", "[1.0] [2.0", "[1.0],(2.0)", "[1.sp.1,1]", "[1,1-1]", "[1.5,1],[2,3]",
        "[1.0,2.0],[1.0-alpha,3]", "[1.0,2.0), [1.5,]",
    ]
    ranges += hard + [(t, []) for t in malformed]
    return ranges


def maven_bounds(text: str) -> list[str]:
    """The bound texts of a range Maven accepts, as its parser cuts them."""
    bounds = []
    rest = text
    while rest[:1] in ("[", "("):
        close = min(i for i in (rest.find(")"), rest.find("]")) if i >= 0)
        inside = rest[1:close].strip("".join(chr(c) for c in range(33)))
        if "," in inside:
            low, high = inside.split(",", 1)
            bounds += [b for b in (java_trim(low), java_trim(high)) if b]
        else:
            bounds.append(inside)
        rest = java_trim(rest[close + 1 :])
        if rest.startswith(","):
            rest = java_trim(rest[1:])
    return bounds


def java_trim(text: str) -> str:
    return text.strip("".join(chr(c) for c in range(33)))


def key_sign(a: str, b: str) -> int:
    ka, kb = native.key(a, "maven"), native.key(b, "maven")
    return (ka > kb) - (ka < kb)


def maven(rnd: random.Random, workdir: str) -> None:
    subprocess.run(["javac", "-d", workdir, "-cp", MAVEN_CLASSPATH, str(HERE / "labellers" / "MavenRange.java")],
                   check=True)
    command = ["java", "-cp", f"{MAVEN_CLASSPATH}:{workdir}", "MavenRange"]
    versions = MAVEN_VERSIONS + MAVEN_CYCLES + [v + q for v in MAVEN_VERSIONS[:40] for q in rnd.sample(MAVEN_QUALIFIERS, 2)]
    pool = Pool("maven", versions)
    ranges = [(t, b) for t, b in unique_ranges(maven_ranges(rnd, pool)) if clean(t)]
    verdicts = run(command + ["contains"], [f"{t}\t1" for t, _ in ranges])
    accepted = [(t, b) for (t, b), v in zip(ranges, verdicts) if v != "rejected"]
    rejected = [t for (t, _), v in zip(ranges, verdicts) if v == "rejected"]
    pairs = pair_rows(accepted, pool, maven_derive, rnd, 10)
    labels = run(command + ["contains"], [f"{t}\t{v}" for t, v in pairs])
    bound_pairs = unique((b, v) for t, v in pairs for b in maven_bounds(t))
    signs = dict(zip(bound_pairs, run(command + ["compare"], [f"{b}\t{v}" for b, v in bound_pairs])))
    rows, cycles = [], []
    for (text, version), label in zip(pairs, labels):
        on_cycle = [b for b in maven_bounds(text) if int(signs[(b, version)]) != key_sign(b, version)]
        if on_cycle:
            cycles.append((text, version, label, on_cycle[0]))
        else:
            rows.append((text, version, label))
    write("maven.tsv", "range\tversion\texpected", rows)
    write("maven-cycles.tsv", "range\tversion\texpected\tbound", cycles)
    write("maven-rejected.tsv", "range", [(t,) for t in rejected])


def unique_ranges(ranges):
    seen = set()
    return [(t, b) for t, b in ranges if not (t in seen or seen.add(t))]


# RubyGems ----------------------------------------------------------------------

GEM_VERSIONS = [
    "0", "0.0.1", "0.1", "0.9", "1", "1.0", "1.0.0", "1.0.0.0", "1.0.a", "1.0.0.a", "1.0.pre", "1.0.rc1", "1.0-rc1",
    "1.0.0.pre.1", "1.0.1", "1.1", "1.2", "1.2.0", "1.2.0.a", "1.2.a", "1.2.3", "1.2.3.a", "1.2.3-beta.2", "1.2.3.4",
    "1.2.4", "1.2.9", "1.2.10", "1.2.b", "1.2.Z", "1.2.alpha.1", "1.2.a.1", "1.3", "1.3.a", "1.3.0.a", "1.3.A", "1.9",
    "1.9.9", "1.9.z", "1.10", "1.01", "01.2", "2", "2.0", "2.0.0", "2.0.a", "2.0.0.a", "2.a", "2.A", "2.0.0.0.a",
    "2.0.0.1.a", "2.0.1", "2.0.1.a", "2.1", "2.1.a", "3", "3.0.a", "9", "9.9", "10", "10.a", "1.99999999999999999999",
    "1.99999999999999999999.a", "100000000000000000000", "1.2.3.4.5", "1.0.0-x-y", "1.a.0", "1.0.a.0", "1.0.A",
]
GEM_SUFFIXES = [".a", ".A", ".0.a", ".pre", ".rc1", "-beta", ".0", ".0.0.1.a", ".1", ".9.z", ".0.0"]
GEM_OPERATORS = ["=", "!=", ">", "<", ">=", "<=", "~>", "", "~>", "~>"]
GEM_BLANKS = [" ", " ", "\x0b", "\x0c"]


def gem_bump(version: str) -> str:
    """Gem::Version#bump, for choosing versions near the bound it makes."""
    import re

    segments = re.findall(r"[0-9]+|[a-z]+", version.replace("-", ".pre."), re.I)
    numbers = []
    for s in segments:
        if not s.isdigit():
            break
        numbers.append(int(s))
    if len(numbers) > 1:
        numbers.pop()
    numbers[-1] += 1
    return ".".join(str(n) for n in numbers)


def gem_derive(bound: str, rnd: random.Random) -> list[str]:
    bump = gem_bump(bound)
    return [bound + s for s in rnd.sample(GEM_SUFFIXES, 3)] + [bump] + [bump + s for s in rnd.sample(GEM_SUFFIXES, 4)]


def gem_ranges(rnd: random.Random) -> list[tuple[str, list[str]]]:
    ranges = []
    for _ in range(340):
        parts, bounds = [], []
        for _ in range(rnd.choice([1, 1, 1, 2, 2, 3])):
            op = rnd.choice(GEM_OPERATORS)
            bound = rnd.choice(GEM_VERSIONS)
            blank = lambda: spaced(rnd, GEM_BLANKS, 0.3)  # noqa: E731
            middle = rnd.choice(["", " ", " ", "  "]) if op else ""
            parts.append(f"{blank()}{op}{middle}{bound}{blank()}")
            bounds.append(bound)
        ranges.append((rnd.choice([",", ", ", " , ", ","]).join(parts), bounds))
    hard = [
        ("~> 1", ["1"]), ("~> 1.2", ["1.2"]), ("~> 1.2.3", ["1.2.3"]), ("~> 1.2.3.4", ["1.2.3.4"]), ("~> 0", ["0"]),
        ("~> 0.0", ["0.0"]), ("~> 1.0.a", ["1.0.a"]), ("~> 1.2.a", ["1.2.a"]), ("~> 1.a", ["1.a"]),
        ("~> 1.2.9", ["1.2.9"]), ("~> 1.9", ["1.9"]), ("~> 9", ["9"]), ("~> 1.09.1", ["1.09.1"]),
        ("~> 1.99999999999999999999.1", ["1.99999999999999999999.1"]), ("~> 2.0.0.a", ["2.0.0.a"]),
        ("~> 1.2, >= 1.2.3", ["1.2", "1.2.3"]), ("~> 1.2, != 1.5", ["1.2", "1.5"]), ("~> 1.2, ~> 1.3", ["1.2", "1.3"]),
        (">= 0", ["0"]), (">= 0.a", ["0.a"]), ("> 1.0, < 1.0.0.0.1", ["1.0"]), ("= 1.0, != 1", ["1.0"]),
        (">= 1.0, <= 1", ["1"]), ("1.0", ["1.0"]), ("=1.0", ["1.0"]), ("!=1.0", ["1.0"]), ("~>1.2", ["1.2"]),
        ("\x0b~>\x0c1.2\x0b", ["1.2"]), ("  >=  2.0.a  ,  <  2.0  ", ["2.0.a", "2.0"]), ("< 2.a", ["2.a"]),
        ("> 2.a", ["2.a"]), ("<= 1.2.3-beta.2", ["1.2.3-beta.2"]), ("1.2.3-beta.2", ["1.2.3-beta.2"]),
        ("~> 1.2.3-beta.2", ["1.2.3-beta.2"]), (">= 1.2.Z, < 1.2.a", ["1.2.Z", "1.2.a"]),
    ]
    malformed = [
        "", " ", ",", "1.0,", ",1.0", "1.0,,2.0", ">=", "~>", "=> 1.0", "== 1.0", ">= 1.0 2.0", "~> 1.0-", "1..0",
        "a", ">= a", "~ 1.0", "> = 1", "1.0 | 2.0", ">= 1.0 && < 2", ">=1.0;<2", "v1.0", "1.0.", ".1", "-1",
        "~> 1.0 1", "1.0 a", "!1.0", "<> 1.0", "=< 1.0", "1.0\x00", "1.0é", "~> ", "1.0 ,", "1-", "1.0-.a",
    ]
    return ranges + hard + [(t, []) for t in malformed]


def gem(rnd: random.Random) -> None:
    command = ["ruby", str(HERE / "labellers" / "gem_requirement.rb")]
    versions = GEM_VERSIONS + [v + s for v in GEM_VERSIONS for s in rnd.sample(GEM_SUFFIXES, 2)]
    pool = Pool("gem", versions)
    ranges = [(t, b) for t, b in unique_ranges(gem_ranges(rnd)) if clean(t)]
    verdicts = run(command, [f"{t}\t1" for t, _ in ranges])
    accepted = [(t, b) for (t, b), v in zip(ranges, verdicts) if v != "rejected"]
    rejected = [t for (t, _), v in zip(ranges, verdicts) if v == "rejected"]
    pairs = pair_rows(accepted, pool, gem_derive, rnd, 11)
    labels = run(command, [f"{t}\t{v}" for t, v in pairs])
    write("gem.tsv", "range\tversion\texpected", [(t, v, label) for (t, v), label in zip(pairs, labels)])
    write("gem-rejected.tsv", "range", [(t,) for t in rejected])


# NuGet -------------------------------------------------------------------------

NUGET_VERSIONS = [
    "0.0.0", "0.0.0-0", "0.0.0--1", "0.0.0-alpha", "0.1", "0.9.9", "1", "1.0", "1.0.0", "1.0.0.0", "01.0.00",
    "1.0.0.1", "1.0.0-0", "1.0.0--1", "1.0.0-1", "1.0.0-a", "1.0.0-A", "1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-beta",
    "1.0.0-Beta.1", "1.0.0-beta.2", "1.0.0-rc", "1.0.0-rc.0", "1.0.0-rc.1", "1.0.0-rc1", "1.0.0-rc-1", "1.0.0-rc-",
    "1.0.0--", "1.0.0-rc.a", "1.0.0+meta", "1.0.0-beta+meta", "1.0.1", "1.0.1-alpha", "1.1", "1.1.0-0", "1.2.3.4",
    "1.9.9", "2.0", "2.0.0", "2.0.0-0", "2.0.0-alpha", "2.0.0-beta", "2.0.0-beta.1", "2.0.0-rc.1", "2.0.0+build.5",
    "2.0.1", "2.1", "3.0.0-preview.1.23", "10.0.0", "2147483647.0.0", "1.0.0-2147483648", "1.0.0-99999999999",
]
NUGET_LABELS = ["-0", "--1", "-alpha", "-a", "-beta.1", "-rc.0", "-rc-", "-Z", "+meta", "-1", ".1", ".0.1"]
NUGET_FLOATS = [
    "*", "*-*", "1.*", "1.0.*", "1.0.0.*", "1.0.0-*", "1.0.0-rc*", "1.0.0-rc.*", "1.0.0-rc-*", "1.0.0--*",
    "1.0.0-0*", "1.*-*", "1.0.*-*", "1.0.0.*-*", "1.0.*-rc*", "1.*-rc.*", "*-rc.*", "*-beta*", "2.*", "0.*",
    "1.0.0-beta.1*", "1.0.*-beta.1*", "2.0.0-*", "1.0.0.0-beta*",
]
NUGET_BLANKS = [" ", " ", "\u00a0", "\u3000", "\x0b"]


def nuget_float_start(text: str) -> str:
    return nuget_range_rules.float_min_version(text) or text


def nuget_derive(bound: str, rnd: random.Random) -> list[str]:
    base = bound.split("+")[0]
    return [base + s for s in rnd.sample(NUGET_LABELS, 5)] + [base + ".0", "0" + base]


def nuget_ranges(rnd: random.Random) -> list[tuple[str, list[str]]]:
    ranges = []
    ordered = sorted(NUGET_VERSIONS, key=lambda v: native.key(v, "nuget"))
    for _ in range(340):
        blank = lambda: spaced(rnd, NUGET_BLANKS, 0.25)  # noqa: E731
        form = rnd.random()
        if form < 0.12:
            bound = rnd.choice(NUGET_VERSIONS)
            ranges.append((f"{blank()}{bound}{blank()}", [bound]))
            continue
        if form < 0.25:
            bound = rnd.choice(NUGET_FLOATS)
            ranges.append((f"{blank()}{bound}{blank()}", [nuget_float_start(bound)]))
            continue
        i, j = sorted(rnd.sample(range(len(ordered)), 2))
        low, high = ordered[i], ordered[j]
        if rnd.random() < 0.06:
            low, high = high, low
        if rnd.random() < 0.1:
            high = low
        if rnd.random() < 0.15:
            low = rnd.choice(NUGET_FLOATS)
        if rnd.random() < 0.2:
            low = ""
        elif rnd.random() < 0.2:
            high = ""
        opener, closer = rnd.choice("[("), rnd.choice("])")
        if rnd.random() < 0.1 and low:
            text = f"{blank()}[{blank()}{low}{blank()}]{blank()}"
        else:
            text = f"{blank()}{opener}{blank()}{low}{blank()},{blank()}{high}{blank()}{closer}{blank()}"
        bounds = [nuget_float_start(low) if "*" in low else low, high]
        ranges.append((text, [b for b in bounds if b]))
    hard = [
        ("[1.0]", ["1.0"]), ("[1.0.0.0]", ["1.0"]), ("[1.0,1.0]", ["1.0"]), ("(1.0,1.0)", ["1.0"]),
        ("(1.0,1.0.0.0)", ["1.0"]), ("[ , ]", []), ("( , )", []), ("[ ]", []), ("[1.0, ]", ["1.0"]),
        ("(, 1.0)", ["1.0"]), ("[1.0+a, 2.0+b]", ["1.0", "2.0"]), ("[1.0.0-beta+meta, 2.0.0-beta+meta]", ["1.0.0-beta"]),
        ("  1  .   2  ", ["1.2"]), ("   [  1 .2   , 2  .3   ]  ", ["1.2", "2.3"]), ("[1,3)", ["1", "3"]),
        ("[1.*, 2.0)", ["1.0", "2.0"]), ("(1.*, 2.0)", ["1.0", "2.0"]), ("[ 1.*, 2.0)", ["1.0"]),
        ("[*-*, 1.0]", ["0.0.0-0", "1.0"]), ("[ *-*, 1.0]", ["0.0.0-0"]), ("(*, 1.0]", ["0.0", "1.0"]),
        ("1.0.0-*", ["1.0.0-0"]), ("*-*", ["0.0.0-0"]), ("*", ["0.0.0"]), ("\u3000*\u00a0", ["0.0.0"]),
        ("(1.0.0-*, 1.0.0]", ["1.0.0-0", "1.0.0"]), ("[1.0.0-rc.*, 1.0.0-rc.1]", ["1.0.0-rc.0", "1.0.0-rc.1"]),
        ("[1.0.0-beta,2.0.0)", ["1.0.0-beta", "2.0.0"]), ("(0.0.0--1, 0.0.0-0]", ["0.0.0--1", "0.0.0-0"]),
        ("[1.0.0-ALPHA, 1.0.0-alpha]", ["1.0.0-alpha"]), ("[1.0.0-rc.10, 1.0.0-rc.9]", []),
    ]
    malformed = [
        "", "  ", "[]", "[,]", "(,)", "[,)", "(,]", "(1.0)", "[1.0)", "(1.0]", "[1.0,2.0,3.0]", "[1.0,2.0", "1.0]",
        "[1.0", "[2.0,1.0]", "[1.0,1.0)", "(1.0,1.0]", "[1.0,2.*)", "[1.0, 2.0-*]", "[*]", "[1.*]", "1.*.0", "**",
        "1.0.**", "1.0.0.0.*", "1.0.0+*", "1.0.*-", "1.0.*--", "1.0.*-*bla", "1.0.0-preview.*+b", "[1.* , 2.0)",
        ">=1.0", "~1.0", "^1.0", "=1.0", "[1.0,2.0),[3.0,)", "[1.0,2.0] [3.0,4.0]", "1.0 || 2.0", "1.0 2.0",
        "[1.2.3.4.5,2]", "(,1.3..2]", "   [-1, 2]  ", "[a,b]", "[1.0-01,2]", "v1.0", "[1.0,2.0]x", "x[1.0,2.0]",
    ]
    return ranges + hard + [(t, []) for t in malformed]


def nuget(rnd: random.Random) -> None:
    nuget_range_rules.check_published()
    versions = NUGET_VERSIONS + [v.split("+")[0] + s for v in NUGET_VERSIONS for s in rnd.sample(NUGET_LABELS, 2)]
    versions = [v for v in versions if nuget_rules.parse(v) is not None]
    pool = Pool("nuget", versions)
    ranges = [(t, b) for t, b in unique_ranges(nuget_ranges(rnd)) if clean(t)]
    parsed = {t: nuget_range_rules.parse_range(t) for t, _ in ranges}
    accepted = [(t, b) for t, b in ranges if parsed[t] is not None]
    rejected = [t for t, _ in ranges if parsed[t] is None]
    pairs = [(t, v) for t, v in pair_rows(accepted, pool, nuget_derive, rnd, 10) if nuget_rules.parse(v) is not None]
    rows = [(t, v, int(nuget_range_rules.satisfies(parsed[t], v))) for t, v in pairs]
    write("nuget.tsv", "range\tversion\texpected", rows)
    write("nuget-rejected.tsv", "range", [(t,) for t in rejected])


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=20261215)
    seed = parser.parse_args().seed
    OUT.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as workdir:
        maven(random.Random(seed), workdir)
    gem(random.Random(seed + 1))
    nuget(random.Random(seed + 2))


if __name__ == "__main__":
    main()
