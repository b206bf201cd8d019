"""Alpine dependency constraints: rows labelled by a transcription of apk-tools'
own dependency parser and matcher (tests/vectors/ranges/apk.tsv, made by
tools/vectors/ranges_rpm_apk.py with tools/vectors/labellers/apk_dep_labels.py),
the fuzzy bounds made of key bytes, conflicts, and errors."""

import time

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import UNDER_ASAN, raises_exactly
from range_vectors import assert_read_back_from_vers, range_rows
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


def labelled():
    ranges = {}
    for text, version, expected in range_rows("apk.tsv"):
        if expected != "rejected":
            ranges.setdefault(text, []).append((version, expected == "1"))
    return ranges


def test_membership_agrees_with_apk():
    wrong = []
    ranges = labelled()
    for text, versions in ranges.items():
        r = VersionRange.from_native(text, "apk")
        wrong += [(text, v, expected, str(r)) for v, expected in versions if r.contains(v) != expected]
    assert len(ranges) > 300
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def test_what_apk_refuses_is_refused():
    refused = [text for text, _, expected in range_rows("apk.tsv") if expected == "rejected"]
    assert len(refused) > 40
    for text in refused:
        with pytest.raises(ValueError):
            VersionRange.from_native(text, "apk")


def test_every_range_reads_back_from_its_vers():
    assert_read_back_from_vers({text: [v for v, _ in versions] for text, versions in labelled().items()},
                               "Alpine:v3.19")


@pytest.mark.parametrize(
    "text, vers",
    [
        (">=1.2-r3", "vers:apk/>=1.2-r3"),
        (">= 1.2-r3", "vers:apk/>=1.2-r3"),
        ("=>1.2", "vers:apk/>=1.2"),
        ("=<1.2", "vers:apk/<=1.2"),
        ("==1.2", "vers:apk/1.2"),
        ("<<2", "vers:apk/<2"),
        (">=1.2 <2", "vers:apk/>=1.2|<2"),
        ("  >=1.2   <2 ", "vers:apk/>=1.2|<2"),
        ("!=1.2", "vers:apk/!=1.2"),
        ("!<1.2", "vers:apk/>=1.2"),
        ("! >=2 >1", "vers:apk/>1|<2"),
        ("<=>1.2", "vers:apk/*"),
        ("<=>not-a-version", "vers:apk/*"),
        ("!<=>1.2", "vers:apk/none"),
        # The family of 1.2: from the key of 1.2 less its end code to that key's successor.
        ("~1.2", "vers:apk/>=*010d012b|<*010d012c"),
        ("=~1.2", "vers:apk/>=*010d012b|<*010d012c"),
        (">~1.2", "vers:apk/>=*010d012b"),
        ("<~1.2", "vers:apk/<*010d012c"),
        ("!~1.2", "vers:apk/<*010d012b|>=*010d012c"),
        # A successor past a 0xFF byte: the revision 255 is f0 ff.
        ("~1.2-r255", "vers:apk/>=*010d012b05f0ff|<*010d012b05f1"),
        ("~1.2 >=1.2", "vers:apk/>=1.2|<*010d012c"),
    ],
)
def test_spellings(text, vers):
    r = VersionRange.from_native(text, "apk")
    assert str(r) == vers
    assert VersionRange.from_vers(vers) == r


