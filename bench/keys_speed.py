"""How long tambry.native takes to key a million versions: keys() into a list of
bytes, key_array() into an Arrow column, and optionally that column taken by
pyarrow. The versions are bench/corpus.py's real-looking ones, a million per
ecosystem; the clock is the CPU time of this process, each contender timed in
turns with the others and the best repeat kept, so that a busy spell of a shared
machine hits all alike. Freeing the result is not timed.

    python bench/keys_speed.py                       # npm, pypi, cargo, golang, ...
    python bench/keys_speed.py -e npm -e pypi -n 200000 --repeats 9 --pyarrow --shuffle
    python bench/keys_speed.py --real                # published versions instead (bench/real_versions.py)

With --real, each ecosystem's versions are the distinct ones its published lists
hold (Debian's and RPM's: Debian's package list), repeated in turn up to the
count, each repeat a str object of its own.
"""

import argparse
import gc
import os
import random
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import corpus  # noqa: E402
import real_versions as real  # noqa: E402
from timing import CLOCK  # noqa: E402

from tambry import native  # noqa: E402

# The corpus's name for each native ecosystem it has versions of.
CORPUS_NAMES = {
    "npm": "npm", "semver": "semver", "cargo": "crates", "hex": "hex", "swift": "swift", "golang": "go",
    "pypi": "pep440", "composer": "composer", "maven": "maven", "gem": "ruby", "nuget": "nuget",
    "deb": "debian", "rpm": "rpm", "apk": "alpine",
}


# The fidelity file that holds each native ecosystem's published versions.
REAL_NAMES = {
    "npm": "npm", "semver": "semver", "cargo": "crates", "hex": "hex", "golang": "go", "pypi": "pep440",
    "composer": "composer", "maven": "maven", "gem": "ruby", "apk": "alpine",
}


def real_texts(ecosystem):
    if ecosystem in ("deb", "rpm"):
        return list(dict.fromkeys(real.debian_versions()))
    name = REAL_NAMES.get(ecosystem)
    return real.versions_of_pairs(real.fidelity_pairs(name)) if name else []


def accepted_versions(ecosystem, count, use_real=False):
    """`count` versions of `ecosystem` that its scheme accepts (none when a placeholder rejects all)."""
    drawn = real_texts(ecosystem) if use_real else corpus.generate(CORPUS_NAMES[ecosystem], count)
    accepted = [v for v in drawn if native.is_valid(v, ecosystem)]
    if not accepted:
        return []
    # Fill up to `count` with repeats of the accepted ones, each a distinct str object.
    while len(accepted) < count:
        accepted.extend((v + " ")[:-1] for v in accepted[: count - len(accepted)])
    return accepted


def race(calls, repeats):
    """Best CPU seconds of each fn() in `calls`, timed in turns. The clock stops
    before the result is dropped: what is timed is making the keys, not freeing them."""
    best = {name: float("inf") for name in calls}
    for _ in range(repeats):
        for name, fn in calls.items():
            gc.collect()
            gc.disable()
            try:
                start = CLOCK()
                result = fn()
                best[name] = min(best[name], CLOCK() - start)
                del result
            finally:
                gc.enable()
    return best


def measure(ecosystem, count, repeats, with_pyarrow, shuffle, use_real):
    versions = accepted_versions(ecosystem, count, use_real)
    if not versions:
        return None
    if shuffle:
        # The str objects stay where they were made: read in this order they are
        # scattered over the heap, as in a list gathered from many places.
        random.Random(1).shuffle(versions)
    calls = {
        "keys": lambda: native.keys(versions, ecosystem),
        "key_array": lambda: native.key_array(versions, ecosystem),
    }
    if with_pyarrow:
        import pyarrow

        calls["key_array+pyarrow"] = lambda: pyarrow.array(native.key_array(versions, ecosystem))
    best = race(calls, repeats)
    ka = native.key_array(versions, ecosystem)
    return {
        "ns": {name: seconds / len(versions) * 1e9 for name, seconds in best.items()},
        "median_text": statistics.median(len(v.encode()) for v in versions),
        "median_key": statistics.median(len(k) for k in ka),
    }


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("-e", "--ecosystem", action="append", help="native ecosystem (repeatable; default: all)")
    p.add_argument("-n", "--count", type=int, default=1_000_000)
    p.add_argument("--repeats", type=int, default=7)
    p.add_argument("--pyarrow", action="store_true", help="also time pyarrow.array(key_array(...))")
    p.add_argument("--shuffle", action="store_true", help="key the versions in an order scattered over memory")
    p.add_argument("--real", action="store_true", help="published versions instead of the generated corpus")
    args = p.parse_args()
    ecosystems = args.ecosystem or list(native.ECOSYSTEMS)
    order = "shuffled" if args.shuffle else "in the order made"
    source = "published" if args.real else "generated"
    print(f"{args.count:,} {source} versions per ecosystem ({order}), best of {args.repeats} in turns, "
          "process CPU time")
    print(f"{'ecosystem':10} {'keys()':>9} {'key_array()':>12}" + (f" {'+pyarrow':>9}" if args.pyarrow else "")
          + "   median text / key bytes")
    for ecosystem in ecosystems:
        result = measure(ecosystem, args.count, args.repeats, args.pyarrow, args.shuffle, args.real)
        if result is None:
            print(f"{ecosystem:10} (no accepted versions to key)")
            continue
        ns = result["ns"]
        line = f"{ecosystem:10} {ns['keys']:7.1f}ns {ns['key_array']:10.1f}ns"
        if args.pyarrow:
            line += f" {ns['key_array+pyarrow']:7.1f}ns"
        print(line + f"   {result['median_text']:g} / {result['median_key']:g}")


if __name__ == "__main__":
    main()
