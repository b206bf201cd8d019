"""max_version, min_version, sort_versions and batch_compare."""

import collections
import functools

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import tambry
from helpers import ECOSYSTEM_LIST, raises_exactly, unsupported
from tambry import Version, batch_compare, max_version, min_version, sort_versions



class Text(str):
    """A str the module cannot have made itself: results must be these very objects."""


def texts(*values):
    return [Text(v) for v in values]


def same_objects(got, expected):
    return len(got) == len(expected) and all(g is e for g, e in zip(got, expected))


class Seq:
    """A sequence known to the interpreter only through __len__ and __getitem__."""

    def __init__(self, items):
        self.items = list(items)

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        return self.items[i]


class GetItemOnly:
    """The old iteration protocol: __getitem__ until IndexError."""

    def __init__(self, items):
        self.items = list(items)

    def __getitem__(self, i):
        return self.items[i]


# ---------------------------------------------------------------------------
# Tie rules and identity
# ---------------------------------------------------------------------------


def test_max_returns_last_of_greatest_and_min_first_of_least():
    short, long = texts("1.0", "1.0.0")
    assert max_version([short, long]) is long
    assert min_version([short, long]) is short
    assert max_version([long, short]) is short
    assert min_version([long, short]) is long


def test_ties_among_many():
    items = texts("0.5", "2", "2.0", "0.5.0", "v2.0.0+b", "1", "0.5.0.0")
    assert max_version(items) is items[4]
    assert min_version(items) is items[0]


def test_sort_is_stable():
    items = texts("1.0.0", "1.0", "0.9")
    result = sort_versions(items)
    assert type(result) is list
    assert same_objects(result, [items[2], items[0], items[1]])
    assert items == ["1.0.0", "1.0", "0.9"]  # input left alone


def test_synonyms_tie_in_input_order():
    items = texts("1.0c1", "1.0rc1", "1.0a", "1.0pre1", "1.0alpha", "1.0preview1")
    result = sort_versions(items)
    assert same_objects(result, [items[2], items[4], items[0], items[1], items[3], items[5]])
    assert max_version(items) is items[5]
    assert min_version(items) is items[2]


def test_version_elements_come_back_as_themselves():
    a, b, c = Version("2.0"), Version("1.0", "semver"), Version("1.5")
    s = Text("1.2")
    items = [a, b, s, c]
    assert max_version(items) is a
    assert min_version(items) is b
    assert same_objects(sort_versions(items), [b, s, c, a])
    assert batch_compare([(a, b), (s, c)]) == [1, -1]


def test_single_element():
    (only,) = texts("7.1")
    assert max_version([only]) is only
    assert min_version([only]) is only
    assert same_objects(sort_versions([only]), [only])
    v = Version("3")
    assert max_version((v,)) is v


@pytest.mark.parametrize(
    "container",
    [list, tuple, Seq, GetItemOnly, collections.deque, collections.UserList],
    ids=lambda c: c.__name__,
)
def test_sequence_kinds_accepted(container):
    items = texts("1.10", "1.9", "1.10rc1")
    seq = container(items)
    assert max_version(seq) is items[0]
    assert min_version(seq) is items[1]
    assert same_objects(sort_versions(seq), [items[1], items[2], items[0]])
    pairs = container([(items[0], items[1]), (items[1], items[1])])
    assert batch_compare(pairs) == [1, 0]


def test_empty_range_and_range_of_ints():
    assert sort_versions(range(0)) == []
    assert batch_compare(range(0)) == []
    with raises_exactly(ValueError, "empty sequence"):
        max_version(range(0))
    with raises_exactly(TypeError, "expected Version or str"):
        max_version(range(3))
    with raises_exactly(TypeError, "argument 'pairs': 'int' object is not an instance of 'tuple'"):
        batch_compare(range(3))


class Pair(tuple):
    pass


def test_tuple_subclass_pairs_accepted():
    Point = collections.namedtuple("Point", "a b")
    assert batch_compare([Point("1.0", "2.0"), Pair(("2", "1")), ("1", "1.0")]) == [-1, 1, 0]


