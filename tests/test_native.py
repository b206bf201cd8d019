"""tambry.native: each ecosystem's own order, checked against vectors labelled by
the ecosystems' own tools (tests/vectors/native), and the module's conventions."""

import functools
import pathlib

import pytest

import tambry
from helpers import raises_exactly
from tambry import native
from tambry.native import InvalidVersion

VECTORS = pathlib.Path(__file__).parent / "vectors" / "native"


def rows(path):
    lines = path.read_bytes().decode("utf-8").split("\n")
    return [line.split("\t") for line in lines[1:] if line]


def vector_files(suffix):
    return sorted(VECTORS.glob(f"*-{suffix}.tsv"))


def ecosystem_of(path):
    return path.name.rsplit("-", 1)[0]


@pytest.mark.parametrize("path", vector_files("order"), ids=lambda p: p.name)
def test_order_and_keys_agree_with_the_tool(path):
    ecosystem = ecosystem_of(path)
    wrong = []
    for a, b, expected, *_ in rows(path):
        expected = int(expected)
        got = (native.compare(a, b, ecosystem), native.compare(b, a, ecosystem))
        ka, kb = native.key(a, ecosystem), native.key(b, ecosystem)
        by_key = (ka > kb) - (ka < kb)
        if got != (expected, -expected) or by_key != expected:
            wrong.append((a, b, expected, got, by_key))
    assert not wrong[:20], f"{len(wrong)} rows disagree"


@pytest.mark.parametrize("path", vector_files("valid"), ids=lambda p: p.name)
def test_validity_agrees_with_the_tool(path):
    ecosystem = ecosystem_of(path)
    wrong = [v for v, valid, *_ in rows(path) if native.is_valid(v, ecosystem) != (valid in ("1", "true"))]
    assert not wrong[:20], f"{len(wrong)} versions disagree"


@pytest.mark.parametrize("path", vector_files("order"), ids=lambda p: p.name)
def test_sort_agrees_with_pairwise_compare(path):
    ecosystem = ecosystem_of(path)
    if ecosystem == "maven":
        pytest.skip("Maven's own order has cycles, so no sort agrees with every pairwise answer")
    versions = sorted({v for row in rows(path)[:400] for v in row[:2]})
    by_compare = sorted(versions, key=functools.cmp_to_key(lambda a, b: native.compare(a, b, ecosystem)))
    ordered = native.sort_versions(versions, ecosystem)
    # Equal versions may be spelled differently; compare the sorts by their order.
    assert [native.key(v, ecosystem) for v in ordered] == [native.key(v, ecosystem) for v in by_compare]
    assert native.max_version(versions, ecosystem) is ordered[-1]
    assert native.min_version(versions, ecosystem) is ordered[0]


# --- names ------------------------------------------------------------------


@pytest.mark.parametrize(
    "name, same_as",
    [
        ("PyPI", "pypi"),
        ("Maven", "maven"),
        ("RubyGems", "gem"),
        ("crates.io", "cargo"),
        ("Go", "golang"),
        ("Packagist", "composer"),
        ("Debian:12", "deb"),
        ("Ubuntu:22.04:LTS", "deb"),
        ("Alpine:v3.19", "apk"),
        ("Wolfi", "apk"),
        ("Red Hat", "rpm"),
        ("Rocky Linux:9", "rpm"),
        ("NPM", "npm"),
        ("Deb", "deb"),
    ],
)
def test_osv_names_and_purl_types_reach_the_same_scheme(name, same_as):
    assert native.ECOSYSTEMS.index(same_as) >= 0
    assert native.is_valid("1.0", name) == native.is_valid("1.0", same_as)
    if native.is_valid("1.0", same_as):
        assert native.key("1.0", name) == native.key("1.0", same_as)


@pytest.mark.parametrize("name", ["", "pypi ", "python", "pypi:3", "Debian:", "debian:12", "auto", "PYPI:x"])
def test_unknown_ecosystem_lists_every_accepted_name(name):
    with pytest.raises(ValueError) as info:
        native.compare("1", "1", name)
    assert type(info.value) is ValueError
    message = str(info.value)
    assert message.startswith(f"unsupported ecosystem '{name}'; expected one of: npm, pypi, maven, gem, ")
    assert "Debian, Ubuntu, Alpine" in message and message.endswith("Rocky Linux, SUSE")


