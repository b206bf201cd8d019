"""How fast tambry.ranges parses a range and answers contains, per ecosystem,
against the ecosystem's own Python library where there is one, in one process.

    python bench/ranges_speed.py [-e ECO ...] [--repeats N] [--rounds N]

For each ecosystem, over a list of realistic ranges, each paired with a version:
  parse     VersionRange.from_native(text, eco)
  contains  r.contains(version) on a range parsed beforehand, the version a str
and against the references:
  packaging (pypi)  SpecifierSet(text) for parse; s.contains(version) with the
            version a str, and with a Version parsed beforehand (packaging's
            fastest case), for contains
  python-semver (semver and npm, on the single comparators it reads)
            Version.match(expression) on a Version parsed beforehand. It has no
            range object and reads the expression on every call, so it is set
            against tambry's contains and against parse and contains together.
Each figure is the best of the repeats of a plain loop, in nanoseconds per call;
all contenders of an ecosystem are timed in turns, so that a slow spell of a
shared machine hits them alike. The clock is this process's CPU time; the
garbage collector is off while a loop runs. A ratio is the reference's time over
tambry's: how many times faster tambry is.
"""

import argparse
import gc
import time

from tambry.ranges import VersionRange

# Each ecosystem's ranges, as projects write them, and one version for each.
CASES = {
    "pypi": (
        [">=1.0", ">=1.0,<2.0", "~=1.4.5", "==1.2.*", ">=2.7,!=3.0.*,!=3.1.*,<4", "!=1.5.0", "<=0.9.3", ">1.0a1",
         "==3.1.4", ">=1.26.0,<2.0.0", "~=2.28", ">=3.8", "==2.0.0+cpu", ">=0.19.0rc1"],
        ["1.5.2", "2.0", "1.4.7", "1.2.3", "3.2.1", "0.9.3", "1.0b2", "3.1.4", "1.26.18", "2.31.0", "3.12.1",
         "2.0.0+cpu", "0.20.0", "1.0.post1"],
    ),
    "npm": (
        ["^1.2.3", "~1.2.3", ">=1.2.7 <1.3.0", "1.2.x", "1.2.3 - 2.3.4", "^0.14.0 || ^15.0.0", ">=16.0.0", "*",
         "^4.17.21", "~0.6.1", ">=2.0.0-beta.1 <2.0.0", "1.x || >=2.5.0 || 5.0.0 - 7.2.3", "<3", "=1.0.0"],
        ["1.5.0", "1.2.9", "1.2.8", "1.2.4", "2.0.0", "15.2.1", "18.17.1", "0.0.1", "4.17.21", "0.6.3",
         "2.0.0-beta.3", "6.1.0", "2.9.9", "1.0.0"],
    ),
    "cargo": (
        ["^1.0", "1.2.3", "~0.4", ">=1.2, <1.5", "*", "0.3", "=1.0.130", ">=0.9, <0.11", "^0.2.81", "1",
         "~1.2.3-beta", "<2", "1.0.*", ">=1.56"],
        ["1.0.197", "1.4.0", "0.4.20", "1.3.1", "0.1.0", "0.3.9", "1.0.130", "0.10.2", "0.2.150", "1.9.3",
         "1.2.3-beta.2", "1.99.0", "1.0.5", "1.77.2"],
    ),
    "composer": (
        ["^1.0", "~1.2", "1.0.*", ">=1.0 <2.0", "^2.0 || ^3.0", "1.0 - 2.0", ">=5.3.0", "~2.8.0@dev", "!=1.5",
         "^7.4|^8.0", "dev-master", ">=1.0,<1.5", "v2.*", "^0.3.1"],
        ["1.5.2", "1.2.9", "1.0.3", "1.9", "3.1.0", "1.5.0", "5.4.0", "2.8.1-beta", "1.5", "8.1.2", "dev-master",
         "1.4.99", "v2.3.0", "0.3.4"],
    ),
    "maven": (
        ["[1.0,2.0)", "[1.0]", "(,1.0]", "[1.2,)", "[1.0,1.2),[1.5,)", "1.0", "(1.0,2.0)", "[2.17.0,2.17.1)",
         "[3.0.0-M1,)", "(,1.2.3-SNAPSHOT)", "[4.1.0,4.1.94.Final)", "[5.3.0,5.3.18]", "[2.0.0.RELEASE,)",
         "(,31.1-jre)"],
        ["1.5", "1.0", "0.9", "1.2.1", "1.3", "2.1", "1.9.9", "2.17.0", "3.0.0", "1.2.3-beta-1", "4.1.93.Final",
         "5.3.18", "2.7.1.RELEASE", "30.1-android"],
    ),
    "gem": (
        ["~> 1.2", ">= 1.0, < 2.0", "= 5.2.3", "~> 6.1.4", "!= 1.3.0", "> 0.9", "~> 2.0.0.beta1", ">= 0", "< 3",
         "~> 1.15", ">= 2.7.0", "~> 0.10, >= 0.10.2", "7.0.8", "<= 1.4.2"],
        ["1.5", "1.9.3", "5.2.3", "6.1.7", "1.3.1", "0.9.1", "2.0.0.beta2", "1.0.0", "2.9", "1.16.2", "3.2.2",
         "0.10.5", "7.0.8", "1.4.2"],
    ),
    "deb": (
        [">= 1.0-1", "<< 2.0", "= 1:2.3.4-1ubuntu1", ">= 2.31-0ubuntu9.9", "<< 3.0~", "(>= 1.2.3+dfsg-1), (<< 1.3)",
         ">= 2.2.1 | = 2.1.0-3", ">= 0.9.7", "<= 8.0.1-1", ">> 1:1.0", ">= 3.6.0~rc1", "(>= 7.68.0-1ubuntu2.20)",
         "1.20.9", ">= 5.34.0-3ubuntu1.3"],
        ["1.0-2", "1.9.9-1", "1:2.3.4-1ubuntu1", "2.35-0ubuntu3.1", "2.99", "1.2.3+dfsg-2", "2.1.0-3", "1.0.2k-1",
         "8.0.1-1", "1:1.0.1-1", "3.6.0", "7.81.0-1ubuntu1.15", "1.20.9", "5.34.0-3ubuntu1.3"],
    ),
    "rpm": (
        [">= 1.2-3", "< 2", "= 1.0", ">= 2.17-326.el7", "<= 3.0.9, >= 3.0.1", "> 1:4.2", ">= 0.9.8", "< 5.1.8-6",
         "= 2.28-225.el8_8.6", ">= 3.6", "=> 1.0", ">= 8.0, < 9"],
        ["1.2-4", "1.9", "1.0-5", "2.17-326.el7", "3.0.7-25.el9", "1:4.3", "1.0.2k", "5.1.8-5", "2.28-225.el8_8.6",
         "3.11.2-6.el9", "1.0", "8.5"],
    ),
    "apk": (
        [">=1.2-r3", "<2", "~1.2", "=3.0.8-r0", ">=1.35.0-r0 <1.36", "<=2.40.1-r1", ">3.1.4-r5", "~3.18",
         ">=8.4_p1-r0", "!=1.0-r0"],
        ["1.2-r4", "1.9", "1.2.5", "3.0.8-r0", "1.35.0-r17", "2.40.1-r0", "3.1.4-r6", "3.18.4", "9.3_p2-r0",
         "1.0-r1"],
    ),
    "nuget": (
        ["1.0", "[1.0,2.0)", "[1.0]", "(,1.0]", "[13.0.1,)", "1.*", "(4.1.3,)", "[6.0.0, 7.0.0)",
         "[2.0.0-beta1, 3.0)", "12.0.3"],
        ["1.5", "1.9.9", "1.0", "0.9", "13.0.3", "1.4.2", "4.2.0", "6.0.1", "2.0.0-beta2", "12.0.3"],
    ),
    "hex": (
        ["~> 1.2", "~> 1.2.3", ">= 1.0.0 and < 2.0.0", "== 2.0.0", "~> 0.6 or ~> 1.0", ">= 0.0.0", "< 3.0.0",
         "!= 1.0.0", "~> 2.0-dev", "> 1.14.0"],
        ["1.5.0", "1.2.9", "1.9.9", "2.0.0", "1.3.0", "0.1.0", "2.9.0", "1.0.1", "2.1.0", "1.15.2"],
    ),
    "golang": (
        [">=v1.2.0 <v2.0.0", ">=v1.2.0, <v2.0.0, !=v1.4.1", "=v1.0.0 || >=v2.0.0", "*", "<v0.17.0",
         ">=v0.0.0-20210220033124-5f55cee0dc0d", "v1.4.2", ">v1.8.1"],
        ["v1.5.0", "v1.4.1", "v1.0.0", "v2.3.4", "v0.14.0", "v0.0.0-20220101000000-abcdefabcdef", "v1.4.2",
         "v1.9.0"],
    ),
    "semver": (
        [">=1.2.0 <2.0.0", ">=1.2.0, <2.0.0, !=1.4.1", "=1.0.0 || >=2.0.0", "*", "<0.17.0", ">=5.0.0-rc.1",
         "1.4.2", ">1.8.1"],
        ["1.5.0", "1.4.1", "1.0.0", "2.3.4", "0.14.0", "5.0.0", "1.4.2", "1.9.0"],
    ),
}
CASES["swift"] = CASES["semver"]

