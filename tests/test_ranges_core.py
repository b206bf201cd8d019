"""tambry.ranges: the set algebra, vers URIs, intervals and the VersionRange object.

The properties build ranges as random expressions over single-constraint vers
ranges and check every answer against a model that evaluates the same expression
with tambry.native.compare alone, never with the ranges' own keys.
"""

import copy
import pickle

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import tambry
from helpers import raises_exactly
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange

NPM_VERSIONS = [
    "0.0.0", "0.9.9", "1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-beta", "1.0.0", "1.0.0+build.5", "1.0.1",
    "1.2.3-rc.1", "1.2.3", "1.2.4-0", "1.10.0", "2.0.0-0", "2.0.0", "2.0.1-rc.1", "10.0.0",
]
# Probes between and around the bounds as well as on them.
NPM_PROBES = NPM_VERSIONS + ["0.0.1", "1.0.0-alpha.0", "1.0.0-rc.1", "1.1.0", "1.2.3-rc.2", "1.9.9", "3.0.0-beta",
                             "99.0.0", "v1.0.0"]

OPERATORS = ["", ">=", ">", "<", "<=", "!="]


def holds(op, version, bound):
    c = native.compare(version, bound, "npm")
    return {"": c == 0, ">=": c >= 0, ">": c > 0, "<": c < 0, "<=": c <= 0, "!=": c != 0}[op]


# An expression: ("leaf", op, bound), ("split", release leaf, pre-release leaf),
# ("not", e), ("and", e, f), ("or", e, f).
leaves = st.tuples(st.just("leaf"), st.sampled_from(OPERATORS), st.sampled_from(NPM_VERSIONS))
split_leaves = st.tuples(st.just("split"), leaves, leaves)
expressions = st.recursive(
    leaves | split_leaves,
    lambda inner: st.tuples(st.just("not"), inner)
    | st.tuples(st.sampled_from(["and", "or"]), inner, inner),
    max_leaves=6,
)


def constraint(leaf):
    _, op, bound = leaf
    return f"{op}{bound}"


def build(e):
    kind = e[0]
    if kind == "leaf":
        return VersionRange.from_vers(f"vers:npm/{constraint(e)}")
    if kind == "split":
        return VersionRange.from_vers(f"vers:npm/{constraint(e[1])}?prereleases={constraint(e[2])}")
    if kind == "not":
        return ~build(e[1])
    a, b = build(e[1]), build(e[2])
    return a & b if kind == "and" else a | b


def model(e, version):
    kind = e[0]
    if kind == "leaf":
        return holds(e[1], version, e[2])
    if kind == "split":
        return model(e[2] if native.is_prerelease(version, "npm") else e[1], version)
    if kind == "not":
        return not model(e[1], version)
    a, b = model(e[1], version), model(e[2], version)
    return a and b if kind == "and" else a or b


@settings(max_examples=300, deadline=None)
@given(expressions)
def test_membership_follows_the_expression(e):
    r = build(e)
    for v in NPM_PROBES:
        assert r.contains(v) == model(e, v) == (v in r), (str(r), v)


@settings(max_examples=200, deadline=None)
@given(expressions, expressions)
def test_algebra_matches_membership(e, f):
    r, s = build(e), build(f)
    inside_r = {v for v in NPM_PROBES if v in r}
    inside_s = {v for v in NPM_PROBES if v in s}
    assert {v for v in NPM_PROBES if v in r & s} == inside_r & inside_s
    assert {v for v in NPM_PROBES if v in r | s} == inside_r | inside_s
    assert {v for v in NPM_PROBES if v in ~r} == set(NPM_PROBES) - inside_r
    if r.issubset(s):
        assert inside_r <= inside_s
    if r.isdisjoint(s):
        assert not inside_r & inside_s
    assert (r & s).issubset(r) and r.issubset(r | s)
    assert r.isdisjoint(~r) and (r & ~r) == VersionRange.from_vers("vers:npm/none")
    assert ~(r | s) == ~r & ~s and ~~r == r
    assert r.issubset(s) == ((r & s) == r) == ((r | s) == s)
    assert r.isdisjoint(s) == ((r & s) == VersionRange.from_vers("vers:npm/none"))


@settings(max_examples=300, deadline=None)
@given(expressions)
def test_vers_round_trip_is_exact(e):
    r = build(e)
    back = VersionRange.from_vers(str(r))
    assert back == r and hash(back) == hash(r)
    assert str(back) == str(r) == r.to_vers()
    assert [v in back for v in NPM_PROBES] == [v in r for v in NPM_PROBES]


