#!/usr/bin/env python3
"""Writes the labelled vectors of the native Maven, RubyGems and NuGet schemes to
tests/vectors/native/.

Versions are drawn from the shapes each ecosystem publishes and from the cases
where its tool is hard to follow, then labelled by the tool itself: Maven's
ComparableVersion (maven-artifact 3.8.7, through labellers/MavenOrder.java) and
RubyGems' Gem::Version (through labellers/gem_order.rb). NuGet has no tool here:
labellers/nuget_rules.py follows NuGet.Versioning's code step by step and first
checks itself against the cases NuGet.Client's tests publish.

Each order file holds the consecutive pairs of the list sorted by the tool, then
random pairs, half of them between near neighbours in that list. Maven's order is
not transitive, so a Maven pair goes to maven-order.tsv only when no version cut
from either of its texts closes a cycle with it (a < b < cut < a, as the tool
labels all three); the others go to maven-order-cycles.tsv, where only the order
itself, not the key, is to be checked.

    python3 tools/vectors/maven_gem_nuget_vectors.py [--seed N]
"""

from __future__ import annotations

import argparse
import random
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
OUT = HERE.parent.parent / "tests" / "vectors" / "native"
MAVEN_JAR = "/usr/share/java/maven-artifact-3.x.jar"

sys.path.insert(0, str(HERE / "labellers"))
import nuget_rules  # noqa: E402


def run(command: list[str], lines: list[str]) -> list[str]:
    text = "".join(line + "\n" for line in lines)
    done = subprocess.run(command, input=text.encode(), capture_output=True, check=True)
    out = done.stdout.decode()
    return out.split("\n")[:-1] if out else []


def unique(items):
    seen = set()
    return [x for x in items if not (x in seen or seen.add(x))]


def clean(text: str) -> bool:
    return not any(c in text for c in "\t\n\0")


def ordered_pairs(ordered: list[str], extra: int, rnd: random.Random) -> list[tuple[str, str]]:
    pairs = [(ordered[i], ordered[i + 1]) for i in range(len(ordered) - 1)]
    for k in range(extra):
        i = rnd.randrange(len(ordered))
        j = min(len(ordered) - 1, i + rnd.randint(1, 12)) if k % 2 else rnd.randrange(len(ordered))
        pair = (ordered[i], ordered[j])
        pairs.append(pair if rnd.random() < 0.5 else pair[::-1])
    return pairs


def write(name: str, header: str, rows) -> None:
    OUT.mkdir(parents=True, exist_ok=True)
    with open(OUT / name, "w", encoding="utf-8", newline="\n") as f:
        f.write(header + "\n")
        for row in rows:
            f.write("\t".join(str(x) for x in row) + "\n")
    print(f"{name}: {len(rows)} rows")


# --- Maven -------------------------------------------------------------------

MAVEN_QUALIFIERS = [
    "-SNAPSHOT", "-alpha", "-alpha-1", "-alpha1", "-alpha.2", "-beta", "-beta-2", "-beta3", "-b2", "-a1", "a", "b",
    "-M1", "-m2", ".M3", "-milestone-1", "-rc", "-rc1", "-RC2", "-rc.3", ".CR1", "-cr2", "-snapshot", ".Final",
    ".RELEASE", ".GA", "-ga", "-final", "-release", "-sp", "-sp1", ".SP2", "-jre", "-android", ".jre7", "-jre8",
    "-incubating", "-preview", "-preview-2", "-dev", "-pre1", "-c", "-p1", "-post", "-patch1", "-1", "-2", "-01",
    "-redhat-00001", ".Beta1", ".Alpha2", "-20230101.123456-7", "-b20", "-u1", ".v20210101", "-kotlin", "-native-mt",
    "-e", "-Final", "-GA-redhat-1", ".Final-redhat-2", ".rc.1", ".beta.2", ".FL.20090518", "-jdk11", "-r",
]

