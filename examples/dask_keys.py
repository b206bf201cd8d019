"""Versions sorted and matched against advisories across a Dask cluster, by key.

Each worker process keys the versions of its own partitions with
tambry.native.key_array; from then on Dask sorts, shuffles and joins plain binary
columns and no code of tambry's runs. Keys of one ecosystem order exactly as its
own tool orders the versions, and keys of different ecosystems never interleave.

    python examples/dask_keys.py                         # a local cluster of worker processes
    python examples/dask_keys.py tcp://scheduler:8786    # a running cluster

A running cluster's workers need tambry, pandas and pyarrow installed, like the
client. Needs: dask[dataframe,distributed], pandas, pyarrow.
"""

import logging
import random
import sys

import dask.dataframe as dd
import pandas as pd
import pyarrow as pa
from dask.distributed import Client, LocalCluster

from tambry import native
from tambry.ranges import VersionRange

KEY_TYPE = pd.ArrowDtype(pa.binary())

# A made-up bill of materials: packages of four ecosystems in many releases.
RELEASES = {
    ("npm", "left-pad"): ["1.0.0", "1.1.0", "1.1.1", "1.2.0-beta.1", "1.2.0", "1.3.0", "10.0.0"],
    ("npm", "tiny-router"): ["0.9.0", "1.0.0-rc.1", "1.0.0-rc.2", "1.0.0", "1.10.0", "1.9.0", "2.0.0"],
    ("pypi", "fastjson"): ["1.0", "1.0.post1", "1.1a1", "1.1b2", "1.1rc1", "1.1", "1.10", "2!0.1"],
    ("pypi", "webkit"): ["0.9", "1.0.dev3", "1.0", "1.0.1", "1.2", "1.11", "20.0"],
    ("cargo", "fastlog"): ["0.1.0", "0.1.1", "0.2.0-alpha.1", "0.2.0", "0.10.0", "1.0.0"],
    ("golang", "example.com/mux"): ["v0.0.0-20200101120000-abcdefabcdef", "v1.0.0", "v1.0.1", "v1.8.0",
                                    "v1.10.0", "v2.0.0+incompatible"],
}

# Each advisory: the affected versions of one package, in its ecosystem's own range syntax.
ADVISORIES = [
    ("ADV-1", "npm", "left-pad", ">=1.1.0 <1.2.0"),
    ("ADV-2", "npm", "tiny-router", "<1.0.0"),
    ("ADV-3", "pypi", "fastjson", ">=1.1a1,<=1.1"),
    ("ADV-4", "pypi", "webkit", ">1.0"),
    ("ADV-5", "cargo", "fastlog", ">=0.2.0-alpha.1, <0.10.0"),
    ("ADV-6", "golang", "example.com/mux", ">=v1.0.0 <v1.10.0"),
]

INTERVAL_COLUMNS = ["advisory", "ecosystem", "package", "lower_key", "lower_inclusive", "upper_key",
                    "upper_inclusive"]


def advisory_intervals(advisories):
    """One row per key interval of each advisory's range: what the cluster joins on.
    An advisory covers pre-releases too, so each range includes them."""
    rows = []
    for advisory, ecosystem, package, text in advisories:
        affected = VersionRange.from_native(text, ecosystem, prereleases=True)
        rows.extend((advisory, ecosystem, package, *interval) for interval in affected.key_intervals())
    frame = pd.DataFrame(rows, columns=INTERVAL_COLUMNS)
    return frame.astype({"lower_key": KEY_TYPE, "upper_key": KEY_TYPE})


def sbom_frame(rows=100_000, seed=7):
    """`rows` installations (host, ecosystem, package, version) drawn from RELEASES."""
    rng = random.Random(seed)
    packages = list(RELEASES)
    picks = [rng.choice(packages) for _ in range(rows)]
    return pd.DataFrame({
        "host": [f"host-{rng.randrange(1000)}" for _ in range(rows)],
        "ecosystem": [eco for eco, _ in picks],
        "package": [name for _, name in picks],
        "version": [rng.choice(RELEASES[p]) for p in picks],
    })


def keys_of(versions, ecosystem):
    """The keys of a column of versions of one ecosystem, null where a version is
    null or invalid, taken from one key_array without copying the keys."""
    present = versions.notna()
    keys = pd.Series(pd.NA, index=versions.index, dtype=KEY_TYPE)
    if present.any():
        ka = native.key_array(versions[present].tolist(), ecosystem, invalid="null")
        keys[present] = pd.arrays.ArrowExtensionArray(pa.array(ka))
    return keys


def with_keys(frame, version_column="version", key_column="key"):
    """A partition with the key of each row's version, keyed per ecosystem."""
    keys = [keys_of(part[version_column], ecosystem) for ecosystem, part in frame.groupby("ecosystem", sort=False)]
    column = pd.concat(keys).reindex(frame.index) if keys else pd.Series([], dtype=KEY_TYPE)
    return frame.assign(**{key_column: column})


def inside(frame):
    """The rows whose key lies in their advisory's interval: two byte comparisons."""
    key = frame["key"]
    above = frame["lower_key"].isna() | (key > frame["lower_key"]) | (frame["lower_inclusive"] & (key == frame["lower_key"]))
    below = frame["upper_key"].isna() | (key < frame["upper_key"]) | (frame["upper_inclusive"] & (key == frame["upper_key"]))
    return frame[(above & below).fillna(False).astype(bool)]


def keyed(ddf, version_column="version", key_column="key"):
    """`ddf` with a key column, computed by the workers partition by partition."""
    meta = ddf._meta.assign(**{key_column: pd.Series([], dtype=KEY_TYPE)})
    return ddf.map_partitions(with_keys, version_column, key_column, meta=meta)


def affected(sbom, intervals):
    """(host, package, version, key, advisory) of every installation an advisory covers."""
    joined = keyed(sbom).merge(intervals, on=["ecosystem", "package"])
    return joined.map_partitions(inside, meta=joined._meta)[["host", "package", "version", "key", "advisory"]]


def main(address=None):
    # Dask reports each shuffle it starts and ends; keep the output to the results.
    logging.getLogger("distributed.shuffle").setLevel(logging.ERROR)
    cluster = None if address else LocalCluster(n_workers=2, threads_per_worker=1, processes=True)
    with Client(address or cluster) as client:
        print(f"cluster: {client}")
        sbom = dd.from_pandas(sbom_frame(), npartitions=8)
        intervals = dd.from_pandas(advisory_intervals(ADVISORIES), npartitions=2)

        # Every distinct version, sorted across the cluster by key alone.
        releases = keyed(sbom[["ecosystem", "package", "version"]].drop_duplicates())
        ordered = releases.sort_values("key").compute()
        for (ecosystem, package), group in ordered.groupby(["ecosystem", "package"], sort=False):
            print(f"{ecosystem:7} {package:17} {' < '.join(group['version'])}")

        hits = affected(sbom, intervals).compute().sort_values(["advisory", "key"])
        print(f"\n{len(hits):,} of {len(sbom):,} installations are affected:")
        print(hits.groupby(["advisory", "package", "version"], sort=False).size().to_string())
    if cluster is not None:
        cluster.close()


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else None)