def in_intervals(intervals, point, compare):
    for lower, lower_inclusive, upper, upper_inclusive in intervals:
        if lower is not None and not (compare(point, lower) > 0 or (lower_inclusive and compare(point, lower) == 0)):
            continue
        if upper is not None and not (compare(point, upper) < 0 or (upper_inclusive and compare(point, upper) == 0)):
            continue
        return True
    return False


def compare_bytes(a, b):
    return (a > b) - (a < b)


@settings(max_examples=300, deadline=None)
@given(expressions)
def test_intervals_and_key_intervals_agree_with_contains(e):
    r = build(e)
    choices = [None] if str(r).find("?prereleases=") < 0 else [True, False]
    for prereleases in choices:
        intervals = r.intervals(prereleases=prereleases)
        key_intervals = r.key_intervals(prereleases=prereleases)
        assert len(intervals) == len(key_intervals)
        for v in NPM_PROBES:
            if prereleases is not None and prereleases != native.is_prerelease(v, "npm"):
                continue
            by_keys = in_intervals(key_intervals, native.key(v, "npm"), compare_bytes)
            by_texts = in_intervals(intervals, v, lambda a, b: native.compare(a, b, "npm"))
            assert by_keys == by_texts == (v in r), (str(r), v)


# --- vers: reading and the canonical form ------------------------------------------


@pytest.mark.parametrize(
    "uri, canonical",
    [
        ("vers:npm/1.2.3|>=2.0.0|<5.0.0", "vers:npm/1.2.3|>=2.0.0|<5.0.0"),
        ("vers:pypi/0.0.0|0.0.1|0.0.2|0.0.3|1.0|2.0pre1", "vers:pypi/0.0.0|0.0.1|0.0.2|0.0.3|1.0|2.0pre1"),
        # Spaces are not significant; schemes match in any case; constraints are sorted.
        ("vers:pypi/ < 1.2. 3 | > = 2 . 0", "vers:pypi/<1.2.3|>=2.0"),
        ("VERS:NPM/<5.0.0|>=2.0.0|1.2.3", "vers:npm/1.2.3|>=2.0.0|<5.0.0"),
        ("vers:npm/|1.0.0||", "vers:npm/1.0.0"),
        ("vers:npm/*", "vers:npm/*"),
        ("vers:npm/%31.0.0", "vers:npm/1.0.0"),
        ("vers:npm/=1.0.0", "vers:npm/1.0.0"),
        # Redundant constraints go.
        ("vers:npm/>1.0.0|=2.0.0", "vers:npm/>1.0.0"),
        ("vers:npm/1.0.0|>=2.0.0|!=1.5.0", "vers:npm/1.0.0|>=2.0.0"),
        ("vers:npm/>=1.0.0|<=2.0.0|>3.0.0", "vers:npm/>=1.0.0|<=2.0.0|>3.0.0"),
        # "!=" alone leaves out one version of all; within an interval, of the interval.
        ("vers:npm/!=1.0.0", "vers:npm/!=1.0.0"),
        ("vers:npm/!=1.0.0|!=2.0.0", "vers:npm/!=1.0.0|!=2.0.0"),
        ("vers:npm/>=1.0.0|!=1.5.0|<2.0.0", "vers:npm/>=1.0.0|!=1.5.0|<2.0.0"),
        # Equal versions spelled apart are one version: the first spelling names it.
        ("vers:pypi/>=1.0|<2", "vers:pypi/>=1.0|<2"),
        # tambry's notations: the empty set, a separate pre-release set.
        ("vers:npm/none", "vers:npm/none"),
        ("vers:npm/>=1.0.0?prereleases=none", "vers:npm/>=1.0.0?prereleases=none"),
        ("vers:npm/>=1.0.0?prereleases=>=1.0.0", "vers:npm/>=1.0.0"),
        ("vers:npm/none?prereleases=*", "vers:npm/none?prereleases=*"),
    ],
)
def test_vers_canonical_form(uri, canonical):
    r = VersionRange.from_vers(uri)
    assert str(r) == canonical
    assert VersionRange.from_vers(canonical) == r


def test_vers_key_notation_bounds_by_key_alone():
    key = native.key("2.0.0", "npm")
    by_key = VersionRange.from_vers(f"vers:npm/>=1.0.0|<*{key.hex()}")
    by_text = VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0")
    assert by_key == by_text
    assert str(by_key) == f"vers:npm/>=1.0.0|<*{key.hex()}"
    assert by_key.intervals() == [("1.0.0", True, f"*{key.hex()}", False)]
    assert by_key.key_intervals() == by_text.key_intervals()
    # A key bound need not be the key of any version: here, just above every 1.x.
    between = VersionRange.from_vers(f"vers:npm/<*{native.key('1.99.99', 'npm')[:-1].hex()}ffff")
    assert "1.99.99" in between and "2.0.0-0" not in between


