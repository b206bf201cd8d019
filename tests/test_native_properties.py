"""tambry.native: the promises every ecosystem's order keeps, as hypothesis properties.

For each ecosystem, versions are drawn from a small grammar of its own shapes,
from the committed tool-labelled vectors (tests/vectors/native), and from those
vectors with a piece swapped, so that most drawn texts are valid. On valid
versions the order is reflexive, antisymmetric and transitive, the keys order
bytewise exactly as compare does, and the sorts agree with compare and keep ties
in their input order. Any text at all is either valid, and then every function
takes it, or rejected by every function with InvalidVersion.

Two orders are not total and are kept to the part that is: Maven's own order has
cycles (src/core/native/maven.cpp), so its transitivity, keys and sorts are drawn
from shapes without them, and a cyclic input only has to sort into a permutation;
node-semver compares numeric pre-release identifiers as doubles, so npm's drawn
versions keep them below 2**53.
"""

import functools
import itertools
import pathlib
import re

import pytest
from hypothesis import given
from hypothesis import strategies as st

from tambry import native
from tambry.native import InvalidVersion

VECTORS = pathlib.Path(__file__).parent / "vectors" / "native"
ECOSYSTEMS = native.ECOSYSTEMS


def tsv_rows(name):
    path = VECTORS / name
    if not path.exists():
        return []
    lines = path.read_bytes().decode("utf-8").split("\n")
    return [line.split("\t") for line in lines[1:] if line]


def npm_safe(text):
    """False for a pre-release number node-semver would compare as an inexact double."""
    pre = re.split(r"[+]", text, maxsplit=1)[0].partition("-")[2]
    return all(not p.isdigit() or int(p) < 2**53 for p in pre.split("."))


def vector_texts(ecosystem, accepted):
    """The texts of the ecosystem's vectors that its tool accepted (or rejected)."""
    # swift keeps to SemVer itself and has no tool of its own here.
    source = "semver" if ecosystem == "swift" else ecosystem
    found = {row[0] for row in tsv_rows(f"{source}-valid.tsv") if (row[1] in ("1", "true")) == accepted}
    if accepted:
        found |= {t for row in tsv_rows(f"{source}-order.tsv") for t in row[:2]}
    return sorted(found)


# --- grammar pieces ---------------------------------------------------------------------

def join(*parts):
    return st.tuples(*(st.just(p) if isinstance(p, str) else p for p in parts)).map("".join)


def maybe(part):
    return st.just("") | (st.just(part) if isinstance(part, str) else part)


def listed(item, separator, low, high):
    if isinstance(separator, str):
        return st.lists(item, min_size=low, max_size=high).map(separator.join)
    # Each item after the first with a separator of its own.
    rest = st.lists(join(separator, item), min_size=max(low - 1, 0), max_size=high - 1).map("".join)
    return join(item, rest)


def words(*choices):
    return st.sampled_from(choices)


small = st.integers(0, 12).map(str)
number = small | words("0", "1", "2", "10", "99", "007", "2147483647", "4294967296", "18446744073709551616")
nonzero = st.integers(1, 12).map(str) | words("10", "99", "123456789", "1234567890")

identifier = small | words("alpha", "beta", "rc", "a1", "x-y", "-", "RC", "Beta", "0a", "pre", "dev")
prerelease = maybe(join("-", listed(identifier, ".", 1, 3)))
build = maybe(join("+", listed(words("build", "1", "001", "sha.5114f85", "x-y", "exp"), ".", 1, 2)))
semver_core = join(small, ".", small, ".", small)
semver = join(semver_core, prerelease, build)

pep440_pre = join(words("", ".", "-", "_"), words("a", "b", "rc", "c", "alpha", "beta", "pre", "preview"), maybe(small))
pep440_post = join(words(".post", "post", "-", "-post", ".r", "rev", "_post"), small) | st.just(".post")
pep440_local = join("+", listed(words("ubuntu", "1", "abc", "0", "deb12u1"), ".", 1, 3))
pep440 = join(
    maybe(join(small, "!")), listed(number, ".", 1, 4), maybe(pep440_pre), maybe(pep440_post),
    maybe(join(words(".dev", "dev", "-dev"), maybe(small))), maybe(pep440_local),
)

