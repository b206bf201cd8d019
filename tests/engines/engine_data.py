"""SBOM-like rows and advisory intervals for the engine tests and the join benchmark,
made from the labelled versions under tests/vectors/native with fixed seeds: each
row is a package's version in one ecosystem, each advisory a version interval of
one package. Ecosystems whose scheme accepts none of their versions yet are left
out, so that new schemes join in as they land."""

import functools
import pathlib
import random
from typing import NamedTuple
from urllib.parse import quote

from tambry import native
from tambry.ranges import VersionRange

VECTORS = pathlib.Path(__file__).resolve().parents[1] / "vectors" / "native"
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


@functools.cache
def bound_pools():
    return {ecosystem: [v for v in pool if v] for ecosystem, pool in version_pools().items()}


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


class Advisory(NamedTuple):
    id: int
    ecosystem: str
    package: str
    range: VersionRange


def interval_range(ecosystem, lower, lower_inclusive, upper, upper_inclusive):
    """The versions from `lower` to `upper` (None where unbounded) as a VersionRange."""
    everything = VersionRange.from_vers(f"vers:{ecosystem}/*")
    above = everything if lower is None else VersionRange.from_vers(
        f"vers:{ecosystem}/{'>=' if lower_inclusive else '>'}{quote(lower, safe='')}")
    below = everything if upper is None else VersionRange.from_vers(
        f"vers:{ecosystem}/{'<=' if upper_inclusive else '<'}{quote(upper, safe='')}")
    return above & below


def advisories(rows, count=10_000, seed=61):
    """Advisories of packages that `rows` has, each an interval of versions of one
    package (sometimes unbounded at one end)."""
    rng = random.Random(seed)
    pools = version_pools()
    result = []
    for advisory_id in range(count):
        i = rng.randrange(len(rows["seq"]))
        ecosystem, package = rows["ecosystem"][i], rows["package"][i]
        # A vers constraint cannot name an empty version (RubyGems and Maven accept one).
        bounds = bound_pools()[ecosystem]
        a, b = sorted((rng.choice(bounds), rng.choice(bounds)), key=lambda v: native.key(v, ecosystem))
        lower = None if rng.random() < 0.1 else a
        upper = None if rng.random() < 0.1 else b
        affected = interval_range(ecosystem, lower, rng.random() < 0.5, upper, rng.random() < 0.8)
        result.append(Advisory(advisory_id, ecosystem, package, affected))
    return result


def matches_by_contains(rows, found_advisories):
    """{(seq, advisory id)} of every row inside an advisory of its package, asked of
    VersionRange.contains one row at a time: the oracle of the joins."""
    by_package = {}
    for seq, ecosystem, package, version in zip(rows["seq"], rows["ecosystem"], rows["package"], rows["version"]):
        by_package.setdefault((ecosystem, package), []).append((seq, version))
    found = set()
    for advisory in found_advisories:
        for seq, version in by_package.get((advisory.ecosystem, advisory.package), ()):
            if version in advisory.range:
                found.add((seq, advisory.id))
    return found


def interval_columns(found_advisories):
    """The columns id, ecosystem, package, lower_key, lower_inclusive, upper_key,
    upper_inclusive: one row for each key interval of each advisory's range."""
    columns = {name: [] for name in ("id", "ecosystem", "package", "lower_key", "lower_inclusive",
                                     "upper_key", "upper_inclusive")}
    for advisory in found_advisories:
        for lower, lower_inclusive, upper, upper_inclusive in advisory.range.key_intervals():
            for name, value in zip(columns, (advisory.id, advisory.ecosystem, advisory.package, lower,
                                             lower_inclusive, upper, upper_inclusive)):
                columns[name].append(value)
    return columns


# The range join over explicit key intervals, as any SQL engine runs it.
INTERVAL_JOIN_SQL = """
SELECT s.seq, a.id
FROM sbom AS s
JOIN advisories AS a ON s.ecosystem = a.ecosystem AND s.package = a.package
WHERE (a.lower_key IS NULL OR s.key > a.lower_key OR (a.lower_inclusive AND s.key = a.lower_key))
  AND (a.upper_key IS NULL OR s.key < a.upper_key OR (a.upper_inclusive AND s.key = a.upper_key))
"""