def test_ecosystems_are_the_purl_types():
    assert native.ECOSYSTEMS == (
        "npm", "pypi", "maven", "gem", "cargo", "golang", "nuget",
        "composer", "hex", "swift", "deb", "rpm", "apk", "semver",
    )


# --- invalid versions and arguments ------------------------------------------


def test_invalid_version_names_ecosystem_text_and_place():
    assert issubclass(InvalidVersion, ValueError)
    with raises_exactly(InvalidVersion, "invalid semver version: '1.2'") as info:
        native.compare("1.2.3", "1.2", "semver")
    assert (info.value.version, info.value.ecosystem, info.value.index) == ("1.2", "semver", None)
    with raises_exactly(InvalidVersion, "invalid semver version: 'x'"):
        native.compare("x", "1.2", "semver")
    with raises_exactly(InvalidVersion, "invalid semver version at index 2: '01.0.0'") as info:
        native.sort_versions(["1.0.0", "2.0.0", "01.0.0", "nope"], "semver")
    assert info.value.index == 2
    with raises_exactly(InvalidVersion, "invalid semver version: 'x\udcff'"):
        native.key("x\udcff", "semver")


def test_keys_can_leave_invalid_versions_out():
    keys = native.keys(["1.0.0", "bad", "2.0.0"], "semver", invalid="null")
    assert keys[1] is None and keys[0] < keys[2]
    with raises_exactly(InvalidVersion, "invalid semver version at index 1: 'bad'"):
        native.keys(["1.0.0", "bad"], "semver")
    with raises_exactly(ValueError, "invalid must be 'raise' or 'null', not 'skip'"):
        native.keys([], "semver", "skip")


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: native.compare(1, "1.0.0", "semver"), "expected Version or str"),
        (lambda: native.compare("1.0.0", b"1.0.0", "semver"), "expected Version or str"),
        (lambda: native.compare("1.0.0", "1.0.0", 3), "argument 'ecosystem': 'int' object is not an instance of 'str'"),
        (lambda: native.compare("1.0.0", "1.0.0"), "compare() missing 1 required positional argument: 'ecosystem'"),
        (lambda: native.is_valid("1", "npm", "x"), "is_valid() takes 2 positional arguments but 3 were given"),
        (lambda: native.sort_versions("1.0.0", "semver"), "argument 'versions': expected an iterable of versions, not 'str'"),
        (lambda: native.sort_versions(3, "semver"), "'int' object is not iterable"),
        (lambda: native.max_version([None], "semver"), "expected Version or str"),
    ],
)
def test_argument_errors(call, message):
    with raises_exactly(TypeError, message):
        call()


def test_empty_sequences():
    assert native.sort_versions([], "npm") == []
    assert native.keys((), "npm") == []
    for pick in (native.max_version, native.min_version):
        with raises_exactly(ValueError, "empty sequence"):
            pick(iter([]), "npm")


# --- collections: the caller's own objects, any iterable, stable ties ---------


class Text(str):
    pass


def test_collections_return_the_callers_objects_in_stable_order():
    items = [Text(v) for v in ["2.0.0", "1.0.0+b", "1.0.0", "1.0.0+a", "0.1.0"]]
    ordered = native.sort_versions(iter(items), "semver")
    assert [id(v) for v in ordered] == [id(items[i]) for i in (4, 1, 2, 3, 0)]
    assert native.max_version(items, "semver") is items[0]
    assert native.min_version(items[1:4], "semver") is items[1]
    assert native.max_version(items[1:4], "semver") is items[3]


def test_version_objects_stand_for_their_raw_text():
    v = tambry.Version(" 1.0.0")
    assert native.compare(v, "1.0.0", "npm") == 0
    assert native.sort_versions([v, "0.9.0"], "npm")[1] is v
    assert native.key(tambry.Version("1.0.0"), "npm") == native.key("1.0.0", "npm")
