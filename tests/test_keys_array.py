"""key_array: the keys of many versions as one Arrow binary column, read here as any
Arrow consumer reads it (through the C structs, with ctypes), so that no Arrow
library is needed; tests/engines/test_keys_engines.py has the real consumers."""

import ctypes
import gc
import os
import pathlib
import tracemalloc

import pytest

import tambry
from arrow_structs import (
    ArrowArray,
    ArrowArrayStream,
    ArrowSchema,
    buffer_addresses,
    in_capsule,
    move_out,
    read_column,
    release,
)
from helpers import UNDER_ASAN, raises_exactly
from tambry import native
from tambry.native import InvalidVersion, KeyArray

VECTORS = pathlib.Path(__file__).parent / "vectors" / "native"
ARROW_FLAG_NULLABLE = 2


def valid_files():
    return sorted(VECTORS.glob("*-valid.tsv"))


def versions_of(path):
    """Every version of a validity file, accepted or not, in file order."""
    lines = path.read_bytes().decode("utf-8").split("\n")
    return [line.split("\t")[0] for line in lines[1:] if line]


def export(ka):
    """(format, values, buffer addresses) of one __arrow_c_array__ export, released after reading."""
    schema_capsule, array_capsule = ka.__arrow_c_array__()
    schema = move_out(schema_capsule, ArrowSchema, b"arrow_schema")
    array = move_out(array_capsule, ArrowArray, b"arrow_array")
    try:
        return schema.format, read_column(schema, array), buffer_addresses(array)
    finally:
        release(array)
        release(schema)


@pytest.mark.parametrize("path", valid_files(), ids=lambda p: p.name)
def test_key_array_holds_what_keys_gives(path):
    ecosystem = path.name.rsplit("-", 1)[0]
    versions = versions_of(path)
    expected = native.keys(versions, ecosystem, invalid="null")
    ka = native.key_array(versions, ecosystem, invalid="null")
    assert len(ka) == len(versions)
    assert ka.null_count == expected.count(None)
    assert ka.null_count > 0 or ecosystem == "maven"  # Maven accepts every text
    assert ka.nbytes == sum(len(k) for k in expected if k is not None)
    assert ka.to_pylist() == expected
    assert list(ka) == expected
    assert [ka[i] for i in range(-3, 0)] == expected[-3:]
    fmt, column, _ = export(ka)
    assert (fmt, column) == (b"z", expected)
    valid = [v for v, k in zip(versions, expected) if k is not None]
    assert native.key_array(valid, ecosystem).to_pylist() == native.keys(valid, ecosystem)


@pytest.mark.parametrize(
    "pattern",
    ["", "x", "v", "xxxxxxxxx", "vvvvvvvvx", "xvvvvvvvvv", "vxvxvxvxvxvxvxvxv", "vvvvvvvvvvvvvvvvx", "xxxxxxxxxxxxxxxxv"],
)
def test_nulls_fall_where_the_invalid_versions_were(pattern):
    # Slots on both sides of every byte of the validity bitmap, and a bitmap that
    # starts only after the first eight keys.
    versions = ["1.0.%d" % i if c == "v" else "bad%d" % i for i, c in enumerate(pattern)]
    ka = native.key_array(versions, "semver", invalid="null")
    expected = [native.key(v, "semver") if c == "v" else None for v, c in zip(versions, pattern)]
    assert ka.to_pylist() == expected
    assert ka.null_count == pattern.count("x")
    fmt, column, (validity, offsets, data) = export(ka)
    assert column == expected
    assert (validity is None) == ("x" not in pattern)
    assert offsets and data


def test_key_array_raises_at_the_first_invalid_version():
    with raises_exactly(InvalidVersion, "invalid semver version at index 2: '01.0.0'") as info:
        native.key_array(["1.0.0", "2.0.0", "01.0.0", "nope"], "semver")
    assert (info.value.version, info.value.ecosystem, info.value.index) == ("01.0.0", "semver", 2)
    with raises_exactly(InvalidVersion, "invalid semver version at index 0: 'x\udcff'"):
        native.key_array(["x\udcff"], "semver")
    with raises_exactly(ValueError, "invalid must be 'raise' or 'null', not 'skip'"):
        native.key_array([], "semver", invalid="skip")


@pytest.mark.parametrize("entry", [native.keys, native.key_array])
@pytest.mark.parametrize(
    "versions, message",
    [
        ("1.0.0", "argument 'versions': expected an iterable of versions, not 'str'"),
        (b"1.0.0", "argument 'versions': expected an iterable of versions, not 'bytes'"),
        (3, "'int' object is not iterable"),
        (["1.0.0", None], "expected Version or str"),
        (["1.0.0", b"1.0.0"], "expected Version or str"),
    ],
)
def test_versions_must_be_an_iterable_of_texts(entry, versions, message):
    with raises_exactly(TypeError, message):
        entry(versions, "semver")


