"""Keys of versions of every length, from a single byte to well past a cache line,
built from the runs that keys are made of: digit runs from one digit to past 64
bits, letter runs longer than a machine word, separators, "~" and "^", for rpm a
NUL (after which rpm reads nothing), for Debian epochs, colons, blanks and bytes
above 0x7F. Whatever the length and wherever a run falls,
the keys order bytewise exactly as compare does, and are equal exactly when compare
gives 0.
"""

import functools
import random
import re

import pytest

from tambry import native

PIECES = {
    "rpm": ["1", "22", "333", "0", "007", "123456789", "1" * 16, "18446744073709551616", "a", "el", "Z" * 17,
            ".", "-", "_", "+", "~", "^", ":", "\x00"],
    "deb": ["1", "22", "333", "0", "007", "123456789", "1" * 16, "18446744073709551616", "a", "ubuntu", "Z" * 17,
            ".", "+", "~", "-", ":", "\n", "\u00e9"],
    "golang": ["1", "22", "0", "123456789", "alpha", "x" * 17, ".", "-", "20230822030220", "0-"],
}


def texts(ecosystem, count, seed):
    rng = random.Random(seed)
    pieces = PIECES[ecosystem]
    made = []
    for _ in range(count):
        length = rng.randint(1, 110)
        text = ""
        while len(text) < length:
            text += rng.choice(pieces)
        if ecosystem == "deb":
            # Epochs up to and past the largest dpkg takes, and the blanks it trims.
            epoch = rng.choice(["", "", "1:", "00:", "2147483647:", "2147483648:", "+1:", " "])
            text = epoch + text + rng.choice(["", "", " ", "\t "])
        if ecosystem == "golang":
            text = f"v{rng.randint(0, 300)}.{rng.randint(0, 30)}.{rng.randint(0, 3000)}-{text}"
        made.append(text)
    # A valid version at each length around and across the boundaries of words.
    prefix = "v1.0.0-" if ecosystem == "golang" else ""
    made += [prefix + "1." * k + "1" for k in range(1, 60)]
    made += [prefix + "1-" + "a" * k + "1" for k in range(1, 80)]
    return [t for t in made if native.is_valid(t, ecosystem)]


@pytest.mark.parametrize("ecosystem", sorted(PIECES))
def test_keys_order_as_compare_at_every_length(ecosystem):
    valid = texts(ecosystem, 3000, seed=len(ecosystem))
    assert len(valid) > 300
    by_compare = functools.cmp_to_key(lambda a, b: native.compare(a, b, ecosystem))
    ordered = sorted(valid, key=by_compare)
    keys = [native.key(t, ecosystem) for t in ordered]
    for (a, ka), (b, kb) in zip(zip(ordered, keys), zip(ordered[1:], keys[1:])):
        assert ka <= kb, (a, b)
        assert (ka == kb) == (native.compare(a, b, ecosystem) == 0), (a, b)
    rng = random.Random(1)
    for _ in range(3000):
        a, b = rng.choice(ordered), rng.choice(ordered)
        ka, kb = native.key(a, ecosystem), native.key(b, ecosystem)
        assert (ka > kb) - (ka < kb) == native.compare(a, b, ecosystem), (a, b)


def rpm_texts_with_a_piece_at(place):
    """RPM texts in which an epoch's colon, the release's hyphen, a letter or digit
    run, a mark or a NUL starts at `place`, after filler of the shapes keys are
    made of, so that each lies at, before or across a 16-byte boundary."""
    filler = ("1.22a-3~b^45." * 8)[:place]
    made = ["1" * place + ":2.a-3", "1" * place + ":" + "b" * (63 - place)]
    for piece in ["-", "-2", "-a", "a" * 20, "b1", "1234567", "12", "9" * 25, "~rc1", "^git1", "\x00x"]:
        made.append(filler + piece)
        made.append(filler.replace("-", "_") + piece)
    return [t for t in made if native.is_valid(t, "rpm")]


BOUNDARY_PLACES = [0, 1, 14, 15, 16, 17, 30, 31, 32, 33, 46, 47, 48, 49, 62, 63, 64]


@pytest.mark.parametrize("place", BOUNDARY_PLACES)
def test_rpm_keys_agree_across_block_boundaries(place):
    made = rpm_texts_with_a_piece_at(place)
    assert made
    for text in made:
        # Trailing dots change nothing to rpm, and take the text past 64 bytes,
        # where its key is read byte by byte instead of from masks.
        long_form = text + "." * max(1, 70 - len(text))
        assert native.compare(text, long_form, "rpm") == 0, text
        assert native.key(text, "rpm") == native.key(long_form, "rpm"), text
    for a in made:
        for b in made:
            ka, kb = native.key(a, "rpm"), native.key(b, "rpm")
            assert (ka > kb) - (ka < kb) == native.compare(a, b, "rpm"), (a, b)


# Maven keys the plain dotted numbers a version starts with as it reads them, and
# the rest through its items: shapes on both sides of that line, with the zeros
# Maven drops before the end or a "-" and keeps before a number.
MAVEN_DOTTED_AND_NEAR = [
    "0", "1", "0.0", "0.0.0", "1.0", "1.0.0", "1.0.0.1", "1.0.1", "1.00.1", "0.1", "0.0.1", "00", "000000000",
    "123456789", "999999999", "1.999999999", "1.236", "1.235", "1.236.0", "1.20.3.4.5.6.7.8.9.10.11.12",
    "0000000000", "1234567890", "1.0000000000", "1.0000000001",  # ten digits: another kind of item
    "1.", ".1", "1..2", "1.0.", "1.0.alpha", "1.2a", "1 2", "\u0661.\u0662", "1.\u0662",
    "1-", "1.0-", "1-2", "1.2-0", "1.0-1", "1.0-alpha", "1.0-SNAPSHOT", "1.0.0-rc1", "0.0-RC4", "0-alpha",
    "1.0--1", "1.0-0", "1.0-final", "1.0-ga.1", "1.0-sp", "1.0-sp.1", "1.0-foo", "1.0-a1", "1.0-m", "1.0.0-1.0",
    "1.2-\u00e9", "1.2-\u0661", "1.2-X\u0130", "2.0-b2-SNAPSHOT", "1.0-1-1",
]


def test_maven_dotted_number_keys_order_as_compare():
    made = MAVEN_DOTTED_AND_NEAR + [".".join(["7"] * k) + ".0" * z for k in range(1, 4) for z in range(3)]
    made += [t + "-1" for t in made[:20]]
    for a in made:
        for b in made:
            ka, kb = native.key(a, "maven"), native.key(b, "maven")
            assert (ka > kb) - (ka < kb) == native.compare(a, b, "maven"), (a, b)
    for text in [t for t in made if re.match(r"[1-9]", t)]:
        # Ten leading zeros more make the first number too long to be read as a
        # plain one, yet Maven drops them: the same version, keyed through its items.
        padded = "0" * 10 + text
        assert native.compare(text, padded, "maven") == 0, text
        assert native.key(text, "maven") == native.key(padded, "maven"), text
