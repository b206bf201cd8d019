"""Strict Semantic Versioning: rejection messages, precedence and trimming."""

import functools
import itertools

import pytest
from hypothesis import given
from hypothesis import strategies as st

import tambry


def semver_error(a, b="1.0.0"):
    with pytest.raises(ValueError) as caught:
        tambry.compare_semver_strict(a, b)
    return str(caught.value)


@pytest.mark.parametrize(
    ("text", "message"),
    [
        ("", "Expected 3 parts, got 1"),
        ("   ", "Expected 3 parts, got 1"),
        ("v", "Expected 3 parts, got 1"),
        ("vx", "Expected 3 parts, got 1"),
        ("v.1.2.3", "Expected 3 parts, got 4"),
        ("1.2", "Expected 3 parts, got 2"),
        ("1.2.3.4", "Expected 3 parts, got 4"),
        ("1.2-3.4", "Expected 3 parts, got 2"),
        ("1..3", "empty minor"),
        ("1.2.", "empty patch"),
        (".1.2", "empty major"),
        ("vv1.2.3", "invalid major: 'vv1'"),
        ("=1.2.3", "invalid major: '=1'"),
        ("1.x.3", "invalid minor: 'x'"),
        ("1.2.x", "invalid patch: 'x'"),
        ("01.2.3", "leading zero in major: '01'"),
        ("0x.2.3", "leading zero in major: '0x'"),
        ("1.00.3", "leading zero in minor: '00'"),
        ("18446744073709551616.0.0", "invalid major: '18446744073709551616'"),
        ("1.2.3-", "empty prerelease"),
        ("1.2.3-+meta", "empty prerelease"),
        ("1.2.3-a..b", "empty identifier in prerelease"),
        ("1.2.3-a.", "empty identifier in prerelease"),
        ("1.0.0-rc_1", "invalid character in prerelease identifier: 'rc_1'"),
        ("1.0.0-rc.\u00e91", "invalid character in prerelease identifier: '\u00e91'"),
        ("1.2.3-rc.01", "leading zero in numeric prerelease identifier: '01'"),
        (
            "1.2.3-18446744073709551616",
            "numeric prerelease identifier out of range for u64: '18446744073709551616'",
        ),
    ],
)
def test_rejection_message(text, message):
    assert semver_error(text) == message
    assert semver_error("1.0.0", text) == message


@pytest.mark.parametrize(
    ("text", "message"),
    [
        # Part count is checked before any number, numbers before the pre-release.
        ("01.x", "Expected 3 parts, got 2"),
        ("01.x.3", "leading zero in major: '01'"),
        ("1.x.y", "invalid minor: 'x'"),
        ("x.1.2-", "invalid major: 'x'"),
        ("1.2.3-..a_b", "empty identifier in prerelease"),
        ("1.2.3-a_b.01", "invalid character in prerelease identifier: 'a_b'"),
        ("1.2.3-01.a_b", "leading zero in numeric prerelease identifier: '01'"),
    ],
)
def test_first_fault_decides_the_message(text, message):
    assert semver_error(text) == message


def test_message_names_the_first_bad_argument():
    assert semver_error("1.2", "x") == "Expected 3 parts, got 2"
    assert semver_error("1.2.3", "1.2") == "Expected 3 parts, got 2"


@pytest.mark.parametrize(
    "text",
    [
        "0.0.0",
        "18446744073709551615.0.0",
        "1.2.3-18446744073709551615",
        "1.2.3-0",
        "1.2.3-0a",
        "1.2.3--",
        "1.0.0+",
        "1.0.0+a+b",
        "1.0.0+build_\u00fc",
        "v0.0.0-20200101120000-abcdef012345",
    ],
)
def test_accepted(text):
    assert tambry.compare_semver_strict(text, text) == 0


PRECEDENCE_CHAIN = [
    "1.0.0-alpha",
    "1.0.0-alpha.1",
    "1.0.0-alpha.beta",
    "1.0.0-beta",
    "1.0.0-beta.2",
    "1.0.0-beta.11",
    "1.0.0-rc.1",
    "1.0.0",
    "1.0.1",
    "1.1.0",
    "2.0.0",
]


@pytest.mark.parametrize(("low", "high"), list(itertools.combinations(PRECEDENCE_CHAIN, 2)))
def test_precedence_chain(low, high):
    assert tambry.compare_semver_strict(low, high) == -1
    assert tambry.compare_semver_strict(high, low) == 1