def test_equal_sets_of_keys_are_equal_ranges_and_hash_alike():
    a = VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0")
    b = VersionRange.from_vers("vers:npm/<2.0.0") & VersionRange.from_vers("vers:npm/>=v1.0.0+build")
    assert a == b and hash(a) == hash(b) and len({a, b}) == 1
    assert a != VersionRange.from_vers("vers:npm/>=1.0.0|<=2.0.0")
    # No npm version lies between 1.0.0 and 1.0.1-0, but the gap still counts.
    gap = VersionRange.from_vers("vers:npm/>1.0.0|<1.0.1-0")
    assert gap != VersionRange.from_vers("vers:npm/none")
    assert not gap.filter(NPM_PROBES)


@pytest.mark.parametrize(
    "uri, message",
    [
        ("vers:npm/>=1.0.0|>=2.0.0", "'>=2.0.0' cannot follow '>=1.0.0' at position 17"),
        ("vers:npm/1.0.0|<2.0.0", "'<2.0.0' cannot follow '1.0.0' at position 15"),
        ("vers:npm/<1.0.0|<2.0.0", "'<2.0.0' cannot follow '<1.0.0' at position 16"),
        ("vers:npm/1.0.0|>=v1.0.0", "'>=v1.0.0' repeats a version at position 15"),
        ("vers:npm/*|1.0.0", "'*' must stand alone at position 9"),
        ("vers:npm/", "expected a constraint at position 9"),
        ("vers:npm/|", "expected a constraint at position 9"),
        ("vers:npm/>=", "expected a version at position 11"),
        ("vers:npm/1.0.0%2", "invalid percent-escape at position 14"),
        ("vers:npm/1.0.0%zz", "invalid percent-escape at position 14"),
        ("vers:npm/>=1.0.0=", "unexpected '=' at position 16"),
        ("vers:npm/1.0.0\n", "unexpected character (a vers is printable ASCII) at position 14"),
        ("vers:npm/1.0.0é", "unexpected character (a vers is printable ASCII) at position 14"),
        ("ver:npm/1.0.0", "expected 'vers:' at position 0"),
        ("npm/1.0.0", "expected 'vers:' at position 0"),
        ("vers:npm", "expected '/' after the versioning scheme at position 8"),
        ("vers:/1.0.0", "expected a versioning scheme at position 5"),
        ("vers:nope/1.0.0", "unsupported versioning scheme 'nope' at position 5"),
        ("vers:npm/>=1.0.0?pre=none", "expected 'prereleases=' after '?' at position 17"),
        ("vers:npm/>=1.0.0?prereleases=none&x=1", "unexpected '&' at position 33"),
        ("vers:npm/<*0102", "the key is not a npm key at position 10"),
        ("vers:npm/<*01011", "expected an even number of hex digits at position 16"),
        ("vers:npm/<*01zz", "expected a hex digit at position 13"),
    ],
)
def test_malformed_vers(uri, message):
    with raises_exactly(ValueError, f"invalid vers '{uri}': {message}"):
        VersionRange.from_vers(uri)


def test_a_version_the_ecosystem_rejects_is_invalid_version():
    uri = "vers:npm/>=1.0.0|<2.x"
    with raises_exactly(InvalidVersion, f"invalid vers '{uri}': invalid npm version '2.x' at position 18") as info:
        VersionRange.from_vers(uri)
    assert (info.value.version, info.value.ecosystem, info.value.index) == ("2.x", "npm", None)


# --- the object ------------------------------------------------------------------------


def test_membership_takes_str_and_version_objects_and_rejects_the_rest():
    r = VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0")
    assert r.contains(tambry.Version("1.5.0")) and tambry.Version("2.0.0") not in r
    with raises_exactly(InvalidVersion, "invalid npm version: 'one'") as info:
        r.contains("one")
    assert (info.value.version, info.value.ecosystem, info.value.index) == ("one", "npm", None)
    with raises_exactly(TypeError, "expected Version or str"):
        r.contains(1)
    with raises_exactly(TypeError, "expected Version or str"):
        1 in r


def test_filter_and_satisfying_hand_back_the_callers_objects():
    r = VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0")
    first, second = "1.0.0+a", "1.0.0+b"  # equal versions, distinct objects
    items = ["0.9.0", second, "1.5.0", first, "2.0.0", "1.0.0+b"]
    assert r.filter(items) == [second, "1.5.0", first, "1.0.0+b"]
    assert r.filter(iter(items))[0] is second
    assert r.max_satisfying(items) == "1.5.0"
    assert r.min_satisfying([first, second]) is first
    assert r.max_satisfying([first, second]) is second
    assert r.max_satisfying(["3.0.0"]) is None and r.min_satisfying([]) is None
    with raises_exactly(InvalidVersion, "invalid npm version at index 1: 'x'"):
        r.filter(["1.0.0", "x"])
    with raises_exactly(TypeError, "expected an iterable of versions, not 'str'"):
        r.filter("1.0.0")