MAVEN_HARD = [
    "", "-", ".", "..", "--", "0", "0.0", "0-0", "00", "1", "1.0", "1.0.0", "1-0", "1.0-0", "1-ga", "1-final",
    "1.release", "1-RELEASE", "1.GA", "1-sp", "1-sp1", "1.sp", "1.sp.1", "1-alpha", "1a", "1a1", "1.a", "1.a.2",
    "1-a1", "1-b1", "1-m1", "1-cr1", "1-rc1", "1-snapshot", "1.0.alpha.1", "1.0.ga.1", "1.ga.1", "1-1", "1.0-1",
    "1.0.0-1", "1.0.0.beta.1", "1.0.0000000000", "1.0000000000.5", "1.0000000000000000000.5", "1.5",
    "1.0000000000000000000", "1.99999999999999999999", "1.999999999", "1.1000000000", "1.1234567890123456789",
    "1.000000001", "1.0000000001", "9223372036854775807", "1.٣", "1.٠٣", "1.２", "1-ä", "1-Ä", "1-İ1", "1-ΣΑΣ",
    "1-σας", "1-𝟙", "1-\U00010400", "1-\ue000", "1_2", "1+2", "1 2", " 1", "1-foo", "1-Foo", "1-FOO-1", "1-foo.bar",
    "1-foo1bar", "42.2.7.jre6", "22.0-android", "1.0-incubating", "0.15.10a", "0.15.10", "3.6.2.FL.20090518",
    "3.10.0.rc.1", "3.10-1", "2.0.M1-foo", "1-xyz-1", "1--1", "1.-1", "1-.1", "-1", ".1", "a", "alpha", "sp", "A1",
    "1-a-1", "1-alpha-1-sp", "1.0.0-a.b.c", "1.0-SNAPSHOT-1", "1.2.3.4.5.6.7.8.9.10", "1..1", "1-1-1-1", "1x2y3z",
    "x1", "1.x", "1-X", "1-a.1", "1-b.1", "1-m.1", "1-a_1",
]


def maven_versions(rnd: random.Random) -> list[str]:
    versions = list(MAVEN_HARD)
    for _ in range(1500):
        parts = [str(rnd.choice([0, 0, 1, 1, 2, 3, 4, 5, 9, 10, 11, 12, 20, 42, 100]))]
        for _ in range(rnd.choice([0, 1, 2, 2, 2, 3])):
            parts.append(str(rnd.choice([0, 0, 0, 1, 2, 3, 5, 7, 10, 15, 22, 99])))
        text = ".".join(parts)
        if rnd.random() < 0.05:
            text = text.replace(".0", ".00", 1)
        for _ in range(rnd.choice([0, 0, 1, 1, 1, 2])):
            text += rnd.choice(MAVEN_QUALIFIERS)
        versions.append(text)
    for _ in range(300):  # hostile mixtures
        pieces = ["1", "0", "2", "00", "1234567890", "0000000000", ".", ".", "-", "-", "a", "b", "m", "alpha",
                  "rc", "cr", "ga", "final", "sp", "snapshot", "foo", "Foo", "x", "_", "é", "٢"]
        versions.append("".join(rnd.choice(pieces) for _ in range(rnd.randint(1, 7))))
    return unique(v for v in versions if clean(v))


class MavenTool:
    def __init__(self, workdir: str):
        subprocess.run(["javac", "-d", workdir, "-cp", MAVEN_JAR, str(HERE / "labellers" / "MavenOrder.java")],
                       check=True)
        self.command = ["java", "-cp", f"{MAVEN_JAR}:{workdir}", "MavenOrder"]

    def label(self, pairs: list[tuple[str, str]]) -> dict[tuple[str, str], int]:
        out = run(self.command + ["pairs"], [f"{a}\t{b}" for a, b in pairs])
        return {(a, b): int(s) for a, b, s in (line.split("\t") for line in out)}

    def sort(self, versions: list[str]) -> list[str]:
        return run(self.command + ["sort"], versions)


def on_cycle(a: str, b: str, labels: dict[tuple[str, str], int]) -> bool:
    sign = labels[(a, b)]
    if sign == 0:
        return False
    for text in (a, b):
        for cut in range(len(text) + 1):
            c = text[:cut]
            if labels[(b, c)] == sign and labels[(c, a)] == sign:
                return True
    return False


