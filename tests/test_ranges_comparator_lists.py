"""The plain comparator lists of golang, swift and semver ranges, which no tool of
theirs reads: hand-written cases, then ranges drawn at random checked against a
model of the grammar that compares versions with tambry.native.compare alone."""

import operator

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange

POOLS = {
    "semver": ["0.9.0", "1.0.0-0", "1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-rc.1", "1.0.0", "1.0.0+build.7",
               "1.0.1", "1.2.0", "1.4.1", "2.0.0-rc.1", "2.0.0", "10.0.0"],
    "golang": ["v0.9.0", "v1.0.0-0", "v1.0.0-alpha", "v1", "v1.0.0+incompatible", "v1.0.1", "v1.2", "v1.2.0",
               "v1.4.1", "v2.0.0-rc.1", "v2.0.0", "v10.0.0"],
}
POOLS["swift"] = POOLS["semver"]
ECOSYSTEMS = sorted(POOLS)
OPS = {"": operator.eq, "=": operator.eq, "==": operator.eq, "!=": operator.ne, "<": operator.lt,
       "<=": operator.le, ">": operator.gt, ">=": operator.ge}


def model_contains(text, ecosystem, version, prereleases):
    """The grammar read naively: "||" between alternatives, commas and spaces
    between comparators, each an operator and a version, or "*"."""
    if prereleases is False and native.is_prerelease(version, ecosystem):
        return False
    for alternative in text.split("||"):
        holds = True
        op = ""
        for word in alternative.replace(",", " ").split():
            bound = word.lstrip("<>=!")
            op += word[: len(word) - len(bound)]
            if bound == "*":
                op = ""
            elif bound:
                holds = holds and OPS[op](native.compare(version, bound, ecosystem), 0)
                op = ""
        if holds:
            return True
    return False


@pytest.mark.parametrize(
    "ecosystem, text, vers",
    [
        ("semver", ">=1.2.0 <2.0.0", "vers:semver/>=1.2.0|<2.0.0"),
        ("semver", ">=1.2.0, <2.0.0, !=1.4.1", "vers:semver/>=1.2.0|!=1.4.1|<2.0.0"),
        ("semver", ">= 1.2.0 ,<2.0.0", "vers:semver/>=1.2.0|<2.0.0"),
        ("semver", "=1.0.0 || >=2.0.0", "vers:semver/1.0.0|>=2.0.0"),
        ("semver", "==1.0.0||1.0.1", "vers:semver/1.0.0|1.0.1"),
        ("semver", "*", "vers:semver/*"),
        ("semver", ">=1.0.0 *", "vers:semver/>=1.0.0"),
        ("semver", "<1.0.0 >2.0.0", "vers:semver/none"),
        ("semver", "!=1.0.0 || !=2.0.0", "vers:semver/*"),
        ("swift", "\t>=1.0.0\t", "vers:swift/>=1.0.0"),
        ("golang", ">=v1.2 <v2", "vers:golang/>=v1.2|<v2"),
        ("golang", "v1.0.0+incompatible", "vers:golang/v1.0.0+incompatible"),
    ],
)
def test_spellings(ecosystem, text, vers):
    r = VersionRange.from_native(text, ecosystem)
    assert str(r) == vers
    assert r == VersionRange.from_native(text, ecosystem, prereleases=True)


@pytest.mark.parametrize(
    "ecosystem, text, version, expected",
    [
        # Pre-releases are versions like any other, and build metadata takes no part.
        ("semver", ">=1.0.0 <2.0.0", "2.0.0-rc.1", True),
        ("semver", ">1.0.0-rc.1", "1.0.0-rc.2", True),
        ("semver", "=1.0.0+a", "1.0.0+b", True),
        ("semver", "!=1.0.0", "1.0.0+b", False),
        ("swift", "<1.0.0", "1.0.0-alpha", True),
        ("golang", "=v1.2", "v1.2.0", True),
        ("golang", "<v1.2.0", "v1.2", False),
        ("golang", ">=v1.0.0 <v2.0.0", "v1.9.9-pre", True),
    ],
)
def test_plain_version_order(ecosystem, text, version, expected):
    assert VersionRange.from_native(text, ecosystem).contains(version) is expected
    assert VersionRange.from_native(text, ecosystem, prereleases=False).contains(version) is (
        expected and not native.is_prerelease(version, ecosystem)
    )


