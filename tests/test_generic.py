"""The generic scheme's ordering and the admission checks of its family."""

import functools
import itertools

import pytest
from hypothesis import given
from hypothesis import strategies as st

import tambry

MAX_U64 = "18446744073709551615"


@pytest.mark.parametrize(
    ("a", "expected", "b"),
    [
        ("1.0", 0, "1.0.0"),
        ("1.0", 0, "1"),
        ("1.0a", -1, "1.0"),
        ("1.0-rc1", -1, "1.0"),
        ("1.0-SNAPSHOT", -1, "1.0"),
        ("1.0-SNAPSHOT", 1, "1.0-rc1"),
        ("1.0.post1", 1, "1.0"),
        ("1.0^1", 1, "1.0"),
        ("1.0^1", -1, "1.0.post1"),
        ("1.0~rc1", -1, "1.0"),
        ("1.0~", -1, "1.0-dev"),
        ("1.0-dev", -1, "1.0a"),
        ("1.0a", 0, "1.0alpha"),
        ("1.0b2", 0, "1.0-beta-2"),
        ("1.0m1", 0, "1.0.milestone.1"),
        ("1.0rc1", 0, "1.0c1"),
        ("1.0cr1", 0, "1.0-preview1"),
        ("1.0pre1", 0, "1.0rc1"),
        ("1.0-sp1", 0, "1.0-post1"),
        ("1.0-p1", 0, "1.0-patch1"),
        ("1.0-alpha", -1, "1.0-alpha.1"),
        ("1.0.0-beta.2", -1, "1.0.0-beta.11"),
        ("1.2", -1, "1.10"),
        ("1.0-final", -1, "1.0"),
        ("1.0-foo", 1, "1.0-bar"),
        ("1.0-abc", -1, "1.0-abcd"),
        ("1.0-foo", 1, "1.0-snapshot"),
        ("1.0-foo", -1, "1.0^"),
        ("1.0", -1, "1.post1"),
        ("1.0.1", 1, "1.post1"),
        ("1.a", -1, "1.0.a"),
        ("1.0.0a", -1, "1.0.0.0"),
        ("1:1.0", 1, "2.0"),
        ("1.0+a", 0, "1.0+b"),
        ("v1.0", 0, "1.0"),
        ("1.0-Foo", 0, "1.0-foo"),
        ("", 0, "0.0"),
        # Edge cases around the same rules.
        ("1:0", 1, "99.99"),
        ("0:1.0", 0, "1.0"),
        ("1!0", 1, "99.99"),
        ("1.0-snapshot", -1, "1.0-final"),
        ("1.0-ab", -1, "1.0-abc"),
        ("1.0-abc", -1, "1.0-ac"),
        ("1.0-abc", 1, "1.0-b"),
        ("1.0-alphas", 1, "1.0-snapshot"),
        ("1.1", 1, "1.post"),
        ("1.0.0", -1, "1.0.post"),
        ("1.0.0.rc1", 1, "1.0.rc1"),
        ("1.0.0.rc1", -1, "1.0"),
        ("", 0, "0"),
        ("   ", 0, "0.0.0"),
        ("007.1", 0, "7.1"),
        ("1.0-x86_64", 1, "1.0-x86"),
        ("1.0 beta 2", 0, "1.0-beta.2"),
        ("1.0\u00e91", 0, "1.0.1"),
        ("\u3000 1.0 \xa0", 0, "1.0"),
        ("1+2:3", 0, "1"),
        ("vv1", -1, "1"),
        (MAX_U64, 0, "18446744073709551616"),
        (MAX_U64, 0, "1" * 1000),
        ("99999999999999999999:1.0", 0, MAX_U64 + ".1"),
        (MAX_U64 + ":2", 1, "18446744073709551616:2"),
    ],
)
def test_generic_ordering(a, expected, b):
    assert tambry.compare(a, b, "generic") == expected
    assert tambry.compare(b, a, "generic") == -expected


def test_generic_is_the_default_and_docker_is_generic():
    pairs = [("1.0", "1.0.0"), ("1.0-rc1", "1.0"), ("1.0.post1", "1.0"), ("latest", "1.0")]
    for a, b in pairs:
        assert tambry.compare(a, b) == tambry.compare(a, b, "generic")
        assert tambry.compare(a, b, "docker") == tambry.compare(a, b, "generic")


def test_cycle_stays_as_specified():
    # Words weighing 30 or more break transitivity; each pair keeps its own answer.
    assert tambry.lt("1", "1.post1")
    assert tambry.lt("1.post1", "1.0.rc1")
    assert tambry.lt("1.0.rc1", "1")


@pytest.mark.parametrize(("a", "b"), [("1.0", "1.0.0"), ("1.0-rc1", "1.0"), ("2.0", "1.0-post1")])
def test_relations_follow_compare(a, b):
    order = tambry.compare(a, b)
    assert tambry.eq(a, b) is (order == 0)
    assert tambry.ne(a, b) is (order != 0)
    assert tambry.lt(a, b) is (order < 0)
    assert tambry.gt(a, b) is (order > 0)
    assert tambry.le(a, b) is tambry.lte(a, b) is (order <= 0)
    assert tambry.ge(a, b) is tambry.gte(a, b) is (order >= 0)


