"""A short run of tests/fuzz/fuzz_layers.py over tambry.native and tambry.ranges (the
saved corpus, then fresh inputs), and the hostile sizes: megabyte texts, and long
lists in every range syntax, which must cost time in proportion to their length.
The long runs are described in tests/fuzz/fuzz_layers.py."""

import os
import random
import sys
import time

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz"))

import fuzz_layers  # noqa: E402
from fuzz_tambry import FuzzFailure, corpus_inputs, random_inputs  # noqa: E402

from tambry import native  # noqa: E402
from tambry.ranges import VersionRange  # noqa: E402

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz", "corpus_layers")
FRESH_INPUTS = 3_000
SEED = int(os.environ.get("TAMBRY_FUZZ_SEED", "20261208"))


def run(data):
    try:
        fuzz_layers.check_one(data)
    except FuzzFailure as e:
        raise AssertionError(f"{e}\ninput: bytes.fromhex('{data.hex()}')") from None


def test_saved_corpus():
    inputs = corpus_inputs([CORPUS])
    assert len(inputs) > 50
    for data in inputs:
        run(data)


def test_fresh_inputs():
    print(f"seed {SEED}")
    for data in random_inputs(FRESH_INPUTS, SEED, corpus_inputs([CORPUS])):
        run(data)


class WrongKeys:
    """tambry.native with keys that drop their last byte: bounds and points meet."""

    def __getattr__(self, name):
        return getattr(native, name)

    @staticmethod
    def key(version, ecosystem):
        return native.key(version, ecosystem)[:-1]


class WrongCompare:
    """tambry.native with compare off on equal-length texts that differ."""

    def __getattr__(self, name):
        return getattr(native, name)

    @staticmethod
    def compare(a, b, ecosystem):
        result = native.compare(a, b, ecosystem)
        ta, tb = str(a), str(b)
        return -result if len(ta) == len(tb) and ta != tb else result


@pytest.mark.parametrize("fake", [WrongKeys, WrongCompare])
def test_harness_finds_a_wrong_answer(monkeypatch, fake):
    monkeypatch.setattr(fuzz_layers, "native", fake())
    rng = random.Random(1)
    with pytest.raises(FuzzFailure):
        for _ in range(20_000):
            fuzz_layers.check_one(rng.randbytes(rng.randrange(1, 300)))


# --- hostile sizes -------------------------------------------------------------------------

MEGABYTE = 1_000_000
HUGE_TEXTS = [
    "1" + "0" * MEGABYTE,
    "1.0-" + "\x00" * MEGABYTE,
    "1." * (MEGABYTE // 2) + "0",
    "1.0.0-" + "a." * (MEGABYTE // 2) + "a",
    "é" * (MEGABYTE // 2),
    ">=1.0," * (MEGABYTE // 6),
    "[1.0,2.0)," * (MEGABYTE // 10),
    "~" * MEGABYTE,
]


@pytest.mark.parametrize("index", range(len(HUGE_TEXTS)))
def test_megabyte_texts(index):
    text = HUGE_TEXTS[index]
    for eco in native.ECOSYSTEMS:
        valid = native.is_valid(text, eco)
        if valid:
            assert native.compare(text, text, eco) == 0
            assert native.keys([text, "1"], eco, invalid="null")[0] == native.key(text, eco)
        try:
            r = VersionRange.from_native(text, eco)
        except (ValueError, NotImplementedError):
            continue
        assert VersionRange.from_vers(str(r)) == r
    with pytest.raises(ValueError):
        VersionRange.from_vers("vers:npm/" + text)


def best_of(times, make):
    fastest = float("inf")
    for _ in range(times):
        start = time.perf_counter()
        result = make()
        fastest = min(fastest, time.perf_counter() - start)
    return fastest, result


LIST_ITEMS = ["= {v}", "={v}", "!= {v}", "!={v}", ">= {v}", "[{v}]", "[{v},{w})", "== {v}", "~> {v}"]
LIST_JOINERS = [" | ", " || ", ", ", ",", " ", " or "]
LONG = 3_000
# Reading a list of LONG constraints may cost this many times reading the same set
# back from its vers, which is one linear pass; a quadratic reader costs ~100 times.
SLOWER_THAN_VERS = 25


def long_list(item, joiner, count):
    return joiner.join(item.format(v=f"{2 * i}.0.0", w=f"{2 * i + 1}.0.0") for i in range(count))


def list_shapes(eco):
    """The (item, joiner) shapes that make a long list the ecosystem reads into many intervals."""
    shapes = []
    for item in LIST_ITEMS:
        for joiner in LIST_JOINERS:
            try:
                r = VersionRange.from_native(long_list(item, joiner, 40), eco)
            except NotImplementedError:
                return shapes
            except ValueError:
                continue
            if len(r.key_intervals(prereleases=False)) >= 20:
                shapes.append((item, joiner))
    return shapes


def assert_linear(make):
    took, r = best_of(2, make)
    by_vers, back = best_of(2, lambda: VersionRange.from_vers(str(r)))
    assert back == r
    assert took < SLOWER_THAN_VERS * by_vers + 0.002, f"{took:.3f} s, against {by_vers:.3f} s from its vers"


LIST_CASES = [
    pytest.param(eco, item, joiner, id=f"{eco}-{item}-{joiner.strip() or 'space'}")
    for eco in native.ECOSYSTEMS
    for item, joiner in list_shapes(eco)
]


@pytest.mark.parametrize("eco, item, joiner", LIST_CASES)
def test_long_lists_cost_linear_time(eco, item, joiner):
    text = long_list(item, joiner, LONG)
    assert_linear(lambda: VersionRange.from_native(text, eco))


def osv_interval(i):
    return {"type": "ECOSYSTEM", "events": [{"introduced": f"{2 * i}.0.0"}, {"fixed": f"{2 * i + 1}.0.0"}]}


def test_long_osv_event_lists_and_version_lists_cost_linear_time():
    events = [event for i in range(LONG) for event in osv_interval(i)["events"]]
    assert_linear(lambda: VersionRange.from_osv({"type": "ECOSYSTEM", "events": events}, "npm"))
    versions = [f"{i}.0.0" for i in range(LONG)]
    assert_linear(lambda: VersionRange.from_affected({"package": {"ecosystem": "npm"}, "versions": versions}))


def test_long_lists_of_osv_ranges_cost_linear_time():
    affected = {"package": {"ecosystem": "npm"}, "ranges": [osv_interval(i) for i in range(LONG)]}
    assert_linear(lambda: VersionRange.from_affected(affected))


# --- vers bounds of bytes that are not UTF-8 ----------------------------------------------


@pytest.mark.parametrize("uri", ["vers:deb/>=1%FF", "vers:maven/>=1%C3", "vers:deb/>=1%ED%A0%80"])
def test_vers_bounds_that_are_not_utf8(uri):
    # Either the vers is refused, or intervals() names its bound by a text that
    # tambry.native reads as that very bound.
    try:
        r = VersionRange.from_vers(uri)
    except ValueError:
        return
    [(lower, _, _, _)] = r.intervals()
    [(lower_key, _, _, _)] = r.key_intervals()
    assert native.key(lower, r.ecosystem) == lower_key, (uri, lower)