@pytest.mark.parametrize(
    "text, inside, outside",
    [
        # "~" matches leading tokens by kind and value, not leading characters.
        ("~1.2", ["1.2", "1.2.0", "1.2.3", "1.2a", "1.2_rc1", "1.2_alpha", "1.2_p1", "1.2-r4", "1.2~cafe", "01.2"],
         ["1.20", "1.02", "1.1", "1.3", "1.3_rc1", "1"]),
        ("~1.2_rc", ["1.2_rc", "1.2_rc1", "1.2_rc_p1", "1.2_rc_alpha", "1.2_rc-r1"], ["1.2", "1.2_pre1", "1.2_beta"]),
        ("~1", ["1", "1.2", "1_rc1", "1a"], ["2", "10", "0.9"]),
        # Fuzzy ">" and "<" run past the family on their side.
        (">~1.2", ["1.2_alpha", "1.2", "1.2.3", "1.3"], ["1.1", "1.1.9", "1_rc1"]),
        ("<~1.2", ["1.1", "1.2_alpha", "1.2.99", "1.2-r9"], ["1.3_alpha", "1.20", "2"]),
        # A conflict holds where its constraint does not.
        ("!~1.2", ["1.1", "1.3", "1.20"], ["1.2", "1.2.3", "1.2_rc1"]),
        ("!=1.2 >=1 <2", ["1", "1.2.0", "1.2-r0", "1.9"], ["1.2", "2", "0.9"]),
    ],
)
def test_fuzzy_matches_and_conflicts(text, inside, outside):
    r = VersionRange.from_native(text, "apk")
    assert [v for v in inside + outside if r.contains(v)] == inside


def test_key_intervals_bound_the_family_by_key_bytes():
    r = VersionRange.from_native("~1.2", "apk")
    [(low, low_inclusive, high, high_inclusive)] = r.key_intervals()
    assert (low_inclusive, high_inclusive) == (True, False)
    assert native.key("1.2", "apk") == low + b"\x04"
    for version in ("1.2", "1.2.3", "1.2_alpha", "1.2-r4"):
        assert low <= native.key(version, "apk") < high
    for version in ("1.1.99", "1.3", "1.20"):
        assert not low <= native.key(version, "apk") < high


def test_prerelease_policies():
    # apk has no pre-release rule; _alpha, _beta, _pre and _rc mark one for the policies that ask.
    text = "~1.2"
    for policy in (None, True):
        assert VersionRange.from_native(text, "apk", prereleases=policy).contains("1.2_rc1")
    r = VersionRange.from_native(text, "apk", prereleases=False)
    assert not r.contains("1.2_rc1") and r.contains("1.2.3") and r.contains("1.2_p1")
    assert str(r) == "vers:apk/>=*010d012b|<*010d012c?prereleases=none"


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected an operator at position 0"),
        ("1.2", "expected an operator at position 0"),
        ("foo>=1.2", "expected an operator at position 0"),
        (">=1.2 2", "expected an operator at position 6"),
        ("!!=1.2", "expected an operator at position 1"),
        (">=", "expected a version at position 2"),
        (">=1 <", "expected a version at position 5"),
        ("><1.2", "'><' matches a package checksum, not a version at position 0"),
        (">=1 !<>abc", "'<>' matches a package checksum, not a version at position 5"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid apk range '{text}': {message}"):
        VersionRange.from_native(text, "apk")


@pytest.mark.parametrize(
    "text, version, position",
    [(">=1.2_foo", "1.2_foo", 2), ("~ v1", "v1", 2), (">=1 <2,", "2,", 5), ("=1.2-r", "1.2-r", 1)],
)
def test_a_version_apk_rejects_is_invalid_version(text, version, position):
    with raises_exactly(
        InvalidVersion, f"invalid apk range '{text}': invalid apk version '{version}' at position {position}"
    ):
        VersionRange.from_native(text, "apk")


@settings(max_examples=1500, deadline=None)
@given(st.lists(st.sampled_from(list("<=>!~_-r. 0129ap\t\x00é") + ["1.2", "_rc", "-r1", "~ab"]), max_size=24).map("".join))
def test_any_text_is_a_range_or_an_error(text):
    try:
        r = VersionRange.from_native(text, "apk")
    except (ValueError, NotImplementedError):
        return
    assert VersionRange.from_vers(str(r)) == r


def test_a_long_list_of_conflicts_is_read_in_one_pass():
    # Intersecting conflict by conflict made 20,000 of these cost seconds per thousand.
    text = " ".join(f"!~{i}.5" for i in range(20_000))
    start = time.perf_counter()
    r = VersionRange.from_native(text, "apk")
    assert time.perf_counter() - start < (20 if UNDER_ASAN else 2)
    assert len(r.intervals()) == 20_001
    assert not r.contains("17.5.1") and r.contains("17.4") and r.contains("17.50")
