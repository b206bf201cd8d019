"""The tests of tambry's keys inside real data engines (DuckDB, pyarrow, Polars, a
Dask cluster), run in an interpreter of their own: the engines start thread pools
and allocators that would otherwise stay in this process and blur the leak tests."""

import pathlib
import subprocess
import sys

ENGINES = pathlib.Path(__file__).resolve().parent / "engines"


def test_engine_tests_pass_in_their_own_interpreter():
    result = subprocess.run(
        [sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", "-o", "addopts=-ra", str(ENGINES)],
        capture_output=True,
        text=True,
        timeout=900,
    )
    assert result.returncode == 0, result.stdout[-6000:] + result.stderr[-2000:]
