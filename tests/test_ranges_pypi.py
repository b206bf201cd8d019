"""PyPI specifier sets: rows labelled by packaging's SpecifierSet.contains under
its three pre-release settings (tests/vectors/ranges/pypi.tsv, made by
tools/vectors/ranges_pypi_composer.py), the bounds packaging derives, errors, and
where a set of keys must differ from a comparison of texts ("===")."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import range_rows
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange

POLICIES = (None, True, False)


def labelled():
    return [row for row in range_rows("pypi.tsv") if row[2] != "!"]


def test_membership_agrees_with_packaging_under_every_policy():
    wrong, ranges = [], {}
    for text, version, *expected in labelled():
        for policy, answer in zip(POLICIES, expected):
            r = ranges.get((text, policy))
            if r is None:
                r = ranges[text, policy] = VersionRange.from_native(text, "pypi", prereleases=policy)
            if r.contains(version) != (answer == "1"):
                wrong.append((text, version, policy, answer, str(r)))
    assert len(ranges) > 3 * 400
    assert not wrong[:20], f"{len(wrong)} answers disagree"


def test_what_packaging_rejects_is_rejected():
    rejected = [row[0] for row in range_rows("pypi.tsv") if row[2] == "!"]
    assert len(rejected) > 80
    accepted = []
    for text in rejected:
        try:
            VersionRange.from_native(text, "pypi")
        except ValueError:
            continue
        accepted.append(text)
    assert not accepted


def test_every_range_reads_back_from_its_vers():
    versions = {}
    for text, version, *_ in labelled():
        versions.setdefault(text, []).append(version)
    for text, probes in versions.items():
        for policy in POLICIES:
            r = VersionRange.from_native(text, "pypi", prereleases=policy)
            back = VersionRange.from_vers(str(r))
            assert back == r, (text, policy)
            assert [back.contains(v) for v in probes] == [r.contains(v) for v in probes], (text, policy)


@pytest.mark.parametrize(
    "text, vers",
    [
        ("", "vers:pypi/*"),
        (" , ,", "vers:pypi/*"),
        (">=1.0", "vers:pypi/>=1.0"),
        (">= v1.0", "vers:pypi/>=v1.0"),
        # "<V" leaves out V's pre-releases unless V is one.
        ("<2.0", "vers:pypi/<2.0.dev0"),
        ("<2.0rc1", "vers:pypi/<2.0rc1"),
        ("<2.0.post1", "vers:pypi/<2.0.post1.dev0"),
        ("<0", "vers:pypi/none"),
        ("<0.0.dev0", "vers:pypi/none"),
        # "<=V" and "==V" take in V's local versions, "==V+l" only itself.
        ("<=1.0", "vers:pypi/<1.0.post0.dev0"),
        ("<=1.0.post2", "vers:pypi/<1.0.post3.dev0"),
        ("<=1.0.dev2", "vers:pypi/<1.0.dev3"),
        ("==1.0", "vers:pypi/>=1.0|<1.0.post0.dev0"),
        ("==1.0+Ubuntu.1", "vers:pypi/1.0+Ubuntu.1"),
        ("!=1.0", "vers:pypi/<1.0|>=1.0.post0.dev0"),
        ("!=1.0+abc", "vers:pypi/!=1.0+abc"),
        # ">V" leaves out V's post-releases unless V is one.
        (">1.0a1", "vers:pypi/>=1.0a2.dev0"),
        (">1.0.post1", "vers:pypi/>=1.0.post2.dev0"),
        (">1.0.dev1", "vers:pypi/>=1.0.dev2"),
        (">1.0a1.post1.dev1", "vers:pypi/>=1.0a1.post1.dev2"),
        (">1!2.0", "vers:pypi/>=*0102070806"),
        ("==1.2.*", "vers:pypi/>=1.2.dev0|<1.3.dev0"),
        ("==1!1.9.*", "vers:pypi/>=1%211.9.dev0|<1%211.10.dev0"),
        ("!=1.2.*", "vers:pypi/<1.2.dev0|>=1.3.dev0"),
        ("~=1.4.5", "vers:pypi/>=1.4.5|<1.5.dev0"),
        ("~=2.2.post3", "vers:pypi/>=2.2.post3|<3.dev0"),
        ("~=1.0.0.0", "vers:pypi/>=1.0.0.0|<1.0.1.dev0"),
        ("==1.99999999999999999999.*", "vers:pypi/>=1.99999999999999999999.dev0|<1.100000000000000000000.dev0"),
        (">=1.0, <2.0, !=1.5", "vers:pypi/>=1.0|<1.5|>=1.5.post0.dev0|<2.0.dev0"),
        (">=1.0,<1.0", "vers:pypi/none"),
        ("==1.*,!=1.0.*", "vers:pypi/>=1.1.dev0|<2.dev0"),
        ("\u3000>=\u20031.0\u00a0,\u00a0<2", "vers:pypi/>=1.0|<2.dev0"),
        ("===1.0", "vers:pypi/1.0"),
        ("===foo", "vers:pypi/none"),
    ],
)
def test_bounds(text, vers):
    assert str(VersionRange.from_native(text, "pypi")) == vers


def test_a_bound_no_version_spells_lies_past_every_post_release():
    r = VersionRange.from_native(">1.0", "pypi")
    assert r.intervals() == [("*0102060706", True, None, False)]
    for version, inside in [("1.0", False), ("1.0+x", False), ("1.0.post999", False), ("1.0.0.post1+l", False),
                            ("1.0.0.0.1.dev0", True), ("1.0.1a1", True), ("1.1", True), ("0.9", False)]:
        assert r.contains(version) is inside, version


@pytest.mark.parametrize(
    "text, version, default, excluded",
    [
        # packaging's contains tests a lone pre-release like any version under
        # its default; prereleases=False leaves every pre-release out.
        (">=1.0", "2.0a1", True, False),
        ("<2.0", "1.5.dev0", True, False),
        ("<2.0", "2.0a1", False, False),
        ("", "1.0rc1", True, False),
        ("===1.0a1", "1.0a1", True, False),
        (">=1.0", "1.0.post1.dev0", True, False),
        ("!=1.0", "1.1a1", True, False),
    ],
)
def test_prerelease_policies(text, version, default, excluded):
    assert VersionRange.from_native(text, "pypi").contains(version) is default
    assert VersionRange.from_native(text, "pypi", prereleases=True).contains(version) is default
    assert VersionRange.from_native(text, "pypi", prereleases=False).contains(version) is excluded


@pytest.mark.parametrize(
    "version, inside",
    [
        ("1.0", True),
        # packaging compares "===" texts and says no to these two; a set of keys
        # cannot tell them from "1.0", and holds every spelling of the version.
        ("1.0.0", True),
        ("v1.0", True),
        ("1.0.post0", False),
        ("1.0+local", False),
        ("1.1", False),
    ],
)
def test_arbitrary_equality_holds_the_version_in_every_spelling(version, inside):
    assert VersionRange.from_native("===1.0", "pypi").contains(version) is inside


@pytest.mark.parametrize(
    "text, message",
    [
        ("lolwat", "expected an operator ('~=', '==', '!=', '<=', '>=', '<', '>' or '===') at position 0"),
        ("1.0", "expected an operator ('~=', '==', '!=', '<=', '>=', '<', '>' or '===') at position 0"),
        (">=1.0, 2.0", "expected an operator ('~=', '==', '!=', '<=', '>=', '<', '>' or '===') at position 7"),
        ("=>1.0", "expected an operator ('~=', '==', '!=', '<=', '>=', '<', '>' or '===') at position 0"),
        (">=", "expected a version at position 2"),
        (">= ,<2", "expected a version at position 2"),
        ("===", "expected a version at position 3"),
        ("=== 1 0", "expected ',' at position 5"),
        ("===1.0;", "expected ',' at position 6"),
        (">=1.0 <2.0", "expected ',' at position 5"),
        (">=1.0\t<2.0", "expected ',' at position 5"),
        (">=1.", "expected ',' at position 3"),
        ("~=1", "'~=' needs a version of at least two release numbers at position 2"),
        ("<1.0+local", "a local version is allowed only after '==' or '!=' at position 4"),
        (">=1.0.*", "'.*' may follow only the release numbers after '==' or '!=' at position 5"),
        ("==1.0a1.*", "'.*' may follow only the release numbers after '==' or '!=' at position 7"),
        ("\u3000>=1.0\u3000<2", "expected ',' at position 6"),
    ],
)
def test_malformed(text, message):
    with raises_exactly(ValueError, f"invalid pypi range '{text}': {message}"):
        VersionRange.from_native(text, "pypi")


def test_a_number_python_cannot_read_is_an_invalid_version():
    # packaging accepts the set and raises when it is first used.
    text = ">=1." + "9" * 4301
    version = "1." + "9" * 4301
    with raises_exactly(InvalidVersion, f"invalid pypi range '{text}': invalid pypi version '{version}' at position 2"):
        VersionRange.from_native(text, "pypi")


def test_a_bound_raised_past_what_python_reads_is_held_by_its_key():
    r = VersionRange.from_native("==" + "9" * 4300 + ".*", "pypi")
    assert r.contains("9" * 4300 + ".5a1")
    assert not r.contains("9" * 4299)
    assert VersionRange.from_vers(str(r)) == r
    assert r.intervals()[0][2].startswith("*")


white = st.sampled_from([" ", "\t", "\n", "\u00a0", "\u3000", "\x1c", "\x85"])
pieces = st.sampled_from(["~=", "==", "!=", "<=", ">=", "<", ">", "===", ",", ".*", "+", "v", "1", "0", ".", "!",
                          "a", "rc", "post", "dev", "-", "_", ";", ")", "9" * 25, "é", "\0"])


@settings(max_examples=500, deadline=None)
@given(st.lists(pieces | white, max_size=14).map("".join))
def test_any_text_is_a_range_or_a_value_error(text):
    for policy in POLICIES:
        try:
            r = VersionRange.from_native(text, "pypi", prereleases=policy)
        except ValueError as error:
            assert "invalid pypi range" in str(error)
            continue
        assert VersionRange.from_vers(str(r)) == r
