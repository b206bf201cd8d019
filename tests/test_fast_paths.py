"""Every shortcut a call can take gives what the general road gives.

The texts are those that the fuzz corpus makes (tests/fuzz), and the pairs are
chosen to share long prefixes, where the shortcuts skip the most: neighbours in
sorted order, and each text against small edits of itself. The general road is
the model of tests/fuzz/model.py (parse, then order) for two texts, a comparison
of the two for a sort or a choice of two, and the other way of making the same
call (the class called or its __new__, a literal name or any str of its text)
for the rest.
"""

import functools
import os
import pickle
import random
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz"))

import fuzz_tambry  # noqa: E402
import model  # noqa: E402

import tambry  # noqa: E402
from helpers import CANONICAL_ECOSYSTEMS  # noqa: E402
from tambry import Version  # noqa: E402

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz", "corpus")
TEXTS_PER_INPUT = 8
LONGEST_TEXT = 5_000  # the model is slow on the rare texts of a megabyte


def corpus_texts():
    texts = set()
    for data in fuzz_tambry.corpus_inputs([CORPUS]):
        src = fuzz_tambry.Source(data)
        for _ in range(TEXTS_PER_INPUT):
            text = fuzz_tambry.make_generator(src)(src)
            if len(text) <= LONGEST_TEXT and fuzz_tambry.encodable(text):
                texts.add(text)
    return sorted(texts)


TEXTS = corpus_texts()


def edits(text):
    """Texts that share all or most of `text` (the cases where a walk starts late), and
    texts that differ from it only in a head of zeros, separators or dashes (where
    an empty version or release meets one that only looks empty)."""
    out = [text + "1", text + ".0", text + "a", text + "~", text + "-1", "v" + text, text[:-1]]
    out += ["0" + text, "0." + text, "-" + text, "0-" + text, text.lstrip("0123456789.")]
    if text:
        last = text[-1]
        out.append(text[:-1] + (chr(ord(last) + 1) if last not in "9zZ\U0010ffff" else "0"))
    return out


def sharing_pairs():
    pairs = list(zip(TEXTS, TEXTS[1:]))
    for text in TEXTS:
        pairs += [(text, other) for other in edits(text) if fuzz_tambry.encodable(other)]
    rng = random.Random(20261208)
    pairs += [(rng.choice(TEXTS), rng.choice(TEXTS)) for _ in range(2_000)]
    return pairs


PAIRS = sharing_pairs()


def model_compare(a, b, ecosystem):
    """The model's answer: -1, 0 or 1, or the (ValueError, message) of the first rejected text."""
    parsed = []
    for text in (a, b):
        value, message = model.parse(text, ecosystem)
        if message is not None:
            return ValueError, message
        parsed.append(value)
    return model.order(*parsed)


def outcome(call):
    try:
        return call()
    except (ValueError, TypeError, OverflowError) as e:
        return type(e), str(e)


def test_the_corpus_gives_enough_texts():
    assert len(TEXTS) > 1_000
    assert len(PAIRS) > 10_000


# ---------------------------------------------------------------------------
# Two texts compared straight from their text
# ---------------------------------------------------------------------------


@pytest.mark.parametrize("ecosystem", CANONICAL_ECOSYSTEMS)
def test_comparing_two_texts_gives_the_models_answer(ecosystem):
    for a, b in PAIRS:
        want = model_compare(a, b, ecosystem)
        assert outcome(lambda: tambry.compare(a, b, ecosystem)) == want, (a, b)
        if not isinstance(want, tuple):
            assert tambry.lt(a, b, ecosystem) is (want < 0), (a, b)


@pytest.mark.parametrize("ecosystem", ["generic", "semver", "pep440", "debian", "rpm"])
def test_texts_that_share_everything_but_their_last_segment(ecosystem):
    # Long shared heads, so that a walk starts far into both texts.
    head = ".".join(str(n) for n in range(1, 40))
    for a, b in [(head + "1", head + "2"), (head + ".0", head), (head + "rc1", head), (head + "-1", head + "-1~1"),
                 (head + "+x", head + "+y"), (head + "99", head + "100"), (head + "0", head + "00")]:
        assert outcome(lambda: tambry.compare(a, b, ecosystem)) == model_compare(a, b, ecosystem), (a, b)


# Texts of every length up to a few words, and each with one byte changed at
# every place: shared prefixes, pre-releases and their numeric identifiers are
# read a word or half a word at a time, so a byte must count at any place.
CHANGED_BYTES = "09aZ.-+~!:_\x7f\u00e9"
WORD_BODIES = [
    ("", "1.22.333.4444.55555.666666"),
    ("1.2.3-", "20250218202821-56aae31c358a"),
    ("1.2.3-", "12345678901234567890.x"),
    ("1.2.3-", "alpha.0123456789"),
]


def word_place_pairs(head, body):
    pairs = []
    for length in range(len(body) + 1):
        text = head + body[:length]
        pairs.append((text, head + body[:length + 1]))
        for place in range(length):
            pairs += [(text, head + body[:place] + byte + body[place + 1:length]) for byte in CHANGED_BYTES]
    return pairs


