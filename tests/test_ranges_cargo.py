"""Cargo requirements as the semver crate reads them: rows labelled by the crate
itself (tests/vectors/ranges/cargo.tsv, made by tools/vectors/ranges_semver_family.py),
then each operator's interval, the crate's pre-release rules, and errors."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import range_rows
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange

U64 = 2**64 - 1


def read(text, prereleases=None):
    try:
        return VersionRange.from_native(text, "cargo", prereleases=prereleases)
    except ValueError:
        return None


def test_membership_agrees_with_the_semver_crate():
    wrong = []
    ranges = {}
    for text, version, expected, _ in range_rows("cargo.tsv"):
        r = ranges.setdefault(text, read(text))
        got = "invalid" if r is None else str(int(r.contains(version)))
        if got != expected:
            wrong.append((text, version, expected, got))
    assert len(ranges) > 600
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def test_every_range_reads_back_from_its_vers_and_holds_more_with_prereleases():
    for text in {row[0] for row in range_rows("cargo.tsv")}:
        for prereleases in (None, True, False):
            r = read(text, prereleases)
            if r is not None:
                assert VersionRange.from_vers(str(r)) == r, text
        default = read(text)
        if default is not None:
            assert read(text, False).issubset(default)
            assert default.issubset(read(text, True)), text


@pytest.mark.parametrize(
    "text, vers",
    [
        ("1.2.3", ">=1.2.3|<2.0.0-0"),
        ("^0.2.3", ">=0.2.3|<0.3.0-0"),
        ("^0.0.3", ">=0.0.3|<0.0.4-0"),
        ("^1.2", ">=1.2.0-0|<2.0.0-0"),
        ("^0.0", ">=0.0.0-0|<0.1.0-0"),
        ("~1.2.3", ">=1.2.3|<1.3.0-0"),
        ("~1", ">=1.0.0|<2.0.0-0"),
        ("=1.2", ">=1.2.0|<1.3.0-0"),
        ("1.2.*", ">=1.2.0|<1.3.0-0"),
        (">=1.*", ">=1.0.0"),
        (">1.2", ">=1.3.0-0"),
        ("<=1.2", "<1.3.0-0"),
        ("<1.2", "<1.2.0-0"),
        # Build metadata takes no part: "=" holds every build of the version.
        ("=1.2.3+build.1", ">=1.2.3|<1.2.4-0"),
        ("=1.2.3-rc.1", ">=1.2.3-rc.1|<1.2.3-rc.1.0"),
        (" >= 1.2 ,< 2 ", ">=1.2.0|<2.0.0-0"),
        ("*", "*"),
        # Past the largest number there is nothing more.
        (f">{U64}.{U64}.{U64}", "none"),
        (f"^{U64}", f">={U64}.0.0-0"),
    ],
)
def test_intervals_of_each_operator(text, vers):
    assert str(VersionRange.from_native(text, "cargo", prereleases=True)) == "vers:cargo/" + vers


@pytest.mark.parametrize(
    "text, version, matches",
    [
        ("^1.2.3", "1.2.4-beta", False),
        (">=1.2.3-beta, <2", "1.2.3-rc.1", True),
        (">=1.2.3-beta, <2", "1.5.0-rc.1", False),
        # Each comparator judges pre-releases on its own too.
        ("=1.2, >=1.2.1-alpha", "1.2.1-beta", False),
        (">=1.2, <1.2.5-alpha", "1.2.5-a", False),
        (">=1.2, <1.3.0-alpha", "1.3.0-a", True),
        ("^1.2, <1.2.5-alpha", "1.2.5-a", True),
        ("<=1.2, >=1.2.0-alpha", "1.2.0-beta", False),
        ("<=1.2, >=1.1.0-alpha", "1.1.0-beta", True),
        ("^1, >=1.0.0-alpha", "1.0.0-beta", True),
        ("~1.2.3-alpha.1", "1.2.3-alpha.2", True),
        ("~1.2.3-alpha.1", "1.2.4-alpha.2", False),
        ("^0.0.3-beta", "0.0.3-rc", True),
        ("^0.0.3, >=0.0.3-alpha", "0.0.3-beta", False),
        ("*", "1.0.0-alpha", False),
    ],
)
def test_prerelease_rules(text, version, matches):
    assert VersionRange.from_native(text, "cargo").contains(version) is matches


def test_prereleases_true_tests_them_as_releases():
    r = VersionRange.from_native("^1.2.3", "cargo", prereleases=True)
    assert r.contains("1.2.4-beta") and not r.contains("1.2.3-beta") and not r.contains("2.0.0-0")
    assert not VersionRange.from_native(">=1.2.3-beta", "cargo", prereleases=False).contains("1.2.3-rc")


def test_the_default_holds_pre_releases_in_a_set_of_their_own():
    r = VersionRange.from_native(">=1.2.3-beta, <2", "cargo")
    assert r.intervals(prereleases=False) == [("1.2.3-beta", True, "2.0.0-0", False)]
    assert r.intervals(prereleases=True) == [("1.2.3-beta", True, "1.2.3", False)]


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected a number at position 0"),
        ("  ", "expected a number at position 2"),
        ("\t1.2.3", "expected a number at position 0"),
        ("1.2.3,", "expected a number at position 6"),
        ("1.2.3 - 2", "expected ',' at position 6"),
        ("1.2.3 || 2", "expected ',' at position 6"),
        ("~>1.2", "expected a number at position 1"),
        ("1.2-beta", "expected ',' at position 3"),
        ("1.x.3", "expected a wildcard after a wildcard at position 4"),
        ("*, 1", "a wildcard must be the only comparator at position 0"),
        ("1, x", "a wildcard must be the only comparator at position 3"),
        ("*1", "expected the end after a wildcard at position 1"),
        (",".join(["1"] * 33), "more than 32 comparators at position 64"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid cargo range '{text}': {message}"):
        VersionRange.from_native(text, "cargo")


@pytest.mark.parametrize(
    "text, version, position",
    [
        ("01", "01", 0),
        (">= 1.02", "1.02", 3),
        ("1.2.3-01", "1.2.3-01", 0),
        ("^1.2.3-a..b", "1.2.3-a..b", 1),
        ("1.2.3+", "1.2.3+", 0),
        (f"1.0.0, <{U64 + 1}", f"{U64 + 1}", 8),
    ],
)
def test_a_version_the_crate_rejects_is_invalid_version(text, version, position):
    message = f"invalid cargo range '{text}': invalid cargo version '{version}' at position {position}"
    with raises_exactly(InvalidVersion, message):
        VersionRange.from_native(text, "cargo")


def test_thirty_two_comparators_are_allowed():
    assert VersionRange.from_native(",".join(["1"] * 32), "cargo") == VersionRange.from_native("1", "cargo")


CARGO_ALPHABET = st.sampled_from(list("0123456789.-+xX*=<>^~, abe") + ["1.2.3", "-0", str(U64), "\ud800", "\x00"])


@settings(max_examples=1500, deadline=None)
@given(st.lists(CARGO_ALPHABET, max_size=30).map("".join), st.sampled_from([None, True, False]))
def test_any_text_is_a_range_or_a_value_error(text, prereleases):
    r = read(text, prereleases)
    if r is not None:
        assert VersionRange.from_vers(str(r)) == r
        for version in ("1.2.3", "1.2.3-beta", "0.0.0-0", "2.0.0+b"):
            assert r.contains(version) in (True, False)
