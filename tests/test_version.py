"""The Version class: shape, construction, views, ordering, hashing and sort keys."""

import gc
import operator
import os
import subprocess
import sys
import weakref

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import tambry
from helpers import ECOSYSTEM_LIST, raises_exactly, unsupported
from tambry import Version, version

U64_MAX = 18446744073709551615



# ---------------------------------------------------------------------------
# The class itself
# ---------------------------------------------------------------------------


def test_class_identity():
    assert isinstance(Version, type)
    assert Version.__name__ == "Version"
    assert Version.__qualname__ == "Version"
    assert Version.__module__ == "builtins"
    assert Version.__bases__ == (object,)
    assert type(version("1.0")) is Version
    assert tambry.Version is Version


def test_subclassing_is_refused():
    with raises_exactly(TypeError, "type 'builtins.Version' is not an acceptable base type"):

        class Derived(Version):  # noqa: F841
            pass


def test_no_instance_dict_weakrefs_or_gc_tracking():
    v = Version("1.0")
    assert not hasattr(v, "__dict__")
    with pytest.raises(AttributeError):
        v.anything = 1
    with pytest.raises(TypeError):
        weakref.ref(v)
    assert not gc.is_tracked(v)


PROPERTIES = [
    "raw",
    "ecosystem",
    "epoch",
    "build",
    "is_prerelease",
    "is_postrelease",
    "count",
    "major",
    "minor",
    "patch",
]


@pytest.mark.parametrize("name", PROPERTIES)
def test_properties_are_read_only(name):
    v = Version("2:1.2.3rc1+b", "pep440")
    before = v.to_dict(), v.ecosystem, v.segments()
    with pytest.raises(AttributeError):
        setattr(v, name, getattr(v, name))
    with pytest.raises(AttributeError):
        delattr(v, name)
    assert (v.to_dict(), v.ecosystem, v.segments()) == before
    assert getattr(Version, name).__doc__ == ""


@pytest.mark.parametrize(
    "obj, signature",
    [
        (Version, '(version, ecosystem="auto")'),
        (Version.segments, "($self)"),
        (Version.release, "($self)"),
        (Version.compare, '($self, other, ecosystem="generic")'),
        (Version.to_dict, "($self)"),
        (Version.sort_key, "($self)"),
        (version, '(s, ecosystem="auto")'),
    ],
)
def test_text_signatures(obj, signature):
    assert obj.__text_signature__ == signature


def test_not_iterable_and_no_membership():
    v = Version("1.2.3")
    with pytest.raises(TypeError):
        iter(v)
    with pytest.raises(TypeError):
        list(v)
    with pytest.raises(TypeError):
        1 in v  # noqa: B015


# ---------------------------------------------------------------------------
# Construction
# ---------------------------------------------------------------------------


class Text(str):
    pass


@pytest.mark.parametrize(
    "make",
    [
        lambda: Version("1.0"),
        lambda: Version(version="1.0"),
        lambda: Version("1.0", "auto"),
        lambda: Version(ecosystem="auto", version="1.0"),
        lambda: version("1.0"),
        lambda: version(s="1.0", ecosystem="AUTO"),
        lambda: Version(Text("1.0"), Text("generic")),
    ],
)
def test_constructors_agree(make):
    v = make()
    assert type(v) is Version
    assert repr(v) == "Version('1.0')"
    assert v.to_dict() == Version("1.0").to_dict()
    assert v.ecosystem == "generic"
    assert v.segments() == (1, 0)


@pytest.mark.parametrize(
    "call, exc_type, message",
    [
        (lambda: Version(), TypeError, "Version.__new__() missing 1 required positional argument: 'version'"),
        (
            lambda: Version(ecosystem="npm"),
            TypeError,
            "Version.__new__() missing 1 required positional argument: 'version'",
        ),
        (
            lambda: Version("1", "auto", "x"),
            TypeError,
            "Version.__new__() takes from 1 to 2 positional arguments but 3 were given",
        ),
        (lambda: Version("1", eco="x"), TypeError, "Version.__new__() got an unexpected keyword argument 'eco'"),
        (lambda: Version("1", Version="x"), TypeError, "Version.__new__() got an unexpected keyword argument 'Version'"),
        (lambda: Version("1", version="2"), TypeError, "Version.__new__() got multiple values for argument 'version'"),
        (lambda: Version(1), TypeError, "argument 'version': 'int' object is not an instance of 'str'"),
        (lambda: Version(b"1.0"), TypeError, "argument 'version': 'bytes' object is not an instance of 'str'"),
        (lambda: Version(None), TypeError, "argument 'version': 'None' is not an instance of 'str'"),
        (lambda: Version(Version("1")), TypeError, "argument 'version': 'Version' object is not an instance of 'str'"),
        # The text is converted before the ecosystem.
        (lambda: Version(1, 2), TypeError, "argument 'version': 'int' object is not an instance of 'str'"),
        (lambda: Version("1.0", None), TypeError, "argument 'ecosystem': 'None' is not an instance of 'str'"),
        (lambda: Version("1.0", 1), TypeError, "argument 'ecosystem': 'int' object is not an instance of 'str'"),
        (lambda: Version("1.0", " auto"), ValueError, unsupported(" auto")),
        (lambda: Version("1.0", "Foo"), ValueError, unsupported("foo")),
        (lambda: Version("1.0", ""), ValueError, unsupported("")),
        (lambda: version(), TypeError, "version() missing 1 required positional argument: 's'"),
        (
            lambda: version("1", "auto", "x"),
            TypeError,
            "version() takes from 1 to 2 positional arguments but 3 were given",
        ),
        (lambda: version("1", s="1"), TypeError, "version() got multiple values for argument 's'"),
        (lambda: version(version="1"), TypeError, "version() got an unexpected keyword argument 'version'"),
        (lambda: version(1), TypeError, "argument 's': 'int' object is not an instance of 'str'"),
        (lambda: version("1.0", None), TypeError, "argument 'ecosystem': 'None' is not an instance of 'str'"),
        (lambda: version("1.0", "auto "), ValueError, unsupported("auto ")),
    ],
)
def test_construction_errors(call, exc_type, message):
    with raises_exactly(exc_type, message):
        call()


