"""NuGet version ranges: rows labelled by a step-by-step model of NuGet.Versioning's
VersionRange.Parse and Satisfies, checked against NuGet.Client's published cases
(tests/vectors/ranges/nuget.tsv and nuget-rejected.tsv, made by
tools/vectors/ranges_maven_nuget_gem.py), floating ranges, the spellings NuGet
reads, and errors."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import assert_all_rejected, assert_read_back_from_vers, probes_of, range_rows
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


pytestmark = pytest.mark.skipif(not native.is_valid("1.0.0-beta", "nuget"), reason="the nuget scheme is not built in")


def test_membership_agrees_with_nuget():
    wrong = []
    ranges = {}
    for text, version, expected in range_rows("nuget.tsv"):
        r = ranges.setdefault(text, VersionRange.from_native(text, "nuget"))
        if r.contains(version) != (expected == "1"):
            wrong.append((text, version, expected, str(r)))
    assert len(ranges) > 250
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def test_what_nuget_rejects_is_rejected():
    texts = [text for (text,) in range_rows("nuget-rejected.tsv")]
    assert len(texts) > 50
    assert_all_rejected(texts, "nuget")


def test_every_range_reads_back_from_its_vers():
    assert_read_back_from_vers(probes_of(range_rows("nuget.tsv")), "nuget")


@pytest.mark.parametrize(
    "text, vers",
    [
        # A bare version is a minimum.
        ("1.0", "vers:nuget/>=1.0"),
        ("  1  .   2  ", "vers:nuget/>=1%20%20.%20%20%202"),
        ("[1.0]", "vers:nuget/1.0"),
        ("[1.0,2.0)", "vers:nuget/>=1.0|<2.0"),
        ("(1.0, 2.0]", "vers:nuget/>1.0|<=2.0"),
        ("\u3000[ 1.0 ,\u00a02.0 ]\u2003", "vers:nuget/>=1.0|<=2.0"),
        ("(,1.0]", "vers:nuget/<=1.0"),
        ("[1.0, ]", "vers:nuget/>=1.0"),
        ("[1.0+build, 2.0+build]", "vers:nuget/>=1.0+build|<=2.0+build"),
        # Bounds both blank but not empty: no bound at all.
        ("[ , ]", "vers:nuget/*"),
        ("(1.0,1.0)", "vers:nuget/none"),
        # A float stands for the version it starts at.
        ("*", "vers:nuget/>=0.0"),
        ("*-*", "vers:nuget/>=0.0.0-0"),
        ("1.*", "vers:nuget/>=1.0"),
        ("1.0.*", "vers:nuget/>=1.0.0"),
        ("1.0.0.*", "vers:nuget/>=1.0.0.0"),
        ("1.0.0-*", "vers:nuget/>=1.0.0-0"),
        ("1.0.0-rc*", "vers:nuget/>=1.0.0-rc"),
        ("1.0.0-rc.*", "vers:nuget/>=1.0.0-rc.0"),
        ("1.0.0-rc-*", "vers:nuget/>=1.0.0-rc-"),
        ("1.0.0--*", "vers:nuget/>=1.0.0--"),
        ("1.*-*", "vers:nuget/>=1.0-0"),
        ("1.0.*-rc.*", "vers:nuget/>=1.0.0-rc.0"),
        ("*-rc.*", "vers:nuget/>=0-rc.0"),
        ("[1.*, 2.0)", "vers:nuget/>=1.0|<2.0"),
        ("(1.0.*, 2.0)", "vers:nuget/>1.0.0|<2.0"),
    ],
)
def test_spellings(text, vers):
    r = VersionRange.from_native(text, "nuget")
    assert str(r) == vers
    assert VersionRange.from_vers(vers) == r
    assert VersionRange.from_native(text, "NuGet") == r


@pytest.mark.parametrize(
    "text, version, expected",
    [
        # Satisfies compares with the bounds only: a float does not end anywhere.
        ("1.*", "2.5.0", True),
        ("1.*", "1.0.0-beta", False),
        ("*", "0.0.0-alpha", False),
        ("*-*", "0.0.0-0", True),
        ("*-*", "0.0.0--1", False),
        ("1.0.0-*", "1.0.0-0", True),
        ("1.0.0-*", "1.0.0--1", False),
        ("1.0.0-rc*", "1.0.0-rc", True),
        ("1.0.0-rc*", "1.0.0-RC.1", True),
        ("1.0.0-rc*", "1.0.0-b", False),
        ("1.0.0-rc.*", "1.0.0-rc", False),
        ("[1.0, 2.0)", "2.0.0-beta", True),
        ("[1.0, 2.0]", "2.0.0+build", True),
        ("[1.0.0-beta, 2.0]", "1.0.0-BETA", True),
        ("[1.0.0-rc.9, 2.0]", "1.0.0-rc.10", True),
    ],
)
def test_membership_by_nugets_rules(text, version, expected):
    assert VersionRange.from_native(text, "nuget").contains(version) is expected


@pytest.mark.parametrize(
    "text, version, default, excluded",
    [
        # Satisfies tests a pre-release like any version.
        ("[1.0, 2.0)", "1.5.0-beta", True, False),
        ("1.0.0-*", "1.0.0-beta", True, False),
        ("[1.0, 2.0)", "1.5.0", True, True),
    ],
)
def test_prerelease_policies(text, version, default, excluded):
    assert VersionRange.from_native(text, "nuget").contains(version) is default
    assert VersionRange.from_native(text, "nuget", prereleases=True).contains(version) is default
    assert VersionRange.from_native(text, "nuget", prereleases=False).contains(version) is excluded


@pytest.mark.parametrize(
    "text, intervals",
    [
        ("[1.0.0-beta, 2.0)", [("1.0.0-beta", True, "2.0", False)]),
        ("(, 2.0]", [(None, False, "2.0", True)]),
        ("1.0.0-*", [("1.0.0-0", True, None, False)]),
        ("[1.0]", [("1.0", True, "1.0", True)]),
        ("(1.0,1.0)", []),
    ],
)
def test_intervals(text, intervals):
    assert VersionRange.from_native(text, "nuget").intervals() == intervals


def test_a_part_beyond_32_bits_is_read_by_value():
    # NuGet rejects it; tambry's NuGet versions read every part by value.
    r = VersionRange.from_native("[1.2147483648, 2.0)", "nuget")
    assert r.contains("1.2147483649") and not r.contains("1.2147483647")


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected a version at position 0"),
        ("  ", "expected a version at position 2"),
        ("[]", "expected a version at position 1"),
        ("[,]", "expected a version at position 1"),
        (" (,)", "expected a version at position 2"),
        ("[1.0", "expected ']' or ')' at the end at position 3"),
        ("[", "expected ']' or ')' at the end at position 0"),
        ("[1.0,2.0) x", "expected ']' or ')' at the end at position 10"),
        ("(1.0)", "a single version must be written '[version]' at position 0"),
        ("[1.0)", "a single version must be written '[version]' at position 0"),
        ("[1,2,3]", "expected one ',' at most at position 4"),
        ("[1.0,2.0),[3.0,)", "expected one ',' at most at position 9"),
        ("[2.0,1.0]", "the upper bound is below the lower bound at position 0"),
        ("[1.0,1.0.0)", "equal bounds must be both inclusive or both exclusive at position 0"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid nuget range '{text}': {message}"):
        VersionRange.from_native(text, "nuget")


@pytest.mark.parametrize(
    "text, version, position",
    [
        ("[1.0,2.*)", "2.*", 5),
        ("[*]", "*", 1),
        ("1.*.0", "1.*.0", 0),
        ("[1.* , 2.0)", "1.*", 1),
        ("1.0.0+*", "1.0.0+*", 0),
        (">=1.0", ">=1.0", 0),
        ("[ a , 2]", "a", 2),
        ("(1.0, 1.3..2]", "1.3..2", 6),
    ],
)
def test_a_version_nuget_rejects_is_invalid_version(text, version, position):
    message = f"invalid nuget range '{text}': invalid nuget version '{version}' at position {position}"
    with raises_exactly(InvalidVersion, message):
        VersionRange.from_native(text, "nuget")


NUGET_TEXT = st.lists(
    st.sampled_from(["[", "(", "]", ")", ",", " ", "\u00a0", "*", "-", "+", ".", "1", "0", "rc", "é", "\x00", "9" * 12]),
    max_size=14,
).map("".join)


@settings(max_examples=1500, deadline=None)
@given(st.one_of(NUGET_TEXT, st.text(max_size=30)))
def test_any_text_is_a_range_or_a_value_error(text):
    try:
        r = VersionRange.from_native(text, "nuget")
    except ValueError as error:
        assert str(error).startswith("invalid nuget range ")
        return
    assert VersionRange.from_vers(str(r)) == r
