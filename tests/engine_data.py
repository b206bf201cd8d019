"""SBOM-like rows and advisory intervals for the engine tests and the join benchmark,
made from the labelled versions under tests/vectors/native with fixed seeds: each
row is a package's version in one ecosystem, each advisory a version interval of
one package. Ecosystems whose scheme accepts none of their versions yet are left
out, so that new schemes join in as they land."""

import functools
import pathlib
import random

from tambry import native

VECTORS = pathlib.Path(__file__).parent / "vectors" / "native"
ROWS_PER_PACKAGE = 10


def _vector_versions(ecosystem):
    found = set()
    for path in sorted(VECTORS.glob(f"{ecosystem}-*.tsv")):
        lines = path.read_bytes().decode("utf-8").split("\n")
        for line in lines[1:]:
            if line:
                fields = line.split("\t")
                found.update(fields[:2] if path.name.endswith("-order.tsv") else fields[:1])
    return found


@functools.cache
def version_pools():
    """{ecosystem: sorted list of the versions its scheme accepts}, for the ecosystems that have some."""
    pools = {}
    for ecosystem in native.ECOSYSTEMS:
        accepted = sorted(v for v in _vector_versions(ecosystem) if native.is_valid(v, ecosystem))
        if accepted:
            pools[ecosystem] = accepted
    return pools


def sbom_rows(count=100_000, seed=16):
    """Columns seq, ecosystem, package, version: `count` rows, grouped by ecosystem."""
    rng = random.Random(seed)
    pools = version_pools()
    per_ecosystem = count // len(pools)
    columns = {"seq": [], "ecosystem": [], "package": [], "version": []}
    for n, ecosystem in enumerate(pools):
        size = per_ecosystem if n < len(pools) - 1 else count - per_ecosystem * (len(pools) - 1)
        packages = max(1, size // ROWS_PER_PACKAGE)
        for _ in range(size):
            columns["seq"].append(len(columns["seq"]))
            columns["ecosystem"].append(ecosystem)
            columns["package"].append(f"{ecosystem}-package-{rng.randrange(packages)}")
            columns["version"].append(rng.choice(pools[ecosystem]))
    return columns


def advisories(rows, count=10_000, seed=61):
    """(id, ecosystem, package, lower, lower_inclusive, upper, upper_inclusive) tuples:
    intervals of packages that `rows` has, with None for an unbounded end."""
    rng = random.Random(seed)
    pools = version_pools()
    result = []
    for advisory_id in range(count):
        i = rng.randrange(len(rows["seq"]))
        ecosystem, package = rows["ecosystem"][i], rows["package"][i]
        a, b = rng.choice(pools[ecosystem]), rng.choice(pools[ecosystem])
        if native.compare(a, b, ecosystem) > 0:
            a, b = b, a
        lower = None if rng.random() < 0.1 else a
        upper = None if rng.random() < 0.1 else b
        result.append((advisory_id, ecosystem, package, lower, rng.random() < 0.5, upper, rng.random() < 0.8))
    return result


def interval_contains(ecosystem, version, lower, lower_inclusive, upper, upper_inclusive):
    """Membership by the tool's own order, one comparison at a time: the oracle of the joins."""
    if lower is not None:
        c = native.compare(version, lower, ecosystem)
        if c < 0 or (c == 0 and not lower_inclusive):
            return False
    if upper is not None:
        c = native.compare(version, upper, ecosystem)
        if c > 0 or (c == 0 and not upper_inclusive):
            return False
    return True


def matches_by_compare(rows, intervals):
    """{(seq, advisory id)} of every row inside an advisory of its package, by interval_contains."""
    by_package = {}
    for seq, ecosystem, package, version in zip(rows["seq"], rows["ecosystem"], rows["package"], rows["version"]):
        by_package.setdefault((ecosystem, package), []).append((seq, version))
    found = set()
    for advisory_id, ecosystem, package, lower, lower_inc, upper, upper_inc in intervals:
        for seq, version in by_package.get((ecosystem, package), ()):
            if interval_contains(ecosystem, version, lower, lower_inc, upper, upper_inc):
                found.add((seq, advisory_id))
    return found


def bound_keys(intervals):
    """The lower and upper keys of every interval (None where unbounded), one keys()
    call per ecosystem and end."""
    lower_keys, upper_keys = [None] * len(intervals), [None] * len(intervals)
    for end, out in ((3, lower_keys), (5, upper_keys)):
        by_ecosystem = {}
        for i, interval in enumerate(intervals):
            if interval[end] is not None:
                by_ecosystem.setdefault(interval[1], []).append(i)
        for ecosystem, places in by_ecosystem.items():
            for i, key in zip(places, native.keys([intervals[i][end] for i in places], ecosystem)):
                out[i] = key
    return lower_keys, upper_keys


# The range join over explicit key intervals, as any SQL engine runs it.
INTERVAL_JOIN_SQL = """
SELECT s.seq, a.id
FROM sbom AS s
JOIN advisories AS a ON s.ecosystem = a.ecosystem AND s.package = a.package
WHERE (a.lower_key IS NULL OR s.key > a.lower_key OR (a.lower_inclusive AND s.key = a.lower_key))
  AND (a.upper_key IS NULL OR s.key < a.upper_key OR (a.upper_inclusive AND s.key = a.upper_key))
"""
