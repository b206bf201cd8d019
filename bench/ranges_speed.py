"""How fast tambry.ranges parses a range and answers contains, against the
ecosystem's own Python library where there is one, in one process.

    python bench/ranges_speed.py [--repeats N]

For each ecosystem, over a list of realistic ranges and versions:
  parse     VersionRange.from_native(text, eco) against the reference's parse
            (packaging: SpecifierSet(text))
  contains  r.contains(version) on a range parsed beforehand, the version a str,
            against the reference on its own parsed object (packaging:
            s.contains(version), a str too, and s.contains(Version) with the
            version parsed beforehand, the reference's fastest case)
Each figure is the best of the repeats of a plain loop, in nanoseconds per call;
contenders are timed in turns so that a slow spell hits them alike. The clock is
this process's CPU time; the garbage collector is off while a loop runs.
"""

import argparse
import gc
import time

from tambry.ranges import VersionRange

PYPI_RANGES = [
    ">=1.0", ">=1.0,<2.0", "~=1.4.5", "==1.2.*", ">=2.7,!=3.0.*,!=3.1.*,<4", "!=1.5.0", "<=0.9.3", ">1.0a1",
    "==3.1.4", ">=1.26.0,<2.0.0", "~=2.28", ">=3.8", "==2.0.0+cpu", ">=0.19.0rc1",
]
PYPI_VERSIONS = ["1.5.2", "2.0", "1.4.7", "1.2.3", "3.2.1", "0.9.3", "1.0b2", "3.1.4", "1.26.18", "2.31.0", "3.12.1",
                 "2.0.0+cpu", "0.20.0", "1.0.post1"]

COMPOSER_RANGES = [
    "^1.0", "~1.2", "1.0.*", ">=1.0 <2.0", "^2.0 || ^3.0", "1.0 - 2.0", ">=5.3.0", "~2.8.0@dev", "!=1.5", "^7.4|^8.0",
    "dev-master", ">=1.0,<1.5", "v2.*", "^0.3.1",
]
COMPOSER_VERSIONS = ["1.5.2", "1.2.9", "1.0.3", "1.9", "3.1.0", "1.5.0", "5.4.0", "2.8.1-beta", "1.5", "8.1.2",
                     "dev-master", "1.4.99", "v2.3.0", "0.3.4"]


def best(loops, repeats, calls):
    """The best time per call of each loop, timed in turns."""
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


def report(name, figures):
    print(f"  {name:<44}" + "  ".join(f"{f:9.0f}" for f in figures))


def pypi(repeats, rounds):
    from packaging import __version__
    from packaging.specifiers import SpecifierSet
    from packaging.version import Version

    print(f"pypi (packaging {__version__}), ns per call")
    calls = rounds * len(PYPI_RANGES)
    tambry_parse = parse_loop(VersionRange.from_native, PYPI_RANGES, rounds, "pypi")
    packaging_parse = parse_loop(SpecifierSet, PYPI_RANGES, rounds)
    ours, theirs = best([tambry_parse, packaging_parse], repeats, calls)
    report("parse: tambry, packaging, ratio", [ours, theirs, theirs / ours])

    ranges = [VersionRange.from_native(t, "pypi") for t in PYPI_RANGES]
    sets = [SpecifierSet(t) for t in PYPI_RANGES]
    parsed = [Version(v) for v in PYPI_VERSIONS]
    for s, v in zip(sets, PYPI_VERSIONS):
        s.contains(v)  # packaging builds its intervals on first use
    assert [r.contains(v) for r, v in zip(ranges, PYPI_VERSIONS)] == [
        s.contains(v) for s, v in zip(sets, PYPI_VERSIONS)
    ]
    ours, theirs, theirs_parsed = best(
        [contains_loop(ranges, PYPI_VERSIONS, rounds), contains_loop(sets, PYPI_VERSIONS, rounds),
         contains_loop(sets, parsed, rounds)],
        repeats, calls,
    )
    report("contains: tambry, packaging str, ratio", [ours, theirs, theirs / ours])
    report("contains: packaging on a parsed Version, ratio", [theirs_parsed, theirs_parsed / ours])


def composer(repeats, rounds):
    print("composer (no Python reference), ns per call")
    calls = rounds * len(COMPOSER_RANGES)
    (ours,) = best([parse_loop(VersionRange.from_native, COMPOSER_RANGES, rounds, "composer")],
                   repeats, calls)
    ranges = [VersionRange.from_native(t, "composer") for t in COMPOSER_RANGES]
    (contains,) = best([contains_loop(ranges, COMPOSER_VERSIONS, rounds)], repeats, calls)
    report("parse, contains: tambry", [ours, contains])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--rounds", type=int, default=2000)
    args = parser.parse_args()
    pypi(args.repeats, args.rounds)
    try:
        VersionRange.from_native("^1.0", "composer")
    except NotImplementedError:
        return
    composer(args.repeats, args.rounds)


if __name__ == "__main__":
    main()