def maven(rnd: random.Random, workdir: str) -> None:
    tool = MavenTool(workdir)
    ordered = tool.sort(maven_versions(rnd))
    pairs = unique(ordered_pairs(ordered, 3500, rnd))
    wanted = set(pairs)
    for a, b in pairs:
        for text in (a, b):
            for cut in range(len(text) + 1):
                wanted.add((b, text[:cut]))
                wanted.add((text[:cut], a))
    labels = tool.label(sorted(wanted))
    consistent = [(a, b, labels[(a, b)]) for a, b in pairs if not on_cycle(a, b, labels)]
    cycles = [(a, b, labels[(a, b)]) for a, b in pairs if on_cycle(a, b, labels)]
    write("maven-order.tsv", "a\tb\texpected", consistent)
    write("maven-order-cycles.tsv", "a\tb\texpected", cycles)
    # Maven reads every text as a version.
    write("maven-valid.tsv", "version\tvalid", [(v, 1) for v in MAVEN_HARD[:40] if clean(v)])


# --- RubyGems ----------------------------------------------------------------

GEM_SUFFIXES = [
    ".pre", ".pre1", ".pre.1", ".pre.2", ".rc1", ".rc.1", ".rc2", "-rc1", "-rc.1", ".beta", ".beta1", ".beta.2",
    ".alpha", ".alpha.2", ".a", ".b2", ".p1", ".p", ".dev", ".ALPHA", ".Alpha", ".RC1", "-alpha-1", ".0.pre",
    ".racecar1", "a", "b1", ".1.pre", "-1", "-java", ".java", "-x86_64-linux", "-x86-mingw32", ".pre.rc1", ".snapshot",
]

GEM_HARD_VALID = [
    "", " ", "\n", "0", "0.0", "0.0.0", "00", "1", "1.0", "1.00", "01.0", "1.0.0.0", "1.13.0.pre.1", "1.13.0.rc.1",
    "1.0.0.pre3", "1.0.0.rc1", "1.2.3-alpha-1", " 1.0 ", "\v1.0", "1.0\r", "\f2", "1.0.0.ALPHA", "1.0.0.Alpha",
    "1.0.0.alpha", "1.0.a", "1.0.a.0", "1.0.a.0.1", "1.a.0.b", "1.0.0.0.a", "1.a", "1.A", "1.Z", "1.z",
    "18446744073709551615", "18446744073709551616", "99999999999999999999999999", "1.18446744073709551612",
    "1--", "1-a.-", "1-a-b", "1.a-b.c", "1-0", "1.0-0", "1-1", "2-", "1.0.0.0.0.0.1", "1.0a", "1.0a1", "1.0.a1",
]

GEM_HARD_INVALID = [
    "1.0.", ".1", "a", "1..0", "1.0-", "1.0 .1", "v1.0", "1.0_1", "1,0", "1.0+1", "\u0661", "1.0\u00a0", "-1",
    "1-.", "1.-a", "1 1", "1.0-a..b", "1.0-a.", "1\0", "1.é", "é", "1.0-é", " 1.0\u3000", "1.0.a_b", "=1.0",
    "~> 1.0", "1.0 ", "1.0\t",
]


def gem_versions(rnd: random.Random) -> list[str]:
    versions = list(GEM_HARD_VALID)
    for _ in range(1500):
        parts = [str(rnd.choice([0, 0, 1, 1, 2, 3, 4, 5, 6, 10, 12]))]
        for _ in range(rnd.choice([0, 1, 2, 2, 2, 3])):
            parts.append(str(rnd.choice([0, 0, 0, 1, 2, 3, 5, 9, 10, 13, 20])))
        text = ".".join(parts)
        for _ in range(rnd.choice([0, 0, 0, 1, 1, 2])):
            text += rnd.choice(GEM_SUFFIXES)
        versions.append(text)
    return unique(v for v in versions if clean(v))


MUTATIONS = [".", "-", "+", " ", "..", "-.", ".-", "_", "a", "A", "0", "00", "\u00e9", "\u00a0", "\u3000", "\r", "\v", ""]


def mutated(rnd: random.Random, texts: list[str], count: int) -> list[str]:
    """Each a text with a mark put in, or put in place of one character."""
    out = []
    for _ in range(count):
        text = rnd.choice(texts)
        at = rnd.randint(0, len(text))
        cut = at + rnd.choice([0, 0, 1])
        out.append(text[:at] + rnd.choice(MUTATIONS) + text[cut:])
    return out


def gem_candidates(rnd: random.Random, valid: list[str]) -> list[str]:
    """Texts for the validity file: the valid ones, the known invalid ones, and
    mutations of valid ones."""
    texts = list(GEM_HARD_INVALID) + rnd.sample(valid, min(len(valid), 1000)) + mutated(rnd, valid, 1500)
    return unique(t for t in texts if clean(t))