# Single comparators, the one form python-semver's match reads, with a version
# each; npm reads the same texts but "==" and "!=", which it spells otherwise.
SEMVER_MATCH = (
    [">=1.2.0", "<2.0.0", "==1.4.2", "!=1.0.0", ">1.8.1", "<=0.17.0", ">=2.0.0-rc.1", "1.5.0"],
    ["1.5.0", "1.9.9", "1.4.2", "1.0.0", "2.0.0", "0.16.3", "2.0.0-rc.2", "1.5.0"],
)
NPM_MATCH = (
    [">=1.2.0", "<2.0.0", "1.4.2", ">1.8.1", "<=0.17.0", ">=2.0.0-rc.1", "1.5.0"],
    ["1.5.0", "1.9.9", "1.4.2", "2.0.0", "0.16.3", "2.0.0-rc.2", "1.5.0"],
)


def best(loops, repeats, calls):
    """The best time per call of each loop, in nanoseconds, timed in turns."""
    times = [float("inf")] * len(loops)
    for _ in range(repeats):
        for i, loop in enumerate(loops):
            gc.disable()
            start = time.process_time()
            loop()
            elapsed = time.process_time() - start
            gc.enable()
            times[i] = min(times[i], elapsed / calls)
    return [t * 1e9 for t in times]


