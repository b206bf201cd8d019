"""Memory and reference counts stay flat over many calls, on success and on failure."""

import gc
import sys

import pytest

import tambry
from helpers import Fails, assert_memory_flat, fresh
from tambry import Version, batch_compare, max_version, min_version, sort_versions


def expect_failure(call, exc_type):
    Fails(exc_type, call)()


# ---------------------------------------------------------------------------
# Memory over many calls
# ---------------------------------------------------------------------------

TEXTS = [
    "1.2.3",
    "  2:1.0rc1.post2+Build.7 ",
    "v1.0-SNAPSHOT",
    "1.0~beta^git.abcdefghijklmnopqrstuvwxyz",
    "",
    "99999999999999999999999.1.0.0",
    "1.0é1'quote'",
]


def test_construct_and_view():
    def step(i):
        v = Version(TEXTS[i % len(TEXTS)])
        v.raw, v.ecosystem, v.epoch, v.build, v.is_prerelease, v.is_postrelease
        v.count, v.major, v.minor, v.patch, len(v), bool(v), str(v), repr(v)
        v.segments(), v.release(), v.to_dict(), v.sort_key(), hash(v)
        if v:
            v[0], v[-1]

    assert_memory_flat(step)


def test_construct_with_named_ecosystems():
    ecosystems = ["semver", "DEBIAN", "rpm", "auto", "oci", "crates.io"]

    def step(i):
        tambry.version(TEXTS[i % len(TEXTS)], ecosystems[i % len(ecosystems)])

    assert_memory_flat(step)


def test_compare():
    versions = [Version(t) for t in ("1.0.0", "1.0.0-rc.1", "2.0", "1.0a", "1.0~rc1")]
    versions.append(Version("1.2.3", "semver"))
    versions.append(Version("1.0a", "debian"))

    def step(i):
        a = versions[i % len(versions)]
        b = versions[(i * 3 + 1) % len(versions)]
        a < b, a <= b, a == b, a != b, a > b, a >= b
        a.compare(b)
        a.compare("1.0")
        a.compare(b, "debian")
        a.compare(b.raw, "auto") if a.ecosystem != "semver" else a.compare("1.2.4", "auto")
        tambry.compare(a, b)
        tambry.compare(a.raw, b, "rpm")
        tambry.lt(a.raw, b.raw, "generic")

    assert_memory_flat(step)


class Idx:
    def __index__(self):
        return 99


IDX = Idx()


def test_failing_construction_and_views():
    v = Version("1.2.3")
    failures = [
        (lambda: Version(1), TypeError),
        (lambda: Version("1.0", None), TypeError),
        (lambda: Version("1.0", "bogus"), ValueError),
        (lambda: Version("1.0", eco="x"), TypeError),
        (lambda: Version(), TypeError),
        (lambda: Version("\ud800"), UnicodeEncodeError),
        (lambda: tambry.version("1", "auto", "x"), TypeError),
        (lambda: v[10], IndexError),
        (lambda: v[-10], IndexError),
        (lambda: v[IDX], IndexError),
        (lambda: v["x"], TypeError),
        (lambda: v[2**64], OverflowError),
        (lambda: v < "1.0", TypeError),
    ]

    def step(i):
        call, exc = failures[i % len(failures)]
        expect_failure(call, exc)

    assert_memory_flat(step)


def test_failing_compare():
    v = Version("1.0")
    w = Version("1.0.0", "semver")
    failures = [
        (lambda: v.compare(1), TypeError),
        (lambda: v.compare("1.0.0", "semver"), ValueError),
        (lambda: w.compare("1.0", "semver"), ValueError),
        (lambda: w.compare(v, "auto"), ValueError),
        (lambda: v.compare("1", " generic"), ValueError),
        (lambda: v.compare(), TypeError),
        (lambda: tambry.compare(w, v, "auto"), ValueError),
        (lambda: tambry.compare(1, v), TypeError),
        (lambda: tambry.eq(v, "1"), TypeError),
    ]

    def step(i):
        call, exc = failures[i % len(failures)]
        expect_failure(call, exc)

    assert_memory_flat(step)


