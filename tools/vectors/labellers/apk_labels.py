"""apk's answers for Alpine versions, where no apk can be run: a line-by-line reading
of apk-tools' src/version.c (apk-tools 3: token_first, token_next, token_cmp and
apk_version_compare), plus the one form apk-tools 2 also took, digits straight
after the letter ("9.6p1"), compared as apk-tools 2 compared them: as a number.

It is written apart from the C++ scheme, as a transcription of the tool rather than
of that scheme, and checks itself on hand-worked cases when run as a script.
"""

INITIAL_DIGIT, DIGIT, LETTER, SUFFIX, SUFFIX_NO, COMMIT_HASH, REVISION_NO, END, INVALID = range(9)

# SUFFIX_INVALID is 0 and SUFFIX_NONE (5) splits pre-releases from post-releases.
SUFFIX_NONE = 5
SUFFIXES = {"alpha": 1, "beta": 2, "pre": 3, "rc": 4, "cvs": 6, "svn": 7, "git": 8, "hg": 9, "p": 10}
DIGITS = "0123456789"
HEX_DIGITS = "0123456789abcdef"
LOWER = "abcdefghijklmnopqrstuvwxyz"


class _Token:
    def __init__(self):
        self.token = INITIAL_DIGIT
        self.suffix = 0
        self.number = 0
        self.value = ""
        self.after_letter = False


def _span(text, pos, allowed):
    end = pos
    while end < len(text) and text[end] in allowed:
        end += 1
    return end


def _parse_digits(t, text, pos):
    # apk_blob_pull_uint: a 64-bit accumulator that wraps.
    end = _span(text, pos, DIGITS)
    t.value = text[pos:end]
    t.number = int(t.value) % (1 << 64) if t.value else 0
    if not t.value:
        t.token = INVALID
    return end


def _first(text):
    t = _Token()
    return t, _parse_digits(t, text, 0)


def _next(t, text, pos):
    if pos >= len(text):
        t.token = END
        return pos
    c = text[pos]
    previous = t.token
    t.after_letter = False
    if c in LOWER:
        if previous > DIGIT:
            t.token = INVALID
            return pos
        t.value, t.token = c, LETTER
        return pos + 1
    if c == "." or c in DIGITS:
        if c == ".":
            if previous > DIGIT:
                t.token = INVALID
                return pos
            pos += 1
        if previous in (INITIAL_DIGIT, DIGIT):
            t.token = DIGIT
        elif previous == LETTER:  # apk-tools 2
            t.token, t.after_letter = DIGIT, True
        elif previous == SUFFIX:
            t.token = SUFFIX_NO
        else:
            t.token = INVALID
            return pos
        return _parse_digits(t, text, pos)
    if c == "_":
        if previous > SUFFIX_NO:
            t.token = INVALID
            return pos
        end = _span(text, pos + 1, LOWER)
        t.value = text[pos + 1 : end]
        t.suffix = SUFFIXES.get(t.value, 0)
        t.token = SUFFIX if t.suffix else INVALID
        return end
    if c == "~":
        if previous >= COMMIT_HASH:
            t.token = INVALID
            return pos
        end = _span(text, pos + 1, HEX_DIGITS)
        t.value = text[pos + 1 : end]
        t.token = COMMIT_HASH if t.value else INVALID
        return end
    if c == "-":
        if previous >= REVISION_NO or not text.startswith("-r", pos):
            t.token = INVALID
            return pos
        t.token = REVISION_NO
        return _parse_digits(t, text, pos + 2)
    t.token = INVALID
    return pos


def is_valid(text):
    t, pos = _first(text)
    while t.token < END:
        pos = _next(t, text, pos)
    return t.token == END


def _sign(x, y):
    return (x > y) - (x < y)


def _token_cmp(a, b):
    if a.token == DIGIT and not a.after_letter and (a.value[0] == "0" or b.value[0] == "0"):
        return _sign(a.value.encode(), b.value.encode())  # apk_blob_sort
    if a.token in (INITIAL_DIGIT, DIGIT, SUFFIX_NO, REVISION_NO):
        return _sign(a.number, b.number)
    if a.token == LETTER:
        return _sign(a.value, b.value)
    if a.token == SUFFIX:
        return _sign(a.suffix, b.suffix)
    return _sign(a.value.encode(), b.value.encode())


