"""Words and numbers whose stored size sits on an encoding boundary.

A Version keeps its parse as one byte stream: a word's length is written as a
varint (7 bits a byte, so 127/128, 16383/16384 and 2**21-1/2**21 letters change
its size) and a number in as few bytes as it needs (0 in none, 255 in one, 256 in
two, ...). Every view, the operators, the hash, the sort key, pickling and the
sort read that stream, while compare() on two texts never builds it; so the
expected answers here come from the plain-Python model in tests/fuzz and from
the text path, never from the stream.
"""

import functools
import os
import pickle
import random
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz"))

import model  # noqa: E402

import tambry  # noqa: E402
from tambry import Version  # noqa: E402

U64_MAX = 2**64 - 1

WORD_LENGTHS = (127, 128, 129, 16383, 16384, 16385)
# A length prefix of four bytes; too slow to compare with every neighbour.
LONGEST_WORDS = (2**21 - 1, 2**21)

# The largest and smallest value of every byte width, then texts past 2**64 - 1.
NUMBERS = [0, 1] + [x for width in range(1, 9) for x in (2 ** (8 * width) - 1, 2 ** (8 * width))]
SATURATING = ["18446744073709551616", "9" * 23, "0" * 30 + str(U64_MAX)]


def word(length, letter="x"):
    return letter * length


def word_texts(length):
    """Texts around one word length: shorter, longer, equal spellings, word in context."""
    w = word(length)
    bare = [word(length - 1), w, word(length, "X"), w + ".0", w + "0", word(length + 1), w + "y", w + ".1"]
    return bare + [shape.format(w) for shape in ("1.{}.2", "1.2.3.{}", "2:{0}.{0}", "1.0-{}3")]


def number_texts(n):
    s = str(n)
    texts = [s, "0" + s, s + ".0", f"1.{s}.2", f"{s}:1", f"{s}.x{s}"]
    if n:
        texts.append(str(n - 1))
    return texts


WORD_GROUPS = {f"word{length}": word_texts(length) for length in WORD_LENGTHS}
NUMBER_GROUP = [t for n in NUMBERS for t in number_texts(n)] + SATURATING + [
    f"{U64_MAX}:{U64_MAX}.{U64_MAX}.{U64_MAX}.x",  # the most that the sort keeps at hand
    f"{U64_MAX}:{U64_MAX}.{U64_MAX}.{U64_MAX - 1}.x",
    "18446744073709551616:1",  # an epoch past 2**64 - 1 is no epoch
]
NUMBER_GROUP = list(dict.fromkeys(NUMBER_GROUP))
ALL_TEXTS = sorted(
    {t for group in [*WORD_GROUPS.values(), NUMBER_GROUP, *map(word_texts, LONGEST_WORDS)] for t in group},
    key=lambda t: (len(t), t),
)


def label(text):
    return text if len(text) < 40 else f"{text[:8]}..{len(text)}..{text[-3:]}"


@functools.lru_cache(maxsize=None)
def model_parse(text):
    return model.parse_generic(text)


def model_order(a, b):
    return model.cmp_generic(model_parse(a), model_parse(b))


@pytest.mark.parametrize("text", ALL_TEXTS, ids=label)
def test_views_and_round_trip(text):
    expected = model_parse(text)
    segments = tuple(expected.segments)
    v = Version(text)
    assert v.segments() == segments
    assert [type(s) for s in v.segments()] == [type(s) for s in segments]
    assert (len(v), bool(v), v.epoch) == (len(segments), bool(segments), expected.epoch)
    assert [v[i] for i in range(-len(segments), len(segments))] == list(segments) * 2
    assert (v.major, v.minor, v.patch) == tuple(
        s if type(s) is int else 0 for s in (list(segments) + [0, 0, 0])[:3]
    )
    assert v.sort_key() == model.sort_key(expected)
    restored = pickle.loads(pickle.dumps(v))
    assert restored == v and hash(restored) == hash(v)
    assert (restored.raw, restored.segments(), restored.sort_key()) == (text, segments, v.sort_key())


@pytest.mark.parametrize("texts", [*WORD_GROUPS.values(), NUMBER_GROUP], ids=[*WORD_GROUPS, "numbers"])
def test_order_hash_and_sort_among_neighbours(texts):
    objects = [Version(t) for t in texts]
    hashes = [hash(v) for v in objects]
    for a, v, hv in zip(texts, objects, hashes):
        for b, w, hw in zip(texts, objects, hashes):
            o = model_order(a, b)
            assert tambry.compare(a, b) == o, (label(a), label(b))
            assert (v < w, v <= w, v == w, v != w, v > w, v >= w) == (o < 0, o <= 0, o == 0, o != 0, o > 0, o >= 0)
            assert (hv == hw) == (o == 0), (label(a), label(b))

    shuffled = list(range(len(texts)))
    random.Random(len(texts)).shuffle(shuffled)
    shuffled *= 2  # every text twice: once as str, once as Version
    items = [texts[i] if k < len(texts) else objects[i] for k, i in enumerate(shuffled)]
    # Python's sort is stable too, so ties keep their input order on both sides.
    by_model = sorted(
        range(len(items)), key=functools.cmp_to_key(lambda x, y: model_order(str(items[x]), str(items[y])))
    )
    for chosen in (items[: len(texts)], items[len(texts) :], items):
        got = tambry.sort_versions(chosen)
        want = [items[i] for i in by_model if any(items[i] is c for c in chosen)]
        assert all(g is w for g, w in zip(got, want)) and len(got) == len(want)
        assert tambry.max_version(chosen) is want[-1]
        assert tambry.min_version(chosen) is want[0]
