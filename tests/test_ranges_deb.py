"""Debian relation ranges, the reference for the per-ecosystem range syntaxes: rows
labelled by dpkg itself (tests/vectors/ranges/deb.tsv, made by
tools/vectors/deb_range_vectors.py: dpkg's own parser and dependency check), the
spellings dpkg reads, and errors."""

import time

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import UNDER_ASAN, raises_exactly
from range_vectors import assert_read_back_from_vers, range_rows
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


pytestmark = pytest.mark.skipif(not native.is_valid("1.0-1", "deb"), reason="the deb scheme is not built in")


def labelled():
    """Each range dpkg reads, with its labelled versions."""
    ranges = {}
    for text, version, expected in range_rows("deb.tsv"):
        if expected != "rejected":
            ranges.setdefault(text, []).append((version, expected == "1"))
    return ranges


def test_membership_agrees_with_dpkg():
    wrong = []
    ranges = {}
    for text, version, expected in range_rows("deb.tsv"):
        if expected == "rejected":
            continue
        r = ranges.setdefault(text, VersionRange.from_native(text, "deb"))
        if r.contains(version) != (expected == "1"):
            wrong.append((text, version, expected, str(r)))
    assert len(ranges) > 250
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def test_what_dpkg_refuses_is_refused():
    refused = [text for text, _, expected in range_rows("deb.tsv") if expected == "rejected"]
    assert len(refused) > 40
    for text in refused:
        with pytest.raises(ValueError):
            VersionRange.from_native(text, "deb")


def test_every_range_reads_back_from_its_vers():
    assert_read_back_from_vers({text: [v for v, _ in versions] for text, versions in labelled().items()},
                               "Debian:12")


@pytest.mark.parametrize(
    "text, vers",
    [
        (">= 1.0", "vers:deb/>=1.0"),
        ("(>=1.0)", "vers:deb/>=1.0"),
        ("( >= 1.0 )", "vers:deb/>=1.0"),
        ("<< 2.0", "vers:deb/<2.0"),
        (">> 2.0", "vers:deb/>2.0"),
        # dpkg's obsolete "<" and ">" are "<=" and ">=", and a bare version is "=".
        ("< 2.0", "vers:deb/<=2.0"),
        ("> 2.0", "vers:deb/>=2.0"),
        ("2.0", "vers:deb/2.0"),
        ("= 1:2.0-1", "vers:deb/1:2.0-1"),
        (">= 1.0, << 2.0", "vers:deb/>=1.0|<2.0"),
        (">= 2.0 | = 1.0", "vers:deb/1.0|>=2.0"),
        ("<< 1.0 | >> 1.0", "vers:deb/!=1.0"),
        ("<< 1.0, >> 2.0", "vers:deb/none"),
        (">= 1.0~rc1, << 1.0", "vers:deb/>=1.0~rc1|<1.0"),
        # In parentheses a version runs to white space or a parenthesis, as dpkg reads it.
        ("(>= 1.0|2)", "vers:deb/>=1.0%7C2"),
        ("(= 1.0,1), (1.0|)", "vers:deb/none"),
        ("(<<1.0|2 ) | (>> 3)", "vers:deb/<1.0%7C2|>3"),
        ("1:1.0~rc1 | 0:1.0", "vers:deb/0:1.0|1:1.0~rc1"),
    ],
)
def test_spellings(text, vers):
    r = VersionRange.from_native(text, "deb")
    assert str(r) == vers
    assert r == VersionRange.from_native(text, "Ubuntu:22.04:LTS", prereleases=True)


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected a version at position 0"),
        (">=", "expected a version at position 2"),
        ("(>= 1.0", "expected ')' at position 7"),
        ("(>= 1.0 2.0)", "expected ')' at position 8"),
        (">= 1.0 2.0", "expected ',' or '|' at position 7"),
        (">= 1.0,", "expected a version at position 7"),
        (">= 1.0 |", "expected a version at position 8"),
        ("<> 1.0", "bad relation '<>' at position 0"),
        ("(>< 1.0)", "bad relation '><' at position 1"),
        ("(>= 1.0) é", "expected ',' or '|' at position 9"),
        ("(>= 1.0(x))", "expected ')' at position 7"),
        ("(>= 1.0) (<< 2)", "expected ',' or '|' at position 9"),
        ("((>= 1.0))", "expected a version at position 1"),
        # Outside parentheses a version also ends where a list goes on.
        (">= 1.0|", "expected a version at position 7"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid deb range '{text}': {message}"):
        VersionRange.from_native(text, "deb")


def test_a_version_dpkg_rejects_is_invalid_version():
    with raises_exactly(InvalidVersion, "invalid deb range '>= 1.0, << 1:': invalid deb version '1:' at position 11"):
        VersionRange.from_native(">= 1.0, << 1:", "deb")


@settings(max_examples=1500, deadline=None)
@given(st.lists(st.sampled_from(list("()<>=|,~:-+.019a \t\x00é") + ["1.0", "1:", ">=", "<<"]), max_size=24).map("".join))
def test_any_text_is_a_range_or_an_error(text):
    try:
        r = VersionRange.from_native(text, "deb")
    except ValueError:
        return
    assert VersionRange.from_vers(str(r)) == r


def test_a_long_list_of_alternatives_is_read_in_one_pass():
    # Intersecting clause by clause made 20,000 of these cost seconds per thousand.
    text = ", ".join(f"(<< {i}) | (>> {i})" for i in range(20_000))
    start = time.perf_counter()
    r = VersionRange.from_native(text, "deb")
    assert time.perf_counter() - start < (20 if UNDER_ASAN else 2)
    assert len(r.intervals()) == 20_001
    assert not r.contains("17") and r.contains("17.5")
