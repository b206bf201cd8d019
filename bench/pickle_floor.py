"""How much of a pickle round trip of Version objects is pickle's own work.

pickle writes an object that it cannot name as a call: a function and a tuple
of arguments, each memoised, and reads it back by making the tuple and calling
the function. This times, on the same real PyPI versions and in turns:

- tambry: a list of `Version(s, "pep440")` through `pickle.dumps` and `loads`;
- packaging: the same versions as `packaging.version.Version`;
- floor: stand-ins whose reducer (a C callable) hands out a tuple made in
  advance, so that dumping them costs pickle's work alone, restored by `str`,
  which parses nothing. No reducer and no constructor can cost less than this.

    python bench/pickle_floor.py [-n 100000]
"""

import argparse
import copyreg
import operator
import os
import pickle
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import targets  # noqa: E402
import timing  # noqa: E402

import tambry  # noqa: E402


class PrebuiltReduction:
    """An object whose reduction is ready before pickle asks for it."""

    __slots__ = ("reduction",)

    def __init__(self, reduction):
        self.reduction = reduction


copyreg.pickle(PrebuiltReduction, operator.attrgetter("reduction"))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("-n", type=int, default=100_000)
    parser.add_argument("--repeats", type=int, default=9)
    args = parser.parse_args()
    from packaging.version import Version as PackagingVersion

    strings = [s for s in targets.real_sample("pep440", args.n) if targets._accepts_one(PackagingVersion, s)]
    mine = [tambry.Version(s, "pep440") for s in strings]
    theirs = [PackagingVersion(s) for s in strings]
    floor = [PrebuiltReduction((str, (s,))) for s in strings]
    best = timing.race_calls({
        "tambry": lambda: pickle.loads(pickle.dumps(mine)),
        "packaging": lambda: pickle.loads(pickle.dumps(theirs)),
        "floor": lambda: pickle.loads(pickle.dumps(floor)),
    }, repeats=args.repeats)
    per = {name: t / len(strings) * 1e9 for name, t in best.items()}
    print(f"{len(strings):,} real PyPI versions; ns per object, best of {args.repeats} turns")
    for name, ns in per.items():
        print(f"  {name:10} {ns:8.1f}  ({ns / per['packaging']:.3f} of packaging's)")


if __name__ == "__main__":
    main()
