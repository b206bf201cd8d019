"""Maven version ranges: rows labelled by maven-artifact's VersionRange itself
(tests/vectors/ranges/maven.tsv and maven-rejected.tsv, made by
tools/vectors/ranges_maven_nuget_gem.py), the rows where Maven's order has cycles
(maven-cycles.tsv), the spellings Maven reads, and errors."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import assert_all_rejected, assert_read_back_from_vers, probes_of, range_rows
from tambry import native
from tambry.ranges import VersionRange


pytestmark = pytest.mark.skipif(not native.is_valid("1.0", "maven"), reason="the maven scheme is not built in")


def test_membership_agrees_with_maven():
    wrong = []
    ranges = {}
    for text, version, expected in range_rows("maven.tsv"):
        r = ranges.setdefault(text, VersionRange.from_native(text, "maven"))
        if r.contains(version) != (expected == "1"):
            wrong.append((text, version, expected, str(r)))
    assert len(ranges) > 300
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def key_sign(a, b):
    ka, kb = native.key(a, "maven"), native.key(b, "maven")
    return (ka > kb) - (ka < kb)


def in_key_intervals(r, version):
    key = native.key(version, "maven")
    return any(
        (low is None or key > low or (inclusive_low and key == low))
        and (high is None or key < high or (inclusive_high and key == high))
        for low, inclusive_low, high, inclusive_high in r.key_intervals()
    )


def test_rows_on_cycles_of_mavens_order_are_answered_by_the_keys():
    # Each row here holds a bound that Maven compares with the version otherwise
    # than their keys order them: the range answers by the keys, and Maven's own
    # answer may differ (as it does on some of them).
    differ = 0
    cycle_rows = range_rows("maven-cycles.tsv")
    for text, version, expected, bound in cycle_rows:
        assert native.compare(bound, version, "maven") != key_sign(bound, version), (bound, version)
        r = VersionRange.from_native(text, "maven")
        assert r.contains(version) == in_key_intervals(r, version), (text, version)
        differ += r.contains(version) != (expected == "1")
    assert len(cycle_rows) > 50
    assert 0 < differ < len(cycle_rows)


def test_what_maven_rejects_is_rejected():
    texts = [text for (text,) in range_rows("maven-rejected.tsv")]
    assert len(texts) > 50
    assert_all_rejected(texts, "maven")


def test_every_range_reads_back_from_its_vers():
    assert_read_back_from_vers(probes_of(range_rows("maven.tsv")), "maven")


@pytest.mark.parametrize(
    "text, vers",
    [
        ("[1.0,2.0)", "vers:maven/>=1.0|<2.0"),
        ("(1.0,2.0]", "vers:maven/>1.0|<=2.0"),
        ("[1.5,)", "vers:maven/>=1.5"),
        ("(,1.0]", "vers:maven/<=1.0"),
        ("[1.0]", "vers:maven/1.0"),
        ("[1.0,1]", "vers:maven/1.0"),
        ("(,1.0],[1.2,)", "vers:maven/<=1.0|>=1.2"),
        ("(,1.0] , [1.2,)", "vers:maven/<=1.0|>=1.2"),
        ("(,1.0](1.0,)", "vers:maven/*"),
        ("[1.0,2.0],[2.0,3.0]", "vers:maven/>=1.0|<=3.0"),
        ("[1.0,2.0),", "vers:maven/>=1.0|<2.0"),
        ("[ 1.0 , 2.0 ]", "vers:maven/>=1.0|<=2.0"),
        ("[\x011.0\x1f,2.0]", "vers:maven/>=1.0|<=2.0"),
        # Maven's checks look at the restriction before only: this one may overlap.
        ("[1.0,),[0.5,0.7]", "vers:maven/>=0.5|<=0.7|>=1.0"),
        # The bound is all up to the bracket, commas too.
        ("[1,2,3]", "vers:maven/>=1|<=2,3"),
        ("[,]", "vers:maven/*"),
        ("(,)", "vers:maven/*"),
        # A recommended version restricts nothing; an empty text holds no restriction.
        ("1.0", "vers:maven/*"),
        (" [1.0,2.0)", "vers:maven/*"),
        ("", "vers:maven/none"),
        # "[]" is the version Maven reads from no text, which no text names here.
        ("[]", f"vers:maven/*{native.key('', 'maven').hex()}"),
    ],
)
def test_spellings(text, vers):
    r = VersionRange.from_native(text, "maven")
    assert str(r) == vers
    assert VersionRange.from_vers(vers) == r
    assert VersionRange.from_native(text, "Maven") == r


@pytest.mark.parametrize(
    "text, version, expected",
    [
        ("[1.0,2.0)", "2.0-SNAPSHOT", True),
        ("[1.0,2.0)", "1.0-SNAPSHOT", False),
        ("[1.0,2.0)", "2.0.0.RELEASE", False),
        ("[1.0]", "1-ga", True),
        ("[1.0]", "1.0.0.final", True),
        ("(,1.0-alpha]", "1.0-ALPHA", True),
        ("(,1.0-alpha]", "1.0-a", False),
        ("[1.0-rc1,)", "1.0-cr1", True),
        ("[1.0-sp1,)", "1.0", False),
        ("1.0", "0.0.1-SNAPSHOT", True),
        ("", "1.0", False),
    ],
)
def test_membership_by_mavens_order(text, version, expected):
    assert VersionRange.from_native(text, "maven").contains(version) is expected


@pytest.mark.parametrize(
    "text, version, default, excluded",
    [
        # containsVersion tests a pre-release like any version.
        ("[1.0,2.0)", "1.5-SNAPSHOT", True, False),
        ("[1.0,2.0)", "2.0-alpha-1", True, False),
        ("[1.0,2.0)", "1.5", True, True),
        ("1.0", "3.0-beta", True, False),
    ],
)
def test_prerelease_policies(text, version, default, excluded):
    assert VersionRange.from_native(text, "maven").contains(version) is default
    assert VersionRange.from_native(text, "maven", prereleases=True).contains(version) is default
    assert VersionRange.from_native(text, "maven", prereleases=False).contains(version) is excluded


def test_intervals():
    r = VersionRange.from_native("(,1.0],[1.2,2.0),(3.0,)", "maven")
    assert r.intervals() == [(None, False, "1.0", True), ("1.2", True, "2.0", False), ("3.0", False, None, False)]


@pytest.mark.parametrize(
    "text, message",
    [
        ("[1.0,2.0", "expected ')' or ']' at position 8"),
        ("(", "expected ')' or ']' at position 1"),
        ("(1.0)", "a single version must be written '[version]' at position 0"),
        ("[1.0)", "a single version must be written '[version]' at position 0"),
        ("[1.0],(1.0]", "a single version must be written '[version]' at position 6"),
        ("[2.0,1.0]", "the upper bound is below the lower bound at position 0"),
        ("(1.0,1]", "equal bounds must both be inclusive at position 0"),
        ("[1.0,1.0.0)", "equal bounds must both be inclusive at position 0"),
        ("[1.0,2.0]x", "expected '[' or '(' at position 9"),
        ("[1.0,2.0] 1.0", "expected '[' or '(' at position 10"),
        ("[1.0,2.0],,[3.0,)", "expected '[' or '(' at position 10"),
        ("[1.0,2.0],[1.5,3.0]", "a range must not start below the end of the one before at position 10"),
        ("[1.0,2.0],(,3.0]", "a range must not start below the end of the one before at position 10"),
        # Maven's own comparison decides, cycles and all: 1.sp.1 is below 1 to Maven.
        ("[1.sp.1,1]", "the upper bound is below the lower bound at position 0"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid maven range '{text}': {message}"):
        VersionRange.from_native(text, "maven")


MAVEN_TEXT = st.lists(
    st.sampled_from(["[", "(", "]", ")", ",", " ", "\x01", "1", "2", "1.0", "-", ".", "sp", "alpha", "é", "٢", "\x00"]),
    max_size=14,
).map("".join)


@settings(max_examples=1500, deadline=None)
@given(st.one_of(MAVEN_TEXT, st.text(max_size=30)))
def test_any_text_is_a_range_or_a_value_error(text):
    try:
        r = VersionRange.from_native(text, "maven")
    except ValueError as error:
        assert str(error).startswith("invalid maven range ")
        return
    assert VersionRange.from_vers(str(r)) == r