@pytest.mark.parametrize(
    "args",
    [("\ud800",), ("1.0", "\ud800")],
)
@pytest.mark.parametrize("make", [Version, version])
def test_unencodable_text_raises_the_encoding_error_unprefixed(make, args):
    with pytest.raises(UnicodeEncodeError) as info:
        make(*args)
    assert not str(info.value).startswith("argument")


_OMIT = object()


@pytest.mark.parametrize(
    "text, ecosystem, label",
    [
        ("1.2.3", _OMIT, "generic"),
        ("", _OMIT, "generic"),
        ("1.0-SNAPSHOT", _OMIT, "maven"),
        ("1!2.0", _OMIT, "pep440"),
        ("1.0.post1", _OMIT, "pep440"),
        ("1.0~rc1", _OMIT, "debian"),
        ("1.0^1", _OMIT, "rpm"),
        ("v1.2.3+incompatible", _OMIT, "go"),
        ("1.2_p1", _OMIT, "alpine"),
        ("1.0.0.beta2", _OMIT, "ruby"),
        ("2024.01.15", _OMIT, "calver"),
        # Detection sees the text exactly as passed, blanks included.
        (" 2024.01", _OMIT, "generic"),
        # A detected ecosystem whose rules would reject the text still labels it.
        ("a!1.0", _OMIT, "pep440"),
        ("1.0-SNAPSHOT", "auto", "maven"),
        ("1.0-SNAPSHOT", "Auto", "maven"),
        ("1.0-SNAPSHOT", "AUTO", "maven"),
        # Named ecosystems are labels only: their rules are not applied here.
        ("abc", "semver", "semver"),
        ("abc", "deb", "debian"),
        ("1.0", "NPM", "npm"),
        ("1.0", "CRATES.IO", "crates"),
        ("1.0", "SemVer-Strict", "semver"),
        ("1.0", "python", "pep440"),
        ("1.0", "oci", "docker"),
        ("1.0-SNAPSHOT", "generic", "generic"),
    ],
)
def test_ecosystem_label(text, ecosystem, label):
    v = Version(text) if ecosystem is _OMIT else Version(text, ecosystem)
    assert v.ecosystem == label
    assert v.raw == text
    # The stored parse is the generic one whatever the label.
    assert v.segments() == Version(text, "generic").segments()


# ---------------------------------------------------------------------------
# Views
# ---------------------------------------------------------------------------

# text -> raw-derived views: segments, release, epoch, build, is_prerelease, is_postrelease
VIEW_CASES = [
    (" 1.2.3 ", (1, 2, 3), (1, 2, 3), 0, "", False, False),
    ("", (), (), 0, "", False, False),
    ("   ", (), (), 0, "", False, False),
    ("1.0.0", (1, 0, 0), (1, 0, 0), 0, "", False, False),
    ("1rc2", (1, "rc", 2), (1,), 0, "", True, False),
    ("1.0rc1", (1, 0, "rc", 1), (1, 0), 0, "", True, False),
    ("rc1", ("rc", 1), (), 0, "", True, False),
    ("v1.0+Build.7", (1, 0), (1, 0), 0, "Build.7", False, False),
    ("  1:2.0-RC1+x+y ", (2, 0, "rc", 1), (2, 0), 1, "x+y", True, False),
    ("1!2.0.post1", (2, 0, "post", 1), (2, 0), 1, "", False, True),
    ("1.0a1.post2", (1, 0, "a", 1, "post", 2), (1, 0), 0, "", True, True),
    ("1.0-final", (1, 0, "final"), (1, 0), 0, "", False, False),
    ("1.0~", (1, 0, "~"), (1, 0), 0, "", True, False),
    ("1.0^1", (1, 0, "^", 1), (1, 0), 0, "", False, True),
    ("V1.0-ALPHA", (1, 0, "alpha"), (1, 0), 0, "", True, False),
    ("1.0é1", (1, 0, 1), (1, 0, 1), 0, "", False, False),
    ("1" * 25, (U64_MAX,), (U64_MAX,), 0, "", False, False),
    ("18446744073709551615:2", (2,), (2,), U64_MAX, "", False, False),
    ("18446744073709551616:2", (U64_MAX, 2), (U64_MAX, 2), 0, "", False, False),
    ("vv1", ("vv", 1), (), 0, "", False, False),
    ("+1.0", (), (), 0, "1.0", False, False),
    ("1.0\x00x", (1, 0, "x"), (1, 0), 0, "", False, False),
]