maven_word = words("alpha", "beta", "milestone", "rc", "cr", "snapshot", "ga", "final", "release", "sp", "foo",
                   "jre6", "android", "incubating", "a", "b", "m", "SNAPSHOT", "RC", "Final")
maven_any = listed(number | maven_word | join(maven_word, number), words(".", "-", ""), 1, 5)
# Shapes away from Maven's cycles: no zero items, and a word only after the
# numbers, in a list of its own ('-'), a pre-release word with a number or any
# word alone at the end.
maven_acyclic = join(
    listed(nonzero, ".", 1, 4),
    maybe(join("-", words("alpha", "beta", "milestone", "rc", "cr", "snapshot", "a", "b", "m"), nonzero)
          | join("-", maven_word)),
)

gem_segment = number | words("a", "b", "pre", "rc", "alpha", "beta", "p", "RC") | join(words("a", "pre", "rc"), small)
gem = join(small, maybe(join(".", listed(gem_segment, ".", 1, 4))), maybe(join("-", words("pre", "rc.1", "1"))))

composer = (
    join(maybe("v"), listed(number, ".", 1, 4),
         maybe(join(words("-", "", ".", "_"), words("alpha", "beta", "RC", "rc", "dev", "patch", "pl", "p", "a",
                                                    "b", "stable", "ALPHA"), maybe(small))))
    | join("dev-", words("main", "master", "feature/x", "1.x", "b1db__ce"))
    | join(small, ".", words("x", "*", "0.x"), "-dev")
)

nuget = join(listed(number, ".", 1, 4), prerelease, build)
golang = join("v", semver_core, prerelease, build) | join("v", small, maybe(join(".", small))) | join(
    "v", small, ".0.0+incompatible")
npm = join(maybe(words("v", "=", " ", "v ")), semver)

package_text = st.text(alphabet="0123456789abcxyzABC.+~", min_size=0, max_size=6)
deb = join(maybe(join(small, ":")), small, package_text, maybe(join("-", listed(small | package_text, ".", 1, 2))))
rpm = join(maybe(join(small, ":")), small, st.text(alphabet="0123456789abcXY._+~^", max_size=6),
           maybe(join("-", small, st.text(alphabet="0123456789el.fc_~^", max_size=5))))
apk_suffix = join("_", words("alpha", "beta", "pre", "rc", "cvs", "svn", "git", "hg", "p"), maybe(small))
apk = join(listed(number, ".", 1, 4), maybe(words("a", "b", "l", "m", "z")), listed(apk_suffix, "", 0, 2),
           maybe(join("-r", small)))

GRAMMAR = {
    "npm": npm, "pypi": pep440, "maven": maven_any, "gem": gem, "cargo": semver, "golang": golang, "nuget": nuget,
    "composer": composer, "hex": semver, "swift": semver, "deb": deb, "rpm": rpm, "apk": apk, "semver": semver,
}
assert set(GRAMMAR) == set(ECOSYSTEMS)

EDITS = words(".", "-", "+", "~", "^", "_", ":", "!", "0", "1", "99", "a", "rc", "v", " ", "é", "")


def mutated(seeds):
    """A seed with one slice replaced by a piece: near-valid texts, valid or not."""
    def edit(args):
        text, start, length, piece = args
        start %= len(text) + 1
        return text[:start] + piece + text[start + length:]

    return st.tuples(st.sampled_from(seeds), st.integers(0, 64), st.integers(0, 2), EDITS).map(edit)


SEEDS = {eco: vector_texts(eco, True) for eco in ECOSYSTEMS}
REJECTED = {eco: vector_texts(eco, False) or [""] for eco in ECOSYSTEMS}


def near_grammar(eco):
    seeds = SEEDS[eco]
    return st.one_of(GRAMMAR[eco], st.sampled_from(seeds), mutated(seeds), st.sampled_from(REJECTED[eco]))


def accepted(eco, strategy):
    strategy = strategy.filter(lambda t: native.is_valid(t, eco))
    return strategy.filter(npm_safe) if eco == "npm" else strategy


# Built once: a strategy over thousands of seeds is slow to make.
TEXTS = {eco: near_grammar(eco) for eco in ECOSYSTEMS}  # mostly valid, some not
VALID = {eco: accepted(eco, maven_acyclic if eco == "maven" else TEXTS[eco]) for eco in ECOSYSTEMS}
MAVEN_WITH_CYCLES = accepted("maven", TEXTS["maven"])