def test_intervals_of_a_split_range_need_a_choice():
    r = VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0?prereleases=none")
    message = (
        "this range tests pre-releases against a set of their own: call intervals(prereleases=True) "
        "for the pre-releases' intervals or intervals(prereleases=False) for the releases'"
    )
    with raises_exactly(ValueError, message):
        r.intervals()
    assert r.intervals(prereleases=False) == [("1.0.0", True, "2.0.0", False)]
    assert r.intervals(prereleases=True) == [] == r.key_intervals(prereleases=True)
    unbounded = VersionRange.from_vers("vers:npm/!=1.0.0")
    assert unbounded.intervals() == [(None, False, "1.0.0", False), ("1.0.0", False, None, False)]
    assert unbounded.intervals(prereleases=True) == unbounded.intervals()


def test_ranges_of_different_ecosystems_do_not_mix():
    npm = VersionRange.from_vers("vers:npm/>=1.0.0")
    pypi = VersionRange.from_vers("vers:pypi/>=1.0.0")
    for combine in (lambda: npm & pypi, lambda: npm | pypi, lambda: npm.issubset(pypi), lambda: npm.isdisjoint(pypi)):
        with raises_exactly(TypeError, "cannot combine a npm range with a pypi range"):
            combine()
    assert npm != pypi and str(npm)[9:] == str(pypi)[10:]
    with raises_exactly(TypeError, "expected a VersionRange, not 'str'"):
        npm.issubset("vers:npm/*")
    with pytest.raises(TypeError):
        npm & "vers:npm/*"


def test_the_object_is_immutable_hashable_and_final():
    r = VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0")
    assert r.ecosystem == "npm"
    assert repr(r) == "VersionRange.from_vers('vers:npm/>=1.0.0|<2.0.0')"
    assert pickle.loads(pickle.dumps(r)) == r and copy.deepcopy(r) == r
    with pytest.raises(AttributeError):
        r.ecosystem = "pypi"
    with raises_exactly(TypeError, "cannot create 'tambry.ranges.VersionRange' instances"):
        VersionRange()
    with pytest.raises(TypeError):
        type("Sub", (VersionRange,), {})
    assert {r: 1}[VersionRange.from_vers(str(r))] == 1


def test_native_is_prerelease():
    assert native.is_prerelease("1.0.0-rc.1", "npm") and not native.is_prerelease("1.0.0", "npm")
    assert native.is_prerelease("1.0rc1", "PyPI") and not native.is_prerelease("1.0.post1", "pypi")
    with raises_exactly(InvalidVersion, "invalid npm version: '1.x'"):
        native.is_prerelease("1.x", "npm")


# --- hostile input -----------------------------------------------------------------------

VERS_ALPHABET = st.sampled_from(list("vers:npmdeb/<>=!*|%?&0123456789abcdefABCDEF.-+~ \t\x00é") + ["prereleases=", "none"])


@settings(max_examples=2000, deadline=None)
@given(st.lists(VERS_ALPHABET, max_size=40).map("".join))
def test_any_text_is_a_range_or_a_value_error(tail):
    for text in ("vers:npm/" + tail, "vers:" + tail, tail):
        try:
            r = VersionRange.from_vers(text)
        except ValueError:
            continue
        assert VersionRange.from_vers(str(r)) == r
    for ecosystem in native.ECOSYSTEMS:
        try:
            r = VersionRange.from_native(tail, ecosystem)
        except (ValueError, NotImplementedError):
            continue
        assert VersionRange.from_vers(str(r)) == r


json_values = st.recursive(
    st.none() | st.booleans() | st.integers() | st.sampled_from(["0", "1.0.0", "*", "2.0.0-rc.1", "x", "GIT"]),
    lambda inner: st.lists(inner, max_size=4)
    | st.dictionaries(st.sampled_from(["type", "events", "introduced", "fixed", "last_affected", "limit",
                                       "package", "ecosystem", "ranges", "versions"]), inner, max_size=4),
    max_leaves=12,
)


@settings(max_examples=1000, deadline=None)
@given(json_values)
def test_any_json_is_a_range_or_a_clear_error(value):
    for make in (lambda: VersionRange.from_osv(value, "npm"), lambda: VersionRange.from_affected(value)):
        try:
            make()
        except (ValueError, TypeError):
            pass