def parse_loop(parse, texts, rounds, *args):
    """A loop of parse(text, *args) with no wrapper around the call."""
    if args:
        (eco,) = args

        def run():
            for _ in range(rounds):
                for text in texts:
                    parse(text, eco)
    else:
        def run():
            for _ in range(rounds):
                for text in texts:
                    parse(text)
    return run


def contains_loop(objects, versions, rounds):
    pairs = list(zip(objects, versions))

    def run():
        for _ in range(rounds):
            for r, v in pairs:
                r.contains(v)
    return run


def parse_contains_loop(texts, eco, versions, rounds):
    pairs = list(zip(texts, versions))
    parse = VersionRange.from_native

    def run():
        for _ in range(rounds):
            for text, v in pairs:
                parse(text, eco).contains(v)
    return run


def match_loop(versions, expressions, rounds):
    pairs = list(zip(versions, expressions))

    def run():
        for _ in range(rounds):
            for v, e in pairs:
                v.match(e)
    return run


def row(name, figures, ratios=()):
    line = f"  {name:<12}" + "".join(f"{f:9.0f}" if f is not None else f"{'':9}" for f in figures)
    if ratios:
        line += "   " + "  ".join(f"{r:6.1f}x" for r in ratios)
    print(line)


def tambry_only(eco, repeats, rounds):
    texts, versions = CASES[eco]
    calls = rounds * len(texts)
    ranges = [VersionRange.from_native(t, eco) for t in texts]
    parse, contains = best(
        [parse_loop(VersionRange.from_native, texts, rounds, eco), contains_loop(ranges, versions, rounds)],
        repeats, calls,
    )
    row(eco, [parse, contains])
    return parse, contains