def test_results_are_plain_ints():
    result = batch_compare([("1", "2"), ("2", "2.0"), ("3", "2")])
    assert result == [-1, 0, 1]
    assert all(type(x) is int for x in result)


def test_keywords():
    items = texts("2", "1")
    assert max_version(versions=items, ecosystem="generic") is items[0]
    assert min_version(ecosystem="generic", versions=items) is items[1]
    assert same_objects(sort_versions(versions=items), [items[1], items[0]])
    assert batch_compare(pairs=[("1", "2")], ecosystem="docker") == [-1]


# ---------------------------------------------------------------------------
# Argument errors
# ---------------------------------------------------------------------------

VERSION_FUNCTIONS = [max_version, min_version, sort_versions]


@pytest.mark.parametrize("fn", VERSION_FUNCTIONS + [batch_compare], ids=lambda f: f.__name__)
def test_binding_errors(fn):
    name = fn.__name__
    first = "pairs" if fn is batch_compare else "versions"
    with raises_exactly(TypeError, f"{name}() missing 1 required positional argument: '{first}'"):
        fn()
    with raises_exactly(TypeError, f"{name}() takes from 1 to 2 positional arguments but 3 were given"):
        fn([], "generic", None)
    with raises_exactly(TypeError, f"{name}() got an unexpected keyword argument 'eco'"):
        fn([], eco="generic")
    with raises_exactly(TypeError, f"{name}() got multiple values for argument '{first}'"):
        fn([], **{first: []})


@pytest.mark.parametrize("fn", VERSION_FUNCTIONS + [batch_compare], ids=lambda f: f.__name__)
@pytest.mark.parametrize(
    "arg, own_message",
    [
        ("1.0", "Can't extract `str` to `Vec`"),
        ("", "Can't extract `str` to `Vec`"),
        (1, "'int' object is not an instance of 'Sequence'"),
        (None, "'None' is not an instance of 'Sequence'"),
        ({"1.0": 1}, "'dict' object is not an instance of 'Sequence'"),
        ({"1.0"}, "'set' object is not an instance of 'Sequence'"),
        ((x for x in ["1.0"]), "'generator' object is not an instance of 'Sequence'"),
        (iter(["1.0"]), "'list_iterator' object is not an instance of 'Sequence'"),
        (Version("1.0"), "'Version' object is not an instance of 'Sequence'"),
    ],
)
def test_sequence_argument_refused(fn, arg, own_message):
    name = "pairs" if fn is batch_compare else "versions"
    with raises_exactly(TypeError, f"argument '{name}': {own_message}"):
        fn(arg)
    # The sequence is converted before the ecosystem.
    with raises_exactly(TypeError, f"argument '{name}': {own_message}"):
        fn(arg, None)


@pytest.mark.parametrize("fn", VERSION_FUNCTIONS + [batch_compare], ids=lambda f: f.__name__)
@pytest.mark.parametrize(
    "ecosystem, message",
    [
        (None, "argument 'ecosystem': 'None' is not an instance of 'str'"),
        (b"generic", "argument 'ecosystem': 'bytes' object is not an instance of 'str'"),
    ],
)
def test_ecosystem_must_be_str(fn, ecosystem, message):
    with raises_exactly(TypeError, message):
        fn([], ecosystem)


class FailingSeq:
    def __init__(self, exc):
        self.exc = exc

    def __len__(self):
        return 2

    def __getitem__(self, i):
        if i == 0:
            return "1.0"
        raise self.exc


@pytest.mark.parametrize("fn", VERSION_FUNCTIONS, ids=lambda f: f.__name__)
def test_failure_while_reading_the_sequence(fn):
    with raises_exactly(TypeError, "argument 'versions': boom"):
        fn(FailingSeq(TypeError("boom")))
    with raises_exactly(ValueError, "boom"):
        fn(FailingSeq(ValueError("boom")))
    root = KeyError("root")
    failing = TypeError("boom")
    failing.__cause__ = root
    with raises_exactly(TypeError, "argument 'versions': boom") as info:
        fn(FailingSeq(failing))
    assert info.value.__cause__ is root


