"""PyPI specifier sets: rows labelled by packaging's SpecifierSet.contains under
its three pre-release settings (tests/vectors/ranges/pypi.tsv, made by
tools/vectors/ranges_pypi_composer.py), the bounds packaging derives, errors, and
where a set of keys must differ from a comparison of texts ("===")."""

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from range_vectors import range_rows
from tambry import native
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



# Versions of release numbers alone are read as the specifier is scanned; the rest
# are parsed whole. Either way a bound is the version's own key and text.
BOUND_VERSIONS = [
    "0", "1.0", "v1.0", "V2", "1!2.0", "00.010", "1.2.3.4.5.6.7.8.9", "1" + "0" * 30, "18446744073709551615",
    "18446744073709551616", "9" * 4300, "7!" + "9" * 25 + ".1", "1.0a1", "1.0.post2", "1.0-3", "1.0.dev4",
    ".".join(str(n) for n in range(1, 40)),
]


@pytest.mark.parametrize("version", BOUND_VERSIONS)
def test_a_lower_bound_is_the_key_and_text_of_its_version(version):
    r = VersionRange.from_native(">=" + version, "pypi")
    assert r.key_intervals() == [(native.key(version, "pypi"), True, None, False)]
    assert r.intervals() == [(version, True, None, False)]
    assert VersionRange.from_vers(str(r)) == r


@pytest.mark.parametrize(
    ("release", "next_release"),
    [("1", "2"), ("1.2", "1.3"), ("1!0.9", "1!0.10"), ("v3.0.0.0", "3.0.0.1"), ("1.99", "1.100"),
     ("0.0" + ".9" * 12, "0.0" + ".9" * 11 + ".10"), ("1." + "9" * 30, "1.1" + "0" * 30)],
)
def test_a_wildcard_runs_from_its_release_to_the_next(release, next_release):
    held = VersionRange.from_native(f">={release}.dev0,<{next_release}.dev0", "pypi")
    assert VersionRange.from_native(f"=={release}.*", "pypi") == held
    assert VersionRange.from_native(f"!={release}.*", "pypi") == ~held


@pytest.mark.parametrize(
    "parts",
    [[">=1.0", "!=1.5", "!=1.6", "!=1.7", "<2"], ["!=3.1.*", ">=2.7", "!=3.0.*", "<4", "!=2.7.1"],
     ["~=1.4.5", "!=1.4.7", "!=1.4.6", "!=1.4.9.*"], ["!=1.0", "!=1.0", "!=0.9", "!=2.0+local"]],
)
def test_a_long_set_is_the_intersection_of_its_specifiers(parts):
    one_by_one = VersionRange.from_native(parts[0], "pypi")
    for part in parts[1:]:
        one_by_one &= VersionRange.from_native(part, "pypi")
    whole = VersionRange.from_native(",".join(parts), "pypi")
    assert whole == one_by_one
    assert whole.intervals() == one_by_one.intervals()
    assert VersionRange.from_vers(str(whole)) == whole


def test_ecosystem_names_in_turn_each_name_their_own():
    names = ["pypi", "npm", "pypi", "PyPI", "pypx", "pypi", "pypi\0", "Debian:12", "pypí", "p" * 40, "pypi"]
    expected = ["pypi", "npm", "pypi", "pypi", None, "pypi", None, "deb", None, None, "pypi"]
    for name, ecosystem in zip(names, expected):
        if ecosystem is None:
            with pytest.raises(ValueError, match="^unsupported ecosystem"):
                VersionRange.from_native(">= 1.0", name)
        else:
            assert VersionRange.from_native(">= 1.0", name).ecosystem == ecosystem

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