LEADING_DIGIT_SCHEMES = [
    ("ruby", "Ruby gem"),
    ("maven", "Maven"),
    ("nuget", "NuGet"),
    ("alpine", "Alpine"),
    ("calver", "CalVer"),
    ("composer", "Composer"),
]


def rejection(text, ecosystem):
    with pytest.raises(ValueError) as first:
        tambry.compare(text, "1.0", ecosystem)
    with pytest.raises(ValueError) as second:
        tambry.compare("1.0", text, ecosystem)
    assert str(first.value) == str(second.value)
    return str(first.value)


@pytest.mark.parametrize(("ecosystem", "word"), LEADING_DIGIT_SCHEMES)
@pytest.mark.parametrize("text", ["", "   ", "\u3000\t"])
def test_empty_text_message(ecosystem, word, text):
    assert rejection(text, ecosystem) == f"empty {word} version"


@pytest.mark.parametrize(("ecosystem", "word"), LEADING_DIGIT_SCHEMES)
@pytest.mark.parametrize("text", ["x1", "v", "vx1", " -1 ", "\u200b1.0", "\ufeff1.0", "\x1c1.0"])
def test_must_start_with_digit_message(ecosystem, word, text):
    assert rejection(text, ecosystem) == f"{word} version must start with a digit: '{text}'"


@pytest.mark.parametrize(("ecosystem", "word"), LEADING_DIGIT_SCHEMES)
def test_v_prefix_is_admitted_by_composer_only(ecosystem, word):
    if ecosystem == "composer":
        assert tambry.compare(" v1.0", "V1.0.0", ecosystem) == 0
    else:
        assert rejection(" v1.0", ecosystem) == f"{word} version must start with a digit: ' v1.0'"


@pytest.mark.parametrize(
    ("text", "message"),
    [
        ("", "empty PEP 440 version: ''"),
        ("   ", "empty PEP 440 version: '   '"),
        ("1!", "empty PEP 440 version: '1!'"),
        ("1!+abc", "empty PEP 440 version: '1!+abc'"),
        ("+1.0", "empty PEP 440 version: '+1.0'"),
        ("!2.0", "invalid PEP 440 epoch: ''"),
        ("a!2.0", "invalid PEP 440 epoch: 'a'"),
        (" 1a!2.0", "invalid PEP 440 epoch: '1a'"),
        ("v!1", "invalid PEP 440 epoch: 'v'"),
        ("1!v2.0", "PEP 440 version must start with a digit: '1!v2.0'"),
        (" x1 ", "PEP 440 version must start with a digit: ' x1 '"),
        ("vv1", "PEP 440 version must start with a digit: 'vv1'"),
    ],
)
def test_pep440_messages(text, message):
    assert rejection(text, "pep440") == message


@pytest.mark.parametrize(
    ("ecosystem", "a", "expected", "b"),
    [
        ("ruby", "  1.0 ", 0, "1.0"),
        ("maven", "1.0.0.RELEASE", -1, "1.0"),
        ("maven", "1.0-SNAPSHOT", -1, "1.0-final"),
        ("nuget", "1.0-SNAPSHOT", -1, "1.0"),
        # No ecosystem rule beyond admission: "r" is an unlisted word, below a release.
        ("alpine", "1.2.3-r1", -1, "1.2.3"),
        ("calver", "2024.01.15", 1, "2023.12"),
        ("composer", "v2.0", 0, "2.0"),
        ("pep440", "v1.0", 0, "1.0"),
        ("pep440", "1!2.0", 1, "3.0"),
        ("pep440", "1!2!3", 0, "1:2.3"),
        ("pep440", "1:2.0", 1, "3.0"),
        ("pep440", "99999999999999999999!1.0", 0, MAX_U64 + ".1"),
        ("pep440", "1.0a1.post2", -1, "1.0"),
    ],
)
def test_admitted_texts_order_generically(ecosystem, a, expected, b):
    assert tambry.compare(a, b, ecosystem) == expected


# Texts over an alphabet that reaches every rule of the scheme, markers included.
generic_text = st.text(alphabet="0129.-_+~^:!vVaAbcdeoprst \u00e9", max_size=12)


@given(generic_text, generic_text)
def test_antisymmetric(a, b):
    assert tambry.compare(a, b) == -tambry.compare(b, a)


# Without "p" and "^" no word can weigh 30 or more, and then the order is total.
light_text = st.text(alphabet="0129.-_+~:!vVaAbcdemrst", max_size=10)


@given(st.lists(light_text, min_size=2, max_size=8))
def test_total_order_without_post_release_words(versions):
    ordered = sorted(versions, key=functools.cmp_to_key(tambry.compare))
    for low, high in itertools.combinations(ordered, 2):
        assert tambry.compare(low, high) <= 0
