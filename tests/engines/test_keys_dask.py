"""A distributed engine in use: a Dask cluster of worker processes keys the versions
of its partitions and sorts and range-joins them by key, with the code of
examples/dask_keys.py itself. Skipped when Dask's dataframe and distributed parts,
pandas or pyarrow are not installed."""

import importlib
import os
import pathlib
import sys

import pytest

from engine_data import advisories, interval_columns, matches_by_contains, sbom_rows, version_pools
from tambry import native

pytest.importorskip("pyarrow")
pd = pytest.importorskip("pandas")
dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("dask.distributed")

TIMEOUT = 120
EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "dask_keys.py"


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None
    ) as cluster, distributed.Client(cluster, timeout=TIMEOUT) as client:
        yield client


@pytest.fixture(scope="module")
def example(client):
    """The example's module, here and on the workers: shipped to them as user code
    is shipped to a real cluster."""
    sys.path.insert(0, str(EXAMPLE.parent))
    try:
        module = importlib.import_module(EXAMPLE.stem)
    finally:
        sys.path.remove(str(EXAMPLE.parent))
    client.upload_file(str(EXAMPLE))
    return module


@pytest.fixture(scope="module")
def rows():
    return sbom_rows(10_000)


def computed(client, collection):
    # A cluster that stops answering fails the test instead of hanging the run.
    return client.compute(collection).result(timeout=TIMEOUT)


def sbom_frame(rows):
    return pd.DataFrame({
        "host": rows["seq"], "ecosystem": rows["ecosystem"], "package": rows["package"], "version": rows["version"],
    })


def test_the_workers_are_processes_of_their_own(client):
    worker_pids = set(client.run(os.getpid).values())
    assert len(worker_pids) == 2 and os.getpid() not in worker_pids


def test_cluster_sorts_by_key_as_each_tool_does(client, example, rows):
    sbom = dd.from_pandas(sbom_frame(rows), npartitions=8)
    ordered = computed(client, example.keyed(sbom).sort_values("key"))
    assert len(ordered) == len(rows["seq"])
    # Keys of different ecosystems never interleave: one global sort orders each.
    assert list(dict.fromkeys(ordered["ecosystem"])) == [e for e in native.ECOSYSTEMS if e in version_pools()]
    for ecosystem, group in ordered.groupby("ecosystem", sort=False):
        expected = native.sort_versions(group["version"].tolist(), ecosystem)
        assert native.keys(group["version"].tolist(), ecosystem) == native.keys(expected, ecosystem)


def test_cluster_range_join_matches_contains(client, example, rows):
    found = advisories(rows, 1_000)
    interval_frame = pd.DataFrame(interval_columns(found)).rename(columns={"id": "advisory"})
    interval_frame = interval_frame.astype({"lower_key": example.KEY_TYPE, "upper_key": example.KEY_TYPE})
    sbom = dd.from_pandas(sbom_frame(rows), npartitions=8)
    hits = computed(client, example.affected(sbom, dd.from_pandas(interval_frame, npartitions=3)))
    expected = matches_by_contains(rows, found)
    assert len(expected) > 500
    assert set(zip(hits["host"], hits["advisory"])) == expected