@pytest.mark.parametrize("text, segments, release, epoch, build, pre, post", VIEW_CASES)
def test_views(text, segments, release, epoch, build, pre, post):
    v = Version(text)
    assert v.raw == text
    assert str(v) == text
    assert repr(v) == "Version('" + text + "')"
    assert v.segments() == segments
    assert v.release() == release
    assert v.count == len(v) == len(segments)
    assert bool(v) is (len(segments) > 0)
    expected_mmp = [s if isinstance(s, int) else 0 for s in segments[:3]] + [0] * (3 - len(segments[:3]))
    assert [v.major, v.minor, v.patch] == expected_mmp
    assert v.epoch == epoch
    assert v.build == build
    assert v.is_prerelease is pre
    assert v.is_postrelease is post
    for i, seg in enumerate(segments):
        assert v[i] == seg
        assert v[i - len(segments)] == seg
        assert type(v[i]) is type(seg)
    assert all(type(x) is int for x in v.release())
    d = v.to_dict()
    assert list(d) == [
        "raw",
        "epoch",
        "major",
        "minor",
        "patch",
        "build",
        "is_prerelease",
        "is_postrelease",
    ]
    assert d == {key: getattr(v, key) for key in d}
    assert type(d["is_prerelease"]) is bool and type(d["is_postrelease"]) is bool


def test_long_versions():
    parts = [str(i) if i % 3 else "w" * (i % 11 + 1) for i in range(1, 600)]
    text = ".".join(parts)
    v = Version(text)
    expected = tuple(int(p) if p.isdigit() else p for p in parts)
    assert v.segments() == expected
    assert len(v) == v.count == len(expected)
    assert v[-1] == expected[-1] and v[-len(expected)] == expected[0]
    assert hash(v) == reference_hash(v)
    shouted = Version(text.upper() + "+BUILD")
    assert shouted == v and hash(shouted) == hash(v)
    assert shouted.build == "BUILD"
    huge = "x" * 100_000 + "'"
    assert repr(Version(huge)) == "Version('" + huge + "')"


def test_textual_segment_gives_zero_not_none():
    v = Version("1.rc.2")
    assert (v.major, v.minor, v.patch) == (1, 0, 2)
    assert v.to_dict()["minor"] == 0
    w = Version("alpha.beta.gamma")
    assert (w.major, w.minor, w.patch) == (0, 0, 0)


def test_views_return_fresh_objects():
    v = Version("1.2.3")
    d = v.to_dict()
    d["raw"] = "changed"
    d.clear()
    assert v.to_dict()["raw"] == "1.2.3"


@pytest.mark.parametrize(
    "text, idx, message",
    [
        ("1rc2", 3, "segment index 3 out of range (version has 3 segments)"),
        ("1rc2", -4, "segment index -4 out of range (version has 3 segments)"),
        ("", 0, "segment index 0 out of range (version has 0 segments)"),
        ("", -1, "segment index -1 out of range (version has 0 segments)"),
        ("7", 1, "segment index 1 out of range (version has 1 segments)"),
        ("7", 2**63 - 1, "segment index 9223372036854775807 out of range (version has 1 segments)"),
        ("7", -(2**63), "segment index -9223372036854775808 out of range (version has 1 segments)"),
    ],
)
def test_index_out_of_range(text, idx, message):
    with raises_exactly(IndexError, message):
        Version(text)[idx]


class Idx:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


def test_index_accepts_index_protocol():
    v = Version("1rc2")
    assert v[Idx(1)] == "rc"
    assert v[Idx(-1)] == 2
    assert v[True] == "rc"
    assert v[False] == 1


@pytest.mark.parametrize(
    "idx, type_name",
    [
        ("1", "str"),
        (1.0, "float"),
        (slice(0, 1), "slice"),
        (slice(None), "slice"),
        (None, "NoneType"),
        ((0,), "tuple"),
    ],
)
def test_index_type_error(idx, type_name):
    with raises_exactly(TypeError, f"argument 'idx': '{type_name}' object cannot be interpreted as an integer"):
        Version("1.2.3")[idx]