def compare(x, y):
    """-1, 0 or 1; both texts must be valid."""
    if not (is_valid(x) and is_valid(y)):
        raise ValueError(f"apk rejects {x!r} or {y!r}")
    ta, pa = _first(x)
    tb, pb = _first(y)
    while ta.token == tb.token and ta.token < END:
        r = _token_cmp(ta, tb)
        if r:
            return r
        pa = _next(ta, x, pa)
        pb = _next(tb, y, pb)
    if ta.token == tb.token:
        return 0
    if ta.token == SUFFIX and ta.suffix < SUFFIX_NONE:
        return -1
    if tb.token == SUFFIX and tb.suffix < SUFFIX_NONE:
        return 1
    return -1 if ta.token > tb.token else 1


def sort(versions):
    import functools

    return sorted(versions, key=functools.cmp_to_key(compare))


# Worked by hand from version.c, each for a reason named beside it.
HAND_CHECKED = [
    ("1.0.2l", "1.0.2m", -1),  # one letter after the digits, compared as a letter
    ("1.0.2", "1.0.2a", -1),  # a letter makes a later version
    ("1.0_alpha", "1.0_beta", -1),
    ("1.0_beta", "1.0_pre", -1),
    ("1.0_pre", "1.0_rc", -1),
    ("1.0_rc", "1.0", -1),  # pre-release suffixes sort before the release
    ("1.0", "1.0_cvs", -1),  # post-release suffixes after it
    ("1.0_cvs", "1.0_svn", -1),
    ("1.0_svn", "1.0_git", -1),
    ("1.0_git", "1.0_hg", -1),
    ("1.0_hg", "1.0_p", -1),
    ("1.0_p1", "1.0_p2", -1),
    ("1.0_rc1", "1.0_rc", 1),  # a suffix number is a later token than its absence
    ("1.0", "1.0-r0", -1),  # the end is a later kind than a revision
    ("1.0-r1", "1.0-r10", -1),
    ("1.0_p1", "1.0-r1", 1),  # a post suffix outranks the revision at that place
    ("1.0~abc", "1.0~abd", -1),  # hashes compare as text
    ("1.0~abc", "1.0", 1),
    ("1.0~abc-r1", "1.0~abc-r0", 1),
    ("1.05", "1.4", -1),  # a leading zero makes the component text: "05" < "4"
    ("1.0", "1.00", -1),
    ("1.010", "1.01", 1),
    ("6.0_pre1", "6.0", -1),
    ("1.0", "1.0.0", -1),
    ("2.0", "10.0", -1),
    ("1.9.5p1", "1.9.5p2", -1),  # apk-tools 2's digits after a letter
    ("1.9.5p01", "1.9.5p1", 0),  # ... which it read as a number
    ("1.9.5", "1.9.5p1", -1),
    ("18446744073709551617", "1", 0),  # 2**64 + 1 wraps to 1
]

HAND_CHECKED_VALIDITY = [
    ("1", True),
    ("1.2.3a_rc1_p2~cafe-r4", True),
    ("1.0_alpha_pre", True),
    ("1.2p3.4", True),
    ("", False),
    ("a", False),
    (".1", False),
    ("1.", False),
    ("1..2", False),
    ("1.a", False),
    ("1ab", False),
    ("1_", False),
    ("1_foo", False),
    ("1_alphabeta", False),
    ("1-r", False),
    ("1-r1-r2", False),
    ("1-r1_p1", False),
    ("1~", False),
    ("1~xyz", False),
    ("1~ab_p1", False),
    ("1.0A", False),
    ("1 ", False),
    ("v1.0", False),
]


def self_check():
    for a, b, expected in HAND_CHECKED:
        assert compare(a, b) == expected, (a, b, expected)
        assert compare(b, a) == -expected, (b, a, -expected)
    for text, expected in HAND_CHECKED_VALIDITY:
        assert is_valid(text) == expected, (text, expected)


if __name__ == "__main__":
    self_check()
    print(f"{len(HAND_CHECKED)} orders and {len(HAND_CHECKED_VALIDITY)} validities as worked by hand")
