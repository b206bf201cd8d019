"""npm ranges as node-semver reads them in loose mode: rows labelled by node-semver
itself (tests/vectors/ranges/npm.tsv, made by tools/vectors/ranges_semver_family.py)
under its default pre-release rule and with includePrerelease, then the rewrites,
the pre-release rule, the words loose mode drops, and errors."""

import time

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import range_rows
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


def read(text, prereleases):
    try:
        return VersionRange.from_native(text, "npm", prereleases=prereleases)
    except ValueError:
        return None


@pytest.mark.parametrize("column, prereleases", [(2, None), (3, True)])
def test_membership_agrees_with_node_semver(column, prereleases):
    wrong = []
    ranges = {}
    for row in range_rows("npm.tsv"):
        text, version, expected = row[0], row[1], row[column]
        r = ranges.setdefault(text, read(text, prereleases))
        got = "invalid" if r is None else str(int(r.contains(version)))
        if got != expected:
            wrong.append((text, version, expected, got))
    assert len(ranges) > 800
    assert not wrong[:20], f"{len(wrong)} rows disagree"


@pytest.mark.parametrize("prereleases", [None, True, False])
def test_every_range_reads_back_from_its_vers(prereleases):
    for text in {row[0] for row in range_rows("npm.tsv")}:
        r = read(text, prereleases)
        if r is not None:
            assert VersionRange.from_vers(str(r)) == r, text


@pytest.mark.parametrize(
    "text, vers, vers_with_prereleases",
    [
        ("^1.2.3", ">=1.2.3|<2.0.0-0?prereleases=none", ">=1.2.3|<2.0.0-0"),
        ("^0.2.3", ">=0.2.3|<0.3.0-0?prereleases=none", ">=0.2.3-0|<0.3.0-0"),
        ("^0.0.3", ">=0.0.3|<0.0.4-0?prereleases=none", ">=0.0.3-0|<0.0.4-0"),
        ("~1.2.3", ">=1.2.3|<1.3.0-0?prereleases=none", ">=1.2.3|<1.3.0-0"),
        ("~> 1.2", ">=1.2.0|<1.3.0-0?prereleases=none", ">=1.2.0|<1.3.0-0"),
        ("1.2.x", ">=1.2.0|<1.3.0-0?prereleases=none", ">=1.2.0-0|<1.3.0-0"),
        (">1.2", ">=1.3.0?prereleases=none", ">=1.3.0-0"),
        ("<=1.x", "<2.0.0-0?prereleases=none", "<2.0.0-0"),
        ("1.2 - 2", ">=1.2.0|<3.0.0-0?prereleases=none", ">=1.2.0-0|<3.0.0-0"),
        ("1.2.3 - 2.3.4", ">=1.2.3|<=2.3.4?prereleases=none", ">=1.2.3-0|<2.3.5-0"),
        ("*", "*?prereleases=none", "*"),
        ("", "*?prereleases=none", "*"),
        (">*", "<0.0.0-0?prereleases=none", "<0.0.0-0"),
        # Loose versions, written back as node-semver writes them.
        ("=v01.02.03", "1.2.3?prereleases=none", "1.2.3"),
        (">=1.2.3beta.01", ">=1.2.3-beta.1?prereleases=>=1.2.3-beta.1|<1.2.3", ">=1.2.3-beta.1"),
        # Words loose mode cannot read are dropped, not rejected.
        ("1.2.3 foo", "1.2.3?prereleases=none", "1.2.3"),
        ("> = 1.2.3", "1.2.3?prereleases=none", "1.2.3"),
        ("1.2.3*", "1.2.3?prereleases=none", "1.2.3"),
        # node-semver's ">=0.0.0" pattern reads "." as any character.
        (">=0a0b0", "*?prereleases=none", None),
        # JavaScript's white space, and a gap that only pre-releases fill.
        ("^1\u3000|| 2", ">=1.0.0|<2.0.0-0|>=2.0.0|<3.0.0-0?prereleases=none", ">=1.0.0-0|<3.0.0-0"),
    ],
)
def test_spellings(text, vers, vers_with_prereleases):
    assert str(VersionRange.from_native(text, "npm")) == "vers:npm/" + vers
    included = read(text, True)
    assert (included and str(included)) == (vers_with_prereleases and "vers:npm/" + vers_with_prereleases)