@pytest.mark.parametrize("entry", [native.keys, lambda v, e, **kw: native.key_array(v, e, **kw).to_pylist()])
def test_any_iterable_and_any_text_form_is_keyed(entry):
    texts = ["1.0.0", "1.0.0-ä", "2.0.0-rc.1", "1.0.0-\udcff", "3.0.0"]
    expected = [native.key(t, "npm") if native.is_valid(t, "npm") else None for t in texts]

    class Text(str):
        pass

    assert entry(texts, "npm", invalid="null") == expected
    assert entry(tuple(texts), "npm", invalid="null") == expected
    assert entry((t for t in texts), "npm", invalid="null") == expected
    assert entry([Text(t) for t in texts], "npm", invalid="null") == expected
    assert entry([tambry.Version("1.0.0"), "1.0.0"], "npm") == [native.key("1.0.0", "npm")] * 2


def test_key_array_names_its_ecosystem_by_purl_type():
    ka = native.key_array(["1.0"], "PyPI")
    assert ka.ecosystem == "pypi"
    assert repr(ka) == "<KeyArray of 1 pypi keys, 0 null>"
    assert repr(native.key_array(["1", "x!"], "pypi", invalid="null")) == "<KeyArray of 2 pypi keys, 1 null>"


def test_key_array_is_immutable_and_made_only_by_key_array():
    ka = native.key_array(["1.0.0"], "semver")
    with pytest.raises(TypeError):
        KeyArray()
    with pytest.raises(AttributeError):
        ka.ecosystem = "npm"
    with pytest.raises(AttributeError):
        ka.anything = 1
    with pytest.raises(TypeError):
        KeyArray.to_pylist = None
    with pytest.raises(IndexError):
        ka[1]
    with pytest.raises(IndexError):
        ka[-2]


def test_an_empty_array_still_has_its_offset_and_values_buffers():
    fmt, column, (validity, offsets, data) = export(native.key_array([], "npm"))
    assert (fmt, column, validity) == (b"z", [], None)
    assert offsets and data


def test_schema_is_a_nullable_binary_column():
    schema_capsule, _ = native.key_array(["1.0.0"], "npm").__arrow_c_array__()
    schema = in_capsule(schema_capsule, ArrowSchema, b"arrow_schema")
    assert (schema.format, schema.name, schema.metadata) == (b"z", b"", None)
    assert (schema.flags, schema.n_children) == (ARROW_FLAG_NULLABLE, 0)


def test_requested_schema_is_a_hint_the_column_keeps_its_type():
    ka = native.key_array(["1.0.0"], "npm")
    wanted, _ = native.key_array(["1.0.0"], "npm").__arrow_c_array__()
    for call in (lambda: ka.__arrow_c_array__(wanted), lambda: ka.__arrow_c_array__(requested_schema=None)):
        schema_capsule, _ = call()
        assert in_capsule(schema_capsule, ArrowSchema, b"arrow_schema").format == b"z"
    assert ka.__arrow_c_stream__(requested_schema=wanted) is not None
    with raises_exactly(TypeError, "KeyArray.__arrow_c_array__() takes from 0 to 1 positional arguments but 2 were given"):
        ka.__arrow_c_array__(None, None)


# --- no copies, and every export released --------------------------------------


def test_every_export_shares_the_arrays_own_buffers():
    ka = native.key_array([f"1.{i}.0" for i in range(1000)] + ["bad"], "semver", invalid="null")
    *_, first = export(ka)
    *_, second = export(ka)
    stream = move_out(ka.__arrow_c_stream__(), ArrowArrayStream, b"arrow_array_stream")
    chunk = ArrowArray()
    assert stream.get_next(stream, chunk) == 0
    assert first == second == buffer_addresses(chunk)
    release(chunk)
    release(stream)


def test_an_export_outlives_the_array():
    versions = [f"2.{i}.1-rc.{i}" for i in range(500)]
    schema_capsule, array_capsule = native.key_array(versions, "npm").__arrow_c_array__()
    gc.collect()
    schema = move_out(schema_capsule, ArrowSchema, b"arrow_schema")
    array = move_out(array_capsule, ArrowArray, b"arrow_array")
    del schema_capsule, array_capsule
    gc.collect()
    assert read_column(schema, array) == native.keys(versions, "npm")
    release(array)
    release(schema)