@pytest.mark.parametrize("ecosystem", ["generic", "pep440", "debian", "rpm", "semver", "npm"])
@pytest.mark.parametrize(("head", "body"), WORD_BODIES)
def test_a_difference_at_any_place_of_a_word(ecosystem, head, body):
    for a, b in word_place_pairs(head, body):
        for x, y in ((a, b), (b, a)):
            assert outcome(lambda: tambry.compare(x, y, ecosystem)) == model_compare(x, y, ecosystem), (x, y)


# Pre-releases that fit a word of bit masks are ordered from the masks of their
# dots and non-digits: the identifier that decides is a prefix of the other, a
# number against a word, a number longer than the other, a dash where the other
# has a dot or ends, and the texts stand on both sides of 64 bytes.
PRERELEASE_PIECES = ["0", "1", "9", "10", "99", "1234567890123456789", "12345678901234567890", "a", "a-", "a-b",
                     "-", "--", "-1", "1-", "alpha", "alpha1", "Alpha", "z", "20250218202821-56aae31c358a"]


def prerelease_pairs():
    rng = random.Random(64)
    bodies = set(PRERELEASE_PIECES)
    bodies.update(f"{x}.{y}" for x in PRERELEASE_PIECES for y in PRERELEASE_PIECES)
    for _ in range(400):
        body = ".".join(rng.choice(PRERELEASE_PIECES) for _ in range(rng.randint(1, 4)))
        # A head of one long word puts the identifiers that differ around byte 64.
        bodies.add("p" * max(1, rng.randint(40, 70) - len(body)) + "." + body)
    bodies = sorted(bodies)
    pairs = list(zip(bodies, bodies[1:]))
    pairs += [(x, x + tail) for x in bodies for tail in (".0", ".a", "0", "-", ".-")]
    pairs += [(rng.choice(bodies), rng.choice(bodies)) for _ in range(3_000)]
    return [("1.2.3-" + x, "1.2.3-" + y) for x, y in pairs]


@pytest.mark.parametrize("ecosystem", ["semver", "npm"])
def test_prerelease_identifiers_around_every_boundary(ecosystem):
    for a, b in prerelease_pairs():
        for x, y in ((a, b), (b, a)):
            assert outcome(lambda: tambry.compare(x, y, ecosystem)) == model_compare(x, y, ecosystem), (x, y)


# ---------------------------------------------------------------------------
# Sorting by prefixes, and choosing in one pass
# ---------------------------------------------------------------------------


def accepted(ecosystem):
    return [(a, b) for a, b in PAIRS if not isinstance(model_compare(a, b, ecosystem), tuple)]


@pytest.mark.parametrize("ecosystem", CANONICAL_ECOSYSTEMS)
def test_a_sort_or_choice_of_two_follows_their_comparison(ecosystem):
    # One comparison decides each: the sort prefixes where they differ, the
    # elements themselves where they tie, and the one-pass choice.
    for a, b in accepted(ecosystem):
        order = tambry.compare(a, b, ecosystem)
        first, last = (a, b) if order <= 0 else (b, a)
        result = tambry.sort_versions([a, b], ecosystem)
        assert result[0] is first and result[1] is last, (a, b)
        assert tambry.max_version([a, b], ecosystem) is (b if order <= 0 else a), (a, b)
        assert tambry.min_version([a, b], ecosystem) is (a if order <= 0 else b), (a, b)


def test_version_objects_sort_and_choose_by_their_stored_form():
    for a, b in accepted("generic"):
        order = tambry.compare(a, b)
        for left, right in [(Version(a), b), (a, Version(b)), (Version(a), Version(b))]:
            result = tambry.sort_versions([left, right])
            assert result == ([left, right] if order <= 0 else [right, left]), (a, b)
            assert tambry.max_version([left, right]) is (right if order <= 0 else left), (a, b)
            assert tambry.min_version([left, right]) is (left if order <= 0 else right), (a, b)


@pytest.mark.parametrize("ecosystem", ["semver", "debian", "rpm"])
def test_sorting_many_follows_the_models_order(ecosystem):
    # These orders have no cycles, so a stable sort has one right answer.
    texts = [t for t in TEXTS if model.parse(t, ecosystem)[1] is None]
    rng = random.Random(7)
    items = [rng.choice(texts) for _ in range(3_000)]
    items = [t[:] if rng.random() < 0.5 else Version(t) for t in items]
    parsed = {id(x): model.parse(x if isinstance(x, str) else x.raw, ecosystem)[0] for x in items}
    want = sorted(items, key=functools.cmp_to_key(lambda x, y: model.order(parsed[id(x)], parsed[id(y)])))
    got = tambry.sort_versions(items, ecosystem)
    assert [id(x) for x in got] == [id(x) for x in want]


# ---------------------------------------------------------------------------
# Version objects packed straight from the text
# ---------------------------------------------------------------------------

LONG_TEXTS = ["1." * n + "rc" * (n % 3) + "~" * (n % 2) for n in (126, 127, 128, 129, 300)] + [
    "a1" * 200, "~^" * 300, "9" * 400 + ".1", "v1:" + "abc." * 100, "1.0-" + "x" * 70, "1." + "z" * 61,
    "1." + "z" * 62,
]