@pytest.mark.parametrize(
    ("a", "b", "expected"),
    [
        ("1.0.0-1", "1.0.0-a", -1),
        ("1.0.0-9", "1.0.0-10", -1),
        ("1.0.0-beta.2", "1.0.0-beta.10", -1),
        ("1.0.0-18446744073709551615", "1.0.0-9", 1),
        ("1.0.0-Alpha", "1.0.0-alpha", -1),
        ("1.0.0--", "1.0.0-0", 1),
        ("1.0.0-0a", "1.0.0-1", 1),
        ("1.0.0-a", "1.0.0-a-", -1),
        ("1.0.0-a.b", "1.0.0-a", 1),
        ("1.0.0+build.1", "1.0.0+build.2", 0),
        ("1.2.3+build-7", "1.2.3", 0),
        ("1.2.3-rc.1+build-7", "1.2.3-rc.1", 0),
        ("1.2.3-rc.1+build-7", "1.2.3", -1),
        ("10.0.0", "9.99.99", 1),
    ],
)
def test_ordering(a, b, expected):
    assert tambry.compare_semver_strict(a, b) == expected
    assert tambry.compare_semver_strict(b, a) == -expected


@pytest.mark.parametrize(
    "blank",
    ["\t", "\n", "\r", "\x0b", "\x0c", " ", "\x85", "\xa0", "\u1680", "\u2000", "\u200a",
     "\u2028", "\u2029", "\u202f", "\u205f", "\u3000"],
)
def test_white_space_is_trimmed(blank):
    assert tambry.compare_semver_strict(blank + "v1.2.3" + blank, "1.2.3") == 0


@pytest.mark.parametrize("blank", ["\x1c", "\x1d", "\x1e", "\x1f", "\u200b", "\ufeff"])
def test_other_characters_are_not_trimmed(blank):
    assert semver_error(blank + "1.2.3") == f"invalid major: '{blank}1'"
    assert semver_error("1.2.3" + blank) == f"invalid patch: '3{blank}'"


def test_v_prefix():
    assert tambry.compare_semver_strict("  v1.2.3\t", "1.2.3") == 0
    assert tambry.compare_semver_strict("V1.2.3", "1.2.3") == 0


@pytest.mark.parametrize("ecosystem", ["semver", "go"])
def test_strategies_share_parser_and_precedence(ecosystem):
    assert tambry.compare("v1.4.0", "1.4.0", ecosystem) == 0
    assert tambry.compare("1.0.0-rc.1", "1.0.0", ecosystem) == -1
    assert tambry.lt("v0.0.0-20200101120000-abcdef012345", "v0.0.0", ecosystem)
    # The pseudo-version's tail is one alphanumeric identifier, above any number.
    assert tambry.gt("v0.0.0-20200101120000-abcdef012345", "v0.0.0-99", ecosystem)
    with pytest.raises(ValueError, match=r"^Expected 3 parts, got 2$"):
        tambry.compare("1.0", "1.0.0", ecosystem)


# Generated texts mix valid versions with near misses, so both branches are hit.
near_semver = st.text(alphabet="0123456789.-+vAaz", max_size=14)


def semver_or_none(a, b):
    try:
        return tambry.compare_semver_strict(a, b)
    except ValueError:
        return None


@given(near_semver, near_semver)
def test_antisymmetric(a, b):
    forward = semver_or_none(a, b)
    backward = semver_or_none(b, a)
    if forward is not None and backward is not None:
        assert forward == -backward


numbers = st.integers(min_value=0, max_value=2**64 - 1).map(str)
identifier = st.one_of(numbers, st.from_regex(r"\A[0-9A-Za-z-]*[A-Za-z-][0-9A-Za-z-]*\Z"))
valid_semver = st.builds(
    lambda core, pre, build: ".".join(core) + (f"-{'.'.join(pre)}" if pre else "") + build,
    st.tuples(numbers, numbers, numbers),
    st.lists(identifier, max_size=3),
    st.sampled_from(["", "+b", "+x.y"]),
)


@given(st.lists(valid_semver, min_size=2, max_size=8))
def test_total_order_on_valid_versions(versions):
    ordered = sorted(versions, key=functools.cmp_to_key(tambry.compare_semver_strict))
    for low, high in itertools.combinations(ordered, 2):
        assert tambry.compare_semver_strict(low, high) <= 0
