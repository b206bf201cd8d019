"""NuGet.Versioning's parse and default order, written out step by step from its C#
(NuGetVersion.TryParse, SemanticVersion.ParseSections / IsValid / IsValidPart,
TryGetNormalizedVersion, VersionComparer.Default): there is no NuGet to run here, so
this stands in for it when labelling vectors, and checks itself against the cases
NuGet.Client's own tests publish (see PUBLISHED below).
"""

from __future__ import annotations

import functools

# char.IsWhiteSpace, which String.Trim also uses.
WHITE_SPACE = set(
    "\u0009\u000a\u000b\u000c\u000d\u0020\u0085\u00a0\u1680\u2028\u2029\u202f\u205f\u3000"
    + "".join(chr(c) for c in range(0x2000, 0x200B))
)
INT_MAX = 2**31 - 1


def _trim(text: str) -> str:
    start, end = 0, len(text)
    while start < end and text[start] in WHITE_SPACE:
        start += 1
    while end > start and text[end - 1] in WHITE_SPACE:
        end -= 1
    return text[start:end]


def _parse_sections(value: str):
    """SemanticVersion.ParseSections, index for index."""
    version_string = release_labels = build_metadata = None
    dash_pos = plus_pos = -1
    for i, ch in enumerate(value):
        end = i == len(value) - 1
        if dash_pos < 0:
            if end or ch in "-+":
                version_string = value[: i + (1 if end else 0)]
                dash_pos = i
                if ch == "+":
                    plus_pos = i
        elif plus_pos < 0:
            if end or ch == "+":
                start = dash_pos + 1
                release_labels = value[start : i + (1 if end else 0)].split(".")
                plus_pos = i
        elif end:
            build_metadata = value[plus_pos + 1 : i + 1]
    return version_string, release_labels, build_metadata


def _is_label_char(ch: str) -> bool:
    return ch.isascii() and (ch.isalnum() or ch == "-")


def _is_valid_part(part: str, allow_leading_zeros: bool) -> bool:
    if not part:
        return False
    if not allow_leading_zeros and len(part) > 1 and part[0] == "0":
        if all("0" <= c <= "9" for c in part[1:]):
            return False
    return all(_is_label_char(c) for c in part)


def _parse_section(s: str, start: int):
    """TryGetNormalizedVersion's ParseSection: (ok, end, number)."""
    if start == len(s):
        return True, start, 0
    end = start
    while end < len(s):
        if s[end] not in WHITE_SPACE:
            if "0" <= s[end] <= "9":
                break
            return False, end, 0
        end += 1
    done = digit_found = False
    number = 0
    while end < len(s):
        ch = s[end]
        if "0" <= ch <= "9":
            digit_found = True
            # NuGet itself rejects a part above INT_MAX; tambry reads parts of any
            # size (published lists compared under NuGet's rules hold them).
            number = number * 10 + ord(ch) - 48
        elif ch == ".":
            end += 1
            if end == len(s):
                return False, end, 0
            done = True
            break
        elif ch in WHITE_SPACE:
            break
        else:
            return False, end, 0
        end += 1
    if not digit_found:
        return False, end, 0
    if end == len(s):
        done = True
    if not done:
        while end < len(s):
            ch = s[end]
            if ch not in WHITE_SPACE:
                if ch == ".":
                    end += 1
                    if end == len(s):
                        return False, end, 0
                    break
                return False, end, 0
            end += 1
    return True, end, number


def _normalized_version(s: str):
    if not s or all(c in WHITE_SPACE for c in s):
        return None
    numbers = []
    position = 0
    for _ in range(4):
        ok, position, number = _parse_section(s, position)
        if not ok:
            return None
        numbers.append(number)
    return tuple(numbers) if position == len(s) else None


def parse(text: str):
    """NuGetVersion.TryParse: (numbers, labels or None) or None when rejected."""
    version_string, labels, metadata = _parse_sections(_trim(text))
    if not version_string:
        return None
    numbers = _normalized_version(version_string)
    if numbers is None:
        return None
    if labels is not None and not all(_is_valid_part(label, False) for label in labels):
        return None
    if metadata is not None and not all(_is_valid_part(part, True) for part in metadata.split(".")):
        return None
    return numbers, labels


def _int_try_parse(label: str):
    """int.TryParse on a label: an optional leading '-', digits, within 32 bits."""
    body = label[1:] if label.startswith("-") else label
    if not body or not all("0" <= c <= "9" for c in body):
        return None
    value = -int(body) if label.startswith("-") else int(body)
    return value if -(2**31) <= value <= INT_MAX else None


def _upper(text: str) -> str:
    return "".join(chr(ord(c) - 32) if "a" <= c <= "z" else c for c in text)