@pytest.mark.parametrize(
    "ecosystem, text, message",
    [
        ("semver", "", "expected a version at position 0"),
        ("semver", ">=", "expected a version at position 2"),
        ("semver", ">= ,1.0.0", "expected a version at position 3"),
        ("semver", "1.0.0,,2.0.0", "expected a comparator at position 6"),
        ("semver", "1.0.0 ||", "expected a version at position 8"),
        ("semver", "|| 1.0.0", "expected a comparator at position 0"),
        ("semver", "1.0.0 | 2.0.0", "expected ',' or '||' at position 6"),
        ("semver", "1.0.0<2.0.0", "expected ',' or '||' at position 5"),
        ("swift", "=>1.0.0", "expected a version at position 1"),
        ("golang", ">=v1 <", "expected a version at position 6"),
    ],
)
def test_malformed(ecosystem, text, message):
    with raises_exactly(ValueError, f"invalid {ecosystem} range '{text}': {message}"):
        VersionRange.from_native(text, ecosystem)


@pytest.mark.parametrize(
    "ecosystem, text, version, position",
    [
        ("golang", ">=1.2.0", "1.2.0", 2),
        ("semver", ">=1.2", "1.2", 2),
        ("semver", "^1.2.3", "^1.2.3", 0),
        ("swift", ">= 1.0.0 <01.0.0", "01.0.0", 10),
    ],
)
def test_a_version_the_scheme_rejects_is_invalid_version(ecosystem, text, version, position):
    message = f"invalid {ecosystem} range '{text}': invalid {ecosystem} version '{version}' at position {position}"
    with raises_exactly(InvalidVersion, message):
        VersionRange.from_native(text, ecosystem)


@st.composite
def comparator_lists(draw):
    ecosystem = draw(st.sampled_from(ECOSYSTEMS))
    pool = POOLS[ecosystem]
    alternatives = []
    for _ in range(draw(st.integers(1, 3))):
        words = []
        for _ in range(draw(st.integers(1, 4))):
            if draw(st.integers(0, 12)) == 0:
                words.append("*")
                continue
            words.append(draw(st.sampled_from(sorted(OPS))) + draw(st.sampled_from(["", " "])) + draw(st.sampled_from(pool)))
        alternatives.append("".join(w + draw(st.sampled_from([" ", ", ", ",", "  ,  "])) for w in words[:-1]) + words[-1])
    return ecosystem, draw(st.sampled_from(["||", " || "])).join(alternatives)


@settings(max_examples=600, deadline=None)
@given(comparator_lists(), st.sampled_from([None, False]))
def test_membership_agrees_with_a_model_built_on_compare(drawn, prereleases):
    ecosystem, text = drawn
    r = VersionRange.from_native(text, ecosystem, prereleases=prereleases)
    for version in POOLS[ecosystem]:
        assert r.contains(version) is model_contains(text, ecosystem, version, prereleases), (
            text,
            version,
        )
    assert VersionRange.from_vers(str(r)) == r
    for lower, _, upper, _ in r.intervals(prereleases=False):
        for bound in (lower, upper):
            assert bound is None or native.is_valid(bound, ecosystem)


LIST_ALPHABET = st.sampled_from(list("0123456789.-+v=<>!*|, \tab") + ["1.2.3", "||", "-rc.1", "é", "\x00"])


@settings(max_examples=1000, deadline=None)
@given(st.lists(LIST_ALPHABET, max_size=30).map("".join), st.sampled_from(ECOSYSTEMS))
def test_any_text_is_a_range_or_a_value_error(text, ecosystem):
    try:
        r = VersionRange.from_native(text, ecosystem)
    except ValueError:
        return
    assert VersionRange.from_vers(str(r)) == r