def by_key(a, b, eco):
    ka, kb = native.key(a, eco), native.key(b, eco)
    return (ka > kb) - (ka < kb)


class Text(str):
    """A str of its own identity, so that ties can be told apart."""


each_ecosystem = pytest.mark.parametrize("eco", ECOSYSTEMS)


# --- the order ---------------------------------------------------------------------------


@each_ecosystem
@given(data=st.data())
def test_order_is_total_and_keys_follow_it(eco, data):
    trio = [data.draw(VALID[eco]) for _ in range(3)]
    for x, y, z in itertools.permutations(trio):
        xy, yz, xz = (native.compare(p, q, eco) for p, q in ((x, y), (y, z), (x, z)))
        assert native.compare(x, x, eco) == 0
        assert xy == -native.compare(y, x, eco) in (-1, 0, 1)
        assert by_key(x, y, eco) == xy, (x, y)
        if xy <= 0 and yz <= 0:
            assert xz <= 0 and (xz == 0) == (xy == yz == 0), (x, y, z)


@given(st.lists(MAVEN_WITH_CYCLES, min_size=2, max_size=2))
def test_maven_stays_antisymmetric_on_its_cycles(pair):
    a, b = pair
    assert native.compare(a, a, "maven") == 0
    assert native.compare(a, b, "maven") == -native.compare(b, a, "maven")


# --- the collections ---------------------------------------------------------------------


@each_ecosystem
@given(data=st.data())
def test_sorts_agree_with_compare_and_keep_ties_in_order(eco, data):
    pool = data.draw(st.lists(VALID[eco], min_size=1, max_size=6))
    # Repeats make ties of distinct objects; their input order must survive.
    items = [Text(t) for t in data.draw(st.lists(st.sampled_from(pool), min_size=1, max_size=12))]
    stable = sorted(items, key=functools.cmp_to_key(lambda a, b: native.compare(a, b, eco)))
    ordered = native.sort_versions(iter(items), eco)
    assert [id(v) for v in ordered] == [id(v) for v in stable]
    assert native.max_version(items, eco) is stable[-1]  # the last of the greatest
    assert native.min_version(items, eco) is stable[0]  # the first of the least
    assert native.keys(items, eco) == [native.key(v, eco) for v in items]


def test_maven_cycles_still_sort_into_permutations():
    rows = tsv_rows("maven-order-cycles.tsv")
    assert rows
    cycle_members = sorted({t for row in rows for t in row[:2]})
    for start in range(0, len(cycle_members), 6):
        group = [Text(t) for t in cycle_members[start:start + 6]]
        for order in itertools.islice(itertools.permutations(group), 120):
            ordered = native.sort_versions(order, "maven")
            assert sorted(map(id, ordered)) == sorted(map(id, group))
            assert any(native.max_version(order, "maven") is v for v in group)
            assert any(native.min_version(order, "maven") is v for v in group)
            assert len(native.keys(order, "maven")) == len(group)


# --- validity ------------------------------------------------------------------------------


def rejects(call):
    try:
        call()
    except InvalidVersion:
        return True
    return False


@each_ecosystem
@given(data=st.data())
def test_every_function_agrees_with_is_valid(eco, data):
    text = data.draw(TEXTS[eco] | st.text(max_size=12))
    other = data.draw(VALID[eco])
    ok = native.is_valid(text, eco)
    assert type(ok) is bool
    calls = [
        lambda: native.key(text, eco),
        lambda: native.compare(text, other, eco),
        lambda: native.compare(other, text, eco),
        lambda: native.is_prerelease(text, eco),
        lambda: native.sort_versions([other, text], eco),
        lambda: native.max_version([text, other], eco),
    ]
    assert [rejects(call) for call in calls] == [not ok] * len(calls), text
    assert (native.keys([other, text], eco, invalid="null")[1] is None) == (not ok)
    if ok:
        assert type(native.is_prerelease(text, eco)) is bool



# Numbers joined by dots take a shortcut in Maven's and RubyGems' comparison; the
# key is written by the general reader, so the two must agree on every such pair,
# and on the near shapes that must not take the shortcut.
DOTTED = st.lists(st.from_regex(r"0{0,2}[0-9]{1,3}|0{0,12}[0-9]{1,9}|0*[1-9][0-9]{8,22}", fullmatch=True), min_size=1, max_size=5).map(
    ".".join)
