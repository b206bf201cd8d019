"""Real engines taking the keys: pyarrow without a copy, Polars, and DuckDB sorting
and range-joining 100,000 SBOM-like rows by key exactly as the tools order them.
Each part is skipped when its engine is not installed."""

import gc
import importlib.util
import pathlib

import pytest

from arrow_structs import ArrowArray, buffer_addresses, move_out, release
from engine_data import (
    INTERVAL_JOIN_SQL,
    advisories,
    interval_columns,
    matches_by_contains,
    sbom_rows,
    version_pools,
)
from tambry import native


def our_buffer_addresses(ka):
    _, array_capsule = ka.__arrow_c_array__()
    array = move_out(array_capsule, ArrowArray, b"arrow_array")
    try:
        return buffer_addresses(array)
    finally:
        release(array)


# --- pyarrow ------------------------------------------------------------------


def test_pyarrow_takes_the_keys_without_a_copy():
    pa = pytest.importorskip("pyarrow")
    versions = [f"1.{i}.0-rc.{i % 3}" for i in range(10_000)] + ["bad"]
    ka = native.key_array(versions, "semver", invalid="null")
    array = pa.array(ka)
    assert array.type == pa.binary() and array.null_count == 1
    assert array.to_pylist() == ka.to_pylist()
    assert [b.address for b in array.buffers()] == our_buffer_addresses(ka)
    del ka
    gc.collect()
    # The pyarrow array keeps the buffers alive on its own.
    assert array[-2].as_py() == native.key(versions[-2], "semver")


@pytest.mark.parametrize(
    "take, shares_while_held",
    [
        (lambda pa, ka: pa.array(ka), 2),
        (lambda pa, ka: pa.chunked_array(ka), 2),
        # Sorting makes new buffers; the keys' own are let go at once.
        (lambda pa, ka: pa.table({"key": pa.array(ka)}).sort_by("key"), 1),
    ],
    ids=["array", "chunked_array (stream)", "table sorted"],
)
def test_pyarrow_releases_what_it_takes(take, shares_while_held):
    pa = pytest.importorskip("pyarrow")
    ka = native.key_array(["2.0.0", "1.0.0", "1.0.0-rc.1"], "semver")
    taken = take(pa, ka)
    gc.collect()
    assert ka._shares == shares_while_held
    del taken
    gc.collect()
    assert ka._shares == 1


def test_pyarrow_sorts_by_key_as_the_tool_does():
    pa = pytest.importorskip("pyarrow")
    pc = pytest.importorskip("pyarrow.compute")
    for ecosystem, pool in version_pools().items():
        indices = pc.sort_indices(pa.array(native.key_array(pool, ecosystem))).to_pylist()
        by_key = [native.key(pool[i], ecosystem) for i in indices]
        assert by_key == [native.key(v, ecosystem) for v in native.sort_versions(pool, ecosystem)]


# --- Polars -------------------------------------------------------------------


def test_polars_takes_the_keys_and_sorts_by_them():
    pl = pytest.importorskip("polars")
    for ecosystem, pool in version_pools().items():
        ka = native.key_array(pool, ecosystem)
        frame = pl.DataFrame({"version": pool, "key": pl.Series(ka)})
        assert frame["key"].dtype == pl.Binary
        assert frame.sort("key", maintain_order=True)["version"].to_list() == native.sort_versions(pool, ecosystem)
        assert pl.from_arrow(ka).to_list() == ka.to_pylist()
        del frame
        gc.collect()
        assert ka._shares == 1


# --- DuckDB -------------------------------------------------------------------


@pytest.fixture(scope="module")
def sbom():
    pytest.importorskip("duckdb")
    pa = pytest.importorskip("pyarrow")
    rows = sbom_rows(100_000)
    # One key_array per ecosystem (the rows come grouped by ecosystem), stitched
    # into one column of chunks without copying a key.
    chunks = []
    start = 0
    while start < len(rows["seq"]):
        ecosystem = rows["ecosystem"][start]
        end = start
        while end < len(rows["seq"]) and rows["ecosystem"][end] == ecosystem:
            end += 1
        chunks.append(pa.array(native.key_array(rows["version"][start:end], ecosystem)))
        start = end
    table = pa.table({
        "seq": rows["seq"], "ecosystem": rows["ecosystem"], "package": rows["package"],
        "version": rows["version"], "key": pa.chunked_array(chunks),
    })
    return rows, table


def test_duckdb_orders_100000_rows_by_key_as_each_tool_does(sbom):
    import duckdb

    rows, table = sbom
    con = duckdb.connect()
    con.register("sbom", table)
    assert con.execute("SELECT count(*), count(DISTINCT ecosystem) FROM sbom").fetchone() == (
        100_000, len(version_pools()))
    for ecosystem in version_pools():
        versions = [v for e, v in zip(rows["ecosystem"], rows["version"]) if e == ecosystem]
        # seq breaks ties between equal versions as sort_versions does: by input order.
        got = con.execute("SELECT version FROM sbom WHERE ecosystem = ? ORDER BY key, seq", [ecosystem]).fetchall()
        assert [v for (v,) in got] == native.sort_versions(versions, ecosystem), ecosystem


def test_duckdb_range_join_over_key_intervals_matches_contains(sbom):
    import duckdb
    import pyarrow as pa

    rows, table = sbom
    found = advisories(rows, 10_000)
    columns = interval_columns(found)
    advisory_table = pa.table({
        **columns,
        "lower_key": pa.array(columns["lower_key"], pa.binary()),
        "upper_key": pa.array(columns["upper_key"], pa.binary()),
    })
    con = duckdb.connect()
    con.register("sbom", table)
    con.register("advisories", advisory_table)
    joined = set(con.execute(INTERVAL_JOIN_SQL).fetchall())
    expected = matches_by_contains(rows, found)
    assert len(expected) > 10_000
    assert joined == expected


def test_duckdb_scans_a_key_array_directly_and_lets_it_go():
    duckdb = pytest.importorskip("duckdb")
    ka = native.key_array(["1.0.0", "bad", "0.1.0"], "semver", invalid="null")
    assert duckdb.sql("SELECT * FROM ka").fetchall() == [(k,) for k in ka.to_pylist()]
    gc.collect()
    assert ka._shares == 1


def test_duckdb_example_runs(capsys):
    pytest.importorskip("duckdb")
    pytest.importorskip("pyarrow")
    path = pathlib.Path(__file__).resolve().parents[2] / "examples" / "duckdb_keys.py"
    spec = importlib.util.spec_from_file_location("duckdb_keys_example", path)
    example = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(example)
    example.main()
    out = capsys.readouterr().out
    assert "1.0.0 < 1.2.0-beta.1 < 1.2.0 < 1.9.3 < 1.10.0 < 2.0.0-rc.1" in out
    assert "1.0 < 1.0.post1 < 1.1a1 < 1.1rc1 < 1.1 < 1.10 < 2!0.1" in out
    assert "npm releases in [1.1.0-0, 1.10.0): ['1.2.0-beta.1', '1.2.0', '1.9.3']" in out