@pytest.mark.parametrize(
    "pairs, exc_type, message",
    [
        ([["1", "2"]], TypeError, "argument 'pairs': 'list' object is not an instance of 'tuple'"),
        ([("1", "2"), ["1", "2"]], TypeError, "argument 'pairs': 'list' object is not an instance of 'tuple'"),
        (["12"], TypeError, "argument 'pairs': 'str' object is not an instance of 'tuple'"),
        ([None], TypeError, "argument 'pairs': 'None' is not an instance of 'tuple'"),
        ([Version("1")], TypeError, "argument 'pairs': 'Version' object is not an instance of 'tuple'"),
        ([("1", "2", "3")], ValueError, "expected tuple of length 2, but got tuple of length 3"),
        ([("1",)], ValueError, "expected tuple of length 2, but got tuple of length 1"),
        ([()], ValueError, "expected tuple of length 2, but got tuple of length 0"),
        # Every pair is converted before any is compared.
        ([(1, "2"), ["1", "2"]], TypeError, "argument 'pairs': 'list' object is not an instance of 'tuple'"),
        ([("1", "2"), ("1", "2", "3")], ValueError, "expected tuple of length 2, but got tuple of length 3"),
    ],
)
def test_pairs_errors(pairs, exc_type, message):
    with raises_exactly(exc_type, message):
        batch_compare(pairs)
    # Pair conversion also comes before the ecosystem name is examined.
    with raises_exactly(exc_type, message):
        batch_compare(pairs, "bogus")


# ---------------------------------------------------------------------------
# Empty input and ecosystem resolution
# ---------------------------------------------------------------------------


@pytest.mark.parametrize("fn", [max_version, min_version], ids=lambda f: f.__name__)
@pytest.mark.parametrize("args", [(), ("generic",), ("auto",), ("bogus",), (" auto",)])
@pytest.mark.parametrize("empty", [[], (), range(0)])
def test_empty_sequence_comes_before_the_ecosystem(fn, args, empty):
    with raises_exactly(ValueError, "empty sequence"):
        fn(empty, *args)


@pytest.mark.parametrize("fn", [sort_versions, batch_compare], ids=lambda f: f.__name__)
def test_empty_input_for_sort_and_batch(fn):
    assert fn([]) == []
    assert fn([], "auto") == []
    assert fn([], "AUTO") == []
    assert fn((), "npm") == []
    with raises_exactly(ValueError, unsupported("bogus")):
        fn([], "bogus")
    with raises_exactly(ValueError, unsupported(" auto")):
        fn([], " auto")


@pytest.mark.parametrize("fn", VERSION_FUNCTIONS, ids=lambda f: f.__name__)
def test_ecosystem_resolved_before_elements(fn):
    with raises_exactly(ValueError, unsupported("bogus")):
        fn([1, "1.0"], "bogus")
    with raises_exactly(ValueError, unsupported("foo")):
        fn(["1.0", None], "FOO")
    # Under auto the first element must be able to name an ecosystem.
    with raises_exactly(TypeError, "expected Version or str"):
        fn([1, "1.0"], "auto")
    with raises_exactly(TypeError, "expected Version or str"):
        fn(["\ud800", "1.0"], "auto")


def test_batch_compare_resolves_name_before_pairs():
    with raises_exactly(ValueError, unsupported("bogus")):
        batch_compare([(1, 2)], "bogus")


