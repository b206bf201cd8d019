"""Hex requirements as Elixir's Version reads them: rows labelled by Elixir itself
(tests/vectors/ranges/hex.tsv, made by tools/vectors/ranges_semver_family.py) with
allow_pre: false, Hex's rule and the default here, and allow_pre: true; then the
lexer's spellings, "~>", the pre-release rule, and errors."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import range_rows
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


def read(text, prereleases=None):
    try:
        return VersionRange.from_native(text, "hex", prereleases=prereleases)
    except ValueError:
        return None


@pytest.mark.parametrize("column, prereleases", [(2, None), (3, True)])
def test_membership_agrees_with_elixir(column, prereleases):
    wrong = []
    ranges = {}
    for row in range_rows("hex.tsv"):
        text, version, expected = row[0], row[1], row[column]
        r = ranges.setdefault(text, read(text, prereleases))
        got = "invalid" if r is None else str(int(r.contains(version)))
        if got != expected:
            wrong.append((text, version, expected, got))
    assert len(ranges) > 600
    assert not wrong[:20], f"{len(wrong)} rows disagree"


@pytest.mark.parametrize("prereleases", [None, True, False])
def test_every_range_reads_back_from_its_vers(prereleases):
    for text in {row[0] for row in range_rows("hex.tsv")}:
        r = read(text, prereleases)
        if r is not None:
            assert VersionRange.from_vers(str(r)) == r, text


@pytest.mark.parametrize(
    "text, vers",
    [
        ("1.0.0", "1.0.0"),
        ("== 1.0.0+build", "1.0.0"),
        ("~> 1.2.3", ">=1.2.3|<1.3.0-0"),
        ("~>1.2", ">=1.2.0|<2.0.0-0"),
        ("~> 1.2-dev", ">=1.2.0-dev|<2.0.0-0"),
        ("~> 99999999999999999999.0", ">=99999999999999999999.0.0|<100000000000000000000.0.0-0"),
        ("> 1.0.0 and < 2.0.0 or == 3.0.0", ">1.0.0|<2.0.0|3.0.0"),
        ("1.0.0 or 2.0.0 and 3.0.0", "1.0.0"),
        ("1.0.0 and 2.0.0 or 3.0.0", "3.0.0"),
        ("!= 1.0.0", "!=1.0.0"),
        ("! 1.0.0", "!=1.0.0"),
        ("  ~>  1.2.3  ", ">=1.2.3|<1.3.0-0"),
    ],
)
def test_spellings(text, vers):
    assert str(VersionRange.from_native(text, "hex", prereleases=True)) == "vers:hex/" + vers


@pytest.mark.parametrize(
    "text, version, allow_pre_false, allow_pre_true",
    [
        ("~> 2.0", "2.1.0-rc.1", False, True),
        ("~> 2.1.2", "2.1.3-dev", False, True),
        ("~> 2.1-dev", "2.2.0-dev", True, True),
        ("~> 2.1.2-dev", "2.1.3-dev", True, True),
        (">= 2.1.0", "2.2.0-dev", False, True),
        (">= 2.1.0-dev", "2.2.3-dev", True, True),
        ("~> 2.0", "3.0.0-rc.1", False, False),
        # "<", "<=", "==" and "!=" never look at pre-releases.
        ("< 2.0.0", "2.0.0-rc.1", True, True),
        ("!= 1.0.0", "1.0.0-rc.1", True, True),
        ("== 1.0.0-rc.1", "1.0.0-rc.1", True, True),
        ("> 1.0.0 and < 2.0.0 or < 1.0.0", "0.9.0-rc.1", True, True),
        ("> 1.0.0 and < 2.0.0 or < 1.0.0", "1.5.0-rc.1", False, True),
    ],
)
def test_prerelease_rule(text, version, allow_pre_false, allow_pre_true):
    assert VersionRange.from_native(text, "hex").contains(version) is allow_pre_false
    assert VersionRange.from_native(text, "hex", prereleases=True).contains(version) is allow_pre_true
    assert not VersionRange.from_native(text, "hex", prereleases=False).contains(version)


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected a version at position 0"),
        ("   ", "expected a version at position 3"),
        (">=", "expected a version at position 2"),
        (">= >= 1.0.0", "expected a version at position 3"),
        (" or 1.0.0", "expected a version at position 1"),
        ("1.0.0 or", "expected 'and' or 'or' at position 6"),
        (">= 1.0.0 and< 2.0.0", "expected 'and' or 'or' at position 9"),
        ("1.0.0 1.0.1", "expected 'and' or 'or' at position 6"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid hex range '{text}': {message}"):
        VersionRange.from_native(text, "hex")


@pytest.mark.parametrize(
    "text, version, position",
    [
        ("== 1.0", "1.0", 3),
        ("or 1.0.0", "or", 0),
        ("~> 1", "1", 3),
        ("=1.0.0", "=1.0.0", 0),
        ("1.0.0 or 01.0.0", "01.0.0", 9),
        ("1.0.0-01", "1.0.0-01", 0),
        ("1.0.0\tor 2.0.0", "1.0.0\tor", 0),
        ("1.0.0.0", "1.0.0.0", 0),
    ],
)
def test_a_version_elixir_rejects_is_invalid_version(text, version, position):
    message = f"invalid hex range '{text}': invalid hex version '{version}' at position {position}"
    with raises_exactly(InvalidVersion, message):
        VersionRange.from_native(text, "hex")


HEX_ALPHABET = st.sampled_from(
    list("0123456789.-+=<>~! abe") + [" and ", " or ", "~>", "1.2.3", "-dev", "\u00a0", "é", "\x00"]
)


@settings(max_examples=1500, deadline=None)
@given(st.lists(HEX_ALPHABET, max_size=30).map("".join), st.sampled_from([None, True, False]))
def test_any_text_is_a_range_or_a_value_error(text, prereleases):
    r = read(text, prereleases)
    if r is not None:
        assert VersionRange.from_vers(str(r)) == r
        for version in ("1.2.3", "1.2.3-beta", "0.0.0-0", "2.0.0+b"):
            assert r.contains(version) in (True, False)