@pytest.mark.parametrize("idx", [2**63, -(2**63) - 1, 10**30, Idx(2**64)])
def test_index_overflow(idx):
    with pytest.raises(OverflowError):
        Version("1.2.3")[idx]


class TypeErrorSubclass(TypeError):
    pass


class RaisingIndex:
    def __init__(self, exc):
        self.exc = exc

    def __index__(self):
        raise self.exc


def test_index_conversion_error_kinds():
    v = Version("1.2.3")
    with raises_exactly(TypeError, "argument 'idx': nope"):
        v[RaisingIndex(TypeError("nope"))]
    # Only a plain TypeError is prefixed; anything else passes through as raised.
    with raises_exactly(TypeErrorSubclass, "nope"):
        v[RaisingIndex(TypeErrorSubclass("nope"))]
    with raises_exactly(ValueError, "nope"):
        v[RaisingIndex(ValueError("nope"))]


def test_prefixed_index_error_keeps_the_cause():
    root = KeyError("root")
    failing = TypeError("nope")
    failing.__cause__ = root
    with raises_exactly(TypeError, "argument 'idx': nope") as info:
        Version("1.2.3")[RaisingIndex(failing)]
    assert info.value.__cause__ is root


@pytest.mark.parametrize(
    "text",
    ["1.0'x", "it's", "\\n", "a\nb", "'", "tab\there", "\x00", "é"],
)
def test_repr_copies_raw_unescaped(text):
    assert repr(Version(text)) == "Version('" + text + "')"


# ---------------------------------------------------------------------------
# Rich comparison
# ---------------------------------------------------------------------------

ORDER_CASES = [
    ("1.0", "1.0.0", 0),
    ("1", "1.0.0", 0),
    ("1.0", "1.0.1", -1),
    ("1.0a1", "1.0alpha1", 0),
    ("1.0rc1", "1.0c1", 0),
    ("1.0-sp1", "1.0-post1", 0),
    ("1.0rc1", "1.0", -1),
    ("1.0.post1", "1.0", 1),
    ("1.0^1", "1.0.post1", -1),
    ("1.0~", "1.0-dev", -1),
    ("1.2", "1.10", -1),
    ("1.0-foo", "1.0-bar", 1),
    ("1.0-abc", "1.0-abcd", -1),
    ("1:1.0", "2.0", 1),
    ("1.0+a", "1.0+b", 0),
    ("v1.0", "1.0", 0),
    ("1.0-Foo", "1.0-foo", 0),
    ("", "0.0", 0),
    ("1.0a2", "1.0alpha1", 1),
    ("1.0rc1", "1rc1", 1),
    ("1.a", "1.0.a", -1),
]


@pytest.mark.parametrize("a, b, expected", ORDER_CASES)
def test_operators(a, b, expected):
    for x, y, o in ((Version(a), Version(b), expected), (Version(b), Version(a), -expected)):
        assert (x < y) is (o < 0)
        assert (x <= y) is (o <= 0)
        assert (x == y) is (o == 0)
        assert (x != y) is (o != 0)
        assert (x > y) is (o > 0)
        assert (x >= y) is (o >= 0)


def test_operators_ignore_ecosystem():
    a, b = Version("1.0", "semver"), Version("1.0", "pep440")
    assert a == b
    assert hash(a) == hash(b)
    assert Version("1.0a", "debian") < Version("1.0", "debian")


def test_generic_order_has_the_documented_cycle():
    one, post, rc = Version("1"), Version("1.post1"), Version("1.0.rc1")
    assert one < post
    assert post < rc
    assert rc < one


@pytest.mark.parametrize("other", ["1.0", 1, 1.0, None, b"1.0", ("1", "0")])
def test_comparison_with_foreign_objects(other):
    v = Version("1.0")
    assert (v == other) is False
    assert (other == v) is False
    assert (v != other) is True
    for op in ("__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__"):
        assert getattr(v, op)(other) is NotImplemented
    for order in (operator.lt, operator.le, operator.gt, operator.ge):
        with pytest.raises(TypeError):
            order(v, other)
        with pytest.raises(TypeError):
            order(other, v)


def test_order_against_str_message():
    with raises_exactly(TypeError, "'<' not supported between instances of 'builtins.Version' and 'str'"):
        Version("1.0") < "1.0"  # noqa: B015


# ---------------------------------------------------------------------------
# Hashing
# ---------------------------------------------------------------------------

HASH_OF_ONE = 7008826827963975100
HASH_OF_1_0FOO1 = 6220689908902156484


@pytest.mark.parametrize(
    "text, expected",
    [
        ("1", HASH_OF_ONE),
        ("1.0", HASH_OF_ONE),
        ("1.0.0", HASH_OF_ONE),
        ("v1.0.0+build.5", HASH_OF_ONE),
        ("0:1", HASH_OF_ONE),
        (" 1.0 ", HASH_OF_ONE),
        ("1.0foo1", HASH_OF_1_0FOO1),
        ("1.0-FOO.1", HASH_OF_1_0FOO1),
        ("1_0_foo_1_0", HASH_OF_1_0FOO1),
    ],
)
def test_hash_values(text, expected):
    assert hash(Version(text)) == expected
    assert hash(Version(text, "semver")) == expected


