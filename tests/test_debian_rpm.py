"""Debian and RPM package versions, through the public comparison functions."""

import itertools

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import tambry

RELATIONS = {
    "eq": lambda r: r == 0,
    "ne": lambda r: r != 0,
    "lt": lambda r: r < 0,
    "le": lambda r: r <= 0,
    "lte": lambda r: r <= 0,
    "gt": lambda r: r > 0,
    "ge": lambda r: r >= 0,
    "gte": lambda r: r >= 0,
}

NINES = "9" * 1000
NINES_THEN_EIGHT = "9" * 999 + "8"

DEBIAN_CASES = [
    # "~" sorts before everything, even the end of the text.
    ("1.0~rc1", -1, "1.0"),
    ("1.0~~", -1, "1.0~"),
    ("1.0~", -1, "1.0"),
    ("1.0", -1, "1.0+b1"),
    ("1.0~a", -1, "1.0~b"),
    ("1.0~", -1, "1.0~a"),
    # Epochs decide first; leading zeros are allowed.
    ("1:1.0", 1, "2.0"),
    ("0:1.0", 0, "1.0"),
    ("007:1.0", 0, "7:1.0"),
    # Revisions.
    ("1.0-1", -1, "1.0-2"),
    ("1.0", 0, "1.0-0"),
    ("1.0", -1, "1.0-1"),
    # Letters weigh more than digits and the end, less than other characters.
    ("1.0a", 1, "1.0"),
    ("1.a", 1, "1.1"),
    ("1.0a", -1, "1.0+"),
    ("A", -1, "a"),
    ("1.0z", -1, "1.0\u00e9"),
    # Digit runs compare by value.
    ("1.010", 1, "1.9"),
    ("1.2", -1, "1.10"),
    ("1.0", 0, "1.00"),
    ("1.0", -1, "1.0.0"),
    # The revision starts after the last "-": 1-2-3 is upstream 1-2, revision 3.
    ("1-2-3", 1, "1-10"),
    ("1.0-1-2", -1, "1.0-1-10"),
    # Without a valid epoch the colon stays in the upstream part.
    ("a:1.0", -1, "1:0"),
    ("99999999999999999999:1", -1, "1:0"),
    ("18446744073709551615:1", 1, "18446744073709551614:9"),
    ("a:1.0", 1, "a+1.0"),
    ("1:", 0, "1:0"),
    ("1:", 0, "1:-"),
    ("-", 0, "0"),
    # Surrounding white space of every kind is ignored.
    (" 1.0-1 ", 0, "1.0-1"),
    ("\u00a01.0-1\u3000", 0, "1.0-1"),
    ("\t1.0-1\u2028\u0085", 0, "1.0-1"),
    # Digit runs of any length.
    ("1." + NINES, 1, "1." + NINES_THEN_EIGHT),
    ("0000" + NINES, 0, NINES),
    ("0" * 1000 + "1", 0, "1"),
    ("1" + "0" * 1000, 1, NINES),
    (NINES + ":1.0", -1, "1:1.0"),
    # Odd bytes weigh as other characters.
    ("1.0\x00", 1, "1.0"),
    ("1" + "." * 100000 + "1", 1, "1.1"),
]

RPM_CASES = [
    ("1.0~rc1", -1, "1.0"),
    ("1.0~rc1", -1, "1.0~rc2"),
    ("1.0~", -1, "1.0"),
    ("1~", -1, "1^"),
    ("1.0", -1, "1.0^git1"),
    ("1.0^git1", -1, "1.0.1"),
    ("1.0^", 1, "1.0"),
    ("1.0^^", 1, "1.0^"),
    ("1.0^", -1, "1.0a"),
    ("1:1.0", 1, "2.0"),
    ("0:1.0", 0, "1.0"),
    ("1.0-1", -1, "1.0-2"),
    ("1.0", -1, "1.0-1"),
    ("1.0", 1, "1.0-~"),
    ("1.0", 0, "1.0-.."),
    ("1.0-1.el8", -1, "1.0-1.el9"),
    ("1.0a", 1, "1.0"),
    ("1.a", -1, "1.1"),
    ("abc", -1, "abcd"),
    ("A", -1, "a"),
    ("1.010", 1, "1.9"),
    ("2.0", -1, "10"),
    ("0", 0, "00"),
    ("1.0", -1, "1.0.0"),
    ("1_0", 0, "1.0"),
    ("1.0", 0, "1.0."),
    # The versions 1.0.0 and 1.0 decide before the releases are looked at.
    ("1.0.0", 1, "1.0-0"),
    ("1.0-1.el8-2", 1, "1.0-1.el8-1"),
    ("1:", 0, "1:-"),
    (" 1.0-1 ", 0, "1.0-1"),
    ("\u20021.0-1\u205f", 0, "1.0-1"),
    ("1." + NINES, 1, "1." + NINES_THEN_EIGHT),
    ("0" * 1000 + "1", 0, "1"),
    ("1" + "0" * 1000, 1, NINES),
    # Every byte that is not a letter, a digit, "~" or "^" only separates.
    ("1.0\x00", 0, "1.0"),
    ("1.0\u00e9", 0, "1.0"),
    ("1" + "." * 100000 + "1", 0, "1.1"),
    ("1" + "-" * 100000 + "1", 0, "1-1"),
]