@pytest.mark.parametrize(
    "text, version, default, included",
    [
        (">=1.2.3-beta <2", "1.2.3-rc.1", True, True),
        (">=1.2.3-beta <2", "1.5.0-rc.1", False, True),
        ("^1.2.3", "1.2.4-beta", False, True),
        ("1.2.x", "1.2.4-beta", False, True),
        ("^1.2.3-beta.2", "1.2.3-beta.10", True, True),
        ("^1.2.3-beta.2", "1.2.3-beta.1", False, False),
        # The rule looks at each alternative alone.
        ("1.0.0-rc.1 || >=1.0.0 <2", "1.0.0-rc.2", False, False),
        ("<1.0.0-rc.1 || >=1.0.0-rc.1 <2", "1.0.0-rc.2", True, True),
        # An alternative that is "any" alone stands for the whole range.
        ("* || 1.0.0-beta", "1.0.0-beta", False, True),
        ("1.0.0-beta", "1.0.0-beta", True, True),
        (">=0.0.0-0 <0.0.1", "0.0.0-alpha", True, True),
    ],
)
def test_prerelease_rule(text, version, default, included):
    assert VersionRange.from_native(text, "npm").contains(version) is default
    assert VersionRange.from_native(text, "npm", prereleases=True).contains(version) is included
    assert not VersionRange.from_native(text, "npm", prereleases=False).contains(version)


def test_intervals_give_each_part_its_own():
    r = VersionRange.from_native("^1.2.3-beta", "npm")
    assert r.intervals(prereleases=False) == [("1.2.3-beta", True, "2.0.0-0", False)]
    assert r.intervals(prereleases=True) == [("1.2.3-beta", True, "1.2.3", False)]
    assert VersionRange.from_native("1.2.3 - 2.3.4", "npm", prereleases=True).intervals() == [
        ("1.2.3-0", True, "2.3.5-0", False)
    ]


@pytest.mark.parametrize(
    "text, message",
    [
        ("foo", "expected a comparator at position 0"),
        ("   foo", "expected a comparator at position 3"),
        ("foo || bar", "expected a comparator at position 0"),
        ("**", "expected a comparator at position 0"),
        ("é ~", "expected a comparator at position 0"),
        # From 1e21 JavaScript writes "1e+21", which no comparator reads.
        ("<=1000000000000000000000.x", "expected a comparator at position 0"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid npm range '{text}': {message}"):
        VersionRange.from_native(text, "npm")


@pytest.mark.parametrize(
    "text, version, position",
    [
        ("1.2.3 || 99999999999999999999.0.0", "99999999999999999999.0.0", 9),
        ("^9007199254740991", "9007199254740992.0.0-0", 0),
        (">9007199254740993", "9007199254740992.0.0", 0),
        ("1.2.3 " + "1" * 255 + ".0.0", "1" * 255 + ".0.0", 6),
    ],
)
def test_a_version_node_semver_rejects_is_invalid_version(text, version, position):
    message = f"invalid npm range '{text}': invalid npm version '{version}' at position {position}"
    with raises_exactly(InvalidVersion, message):
        VersionRange.from_native(text, "npm")


def test_include_prerelease_rewrites_differently():
    # Under includePrerelease node-semver reads ">=0.0.0-0", not ">=0.0.0", as any.
    assert read(">=0a0b0", True) is None
    assert str(VersionRange.from_native(">=0a0b0-0", "npm", prereleases=True)) == "vers:npm/*"


NPM_ALPHABET = st.sampled_from(
    list("0123456789.-+xX*v=<>^~| \u00a0abe") + ["||", " - ", "1.2.3", "-0", "9007199254740991", "\ud800", "\x00"]
)


@settings(max_examples=1500, deadline=None)
@given(st.lists(NPM_ALPHABET, max_size=30).map("".join), st.sampled_from([None, True, False]))
def test_any_text_is_a_range_or_a_value_error(text, prereleases):
    r = read(text, prereleases)
    if r is not None:
        assert VersionRange.from_vers(str(r)) == r
        for version in ("1.2.3", "1.2.3-beta", "0.0.0-0", "2.0.0"):
            assert r.contains(version) in (True, False)


@pytest.mark.parametrize(
    "text",
    ["0" * 200_000, "1." + "0" * 200_000, "0 " * 100_000, ">= " * 70_000, "||".join(f"1.0.{i}" for i in range(30_000))],
)
def test_long_texts_take_time_in_proportion(text):
    # Read naively, a run of digits is scanned again from each of its digits, and
    # many alternatives are united one by one: seconds, not milliseconds.
    started = time.perf_counter()
    read(text, None)
    assert time.perf_counter() - started < 2