def gem(rnd: random.Random) -> None:
    command = ["ruby", str(HERE / "labellers" / "gem_order.rb")]
    versions = gem_versions(rnd)
    checked = dict(line.split("\t") for line in run(command + ["valid"], versions))
    versions = [v for v in versions if checked[v] == "1"]
    ordered = run(command + ["sort"], versions)
    pairs = unique(ordered_pairs(ordered, 3500, rnd))
    out = run(command + ["pairs"], [f"{a}\t{b}" for a, b in pairs])
    write("gem-order.tsv", "a\tb\texpected", [line.split("\t") for line in out])
    candidates = gem_candidates(rnd, versions)
    write("gem-valid.tsv", "version\tvalid", [line.split("\t") for line in run(command + ["valid"], candidates)])


# --- NuGet -------------------------------------------------------------------

NUGET_LABELS = [
    "alpha", "beta", "BETA", "Beta", "rc", "RC", "rc.1", "rc.2", "beta.1", "beta.10", "beta.2", "preview.3.21201.4",
    "preview.1", "alpha-1", "alpha.1.2", "0", "1", "2", "10", "a", "A", "b", "x.y.z", "ci.123", "pre-1", "final",
    "CTP-2-Refresh-Alpha", "dev.20230101", "beta2", "beta10", "-1", "-2", "--1", "-0", "0a", "99999999999",
    "2147483647", "2147483648", "-2147483648", "-2147483649", "1-2", "zzz", "ZZZ", "a-b", "A-B",
]

NUGET_HARD = [
    "1", "1.0", "1.0.0", "1.0.0.0", "01.02", "1.022", "1.00.000.0000", "2147483647", "2147483647.2147483647",
    " 1.0 ", "1. 2", "1 .2", "\u00a01.0", "1.0\u3000", "19   .19", "1.0+meta", "1.0+01.02", "1.0-a+b",
    "1.0-a.b.c+d.e", "1.0--", "1.0---1", "0.0.0.1", "0.0.0.0-0", "1.2.3.4-x+y",
    # rejected
    "", " ", "1.", ".1", "1..2", "1.2.3.4.5", "1.0-", "1.0+", "1.0-+", "1.0-a+", "1.0-a..b", "1.0-01", "1.0-a.01",
    "1.0-é", "1.0+é", "1.0+a..b", "2147483648", "1.2147483648", "-1", "v1.0", "1.0-a b", "1 0", "1.0.0.0.0",
    "1.0-*", "1.0+*", "1.0-a^", "1,0", "a.b", "1.0.x", "1.0a", "1.-1",
]


def nuget_versions(rnd: random.Random) -> list[str]:
    versions = list(NUGET_HARD)
    for _ in range(2000):
        parts = [str(rnd.choice([0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 10]))]
        for _ in range(rnd.choice([0, 1, 2, 2, 2, 3])):
            parts.append(str(rnd.choice([0, 0, 1, 2, 3, 5, 10, 20, 100])))
        if rnd.random() < 0.05:
            parts[-1] = "0" + parts[-1]
        text = ".".join(parts)
        if rnd.random() < 0.45:
            text += "-" + rnd.choice(NUGET_LABELS)
        if rnd.random() < 0.1:
            text += "+" + rnd.choice(["sha.abc123", "build.5", "01", "Meta-2", "x", "a.0"])
        versions.append(text)
    return unique(v for v in versions if clean(v))


def nuget(rnd: random.Random) -> None:
    nuget_rules.check_published()
    texts = nuget_versions(rnd)
    valid = [t for t in texts if nuget_rules.parse(t) is not None]
    candidates = unique(t for t in NUGET_HARD + rnd.sample(valid, 1000) + mutated(rnd, valid, 1500) if clean(t))
    write("nuget-valid.tsv", "version\tvalid", [(t, int(nuget_rules.parse(t) is not None)) for t in candidates])
    ordered = sorted(valid, key=nuget_rules.sort_key)
    pairs = unique(ordered_pairs(ordered, 3500, rnd))
    write("nuget-order.tsv", "a\tb\texpected", [(a, b, nuget_rules.compare(a, b)) for a, b in pairs])


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=14)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as workdir:
        maven(random.Random(args.seed), workdir)
    gem(random.Random(args.seed))
    nuget(random.Random(args.seed))


if __name__ == "__main__":
    main()