# Debian and the generic scheme disagree on 1.0a against 1.0 and on 1.0~a against 1.0~1.
@pytest.mark.parametrize(
    "first, ecosystem, expected_order",
    [
        ("1.0~rc1", "auto", ["1.0~rc1", "1.0", "1.0a"]),
        ("1.0~rc1", "Auto", ["1.0~rc1", "1.0", "1.0a"]),
        ("1.0~rc1", "generic", ["1.0~rc1", "1.0a", "1.0"]),
        ("1.0~rc1", "debian", ["1.0~rc1", "1.0", "1.0a"]),
        (Version("1.0~rc1"), "auto", ["1.0~rc1", "1.0", "1.0a"]),
        (Version("1.0~rc1", "generic"), "auto", ["1.0~rc1", "1.0a", "1.0"]),
        (Version("1.2", "debian"), "auto", ["1.0", "1.0a", "1.2"]),
        (Version("1.2", "debian"), "generic", ["1.0a", "1.0", "1.2"]),
    ],
)
def test_auto_detects_from_the_first_element(first, ecosystem, expected_order):
    items = [first, Text("1.0a"), Text("1.0")]
    result = sort_versions(items, ecosystem)
    assert [str(x) for x in result] == expected_order
    by_text = {str(x): x for x in items}
    assert same_objects(result, [by_text[t] for t in expected_order])
    assert max_version(items, ecosystem) is by_text[expected_order[-1]]
    assert min_version(items, ecosystem) is by_text[expected_order[0]]


@pytest.mark.parametrize("fn", VERSION_FUNCTIONS, ids=lambda f: f.__name__)
@pytest.mark.parametrize(
    "items, message",
    [
        (["1.0-SNAPSHOT", "1.0", "abc"], "Maven version must start with a digit: 'abc'"),
        (["1!2.0", "abc"], "PEP 440 version must start with a digit: 'abc'"),
        ([Version("1.0.0", "semver"), "1.0.0", Version("1.0")], "Expected 3 parts, got 2"),
    ],
)
def test_auto_may_reject_later_elements(fn, items, message):
    with raises_exactly(ValueError, message):
        fn(items, "auto")
    assert fn(items) is not None  # fine under the default generic scheme


def test_batch_compare_detects_per_pair():
    pairs = [("1.0~a", "1.0~1"), ("1.0.0", "1.0"), ("1.0a1", "1.0b1"), ("1.0-1.el8", "1.0-2.el8")]
    # Pair 1 is Debian; pair 2 generic (under Debian it would be 1).
    assert batch_compare(pairs, "auto") == [1, 0, -1, -1]
    assert batch_compare(pairs) == [-1, 0, -1, -1]
    assert batch_compare(pairs, "debian") == [1, 1, -1, -1]


def test_batch_compare_auto_uses_version_labels():
    a = Version("1.0a", "debian")
    b = Version("1.0a", "generic")
    assert batch_compare([(a, "1.0"), (b, "1.0"), ("1.0", a)], "auto") == [1, -1, 1]


@pytest.mark.parametrize(
    "pairs, ecosystem, exc_type, message",
    [
        ([("1.0.0", "1.0.1"), (1, "1.0")], "auto", TypeError, "expected Version or str"),
        ([("1.0.0", "1.0.1"), ("1.0", 1)], "generic", TypeError, "expected Version or str"),
        ([("1.0.0", "1.0.1"), ("1.0", 1)], "semver", ValueError, "Expected 3 parts, got 2"),
        ([("1.0.0", "1.0.1"), ("1.0.0", "1.0")], "npm", ValueError, "Expected 3 parts, got 2"),
        ([(Version("1.0.0", "semver"), Version("2"))], "auto", ValueError, "Expected 3 parts, got 1"),
        ([("1!0", "1.0"), ("a!1.0", "1.0")], "auto", ValueError, "invalid PEP 440 epoch: 'a'"),
    ],
)
def test_batch_compare_errors(pairs, ecosystem, exc_type, message):
    with raises_exactly(exc_type, message):
        batch_compare(pairs, ecosystem)


# ---------------------------------------------------------------------------
# Every element is checked
# ---------------------------------------------------------------------------