def test_hash_is_independent_of_the_interpreter_seed():
    code = "import tambry; print(hash(tambry.Version('1.0')), hash(tambry.Version('1.0foo1')))"
    for seed in ("0", "12345", "random"):
        env = dict(os.environ, PYTHONHASHSEED=seed)
        out = subprocess.run(
            [sys.executable, "-c", code], env=env, capture_output=True, text=True, check=True, cwd="/"
        ).stdout.split()
        assert out == [str(HASH_OF_ONE), str(HASH_OF_1_0FOO1)]


SYNONYMS = [
    ("a", "alpha"),
    ("b", "beta"),
    ("m", "milestone"),
    ("c", "rc", "cr", "pre", "preview"),
    ("p", "post", "patch", "sp"),
]


@pytest.mark.parametrize("group", SYNONYMS, ids=lambda g: "/".join(g))
@pytest.mark.parametrize("shape", ["1.0{}1", "1.0-{}", "{}", "2:1.{}.3+x", "1.{}.{}2"])
def test_synonym_words_are_equal_and_hash_alike(group, shape):
    objects = [Version(shape.format(w, w)) for w in group]
    objects += [Version(shape.format(w.upper(), w)) for w in group]
    first = objects[0]
    for other in objects[1:]:
        assert first == other
        assert hash(first) == hash(other)
    assert len(set(objects)) == 1


def test_hash_separates_distinct_weights():
    words = ["~", "dev", "a", "b", "m", "rc", "snapshot", "^", "post", "foo", "bar"]
    hashes = {hash(Version(f"1.0{w}1")) for w in words}
    assert len(hashes) == len(words)


def test_equal_versions_work_as_dict_keys():
    table = {Version("1.0a1"): "alpha", Version("2.0"): "two"}
    assert table[Version("v1.0ALPHA1+x")] == "alpha"
    assert table[Version("v2")] == "two"
    assert len({Version("1"), Version("1.0"), Version("1.0.0"), Version("1.0", "npm")}) == 1


def _siphash13(data):
    mask = (1 << 64) - 1

    def rotl(x, b):
        return ((x << b) | (x >> (64 - b))) & mask

    v = [0x736F6D6570736575, 0x646F72616E646F6D, 0x6C7967656E657261, 0x7465646279746573]

    def sipround():
        v[0] = (v[0] + v[1]) & mask
        v[1] = rotl(v[1], 13) ^ v[0]
        v[0] = rotl(v[0], 32)
        v[2] = (v[2] + v[3]) & mask
        v[3] = rotl(v[3], 16) ^ v[2]
        v[0] = (v[0] + v[3]) & mask
        v[3] = rotl(v[3], 21) ^ v[0]
        v[2] = (v[2] + v[1]) & mask
        v[1] = rotl(v[1], 17) ^ v[2]
        v[2] = rotl(v[2], 32)

    whole = len(data) - len(data) % 8
    for i in range(0, whole, 8):
        m = int.from_bytes(data[i : i + 8], "little")
        v[3] ^= m
        sipround()
        v[0] ^= m
    last = ((len(data) & 0xFF) << 56) | int.from_bytes(data[whole:], "little")
    v[3] ^= last
    sipround()
    v[0] ^= last
    v[2] ^= 0xFF
    for _ in range(3):
        sipround()
    return v[0] ^ v[1] ^ v[2] ^ v[3]


def reference_hash(v):
    """The hash recomputed from the public views, for words that have no synonym."""
    segments = list(v.segments())
    while segments and segments[-1] == 0 and type(segments[-1]) is int:
        segments.pop()
    stream = v.epoch.to_bytes(8, "little")
    for seg in segments:
        if isinstance(seg, int):
            stream += b"\x00" + seg.to_bytes(8, "little")
        else:
            stream += b"\x01" + seg.encode() + b"\xff"
    h = _siphash13(stream)
    if h >= 1 << 63:
        h -= 1 << 64
    return -2 if h == -1 else h


@pytest.mark.parametrize(
    "text",
    [
        "",
        "1",
        "1.0foo1",
        "7:1.2.3.4.5.6.7.8.9",
        "18446744073709551615",
        "99999999999999999999:1",
        "1.0~dev.snapshot^x",
        "abcdefg",
        "abcdefghijklmno.pqrstuvwxyz",
        "1.0.0.0.0.1",
        "0.0.0",
    ],
)
def test_hash_matches_documented_stream(text):
    assert reference_hash(Version(text)) == hash(Version(text))


# ---------------------------------------------------------------------------
# Sort keys
# ---------------------------------------------------------------------------

END = (1, 30, "")