def _compare_release(a: str, b: str) -> int:
    x, y = _int_try_parse(a), _int_try_parse(b)
    if x is not None and y is not None:
        return (x > y) - (x < y)
    if x is not None or y is not None:
        return -1 if x is not None else 1
    ua, ub = _upper(a), _upper(b)
    return (ua > ub) - (ua < ub)


def compare(a: str, b: str) -> int:
    """VersionComparer.Default on two texts TryParse accepts."""
    (na, la), (nb, lb) = parse(a), parse(b)
    if na != nb:
        return -1 if na < nb else 1
    if la is not None and lb is None:
        return -1
    if la is None and lb is not None:
        return 1
    if la is None:
        return 0
    for i in range(max(len(la), len(lb))):
        if i >= len(la):
            return -1
        if i >= len(lb):
            return 1
        result = _compare_release(la[i], lb[i])
        if result:
            return result
    return 0


sort_key = functools.cmp_to_key(compare)

# What NuGet.Client's tests (NuGetVersionTest, VersionComparerTests) assert about
# NuGetVersion.Parse and VersionComparer.Default.
PUBLISHED_INVALID = [
    "         ", "1beta", "1.2Av^c", "1.2..", "1.2.3.4.5", "1.2.3.Beta", "So.is.this", "1.34.2Alpha",
    "1.4.7-", "1.4.7-*", "1.4.7+*", "1.4.7-AA.01^", "1.4.7-AA.0A^", "1.4.7-A^A", "1.4.7+AA.01^",
    "1..2", "....", "..1",
    "-1.1.1.1", "1.-1.1.1", "1.", "1.1.1.1.", "1     1.1.1.1", " .1.1.1", "1. .1.1", "1.1.1. ", "1 .",
    "1.1.1.1 .", "..1.2", "   1 9", "19   .19   .19   .1 9   ", "", "$version$",
]
# NuGet rejects these (a part above 2147483647); tambry reads them, by value.
DEPARTURES = ["1.2147483648", "1.1.2147483648", "1.1.1.2147483648", "10000000000000000000", "2147483648.2.3.4"]
PUBLISHED_VALID = [
    ("   19", (19, 0, 0, 0)), ("   19.   19", (19, 19, 0, 0)), ("19   .19   .19   .19   ", (19, 19, 19, 19)),
    ("1.022", (1, 22, 0, 0)), ("1.3.42.10133", (1, 3, 42, 10133)), ("  1.022-Beta", (1, 22, 0, 0)),
    ("1.0.0-beta.x.y.5.79.0+aa", (1, 0, 0, 0)), ("1.0.0009.01-1.1+A", (1, 0, 9, 1)),
    ("2147483647.0.0.0", (2147483647, 0, 0, 0)),
]
PUBLISHED_LESS = [
    ("1.0", "1.0.1"), ("1.23", "1.231"), ("1.4.5.6", "1.45.6"), ("1.4.5.6", "1.4.5.60"), ("1.01", "1.10"),
    ("1.01-alpha", "1.10-beta"), ("1.01.0-RC-1", "1.10.0-rc-2"), ("1.01-RC-1", "1.01"), ("1.01", "1.2-preview"),
    ("0.0.0", "1.0.0"), ("1.999.9999", "2.1.1"), ("1.0.0-BETA", "1.0.0-beta2"), ("1.0.0-beta+AA", "1.0.0+aa"),
    ("1.0.0-BETA", "1.0.0-beta.1+AA"), ("1.0.0-BETA.X.y.5.77.0+AA", "1.0.0-beta.x.y.5.79.0+aa"),
    ("1.0.0-BETA.X.y.5.79.0+AA", "1.0.0-beta.x.y.5.790.0+abc"),
]
PUBLISHED_EQUAL = [
    ("1.0", "1.0.0.0"), ("1.23.01", "1.23.1"), ("1.45.6-Alpha", "1.45.6-Alpha"), ("1.6.2-BeTa", "1.6.02-beta"),
    ("22.3.07     ", "22.3.07"), ("1.0", "1.0.0.0+beta"), ("1.0.0.0+beta.2", "1.0.0.0+beta.1"),
    ("1.0.0-BETA+AA", "1.0.0-beta+aa"), ("1.0.0-BETA.X.y.5.77.0+AA", "1.0.0-beta.x.y.5.77.0+aa"),
]


def check_published() -> None:
    for text in PUBLISHED_INVALID:
        assert parse(text) is None, text
    for text in DEPARTURES:
        assert parse(text) is not None, text
    for text, numbers in PUBLISHED_VALID:
        assert parse(text) is not None and parse(text)[0] == numbers, text
    for a, b in PUBLISHED_LESS:
        assert compare(a, b) == -1 and compare(b, a) == 1, (a, b)
    for a, b in PUBLISHED_EQUAL:
        assert compare(a, b) == 0, (a, b)


if __name__ == "__main__":
    check_published()
    print("NuGet's published cases hold")