ITEMS = ["1.10", Version("1.9"), "1.10rc1", "0.1", Version("2:0.1", "debian"), "1.0.0", "1"]
PAIRS = [(ITEMS[i], ITEMS[-1 - i]) for i in range(len(ITEMS))]


def test_collections():
    def step(i):
        max_version(ITEMS)
        min_version(ITEMS)
        sort_versions(ITEMS)
        batch_compare(PAIRS)
        sort_versions(ITEMS, "auto")
        batch_compare(PAIRS, "auto")

    assert_memory_flat(step)


def _with_bad(bad, position, size=7, good="1.0.0"):
    items = [good] * size
    items[position] = bad
    return items


POSITIONS = [0, 3, 6]
BAD_ELEMENTS = [(5, "generic", TypeError), ("1.0", "semver", ValueError), ("x", "maven", ValueError)]
FAILING_LISTS = [
    (_with_bad(bad, pos), eco, exc) for pos in POSITIONS for bad, eco, exc in BAD_ELEMENTS
]


@pytest.mark.parametrize("fn", [max_version, min_version, sort_versions], ids=lambda f: f.__name__)
def test_collections_failing_at_first_middle_and_last(fn):
    def step(i):
        items, eco, exc = FAILING_LISTS[i % len(FAILING_LISTS)]
        expect_failure(lambda: fn(items, eco), exc)

    assert_memory_flat(step)


def _pairs_with_bad(bad, position, size=7):
    pairs = [("1.0.0", "1.0.1")] * size
    pairs[position] = bad
    return pairs


FAILING_PAIRS = [
    (_pairs_with_bad(bad, pos), eco, exc)
    for pos in POSITIONS
    for bad, eco, exc in [
        (("1.0.0", 5), "generic", TypeError),
        ((5, "1.0.0"), "auto", TypeError),
        (("1.0", "1.0.0"), "semver", ValueError),
        (("1.0.0", "1.0"), "npm", ValueError),
        (["1.0.0", "1.0.0"], "generic", TypeError),
        (("1.0.0", "1.0.0", "1.0.0"), "generic", ValueError),
    ]
]


def test_batch_compare_failing_at_first_middle_and_last():
    def step(i):
        pairs, eco, exc = FAILING_PAIRS[i % len(FAILING_PAIRS)]
        expect_failure(lambda: batch_compare(pairs, eco), exc)

    assert_memory_flat(step)


def test_argument_conversion_failures_of_collections():
    failures = [
        (lambda: max_version("1.0"), TypeError),
        (lambda: sort_versions(5), TypeError),
        (lambda: min_version([]), ValueError),
        (lambda: sort_versions([], "bogus"), ValueError),
        (lambda: batch_compare(["1.0"]), TypeError),
        (lambda: max_version(["1.0"], None), TypeError),
    ]

    def step(i):
        call, exc = failures[i % len(failures)]
        expect_failure(call, exc)

    assert_memory_flat(step)


# ---------------------------------------------------------------------------
# Reference counts of the caller's objects
# ---------------------------------------------------------------------------

REPEAT = 1_000


def assert_refcounts_unchanged(objects, call, exc_type=None):
    step = (lambda i: call()) if exc_type is None else (lambda i: expect_failure(call, exc_type))
    assert_memory_flat(step, objects, calls=REPEAT)


def make_objects():
    a, b, c = fresh("1.0.0"), fresh("1.0"), fresh("2.0.0-rc.1")
    v, w = Version(fresh("1.5.0")), Version(fresh("0.9.0"), "semver")
    eco, auto = fresh("generic"), fresh("auto")
    items = [a, v, b, w, c]
    return a, b, c, v, w, eco, auto, items