@pytest.mark.parametrize(
    "text, key",
    [
        ("1.0.0", ((2, 0, ""), (2, 1, ""), END)),
        ("1", ((2, 0, ""), (2, 1, ""), END)),
        ("1.0rc1", ((2, 0, ""), (2, 1, ""), (1, 20, "rc"), (2, 1, ""), END)),
        ("1rc1", ((2, 0, ""), (2, 1, ""), (1, 20, "rc"), (2, 1, ""), END)),
        ("", ((2, 0, ""), END)),
        ("0.0", ((2, 0, ""), END)),
        ("2:1.0~beta", ((2, 2, ""), (2, 1, ""), (1, -10, "~"), (1, 10, "beta"), END)),
        (str(U64_MAX), ((2, 0, ""), (2, U64_MAX, ""), END)),
        ("1.0foo1", ((2, 0, ""), (2, 1, ""), (1, 29, "foo"), (2, 1, ""), END)),
        ("1.0.post1", ((2, 0, ""), (2, 1, ""), (1, 35, "post"), (2, 1, ""), END)),
        ("1.0^", ((2, 0, ""), (2, 1, ""), (1, 32, "^"), END)),
        ("1.0-SNAPSHOT", ((2, 0, ""), (2, 1, ""), (1, 25, "snapshot"), END)),
        ("1.0.dev0", ((2, 0, ""), (2, 1, ""), (1, -5, "dev"), END)),
        ("0.0.1", ((2, 0, ""), (2, 0, ""), (2, 0, ""), (2, 1, ""), END)),
        ("1.0.rc.0.1.0", ((2, 0, ""), (2, 1, ""), (1, 20, "rc"), (2, 0, ""), (2, 1, ""), END)),
        ("rc.1", ((2, 0, ""), (1, 20, "rc"), (2, 1, ""), END)),
        ("1.0-Milestone-2", ((2, 0, ""), (2, 1, ""), (1, 15, "milestone"), (2, 2, ""), END)),
    ],
)
def test_sort_key(text, key):
    got = Version(text).sort_key()
    assert got == key
    assert type(got) is tuple
    for item in got:
        assert type(item) is tuple and len(item) == 3
        assert [type(x) for x in item] == [int, int, str]


def test_saturated_number_sorts_last():
    top = Version(str(U64_MAX))
    assert top.major == U64_MAX
    assert Version("18446744073709551616").sort_key() == top.sort_key()
    for text in ("18446744073709551614.99", "1.99", "0", "", "9999999999999999999.1"):
        assert Version(text).sort_key() < top.sort_key()


def test_sort_key_orders_the_cycle():
    texts = ["1", "1.post1", "1.0.rc1"]
    ordered = sorted((Version(t) for t in texts), key=Version.sort_key)
    assert [v.raw for v in ordered] == ["1.0.rc1", "1", "1.post1"]


def test_sort_key_documented_disagreements():
    # A zero before the first word is dropped by the key but beats the word under the operators.
    assert Version("1.0rc1") > Version("1rc1")
    assert Version("1.0rc1").sort_key() == Version("1rc1").sort_key()
    # Synonyms are one weight for the operators, but the key breaks ties by the word itself.
    assert Version("1.0a2") > Version("1.0alpha1")
    assert Version("1.0a2").sort_key() < Version("1.0alpha1").sort_key()


def test_equal_texts_modulo_trailing_zeros_have_equal_keys():
    keys = {Version(t).sort_key() for t in ("1", "1.0", "1.0.0", "v1.0+x")}
    assert len(keys) == 1


# ---------------------------------------------------------------------------
# Version.compare
# ---------------------------------------------------------------------------


@pytest.mark.parametrize(
    "make_self, other, kwargs, expected",
    [
        (lambda: Version("1.0"), "1.0.0", {}, 0),
        (lambda: Version("1.0"), Version("1.0.0", "semver"), {}, 0),
        (lambda: Version("1.0", "semver"), "1.0.0", {}, 0),
        (lambda: Version("1.0"), "1.0.1", {"ecosystem": "generic"}, -1),
        # Generic ordering puts a trailing letter below the release, Debian above.
        (lambda: Version("1.0a"), "1.0", {}, -1),
        (lambda: Version("1.0a"), "1.0", {"ecosystem": "debian"}, 1),
        (lambda: Version("1.0a"), Version("1.0", "pep440"), {"ecosystem": "DPKG"}, 1),
        (lambda: Version("1.0a", "debian"), "1.0", {"ecosystem": "auto"}, 1),
        (lambda: Version("1.0a", "debian"), Version("1.0"), {"ecosystem": "AUTO"}, 1),
        (lambda: Version("1.0a", "debian"), "1.0", {"ecosystem": "generic"}, -1),
        (lambda: Version("1.0.0-rc.1", "npm"), "1.0.0", {"ecosystem": "auto"}, -1),
        (lambda: Version("1.0.0-rc.1", "npm"), Version("1.0.0-rc.1+b", "pep440"), {"ecosystem": "auto"}, 0),
        (lambda: Version("1.0-1"), Version("1.0-2"), {"ecosystem": "rpm"}, -1),
        (lambda: Version("2.0"), "10.0", {}, -1),
    ],
)
def test_compare_method(make_self, other, kwargs, expected):
    v = make_self()
    result = v.compare(other, **kwargs)
    assert type(result) is int
    assert result == expected
    assert v.compare(other=other, **kwargs) == expected
    if "ecosystem" in kwargs:
        assert v.compare(other, kwargs["ecosystem"]) == expected


