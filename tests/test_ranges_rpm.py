"""RPM relation ranges: rows labelled by rpm itself (tests/vectors/ranges/rpm.tsv,
made by tools/vectors/ranges_rpm_apk.py with rpm's spec parser and rpmdsCompare),
the spellings rpm reads, the bounds no version spells, and errors."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import assert_read_back_from_vers, range_rows
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


def labelled():
    """Each range rpm reads, with its labelled versions."""
    ranges = {}
    for text, version, expected in range_rows("rpm.tsv"):
        if expected != "rejected":
            ranges.setdefault(text, []).append((version, expected == "1"))
    return ranges


def test_membership_agrees_with_rpm():
    wrong = []
    ranges = labelled()
    for text, versions in ranges.items():
        r = VersionRange.from_native(text, "rpm")
        wrong += [(text, v, expected, str(r)) for v, expected in versions if r.contains(v) != expected]
    assert len(ranges) > 300
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def test_what_rpm_refuses_is_refused():
    refused = [text for text, _, expected in range_rows("rpm.tsv") if expected == "rejected"]
    assert len(refused) > 40
    for text in refused:
        with pytest.raises(ValueError):
            VersionRange.from_native(text, "rpm")


def test_every_range_reads_back_from_its_vers():
    assert_read_back_from_vers({text: [v for v, _ in versions] for text, versions in labelled().items()},
                               "Red Hat")


@pytest.mark.parametrize(
    "text, vers",
    [
        (">= 1.0-1", "vers:rpm/1.0|>=1.0-1"),
        (">=1.0-1", "vers:rpm/1.0|>=1.0-1"),
        ("=> 1.0-1", "vers:rpm/1.0|>=1.0-1"),
        ("< 2", "vers:rpm/<2"),
        ("=< 1:2-1", "vers:rpm/<=1:2-1"),
        ("== 1.0-1", "vers:rpm/1.0|1.0-1"),
        (">= 1.0-1, < 2", "vers:rpm/1.0|>=1.0-1|<2"),
        (">= 1.0-1 < 2", "vers:rpm/1.0|>=1.0-1|<2"),
        ("  >= 1.0-1 ,, < 2 , ", "vers:rpm/1.0|>=1.0-1|<2"),
        # The family of 1.0 ends where no version is spelled: a bound in key bytes.
        ("= 1.0", "vers:rpm/>=1.0|<*010c007c7b03"),
        ("<= 1.0", "vers:rpm/<*010c007c7b03"),
        ("> 1.0", "vers:rpm/>=*010c007c7b03"),
        ("= 1.0-", "vers:rpm/>=1.0|<*010c007c7b03"),
        ("= 0:1.0", "vers:rpm/>=0:1.0|<*010c007c7b03"),
        # The version without a release that meets a bound with one, spelled when a text keys to it.
        ("> 2:1.0-5", "vers:rpm/2:1.0|>2:1.0-5"),
        ("= 1.0-1-2", "vers:rpm/*010c007c7b7c02|1.0-1-2"),
        ("< 1.0, > 2.0", "vers:rpm/none"),
    ],
)
def test_spellings(text, vers):
    r = VersionRange.from_native(text, "rpm")
    assert str(r) == vers
    assert VersionRange.from_vers(vers) == r


@pytest.mark.parametrize(
    "text, inside, outside",
    [
        # A bound without a release holds each release of its version, or none of them.
        ("= 1.0", ["1.0", "1.0-1", "0:1.0-9.el8", "1.0-1~rc"], ["1.0~rc1", "1.0^git1", "1:1.0", "1.0.0"]),
        ("<= 1.0", ["0.9-9", "1.0-1", "1.0-99"], ["1.0^git1", "1.0.0", "1:0.1"]),
        ("> 1.0", ["1.0^git1", "1.0.0", "1:0.1"], ["1.0", "1.0-1", "1.0-99"]),
        ("< 1.0", ["0.9-9", "1.0~rc1-1"], ["1.0", "1.0-1"]),
        # A version without a release meets every bound of its epoch and version that has one.
        ("> 1.0-5", ["1.0", "0:1.0", "1.0-6"], ["1.0-5", "1.0-4", "1.0~rc1"]),
        (">= 1.0-5, < 1.0-5", ["1.0"], ["1.0-5", "1.0-4"]),
        ("= 1.0-5", ["1.0", "1.0-5"], ["1.0-6", "1:1.0"]),
        # A missing epoch is 0 on both sides.
        ("= 1.0-5", ["0:1.0-5"], ["1:1.0-5"]),
        ("< 1:0", ["1.0", "99"], ["1:0", "1:0-1"]),
    ],
)
def test_releases_as_rpm_matches_them(text, inside, outside):
    r = VersionRange.from_native(text, "rpm")
    assert [v for v in inside + outside if r.contains(v)] == inside


def test_intervals_and_keys():
    r = VersionRange.from_native("> 1.0-5, <= 2", "rpm")
    assert r.intervals() == [("1.0", True, "1.0", True), ("1.0-5", False, "*010c007d03", False)]
    for (lower, _, upper, _), (low_key, _, high_key, _) in zip(r.intervals(), r.key_intervals()):
        assert low_key == native.key(lower, "rpm")
        assert upper.startswith("*") or high_key == native.key(upper, "rpm")


def test_prerelease_policies():
    # rpm has no pre-release rule; a "~" marks one for the policies that ask.
    text = ">= 1.0~rc1, < 2"
    for policy in (None, True):
        r = VersionRange.from_native(text, "rpm", prereleases=policy)
        assert r.contains("1.0~rc2") and r.contains("1.5-1")
    r = VersionRange.from_native(text, "rpm", prereleases=False)
    assert not r.contains("1.0~rc2") and r.contains("1.5-1") and not r.contains("2~rc1")
    assert str(r) == "vers:rpm/>=1.0~rc1|<2?prereleases=none"


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected an operator at position 0"),
        ("1.0", "expected an operator at position 0"),
        ("foo >= 1.0", "expected an operator at position 0"),
        (">= 1.0 2.0", "expected an operator at position 7"),
        (">=", "expected a version at position 2"),
        (">= 1.0, <", "expected a version at position 9"),
        ("<> 1.0", "bad operator '<>' at position 0"),
        (">= 1, >> 2", "bad operator '>>' at position 6"),
        ("!= 1.0", "expected an operator at position 0"),
        ("é >= 1", "expected an operator at position 0"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid rpm range '{text}': {message}"):
        VersionRange.from_native(text, "rpm")


def test_rich_dependencies_are_not_read():
    with raises_exactly(
        NotImplementedError,
        "invalid rpm range '>= 1, (foo < 2 or foo > 3)': rich dependencies are not supported at position 6",
    ):
        VersionRange.from_native(">= 1, (foo < 2 or foo > 3)", "rpm")


def test_versions_are_read_as_rpm_ver_reads_them():
    # rpm's spec checks refuse "1..0" and "1.0-1-2"; rpm.ver, whose order tambry keeps, takes them.
    assert VersionRange.from_native(">= 1..0", "rpm").contains("1.1")
    assert VersionRange.from_native("< 1.0-1-2", "rpm").contains("1.0-1-1")
    assert native.is_valid("1..0", "rpm")


def test_an_empty_release_is_keyed_as_rpm_ver_orders_it():
    # rpm.ver makes "1.0-" equal to "1.0-.", and so does the key; rpm's dependency
    # check alone reads the empty release as none (meeting "> 1.0-5" as "1.0" does).
    assert native.compare("1.0-", "1.0-.", "rpm") == 0
    assert not VersionRange.from_native("> 1.0-5", "rpm").contains("1.0-")


@settings(max_examples=1500, deadline=None)
@given(st.lists(st.sampled_from(list("<=>!~^,: -_.()019ab\t\x00é") + ["1.0", "1:", "-1", ">="]), max_size=24).map("".join))
def test_any_text_is_a_range_or_an_error(text):
    try:
        r = VersionRange.from_native(text, "rpm")
    except InvalidVersion as error:
        # rpm reads a version up to a NUL, so only a version that starts with one is empty.
        assert error.version.startswith("\x00")
        return
    except (ValueError, NotImplementedError):
        return
    assert VersionRange.from_vers(str(r)) == r