def test_refcounts_after_successful_calls():
    a, b, c, v, w, eco, auto, items = make_objects()
    pairs = [(a, v), (w, c), (c, a)]
    tup = tuple(items)
    everything = [a, b, c, v, w, eco, auto, items, pairs, tup, *pairs]
    calls = [
        lambda: Version(a, eco),
        lambda: tambry.version(b, auto),
        lambda: tambry.compare(a, v, eco),
        lambda: tambry.compare(v, w, auto),
        lambda: tambry.eq(a, b, eco),
        lambda: v.compare(w, eco),
        lambda: v.compare(a, auto),
        lambda: v == w,
        lambda: v < w,
        lambda: max_version(items, eco),
        lambda: min_version(tup, auto),
        lambda: sort_versions(items, eco),
        lambda: sort_versions(tup, auto),
        lambda: batch_compare(pairs, eco),
        lambda: batch_compare(pairs, auto),
        lambda: v.compare(other=w, ecosystem=eco),
        lambda: Version(version=a, ecosystem=eco),
        lambda: max_version(versions=items, ecosystem=auto),
        lambda: batch_compare(ecosystem=eco, pairs=pairs),
    ]
    for call in calls:
        assert_refcounts_unchanged(everything, call)


def test_refcounts_after_failing_calls():
    a, b, c, v, w, eco, auto, items = make_objects()
    semver = fresh("semver")
    bogus = fresh("bogus")
    number = 10**30  # a private int object
    bad_items = [a, v, number, b]
    rejected = [a, b, c]  # b is not strict SemVer
    bad_pairs = [(a, v), (w, number)]
    wrong_pairs = [(a, v), [b, c]]
    everything = [a, b, c, v, w, eco, auto, semver, bogus, number, items, bad_items, rejected]
    everything += [bad_pairs, wrong_pairs, *bad_pairs, *wrong_pairs]
    failures = [
        (lambda: Version(a, bogus), ValueError),
        (lambda: Version(number, eco), TypeError),
        (lambda: tambry.version(a, number), TypeError),
        (lambda: tambry.compare(a, number, eco), TypeError),
        (lambda: tambry.compare(b, a, semver), ValueError),
        (lambda: tambry.compare(w, b, auto), ValueError),
        (lambda: tambry.eq(v, a), TypeError),
        (lambda: v.compare(number), TypeError),
        (lambda: v.compare(b, semver), ValueError),
        (lambda: v[number], OverflowError),
        (lambda: v[a], TypeError),
        (lambda: v < a, TypeError),
        (lambda: max_version(bad_items, eco), TypeError),
        (lambda: min_version(rejected, semver), ValueError),
        (lambda: sort_versions(rejected, semver), ValueError),
        (lambda: sort_versions(items, bogus), ValueError),
        (lambda: sort_versions(a), TypeError),
        (lambda: max_version(items, number), TypeError),
        (lambda: batch_compare(bad_pairs, eco), TypeError),
        (lambda: batch_compare(wrong_pairs, eco), TypeError),
        (lambda: batch_compare([(a, b, c)], eco), ValueError),
        (lambda: tambry.compare(a, b, a=a), TypeError),
        (lambda: Version(a, version=b), TypeError),
        (lambda: Version(a, ecosystem=eco, eco=b), TypeError),
        (lambda: v.compare(a, other=b), TypeError),
        (lambda: sort_versions(items, eco, c), TypeError),
    ]
    for call, exc in failures:
        assert_refcounts_unchanged(everything, call, exc)


def test_returned_elements_hold_exactly_one_new_reference():
    a, b, c, v, w, eco, auto, items = make_objects()
    gc.collect()
    before = [sys.getrefcount(o) for o in items]
    result = sort_versions(items)
    assert [sys.getrefcount(o) for o in items] == [n + 1 for n in before]
    del result
    assert [sys.getrefcount(o) for o in items] == before
    base = sys.getrefcount(c)
    top = max_version(items)
    assert top is c
    assert sys.getrefcount(c) == base + 1
    del top
    bottom = min_version(items)
    assert bottom is w
    del bottom
    assert sys.getrefcount(c) == base
    assert [sys.getrefcount(o) for o in items] == before


def test_version_type_refcount_is_stable():
    gc.collect()
    before = sys.getrefcount(Version)
    for i in range(REPEAT):
        Version(TEXTS[i % len(TEXTS)])
        expect_failure(lambda: Version("1", "bogus"), ValueError)
    kept = [Version("1.0") for _ in range(10)]
    assert sys.getrefcount(Version) >= before
    del kept
    gc.collect()
    assert sys.getrefcount(Version) == before