@pytest.mark.parametrize(
    "call, exc_type, message",
    [
        (
            lambda v: v.compare(),
            TypeError,
            "Version.compare() missing 1 required positional argument: 'other'",
        ),
        (
            lambda v: v.compare(ecosystem="generic"),
            TypeError,
            "Version.compare() missing 1 required positional argument: 'other'",
        ),
        (
            lambda v: v.compare("1", "generic", "x"),
            TypeError,
            "Version.compare() takes from 1 to 2 positional arguments but 3 were given",
        ),
        (
            lambda v: v.compare(other="1", eco="x"),
            TypeError,
            "Version.compare() got an unexpected keyword argument 'eco'",
        ),
        (
            lambda v: v.compare("1", other="2"),
            TypeError,
            "Version.compare() got multiple values for argument 'other'",
        ),
        # The ecosystem argument is converted and resolved before other is looked at.
        (
            lambda v: v.compare(1, None),
            TypeError,
            "argument 'ecosystem': 'None' is not an instance of 'str'",
        ),
        (lambda v: v.compare(1, " generic"), ValueError, unsupported(" generic")),
        (lambda v: v.compare(1, "auto "), ValueError, unsupported("auto ")),
        (lambda v: v.compare(1), TypeError, "expected Version or str"),
        (lambda v: v.compare(None, "auto"), TypeError, "expected Version or str"),
        (lambda v: v.compare(b"1.0"), TypeError, "expected Version or str"),
        (lambda v: v.compare("\ud800"), TypeError, "expected Version or str"),
        # Own text is parsed under the chosen ecosystem before other is examined.
        (lambda v: v.compare(1, "semver"), ValueError, "Expected 3 parts, got 2"),
        (lambda v: v.compare("1.0.0", "semver"), ValueError, "Expected 3 parts, got 2"),
    ],
)
def test_compare_method_errors(call, exc_type, message):
    with raises_exactly(exc_type, message):
        call(Version("1.0"))


@pytest.mark.parametrize(
    "v, other, ecosystem, exc_type, message",
    [
        (Version("1.0.0"), 1, "semver", TypeError, "expected Version or str"),
        (Version("1.0.0"), "1.0", "semver", ValueError, "Expected 3 parts, got 2"),
        (Version("1.0.0"), Version("1.0"), "npm", ValueError, "Expected 3 parts, got 2"),
        # Under auto the object's own label rules, and other's text is parsed again under it.
        (Version("abc", "semver"), "1.0.0", "auto", ValueError, "Expected 3 parts, got 1"),
        (Version("1.0.0", "semver"), Version("1.0"), "auto", ValueError, "Expected 3 parts, got 2"),
        (Version("1.0", "maven"), "abc", "auto", ValueError, "Maven version must start with a digit: 'abc'"),
    ],
)
def test_compare_method_scheme_errors(v, other, ecosystem, exc_type, message):
    with raises_exactly(exc_type, message):
        v.compare(other, ecosystem)


# ---------------------------------------------------------------------------
# Module-level compare with Version objects
# ---------------------------------------------------------------------------


@pytest.mark.parametrize(
    "a, b, args, expected",
    [
        # Left out or generic: the stored generic parses, labels ignored.
        (Version("1.0a", "debian"), Version("1.0", "debian"), (), -1),
        (Version("1.0a", "debian"), Version("1.0", "debian"), ("generic",), -1),
        (Version("1.0", "semver"), Version("1.0.0", "pep440"), (), 0),
        (Version("1.0"), "1.0.0", (), 0),
        ("1.0.0", Version("1.0"), (), 0),
        # auto: the first operand's own label.
        (Version("1.0a", "debian"), Version("1.0", "generic"), ("auto",), 1),
        (Version("1.0a", "generic"), Version("1.0", "debian"), ("auto",), -1),
        (Version("1.0"), Version("1.0.0", "semver"), ("auto",), 0),
        ("1.0~rc1", Version("1.0"), ("auto",), -1),
        # Named: both raw texts parsed again under it.
        (Version("1.0a"), Version("1.0"), ("debian",), 1),
        (Version("1.0.0-rc.1"), "1.0.0", ("npm",), -1),
    ],
)
def test_module_compare_with_versions(a, b, args, expected):
    result = tambry.compare(a, b, *args)
    assert type(result) is int and result == expected


