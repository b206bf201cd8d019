"""White space at one end of a text only, under every scheme that trims.

Most texts start and end with a visible ASCII byte and skip trimming; a text
with a blank at just one end must still lose it. The multi-byte blanks matter
most: U+1680, U+2000 and U+3000 end in the byte 0x80, the first byte that is
not ASCII. Characters just beside the blanks, in code points or in UTF-8 bytes,
are not white space and must stay.
"""

import pytest

import tambry
from tambry import Version

TRIMMED = [
    "\t", "\n", "\x0b", "\x0c", "\r", " ", "\x85", "\xa0", "\u1680",
    *map(chr, range(0x2000, 0x200B)), "\u2028", "\u2029", "\u202f", "\u205f", "\u3000",
]
NOT_TRIMMED = [
    "\x08", "\x0e", "\x1c", "\x1d", "\x1e", "\x1f", "\x80", "\x84", "\x86", "\x9f", "\xa1",
    "\u167f", "\u1681", "\u180e", "\u1fff", "\u200b", "\u2027", "\u202a", "\u202e", "\u2030",
    "\u205e", "\u2060", "\u2fff", "\u3001", "\ufeff",
]
ENDS = ["leading", "trailing"]

SEMVER = "1.2.3-rc.1"
DEBIAN = "1.0~rc1-1"
RPM = "1:1.0~rc1-1"  # an epoch, so that a blank left in front shows
PEP440 = "v1!1.0rc1"
GENERIC = "v2:1.0+b"


def code_point(c):
    return f"U+{ord(c):04X}"


def outcome(call, *args):
    try:
        return call(*args)
    except Exception as e:  # the type and the whole message are part of the answer
        return type(e), str(e)


def error(message):
    return ValueError, message


def pad(char, end, text):
    return char + text if end == "leading" else text + char


@pytest.mark.parametrize("end", ENDS)
@pytest.mark.parametrize("blank", TRIMMED, ids=code_point)
def test_blank_at_one_end_is_trimmed(blank, end):
    def padded(text):
        return pad(blank, end, text)

    assert outcome(tambry.compare_semver_strict, padded("1.2.3"), "1.2.3") == 0
    for ecosystem, text in [("semver", SEMVER), ("debian", DEBIAN), ("rpm", RPM), ("pep440", PEP440)]:
        assert outcome(tambry.compare, padded(text), text, ecosystem) == 0, ecosystem
    # Trimmed first, then the epoch leaves nothing: the message quotes the text as given.
    assert outcome(tambry.compare, padded("1!"), "1", "pep440") == error(f"empty PEP 440 version: '{padded('1!')}'")
    v = Version(padded(GENERIC))
    assert (v.raw, v.epoch, v.segments(), v.build) == (padded(GENERIC), 2, (1, 0), "b")
    assert v == Version(GENERIC)


@pytest.mark.parametrize("end", ENDS)
@pytest.mark.parametrize("char", NOT_TRIMMED, ids=code_point)
def test_character_beside_the_blanks_stays(char, end):
    def padded(text):
        return pad(char, end, text)

    leading = end == "leading"
    expected = [
        (tambry.compare_semver_strict, padded("1.2.3"), "1.2.3",
         error(f"invalid major: '{char}1'" if leading else f"invalid patch: '3{char}'")),
        (tambry.compare, padded(SEMVER), SEMVER, "semver",
         error(f"invalid major: '{char}1'" if leading else f"invalid character in prerelease identifier: '1{char}'")),
        # Any byte that is not a letter, a digit or "~" sorts after the end of the text.
        (tambry.compare, padded(DEBIAN), DEBIAN, "debian", 1),
        # In front it hides the epoch; at the end it is one more separator, which RPM skips.
        (tambry.compare, padded(RPM), RPM, "rpm", -1 if leading else 0),
        (tambry.compare, padded(PEP440), PEP440, "pep440",
         error(f"invalid PEP 440 epoch: '{char}v1'") if leading else 0),
        (tambry.compare, padded("1!"), "1", "pep440",
         error(f"invalid PEP 440 epoch: '{char}1'") if leading
         else error(f"PEP 440 version must start with a digit: '1!{char}'")),
    ]
    for call, *args, want in expected:
        assert outcome(call, *args) == want, args
    v = Version(padded(GENERIC))
    assert v.build == ("b" if leading else "b" + char)
    assert (v == Version(GENERIC)) is not leading