@pytest.mark.parametrize("chunk", range(4))
def test_every_view_of_a_version_matches_the_generic_parse(chunk):
    for text in TEXTS[chunk::4] + LONG_TEXTS:
        fuzz_tambry.check_views(Version(text), text, model.detect(text))


def reference_hash(text):
    """The specified hash of a text's generic parse, with synonymous words as their group's word."""
    parsed = model.parse_generic(text)
    segments = parsed.segments[: model.significant_length(parsed.segments)]
    stream = parsed.epoch.to_bytes(8, "little")
    for seg in segments:
        if isinstance(seg, int):
            stream += b"\x00" + seg.to_bytes(8, "little")
        else:
            stream += b"\x01" + HASH_WORDS.get(seg, seg).encode() + b"\xff"
    h = siphash13(stream)
    h = h - (1 << 64) if h >= 1 << 63 else h
    return -2 if h == -1 else h


HASH_WORDS = {"alpha": "a", "beta": "b", "milestone": "m", "rc": "c", "cr": "c", "pre": "c", "preview": "c",
              "post": "p", "patch": "p", "sp": "p"}


def siphash13(data):
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


def test_the_hash_kept_in_an_object_is_the_hash_of_its_parse():
    for text in TEXTS + LONG_TEXTS:
        v = Version(text)
        assert hash(v) == reference_hash(text), text
        assert hash(v) == hash(v) == hash(Version(text, "semver")), text


def test_objects_that_hash_alike_are_found_in_a_set():
    # The second look at a hash comes from the object; equal versions must still meet.
    versions = [Version(t) for t in TEXTS]
    again = [Version(t) for t in TEXTS]
    found = set(versions)
    assert all(v in found for v in again)


# ---------------------------------------------------------------------------
# Calling the class, its __new__ and version()
# ---------------------------------------------------------------------------

CONSTRUCTOR_ARGUMENTS = [
    ((), {}), (("1.0",), {}), (("1.0", "npm"), {}), (("1.0",), {"ecosystem": "deb"}), ((), {"version": "1.0"}),
    ((), {"version": "1.0", "ecosystem": "AUTO"}), (("1.0", "npm", "x"), {}), (("1.0",), {"eco": "npm"}),
    (("1.0",), {"version": "2.0"}), ((None,), {}), (("1.0", None), {}), ((b"1.0",), {}), (("1.0", " npm"), {}),
    (("\ud800",), {}), ((1,), {"ecosystem": 2}), (("1.0",), {"ecosystem": "npm", "version": "x"}),
    ((fuzz_tambry.Text("1.0"), fuzz_tambry.Text("rpm")), {}),
]


@pytest.mark.parametrize(("args", "kwargs"), CONSTRUCTOR_ARGUMENTS)
def test_calling_the_class_is_calling_its_new(args, kwargs):
    def views(call):
        try:
            v = call()
        except (TypeError, ValueError, UnicodeEncodeError) as e:
            return type(e), str(e)
        return type(v), v.raw, v.ecosystem, v.segments(), hash(v)

    assert views(lambda: Version(*args, **kwargs)) == views(lambda: Version.__new__(Version, *args, **kwargs))


def test_the_class_and_version_make_the_same_objects():
    for text in TEXTS:
        for ecosystem in (None, "pep440", "auto"):
            extra = () if ecosystem is None else (ecosystem,)
            a, b = Version(text, *extra), tambry.version(text, *extra)
            assert (a.raw, a.ecosystem, a.segments(), hash(a)) == (b.raw, b.ecosystem, b.segments(), hash(b))


# ---------------------------------------------------------------------------
# Ecosystem names recognised by the str object
# ---------------------------------------------------------------------------

ACCEPTED_NAMES = sorted(model.NAMES) + ["auto"]


def other_strs(name):
    """Strs of the same text that are not the interned literal."""
    return ["".join(list(name)), pickle.loads(pickle.dumps(name + "x"))[:-1], fuzz_tambry.Text(name)]


@pytest.mark.parametrize("name", ACCEPTED_NAMES)
def test_any_str_of_an_accepted_name_reads_alike(name):
    pairs = PAIRS[:: len(PAIRS) // 200]
    for copy in other_strs(name):
        assert copy == name and (copy is not name or type(copy) is not str)
        for a, b in pairs:
            assert outcome(lambda: tambry.compare(a, b, copy)) == outcome(lambda: tambry.compare(a, b, name))
        assert Version("1.0-1", copy).ecosystem == Version("1.0-1", name).ecosystem
        assert outcome(lambda: tambry.sort_versions(["2", "1"], copy)) == outcome(
            lambda: tambry.sort_versions(["2", "1"], name))


@pytest.mark.parametrize("name", ["Npm", "DEBIAN", "pep440 ", "", "autos", "npm\x00", "dèbian"])
def test_other_names_are_still_read_as_text(name):
    assert outcome(lambda: tambry.compare("1.0", "1.1", name)) == outcome(
        lambda: tambry.compare("1.0", "1.1", "".join(list(name))))