def pypi(repeats, rounds):
    from packaging.specifiers import SpecifierSet
    from packaging.version import Version

    texts, versions = CASES["pypi"]
    calls = rounds * len(texts)
    ranges = [VersionRange.from_native(t, "pypi") for t in texts]
    sets = [SpecifierSet(t) for t in texts]
    parsed = [Version(v) for v in versions]
    for s, v in zip(sets, versions):
        s.contains(v)  # packaging builds its intervals on first use
    assert [r.contains(v) for r, v in zip(ranges, versions)] == [s.contains(v) for s, v in zip(sets, versions)]
    ours_parse, ours_contains, their_parse, their_contains, their_contains_parsed = best(
        [parse_loop(VersionRange.from_native, texts, rounds, "pypi"), contains_loop(ranges, versions, rounds),
         parse_loop(SpecifierSet, texts, rounds), contains_loop(sets, versions, rounds),
         contains_loop(sets, parsed, rounds)],
        repeats, calls,
    )
    row("pypi", [ours_parse, ours_contains])
    row("packaging", [their_parse, their_contains], [their_parse / ours_parse, their_contains / ours_contains])
    row("  on Version", [None, their_contains_parsed], [their_contains_parsed / ours_contains])
    return ours_parse, ours_contains


def semver_match(eco, cases, repeats, rounds):
    import semver

    texts, versions = cases
    calls = rounds * len(texts)
    ranges = [VersionRange.from_native(t, eco) for t in texts]
    parsed = [semver.Version.parse(v) for v in versions]
    assert [r.contains(v) for r, v in zip(ranges, versions)] == [v.match(e) for v, e in zip(parsed, texts)]
    ours_parse, ours_contains, ours_both, theirs = best(
        [parse_loop(VersionRange.from_native, texts, rounds, eco), contains_loop(ranges, versions, rounds),
         parse_contains_loop(texts, eco, versions, rounds), match_loop(parsed, texts, rounds)],
        repeats, calls,
    )
    row(f"{eco} (1 op)", [ours_parse, ours_contains, ours_both])
    row("py-semver", [None, theirs, theirs], [theirs / ours_contains, theirs / ours_both])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("-e", "--ecosystem", action="append", choices=sorted(CASES),
                        help="an ecosystem to measure (repeatable; default: all)")
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--rounds", type=int, default=2000)
    args = parser.parse_args()
    ecosystems = args.ecosystem or list(CASES)
    print(f"ns per call, best of {args.repeats} in turns, process CPU time; ratio: the reference's time / tambry's")
    print(f"  {'':12}{'parse':>9}{'contains':>9}{'both':>9}   ratios (parse, contains)")
    for eco in ecosystems:
        if eco == "pypi":
            pypi(args.repeats, args.rounds)
        else:
            tambry_only(eco, args.repeats, args.rounds)
        if eco == "semver":
            semver_match("semver", SEMVER_MATCH, args.repeats, args.rounds)
        if eco == "npm":
            semver_match("npm", NPM_MATCH, args.repeats, args.rounds)


if __name__ == "__main__":
    main()