def test_exports_are_released_by_their_capsules_or_their_consumers():
    ka = native.key_array(["1.0.0", "2.0.0"], "semver")
    assert ka._shares == 1
    pair = ka.__arrow_c_array__()
    stream_capsule = ka.__arrow_c_stream__()
    assert ka._shares == 3
    del pair, stream_capsule  # never consumed: the capsules release them
    assert ka._shares == 1

    _, array_capsule = ka.__arrow_c_array__()
    array = move_out(array_capsule, ArrowArray, b"arrow_array")
    del array_capsule  # moved out: the capsule must not release it too
    assert ka._shares == 2
    release(array)
    assert ka._shares == 1

    stream = move_out(ka.__arrow_c_stream__(), ArrowArrayStream, b"arrow_array_stream")
    schema, chunk, end = ArrowSchema(), ArrowArray(), ArrowArray()
    assert stream.get_schema(stream, schema) == 0 and schema.format == b"z"
    assert stream.get_next(stream, chunk) == 0 and chunk.length == 2
    assert stream.get_next(stream, end) == 0 and not end.release  # one chunk, then the end
    assert stream.get_last_error(stream) is None
    release(stream)
    assert ka._shares == 2  # the chunk holds its own share
    release(chunk)
    release(schema)
    assert ka._shares == 1


def rss_bytes():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def test_exports_dropped_or_consumed_leave_memory_flat():
    # Each round's keys take about half a megabyte: a round whose buffers outlived
    # their last holder would show at once.
    versions = [f"{i % 50}.{i % 997}.{i}-rc.{i % 7}" for i in range(50_000)]

    def round_trip():
        ka = native.key_array(versions, "semver")
        pair = ka.__arrow_c_array__()
        stream = move_out(ka.__arrow_c_stream__(), ArrowArrayStream, b"arrow_array_stream")
        chunk = ArrowArray()
        stream.get_next(stream, chunk)
        release(stream)
        release(chunk)
        del pair, ka

    for _ in range(5):
        round_trip()
    gc.collect()
    tracemalloc.start()
    try:
        traced_before, rss_before = tracemalloc.get_traced_memory()[0], rss_bytes()
        for _ in range(100):
            round_trip()
        gc.collect()
        traced_after, rss_after = tracemalloc.get_traced_memory()[0], rss_bytes()
    finally:
        tracemalloc.stop()
    assert traced_after - traced_before < 64 * 1024
    if not UNDER_ASAN:
        assert rss_after - rss_before < 8 * 1024 * 1024


def available_memory():
    with open("/proc/meminfo") as f:
        fields = dict(line.split(":", 1) for line in f)
    return int(fields["MemAvailable"].split()[0]) * 1024


@pytest.mark.skipif(UNDER_ASAN, reason="gigabytes of keys under the address sanitizer")
@pytest.mark.skipif(not os.environ.get("TAMBRY_LARGE_TESTS"), reason="set TAMBRY_LARGE_TESTS=1 to run")
def test_keys_past_two_gibibytes_take_64_bit_offsets():
    # Ten to forty seconds and about 4.5 GiB at the peak: run on request (CI sets
    # TAMBRY_LARGE_TESTS), with room left for whatever else runs.
    if available_memory() < 12 * 2**30:
        pytest.skip("needs 12 GiB of free memory")
    # One long numeric pre-release identifier 2,048 times: just past the 2**31 - 1
    # bytes that 32-bit offsets reach, so the column is a large binary one.
    long_version = "1.0.0-" + "1" * 2**20
    ka = native.key_array([long_version] * 2048 + ["1.0.0", "bad"], "semver", invalid="null")
    key = native.key(long_version, "semver")
    assert ka.nbytes == 2048 * len(key) + len(native.key("1.0.0", "semver"))
    assert 2047 * len(key) < 2**31 - 1 < 2048 * len(key)
    schema_capsule, array_capsule = ka.__arrow_c_array__()
    schema = in_capsule(schema_capsule, ArrowSchema, b"arrow_schema")
    array = in_capsule(array_capsule, ArrowArray, b"arrow_array")
    assert schema.format == b"Z"
    offsets = (ctypes.c_int64 * (array.length + 1)).from_address(array.buffers[1])
    assert offsets[2048] == 2048 * len(key)
    assert [offsets[i + 1] - offsets[i] for i in (0, 2046, 2047, 2049)] == [len(key)] * 3 + [0]
    assert ka[2047] == key and ka[2048] == native.key("1.0.0", "semver") and ka[2049] is None
