"""Composer constraints: rows labelled by composer/semver's Semver::satisfies
(tests/vectors/ranges/composer.tsv, made by tools/vectors/ranges_pypi_composer.py),
the comparisons each form stands for, composer/semver's merging of alternatives,
branches, errors, and where a set of keys must differ from satisfies (the default
branches)."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import assert_all_rejected, assert_read_back_from_vers, probes_of, range_rows
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


def test_membership_agrees_with_composer_semver():
    wrong, ranges = [], {}
    for text, version, expected in range_rows("composer.tsv"):
        if expected == "!":
            continue
        r = ranges.get(text)
        if r is None:
            r = ranges[text] = VersionRange.from_native(text, "composer")
        if r.contains(version) != (expected == "1"):
            wrong.append((text, version, expected, str(r)))
    assert len(ranges) > 500
    assert not wrong[:20], f"{len(wrong)} rows disagree"


def test_what_composer_semver_rejects_is_rejected():
    rejected = [row[0] for row in range_rows("composer.tsv") if row[2] == "!"]
    assert len(rejected) > 100
    assert_all_rejected(rejected, "composer")


def test_every_range_reads_back_from_its_vers():
    probes = probes_of(row for row in range_rows("composer.tsv") if row[2] != "!")
    for policy in (None, False):
        assert_read_back_from_vers(probes, "composer", prereleases=policy)


# Below every numbered version and above every branch: where "<V" starts.
NUMBERED = ">=*010801"


@pytest.mark.parametrize(
    "text, vers",
    [
        ("^1.2", "vers:composer/>=1.2.0.0-dev|<2.0.0.0-dev"),
        ("^0.3", "vers:composer/>=0.3.0.0-dev|<0.4.0.0-dev"),
        ("^0.0.3", "vers:composer/>=0.0.3.0-dev|<0.0.4.0-dev"),
        ("~1.2", "vers:composer/>=1.2.0.0-dev|<2.0.0.0-dev"),
        ("~1.2.3", "vers:composer/>=1.2.3.0-dev|<1.3.0.0-dev"),
        ("~1.2-beta", "vers:composer/>=1.2.0.0-beta|<2.0.0.0-dev"),
        # The build part eats the "-dev" the lower bound is written with.
        ("~1.2+build", "vers:composer/>=1.2.0.0|<2.0.0.0-dev"),
        ("~1.x-dev", "vers:composer/>=1.9999999.9999999.9999999-dev|<2.0.0.0-dev"),
        ("1.2.*", "vers:composer/>=1.2.0.0-dev|<1.3.0.0-dev"),
        ("v1.x", "vers:composer/>=1.0.0.0-dev|<2.0.0.0-dev"),
        ("0.x", f"vers:composer/{NUMBERED}|<1.0.0.0-dev"),
        ("1.0 - 2.0", "vers:composer/>=1.0.0.0-dev|<2.1.0.0-dev"),
        ("1.0 - 2.0.0", "vers:composer/>=1.0.0.0-dev|<=2.0.0.0"),
        ("1.0 - 2.0-beta", "vers:composer/>=1.0.0.0-dev|<=2.0.0.0-beta"),
        (">=1.0", "vers:composer/>=1.0.0.0-dev"),
        (">1.0", "vers:composer/>1.0.0.0"),
        ("<1.0", f"vers:composer/{NUMBERED}|<1.0.0.0-dev"),
        ("<=1.0", f"vers:composer/{NUMBERED}|<=1.0.0.0"),
        # "-dev" goes after anything but "-" and a stability word in lowercase.
        ("<1.0-RC1", f"vers:composer/{NUMBERED}|<1.0.0.0-RC1-dev"),
        (">=1.0-beta", "vers:composer/>=1.0.0.0-beta"),
        (">=1.0beta", "vers:composer/>=1.0.0.0-beta-dev"),
        ("1.0", "vers:composer/1.0.0.0"),
        ("=1.0@dev", "vers:composer/1.0.0.0"),
        ("!=1.5", "vers:composer/!=1.5.0.0"),
        ("<>1.5", "vers:composer/!=1.5.0.0"),
        (">=1.0@beta", "vers:composer/>=1.0.0.0-beta"),
        ("^1.0@beta", "vers:composer/>=1.0.0.0-dev|<2.0.0.0-dev"),
        (">=1.0,<1.5", "vers:composer/>=1.0.0.0-dev|<1.5.0.0-dev"),
        (">=1.0 <2.0 !=1.5", "vers:composer/>=1.0.0.0-dev|!=1.5.0.0|<2.0.0.0-dev"),
        ("1.0 as 2.0", "vers:composer/1.0.0.0"),
        ("*", "vers:composer/*"),
        ("@dev", "vers:composer/*"),
        ("v*", "vers:composer/>=0.0.0.0-dev"),
        ("dev-feature/x", "vers:composer/dev-feature/x"),
        ("dev-foo#abc123", "vers:composer/dev-foo"),
        ("foo-dev", "vers:composer/dev-foo"),
        ("!=dev-foo", "vers:composer/!=dev-foo"),
        (">=dev-foo", "vers:composer/none"),
        ("^1.0 || ^3.0", "vers:composer/>=1.0.0.0-dev|<2.0.0.0-dev|>=3.0.0.0-dev|<4.0.0.0-dev"),
    ],
)
def test_comparisons(text, vers):
    assert str(VersionRange.from_native(text, "composer")) == vers


@pytest.mark.parametrize(
    "text, vers",
    [
        # composer/semver joins "[>= A < B] || [>= B < C]" into "[>= A < C]"...
        ("^1.0 || ^2.0", "vers:composer/>=1.0.0.0-dev|<3.0.0.0-dev"),
        (">=1.0 <2.0 || >=2.0 <3.0 || >=3.0 <4.0", "vers:composer/>=1.0.0.0-dev|<4.0.0.0-dev"),
        # ...even when one side is empty, which empties or narrows the whole.
        (">=3.0 <2.0 || ^2.0", "vers:composer/none"),
        ("^2.0 || >=3.0 <2.0", "vers:composer/none"),
        ("^1.0 || >=2.0 <1.5", "vers:composer/>=1.0.0.0-dev|<1.5.0.0-dev"),
        # "<=" never joins, and neither do texts that differ ("02.0" against "2.0").
        (">=1.0 <=2.0 || >=2.0 <3.0", "vers:composer/>=1.0.0.0-dev|<3.0.0.0-dev"),
        (">=3.0 <02.0 || ^2.0", "vers:composer/>=2.0.0.0-dev|<3.0.0.0-dev"),
    ],
)
def test_alternatives_join_as_composer_semver_joins_them(text, vers):
    assert str(VersionRange.from_native(text, "composer")) == vers


@pytest.mark.parametrize(
    "text, version, inside",
    [
        # A branch satisfies only "=", "!=" and "*" constraints.
        ("<1.0", "dev-foo", False),
        (">=0", "dev-foo", False),
        ("!=1.0", "dev-foo", True),
        ("*", "dev-foo", True),
        ("v*", "dev-foo", False),
        ("dev-foo", "dev-foo", True),
        ("dev-foo", "dev-FOO", False),
        ("dev-foo || ^1.0", "1.5", True),
        # PHP makes a float of 2^63 - 1 + 1 and compares "9.2233720368548E+18".
        ("^9223372036854775807", "9223372036854775807", False),
        ("^9223372036854775806", "9223372036854775806", True),
        # A flag in capitals is a word version_compare puts below "dev".
        (">=1.0@BETA", "1.0-dev", True),
        (">=1.0@beta", "1.0-dev", False),
    ],
)
def test_membership(text, version, inside):
    assert VersionRange.from_native(text, "composer").contains(version) is inside


@pytest.mark.parametrize("text, version", [("dev-master", "9999999-dev"), (">=1.0", "dev-master"), (">=1.0", "master")])
def test_default_branches_are_9999999_dev(text, version):
    # satisfies says no to each: it takes "master" and "dev-master" for branches.
    # Their key is 9999999-dev's, where composer/semver sorts them, and a range
    # holds keys.
    assert VersionRange.from_native(text, "composer").contains(version)


def test_prereleases_false_leaves_out_every_unstable_version_and_branch():
    r = VersionRange.from_native("!=1.0", "composer", prereleases=False)
    assert [r.contains(v) for v in ["1.1", "1.1-p1", "1.1-RC1", "1.1-dev", "dev-foo"]] == [True, True, False, False,
                                                                                       False]
    assert VersionRange.from_native("!=1.0", "composer", prereleases=True).contains("dev-foo")


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "expected a constraint at position 0"),
        ("  ", "expected a constraint at position 2"),
        ("1.0 ||", "expected a constraint at position 6"),
        ("|| 1.0", "expected a constraint at position 0"),
        ("1.0 |||| 2.0", "expected a constraint at position 6"),
        ("~>1.0", "invalid operator '~>', '~' is meant at position 0"),
        (">=", "expected a version at position 2"),
        (">=1.0 <", "expected a version at position 7"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid composer range '{text}': {message}"):
        VersionRange.from_native(text, "composer")


@pytest.mark.parametrize(
    "text, version, position",
    [
        (">=foo", "foo", 2),
        ("^1.0 || >= bar", "bar", 11),
        ("1.0,,2.0", "1.0,,2.0", 0),
        ("^1.x", "^1.x", 0),
        ("1.0@foo", "1.0@foo", 0),
    ],
)
def test_a_version_composer_semver_rejects_is_invalid_version(text, version, position):
    message = f"invalid composer range '{text}': invalid composer version '{version}' at position {position}"
    with raises_exactly(InvalidVersion, message):
        VersionRange.from_native(text, "composer")


pieces = st.sampled_from(["^", "~", ">", ">=", "<", "<=", "=", "!=", "<>", "*", "x", ".", "-", " ", ",", "|", "||",
                          "1", "0", "2", "1.0", "v", "@dev", "@beta", "@RC", "dev-", "-dev", ".x", "beta", "RC", "+",
                          "#", " as ", " - ", "\n", "\t", "\x0b", "\0", "é", "9" * 25, "master"])


@settings(max_examples=500, deadline=None)
@given(st.lists(pieces, max_size=12).map("".join))
def test_any_text_is_a_range_or_a_value_error(text):
    try:
        r = VersionRange.from_native(text, "composer")
    except ValueError as error:
        assert "invalid composer range" in str(error)
        return
    assert VersionRange.from_vers(str(r)) == r