@pytest.mark.parametrize(
    "a, b, ecosystem, exc_type, message",
    [
        (Version("1.0.0", "semver"), Version("1.0"), "auto", ValueError, "Expected 3 parts, got 2"),
        (Version("1.0.0"), Version("1.0"), "semver", ValueError, "Expected 3 parts, got 2"),
        (Version("1.0"), Version("1.0.0"), "semver", ValueError, "Expected 3 parts, got 2"),
        (Version("1.0"), 1, "generic", TypeError, "expected Version or str"),
        (1, Version("1.0"), "auto", TypeError, "expected Version or str"),
        (1, Version("1.0"), "bogus", ValueError, unsupported("bogus")),
    ],
)
def test_module_compare_with_versions_errors(a, b, ecosystem, exc_type, message):
    with raises_exactly(exc_type, message):
        tambry.compare(a, b, ecosystem)


@pytest.mark.parametrize("fn", [tambry.eq, tambry.lt, tambry.ge])
def test_relations_refuse_version_objects(fn):
    with raises_exactly(TypeError, "argument 'a': 'Version' object is not an instance of 'str'"):
        fn(Version("1.0"), "1.0")
    with raises_exactly(TypeError, "argument 'b': 'Version' object is not an instance of 'str'"):
        fn("1.0", Version("1.0"))


# ---------------------------------------------------------------------------
# Properties
# ---------------------------------------------------------------------------

NUMBERS = ["0", "1", "2", "00", "10", "007"]
SEPARATORS = [".", "-", "_", ""]
WORDS = [w for group in SYNONYMS for w in group] + ["dev", "~", "^", "foo", "snapshot", "bar"]
SYNONYM_OF = {w: group for group in SYNONYMS for w in group}

token = st.one_of(st.sampled_from(NUMBERS), st.sampled_from(SEPARATORS), st.sampled_from(WORDS))


def _variant(data, tokens):
    """Another spelling of the same tokens: synonyms swapped, case changed, zeros appended."""
    out = []
    for tok in tokens:
        if tok in SYNONYM_OF:
            tok = data.draw(st.sampled_from(SYNONYM_OF[tok]))
        if data.draw(st.booleans()):
            tok = tok.upper()
        out.append(tok)
    text = "".join(out)
    text += data.draw(st.sampled_from(["", ".0", "-0.0", "_00"]))
    prefix = data.draw(st.sampled_from(["", "v", "0:", "0!"]))
    if prefix == "v" and not text[:1].isdigit():
        prefix = ""
    return prefix + text + data.draw(st.sampled_from(["", "+build", "+"]))


@settings(max_examples=400, deadline=None)
@given(st.lists(token, max_size=8), st.data())
def test_equal_implies_equal_hash(tokens, data):
    a = Version("".join(tokens))
    b = Version(_variant(data, tokens))
    if a == b:
        assert hash(a) == hash(b)


@settings(max_examples=300, deadline=None)
@given(st.lists(token, max_size=6).map("".join), st.lists(token, max_size=6).map("".join))
def test_equal_implies_equal_hash_independent(s, t):
    a, b = Version(s), Version(t)
    if a == b:
        assert hash(a) == hash(b)


UNAMBIGUOUS_WORDS = ["dev", "~", "^", "foo", "snapshot", "bar", "zz"]


@settings(max_examples=300, deadline=None)
@given(
    st.lists(
        st.one_of(st.sampled_from(NUMBERS + ["18446744073709551616"]), st.sampled_from(SEPARATORS),
                  st.sampled_from(UNAMBIGUOUS_WORDS)),
        max_size=10,
    ).map("".join)
)
def test_hash_matches_documented_stream_property(text):
    v = Version(text)
    assert hash(v) == reference_hash(v)


# No word weighing 30 or more (no cycles), one spelling per weight and no zero
# segments other than trailing ones: here the sort key must order exactly as the
# operators do.
AGREEING_WORDS = ["~", "dev", "a", "b", "m", "rc", "snapshot", "foo", "bar", "ab"]
agreeing_text = st.builds(
    lambda epoch, body, tail: epoch + body + tail,
    st.sampled_from(["", "1:", "2:"]),
    st.lists(
        st.one_of(st.sampled_from(["1", "2", "3", "12"]), st.sampled_from([".", "-"]),
                  st.sampled_from(AGREEING_WORDS)),
        max_size=7,
    ).map("".join),
    st.sampled_from(["", ".0", ".0.0"]),
)


@settings(max_examples=400, deadline=None)
@given(st.lists(agreeing_text, min_size=2, max_size=12))
def test_sort_key_agrees_with_operators(texts):
    versions = [Version(t) for t in texts]
    ordered = sorted(versions, key=Version.sort_key)
    for x, y in zip(ordered, ordered[1:]):
        assert x <= y
    a, b = versions[0], versions[1]
    ka, kb = a.sort_key(), b.sort_key()
    assert (ka > kb) - (ka < kb) == (a > b) - (a < b)