NEAR_DOTTED = st.tuples(DOTTED, st.sampled_from(["", ".", "..", "-", "a", ".0", " ", "-1", ".a"]), DOTTED).map(
    lambda t: t[0] + t[1] + t[2])


EXTENDED_DOTTED = st.tuples(DOTTED, st.lists(st.sampled_from(["0", "00", "1", "0a"]), max_size=3)).map(
    lambda t: ".".join([t[0], *t[1]]))


@pytest.mark.parametrize(("a", "b", "expected"), [
    ("v1.2", "1.2.0", 0), ("V1.10", "v1.9", 1), ("v1.2", "1.2-beta", 1), ("vv1.2", "1.2", None),
    ("v123456", "99999", 1),  # six digits are a date
])
def test_composer_reads_a_leading_v_before_the_numbers(a, b, expected):
    if expected is None:
        with pytest.raises(InvalidVersion):
            native.compare(a, b, "composer")
    else:
        assert native.compare(a, b, "composer") == expected
        assert native.compare(b, a, "composer") == -expected


@pytest.mark.parametrize("ecosystem", ["maven", "gem", "composer"])
@pytest.mark.parametrize(("a", "b", "expected"), [
    ("1", "1.0", 0), ("1.0.0", "1", 0), ("1", "1.0.1", -1),
    ("1.0.0.0.0", "1.0.0.0.1", {"maven": -1, "gem": -1, "composer": None}), ("01.002", "1.2", 0),
    ("1.10", "1.9", 1), ("2", "10", -1), ("1.0.0", "1.0.00", 0),
    ("1." + "9" * 25, "1." + "1" + "0" * 25, {"maven": -1, "gem": -1, "composer": 0}),
    ("1.999999999", "1.0000000000.5", {"maven": -1, "gem": 1, "composer": 1}),  # Maven: ten digits are a larger kind
    ("1.2.3.4.5", "1.2.3.4.4", {"maven": 1, "gem": 1, "composer": None}),  # composer: five numbers are no version
    ("123456.1", "99999.2", 1),  # composer: a first number of six digits is read as a date
    ("1.9223372036854775808", "1.9223372036854775807", {"maven": 1, "gem": 1, "composer": 0}),  # PHP saturates
])
def test_dotted_numbers_pad_with_zeros_and_compare_by_value(ecosystem, a, b, expected):
    if isinstance(expected, dict):
        expected = expected[ecosystem]
    if expected is None:
        with pytest.raises(InvalidVersion):
            native.compare(a, b, ecosystem)
        return
    assert native.compare(a, b, ecosystem) == expected
    assert native.compare(b, a, ecosystem) == -expected


# Pairs that Maven's comparison settles at their first differing leading number,
# or that look so and are not, labelled by maven-artifact 3.8.7.
@pytest.mark.parametrize(("a", "b", "expected"), [
    ("1.0.0-x", "1.0.5", -1), ("1.0-SNAPSHOT", "1.1", -1), ("1.2.RELEASE", "1.10", -1), ("1.0.sp", "1.5", -1),
    ("1.0.0", "1.0.0.1-alpha", -1), ("1.0000000000-x", "1.1", -1), ("2.0.final", "2.1-rc-1", -1),
    ("1.01a", "1.1b", -1), ("3-jre", "10-android", -1), ("1..2", "1.1", -1), ("1.2-1", "1.3", -1),
    ("1.2\u0662", "1.3", 1),  # Java reads the Arabic-Indic two as a digit of the number: 22
])
def test_maven_leading_numbers(a, b, expected):
    assert native.compare(a, b, "maven") == expected
    assert native.compare(b, a, "maven") == -expected


@pytest.mark.parametrize("ecosystem", ["maven", "gem", "composer"])
@given(a=st.one_of(DOTTED, NEAR_DOTTED, EXTENDED_DOTTED), b=st.one_of(DOTTED, NEAR_DOTTED, EXTENDED_DOTTED))
def test_dotted_numbers_compare_as_the_general_reader_keys_them(ecosystem, a, b):
    if not (native.is_valid(a, ecosystem) and native.is_valid(b, ecosystem)):
        return
    ka, kb = native.key(a, ecosystem), native.key(b, ecosystem)
    assert native.compare(a, b, ecosystem) == (ka > kb) - (ka < kb)
