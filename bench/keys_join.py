"""The range join of SBOM rows against advisory intervals: DuckDB joining on key
intervals against the same join done in a Python loop, one version comparison at a
time, over the rows of each advisory's package. Both give the same pairs (checked).
Times are the process CPU time of the best of a few runs in turns; DuckDB's time
includes loading the rows and computing every key.

    python bench/keys_join.py                  # 100,000 rows x 10,000 advisories
    python bench/keys_join.py --rows 20000 --advisories 2000

Needs duckdb and pyarrow. The rows and intervals are tests/engines/engine_data.py's.
"""

import argparse
import gc
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "engines"))

import duckdb  # noqa: E402
import pyarrow as pa  # noqa: E402
from engine_data import INTERVAL_JOIN_SQL, advisories, interval_columns, matches_by_contains, sbom_rows  # noqa: E402
from timing import CLOCK  # noqa: E402

from tambry import native  # noqa: E402


def duckdb_join(rows, intervals):
    """Keys for the rows (one key_array per ecosystem) and the bounds, both tables
    handed to DuckDB, and the join run there."""
    chunks, start = [], 0
    while start < len(rows["seq"]):
        ecosystem = rows["ecosystem"][start]
        end = start
        while end < len(rows["seq"]) and rows["ecosystem"][end] == ecosystem:
            end += 1
        chunks.append(pa.array(native.key_array(rows["version"][start:end], ecosystem)))
        start = end
    sbom = pa.table({"seq": rows["seq"], "ecosystem": rows["ecosystem"], "package": rows["package"],
                     "key": pa.chunked_array(chunks)})
    columns = interval_columns(intervals)
    advisory_table = pa.table({
        **columns,
        "lower_key": pa.array(columns["lower_key"], pa.binary()),
        "upper_key": pa.array(columns["upper_key"], pa.binary()),
    })
    con = duckdb.connect()
    con.execute("SET threads = 1")  # the Python loop has one core too
    con.register("sbom", sbom)
    con.register("advisories", advisory_table)
    return set(con.execute(INTERVAL_JOIN_SQL).fetchall())


def timed(fn, repeats):
    best, result = float("inf"), None
    for _ in range(repeats):
        gc.collect()
        start = CLOCK()
        result = fn()
        best = min(best, CLOCK() - start)
    return best, result


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--rows", type=int, default=100_000)
    p.add_argument("--advisories", type=int, default=10_000)
    p.add_argument("--repeats", type=int, default=3)
    args = p.parse_args()
    rows = sbom_rows(args.rows)
    intervals = advisories(rows, args.advisories)
    t_duck, by_duck = timed(lambda: duckdb_join(rows, intervals), args.repeats)
    t_loop, by_loop = timed(lambda: matches_by_contains(rows, intervals), args.repeats)
    assert by_duck == by_loop, "the joins disagree"
    print(f"{args.rows:,} rows x {args.advisories:,} advisories: {len(by_duck):,} matches")
    print(f"DuckDB on keys (1 thread, keys included): {t_duck * 1e3:8.1f} ms")
    print(f"Python loop of VersionRange.contains:          {t_loop * 1e3:8.1f} ms  ({t_loop / t_duck:.1f}x)")


if __name__ == "__main__":
    main()