@pytest.mark.parametrize("fn", VERSION_FUNCTIONS, ids=lambda f: f.__name__)
@pytest.mark.parametrize(
    "items, ecosystem, exc_type, message",
    [
        # The greatest and least are seen before the bad element.
        (["9.9.9", "0.0.1", "1.0"], "semver", ValueError, "Expected 3 parts, got 2"),
        (["9.9.9", "0.0.1", 5], "semver", TypeError, "expected Version or str"),
        (["9.9.9", "0.0.1", None], "generic", TypeError, "expected Version or str"),
        (["9.9.9", b"1.0", "0.0.1"], "generic", TypeError, "expected Version or str"),
        (["1.0", "\ud800"], "generic", TypeError, "expected Version or str"),
        # The first failure wins.
        (["1.0", 5], "semver", ValueError, "Expected 3 parts, got 2"),
        ([5, "1.0"], "semver", TypeError, "expected Version or str"),
        (["1.0.0", "1.x.0", "1"], "npm", ValueError, "invalid minor: 'x'"),
        # A lone element is parsed too.
        (["1.0"], "semver", ValueError, "Expected 3 parts, got 2"),
        ([Version("1.0")], "crates", ValueError, "Expected 3 parts, got 2"),
        (["x"], "maven", ValueError, "Maven version must start with a digit: 'x'"),
    ],
)
def test_invalid_element_anywhere_raises(fn, items, ecosystem, exc_type, message):
    snapshot = list(items)
    with raises_exactly(exc_type, message):
        fn(items, ecosystem)
    assert items == snapshot


# ---------------------------------------------------------------------------
# Properties
# ---------------------------------------------------------------------------

# No word weighing 30 or more: the generic order is total here.
ACYCLIC_TOKENS = ["0", "1", "2", "10", ".", "-", "a", "alpha", "rc", "c", "dev", "~", "foo", "snapshot", "b"]
acyclic_text = st.lists(st.sampled_from(ACYCLIC_TOKENS), max_size=6).map("".join)

CYCLE_MEMBERS = ["1", "1.post1", "1.0.rc1", "1.0", "1.p", "1.0.0.rc1", "1^", "1.sp", "1.0.patch2", "1a", "1.0^"]
ANY_TOKENS = ACYCLIC_TOKENS + ["p", "post", "^", "sp", "patch"]
any_text = st.lists(st.sampled_from(ANY_TOKENS), max_size=6).map("".join)


def as_objects(strings, data):
    """Fresh objects, some wrapped as Version with random labels."""
    out = []
    for s in strings:
        if data.draw(st.booleans()):
            out.append(Version(s, data.draw(st.sampled_from(["generic", "debian", "semver"]))))
        else:
            out.append(Text(s))
    return out


def is_permutation(result, items):
    return sorted(map(id, result)) == sorted(map(id, items))


@settings(max_examples=300, deadline=None)
@given(st.lists(any_text, max_size=20), st.data())
def test_sort_returns_a_permutation(strings, data):
    items = as_objects(strings, data)
    result = sort_versions(items)
    assert is_permutation(result, items)


@settings(max_examples=300, deadline=None)
@given(st.lists(acyclic_text, min_size=1, max_size=25), st.data())
def test_sort_matches_a_stable_sort_and_picks_agree(strings, data):
    items = as_objects(strings, data)
    expected = sorted(items, key=functools.cmp_to_key(tambry.compare))
    result = sort_versions(items)
    assert same_objects(result, expected)
    for x, y in zip(result, result[1:]):
        assert tambry.compare(x, y) <= 0
    assert max_version(items) is expected[-1]
    assert min_version(items) is expected[0]
    pairs = list(zip(items, reversed(items)))
    assert batch_compare(pairs) == [tambry.compare(a, b) for a, b in pairs]


@settings(max_examples=500, deadline=None)
@given(st.lists(st.sampled_from(CYCLE_MEMBERS), max_size=60), st.data())
def test_cycles_never_break_the_collections(strings, data):
    items = as_objects(strings, data)
    result = sort_versions(items)
    assert is_permutation(result, items)
    if items:
        assert any(max_version(items) is x for x in items)
        assert any(min_version(items) is x for x in items)