def _case_id(case):
    a, expected, b = case
    return f"{a[:20]!r}{'<=>'[expected + 1]}{b[:20]!r}"


@pytest.mark.parametrize("case", DEBIAN_CASES, ids=_case_id)
def test_debian_order(case):
    a, expected, b = case
    assert tambry.compare(a, b, ecosystem="debian") == expected
    assert tambry.compare(b, a, ecosystem="debian") == -expected


@pytest.mark.parametrize("case", RPM_CASES, ids=_case_id)
def test_rpm_order(case):
    a, expected, b = case
    assert tambry.compare(a, b, ecosystem="rpm") == expected
    assert tambry.compare(b, a, ecosystem="rpm") == -expected


@pytest.mark.parametrize("name", ["debian", "rpm"])
@pytest.mark.parametrize("relation", sorted(RELATIONS))
@pytest.mark.parametrize("a, b", [("1.0~rc1", "1.0"), ("1.0", "1.0"), ("1:0.1", "2.0")])
def test_relations_follow_compare(name, relation, a, b):
    expected = RELATIONS[relation](tambry.compare(a, b, name))
    assert getattr(tambry, relation)(a, b, name) is expected


@pytest.mark.parametrize(
    "name, message", [("debian", "empty Debian version"), ("rpm", "empty RPM version")]
)
@pytest.mark.parametrize("blank", ["", " ", "\t\n\r", "\u3000", "\u00a0 \u2029"])
def test_empty_versions_are_rejected(name, message, blank):
    with pytest.raises(ValueError) as first:
        tambry.compare(blank, "1.0", name)
    assert str(first.value) == message
    with pytest.raises(ValueError) as second:
        tambry.compare("1.0", blank, name)
    assert str(second.value) == message
    with pytest.raises(ValueError):
        tambry.lt("1.0", blank, name)


@pytest.mark.parametrize("name", ["debian", "deb", "dpkg", "DPKG", "rpm", "redhat", "RedHat"])
def test_aliases_reach_the_package_schemes(name):
    assert tambry.compare("1.0~rc1", "1.0", name) == -1
    assert tambry.compare("1:1.0", "2.0", name) == 1


# Plain reimplementations of the two orders, for checking generated texts.


def _debian_weight(text, pos):
    if pos >= len(text) or text[pos].isdigit():
        return 0
    c = text[pos]
    if c == "~":
        return -1
    return ord(c) if c.isalpha() else ord(c) + 256


def _verrevcmp(a, b):
    i = j = 0
    while i < len(a) or j < len(b):
        while (i < len(a) and not a[i].isdigit()) or (j < len(b) and not b[j].isdigit()):
            diff = _debian_weight(a, i) - _debian_weight(b, j)
            if diff:
                return (diff > 0) - (diff < 0)
            i, j = min(i + 1, len(a)), min(j + 1, len(b))
        start_a, start_b = i, j
        while i < len(a) and a[i].isdigit():
            i += 1
        while j < len(b) and b[j].isdigit():
            j += 1
        x, y = int(a[start_a:i] or "0"), int(b[start_b:j] or "0")
        if x != y:
            return (x > y) - (x < y)
    return 0


def _split(text):
    head, colon, rest = text.partition(":")
    if not (colon and head.isdigit() and int(head) < 2**64):
        head, rest = "0", text
    main, dash, tail = rest.rpartition("-")
    return (int(head), main, tail) if dash else (int(head), rest, "")


def _debian_reference(a, b):
    (ea, ua, ra), (eb, ub, rb) = _split(a), _split(b)
    if ea != eb:
        return (ea > eb) - (ea < eb)
    return _verrevcmp(ua, ub) or _verrevcmp(ra, rb)


ALPHABET = "0123456789.-~^+:aAzZ"
versions = st.text(alphabet=ALPHABET, min_size=1, max_size=12)
short_versions = st.text(alphabet="01.-~^:aZ", min_size=1, max_size=5)


@settings(max_examples=500)
@given(versions, versions)
def test_debian_matches_reference(a, b):
    assert tambry.compare(a, b, "debian") == _debian_reference(a, b)


@pytest.mark.parametrize("name", ["debian", "rpm"])
@settings(max_examples=300)
@given(a=versions, b=versions)
def test_antisymmetry(name, a, b):
    assert tambry.compare(a, b, name) == -tambry.compare(b, a, name)
    assert tambry.compare(a, a, name) == 0


@pytest.mark.parametrize("name", ["debian", "rpm"])
@settings(max_examples=500)
@given(a=short_versions, b=short_versions, c=short_versions)
def test_transitivity(name, a, b, c):
    for x, y, z in itertools.permutations((a, b, c)):
        xy, yz = tambry.compare(x, y, name), tambry.compare(y, z, name)
        if xy <= 0 and yz <= 0:
            assert tambry.compare(x, z, name) <= 0
        if xy == 0 and yz == 0:
            assert tambry.compare(x, z, name) == 0
