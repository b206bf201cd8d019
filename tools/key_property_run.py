"""A long run of the key property: for random pairs of valid versions of every
native ecosystem, the sign of the bytewise comparison of their keys must equal
native.compare. Versions are the committed vectors' accepted texts and one-character
mutations of them that the ecosystem still accepts. A Maven pair that disagrees is
counted apart when it lies on a cycle of Maven's own order (a prefix of either
version closes a three-cycle with the pair), where no key can agree with every
answer.

    python tools/key_property_run.py                 # 80,000 pairs per ecosystem
    python tools/key_property_run.py --pairs 500000 --seed 7
"""

import argparse
import collections
import pathlib
import random

from tambry import native

VECTORS = pathlib.Path(__file__).resolve().parent.parent / "tests" / "vectors" / "native"
MUTATIONS = "0123456789.-+~_abcrRx"


def accepted_versions(ecosystem, rng):
    name = "semver" if ecosystem == "swift" else ecosystem
    found = set()
    for path in sorted(VECTORS.glob(f"{name}-*.tsv")):
        for line in path.read_bytes().decode("utf-8").split("\n")[1:]:
            if line:
                found.update(line.split("\t")[: 2 if "-order" in path.name else 1])
    versions = sorted(v for v in found if native.is_valid(v, ecosystem))
    mutated = []
    for v in versions[:3000]:
        for _ in range(3):
            i = rng.randrange(len(v) + 1)
            w = v[:i] + rng.choice(MUTATIONS) + v[i:]
            if native.is_valid(w, ecosystem):
                mutated.append(w)
    return versions + mutated


def on_maven_cycle(a, b):
    ab = native.compare(a, b, "maven")
    return any(
        native.compare(b, v[:i], "maven") == ab and native.compare(v[:i], a, "maven") == ab
        for v in (a, b)
        for i in range(len(v) + 1)
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--pairs", type=int, default=80_000, help="pairs per ecosystem")
    parser.add_argument("--seed", type=int, default=1216)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    total, wrong, cycles = 0, collections.Counter(), collections.Counter()
    for ecosystem in native.ECOSYSTEMS:
        versions = accepted_versions(ecosystem, rng)
        keys = {v: native.key(v, ecosystem) for v in versions}
        for _ in range(args.pairs):
            a, b = rng.choice(versions), rng.choice(versions)
            by_key = (keys[a] > keys[b]) - (keys[a] < keys[b])
            if by_key != native.compare(a, b, ecosystem):
                if ecosystem == "maven" and on_maven_cycle(a, b):
                    cycles[ecosystem] += 1
                else:
                    wrong[ecosystem] += 1
        total += args.pairs
        print(f"{ecosystem:9} {len(versions):6} versions {args.pairs:8} pairs {wrong[ecosystem]:4} wrong "
              f"{cycles[ecosystem]:4} on cycles", flush=True)
    print(f"{total:,} pairs: {sum(wrong.values())} wrong, {sum(cycles.values())} on Maven's cycles")
    raise SystemExit(1 if wrong else 0)


if __name__ == "__main__":
    main()
