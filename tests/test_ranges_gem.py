"""RubyGems requirements: rows labelled by Gem::Requirement#satisfied_by? itself
(tests/vectors/ranges/gem.tsv and gem-rejected.tsv, made by
tools/vectors/ranges_maven_nuget_gem.py), the bound of "~>" that no version spells,
the spellings RubyGems reads, and errors."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import assert_all_rejected, assert_read_back_from_vers, probes_of, range_rows
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


pytestmark = pytest.mark.skipif(not native.is_valid("1.0.a", "gem"), reason="the gem scheme is not built in")


def test_membership_agrees_with_rubygems():
    wrong = []
    ranges = {}
    for text, version, expected in range_rows("gem.tsv"):
        r = ranges.setdefault(text, VersionRange.from_native(text, "gem"))
        if r.contains(version) != (expected == "1"):
            wrong.append((text, version, expected, str(r)))
    assert len(ranges) > 300
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def test_what_rubygems_rejects_is_rejected():
    texts = [text for (text,) in range_rows("gem-rejected.tsv")]
    assert len(texts) > 25
    assert_all_rejected(texts, "gem")


def test_every_range_reads_back_from_its_vers():
    assert_read_back_from_vers(probes_of(range_rows("gem.tsv")), "gem")


# Where "~> 1.2" ends: below every version whose release is 2 or more, however it
# is spelled, and above every version whose release is below 2.
PESSIMISTIC_OUTSIDE = ["2", "2.0", "2.a", "2.A", "2.0.a", "2.0.0.0.a", "2.a.a.a.a", "2.0.0.1.a", "2-beta", "2.0.1"]
PESSIMISTIC_INSIDE = ["1.2", "1.2.1.a", "1.99", "1.99.z", "1.9999999999999999999999.a", "1.99.Z.9", "1.999-rc"]


def test_the_pessimistic_bound_is_below_every_version_of_the_bump():
    r = VersionRange.from_native("~> 1.2", "gem")
    assert [v for v in PESSIMISTIC_INSIDE if v not in r] == []
    assert [v for v in PESSIMISTIC_OUTSIDE if v in r] == []
    ((low, low_inclusive, high, high_inclusive),) = r.key_intervals()
    assert (low, low_inclusive, high_inclusive) == (native.key("1.2", "gem"), True, False)
    assert all(native.key(v, "gem") < high for v in PESSIMISTIC_INSIDE)
    assert all(native.key(v, "gem") > high for v in PESSIMISTIC_OUTSIDE)


def test_intervals():
    r = VersionRange.from_native("~> 1.2, != 1.5", "gem")
    floor = native.key("2", "gem")[:-1].hex() + "01"
    assert r.intervals() == [("1.2", True, "1.5", False), ("1.5", False, f"*{floor}", False)]


@pytest.mark.parametrize(
    "text, vers",
    [
        ("= 1.0", "vers:gem/1.0"),
        ("1.0", "vers:gem/1.0"),
        ("!= 1.0", "vers:gem/!=1.0"),
        ("> 1.0", "vers:gem/>1.0"),
        ("<1.0", "vers:gem/<1.0"),
        (">= 1.0, < 2", "vers:gem/>=1.0|<2"),
        ("\x0b>=\x0c1.0 ,<= 2.a ", "vers:gem/>=1.0|<=2.a"),
        # No version spells where "~>" ends: the key of 2 with a word where it ends.
        ("~> 1.2", f"vers:gem/>=1.2|<*{native.key('2', 'gem')[:-1].hex()}01"),
        ("~> 1.2.3", f"vers:gem/>=1.2.3|<*{native.key('1.3', 'gem')[:-1].hex()}01"),
        ("~> 1", f"vers:gem/>=1|<*{native.key('2', 'gem')[:-1].hex()}01"),
        ("~>1.0.a", f"vers:gem/>=1.0.a|<*{native.key('2', 'gem')[:-1].hex()}01"),
        ("~> 1.09.1", f"vers:gem/>=1.09.1|<*{native.key('1.10', 'gem')[:-1].hex()}01"),
        ("~> 1.2, >= 1.2.3", f"vers:gem/>=1.2.3|<*{native.key('2', 'gem')[:-1].hex()}01"),
        ("~> 1.2, < 1.5", "vers:gem/>=1.2|<1.5"),
        ("= 1.0, != 1", "vers:gem/none"),
        (">= 1.0, <= 1.0.0", "vers:gem/1.0"),
    ],
)
def test_spellings(text, vers):
    r = VersionRange.from_native(text, "gem")
    assert str(r) == vers
    assert VersionRange.from_vers(vers) == r
    assert VersionRange.from_native(text, "RubyGems") == r


@pytest.mark.parametrize(
    "text, version, default, excluded",
    [
        # RubyGems tests a pre-release like any version.
        (">= 1.0", "1.5.a", True, False),
        ("< 2", "2.0.a", True, False),
        ("~> 1.2", "1.3.rc1", True, False),
        ("= 1.0.a", "1.0.a", True, False),
        (">= 1.0", "1.5", True, True),
    ],
)
def test_prerelease_policies(text, version, default, excluded):
    assert VersionRange.from_native(text, "gem").contains(version) is default
    assert VersionRange.from_native(text, "gem", prereleases=True).contains(version) is default
    assert VersionRange.from_native(text, "gem", prereleases=False).contains(version) is excluded


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected a version at position 0"),
        ("  ", "expected a version at position 2"),
        (">=", "expected a version at position 2"),
        ("~> ", "expected a version at position 3"),
        ("=> 1.0", "expected a version at position 1"),
        ("> = 1", "expected a version at position 2"),
        ("~ 1.0", "expected a version at position 0"),
        ("1.0,", "expected a version at position 4"),
        (",1.0", "expected a version at position 0"),
        ("1.0,,2.0", "expected a version at position 4"),
        (">= 1.0 2.0", "expected ',' or the end at position 7"),
        (">= 1.0 && < 2", "expected ',' or the end at position 7"),
        ("é, 1.0", "expected a version at position 0"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid gem range '{text}': {message}"):
        VersionRange.from_native(text, "gem")


@pytest.mark.parametrize(
    "text, version, position",
    [("~> 1.0-", "1.0-", 3), (">= 1.0, < 1..0", "1..0", 10), ("1.0é", "1.0é", 0), ("= 1.0.", "1.0.", 2)],
)
def test_a_version_rubygems_rejects_is_invalid_version(text, version, position):
    message = f"invalid gem range '{text}': invalid gem version '{version}' at position {position}"
    with raises_exactly(InvalidVersion, message):
        VersionRange.from_native(text, "gem")


REQUIREMENT_TEXT = st.lists(
    st.sampled_from(["~>", ">=", "<=", "!=", "=", ">", "<", " ", ",", "1", "2", "0", ".", "a", "Z", "-", "é", "\x00", "9" * 25]),
    max_size=12,
).map("".join)


@settings(max_examples=1500, deadline=None)
@given(st.one_of(REQUIREMENT_TEXT, st.text(max_size=30)))
def test_any_text_is_a_range_or_a_value_error(text):
    try:
        r = VersionRange.from_native(text, "gem")
    except ValueError as error:
        assert str(error).startswith("invalid gem range ")
        return
    assert VersionRange.from_vers(str(r)) == r
