"""NuGet.Versioning's VersionRange.Parse (VersionRangeFactory.TryParse with floating
allowed), FloatRange.TryParse and VersionRangeBase.Satisfies, written out step by
step from its C# beside nuget_rules.py, which gives the versions and their order:
there is no NuGet to run here, so this stands in for it when labelling range
vectors, and first checks itself against the cases NuGet.Client's tests publish
(VersionRangeTests, VersionRangeFloatParsingTests, FloatingRangeTests; see
PUBLISHED_* below).

Like nuget_rules, it reads version parts above 2147483647 (NuGet rejects them).
"""

from __future__ import annotations

from dataclasses import dataclass

import nuget_rules


@dataclass(frozen=True)
class Range:
    min_version: str | None  # a text NuGetVersion.TryParse accepts, or None
    min_inclusive: bool
    max_version: str | None
    max_inclusive: bool


def _blank(text: str) -> bool:
    """string.IsNullOrWhiteSpace."""
    return all(c in nuget_rules.WHITE_SPACE for c in text)


def float_min_version(version_string: str) -> str | None:
    """FloatRange.TryParse: the text of its MinVersion, or None when it fails."""
    if _blank(version_string):
        return None
    first_star = version_string.find("*")
    last_star = version_string.rfind("*")
    actual = None
    if len(version_string) == 1 and first_star == 0:
        return "0.0"
    if version_string == "*-*":
        return "0.0.0-0"
    if first_star != last_star and last_star != -1 and "+" not in version_string:
        dash = version_string.find("-")
        if dash != -1 and last_star == len(version_string) - 1 and first_star == dash - 1:
            stable = version_string[: dash - 1] + "0"
            release_version = version_string[dash + 1 :]
            prefix = release_version[:-1]
            release_part = prefix
            if len(prefix) == 0 or prefix.endswith("."):
                release_part += "0"
            actual = stable + "-" + release_part
    elif last_star == len(version_string) - 1 and "+" not in version_string:
        actual = version_string[:-1]
        if "-" not in version_string:
            actual += "0"
        elif version_string.find("-") == version_string.rfind("-"):
            prefix = actual[version_string.rfind("-") + 1 :]
            if len(prefix) == 0 or actual.endswith("."):
                actual += "0"
            elif actual.endswith("-"):
                actual += "-"
    else:
        actual = version_string
    if actual is None or nuget_rules.parse(actual) is None:
        return None
    return actual


def parse_range(value: str) -> Range | None:
    """VersionRange.TryParse(value, allowFloating: true); None when it fails."""
    trimmed = nuget_rules._trim(value)
    if not trimmed:
        return None
    if trimmed == "*":
        return Range("0.0.0", True, None, True)
    max_string = None
    max_inclusive = False
    if trimmed[0] in "([":
        min_inclusive = trimmed[0] == "["
        if trimmed[-1] not in ")]":
            return None
        max_inclusive = trimmed[-1] == "]"
        parts = trimmed[1:-1].split(",")
        if len(parts) > 2:
            return None
        if all(part == "" for part in parts):
            return None
        if len(parts) == 1 and not (min_inclusive and max_inclusive):
            return None
        min_string = parts[0]
        max_string = parts[1] if len(parts) == 2 else parts[0]
    else:
        min_inclusive = True
        min_string = trimmed
    min_version = max_version = None
    if not _blank(min_string):
        if "*" in min_string:
            min_version = float_min_version(min_string)
        elif nuget_rules.parse(min_string) is not None:
            min_version = min_string
        if min_version is None:
            return None
    if max_string is not None and not _blank(max_string):
        if nuget_rules.parse(max_string) is None:
            return None
        max_version = max_string
    if min_version is not None and max_version is not None:
        result = nuget_rules.compare(min_version, max_version)
        if result > 0:
            return None
        if result == 0 and min_inclusive != max_inclusive:
            return None
    return Range(min_version, min_inclusive, max_version, max_inclusive)


def satisfies(r: Range, version: str) -> bool:
    """VersionRangeBase.Satisfies: the bounds alone, by the default order."""
    if r.min_version is not None:
        c = nuget_rules.compare(r.min_version, version)
        if c > 0 or (c == 0 and not r.min_inclusive):
            return False
    if r.max_version is not None:
        c = nuget_rules.compare(r.max_version, version)
        if c < 0 or (c == 0 and not r.max_inclusive):
            return False
    return True


# What NuGet.Client's tests assert about VersionRange.Parse, FloatRange and Satisfies.
PUBLISHED_SATISFIES = [
    ("1.0.0", "2.0.0"), ("[1.0.0, 2.0.0]", "2.0.0"), ("[1.0.0, 2.0.0]", "1.0.0"),
    ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "1.0.0"), ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "1.0.0-beta+meta"),
    ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "2.0.0-beta"), ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "1.0.0+meta"),
    ("(1.0.0-beta+meta, 2.0.0-beta+meta)", "1.0.0"), ("(1.0.0-beta+meta, 2.0.0-beta+meta)", "2.0.0-alpha+meta"),
    ("(1.0.0-beta+meta, 2.0.0-beta+meta)", "2.0.0-alpha"), ("(, 2.0.0-beta+meta)", "2.0.0-alpha"),
    ("[1.0.0, 2.0.0]", "1.0.0+B"), ("[1.0.0+A, 2.0.0]", "1.0.0+B"), ("[1.0.0, 2.0.0+A]", "1.0.0"),
    ("[1.0.0+A, 2.0.0+A]", "1.0.0+B"),
    ("1.0.0-*", "1.0.0-0"), ("1.0.0-*", "1.0.0-100"), ("1.0.0-*", "1.0.0-0.0.0.0"), ("1.0.0-*", "1.0.0-0+0-0"),
    ("1.0.0-a*", "1.0.0-a.0"), ("1.0.0-a*", "1.0.0-a-0"), ("1.0.0-a*", "1.0.0-a"),
]
PUBLISHED_DOES_NOT_SATISFY = [
    ("1.0.0", "0.0.0"), ("[1.0.0, 2.0.0]", "2.0.1"), ("[1.0.0, 2.0.0]", "0.0.0"), ("[1.0.0, 2.0.0]", "3.0.0"),
    ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "1.0.0-alpha"), ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "1.0.0-alpha+meta"),
    ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "2.0.0-rc"), ("[1.0.0-beta+meta, 2.0.0-beta+meta]", "2.0.0+meta"),
    ("(1.0.0-beta+meta, 2.0.0-beta+meta)", "2.0.0-beta+meta"), ("(, 2.0.0-beta+meta)", "2.0.0-beta+meta"),
]
PUBLISHED_INVALID = [
    "(,)", "[,]", "[,)", "(,]", "(,1.3..2]", "(1.2.3.4.5,1.2]", "   [-1, 2]  ",
    "[]", "[*]", "[1.0.0, 1.1.*)", "[1.0.0, 2.0.*)", "(, 2.*.*)", "<1.0.*", "<=1.0.*", "1.0.0<", "1.0.0~",
    "~1.*.*", "~*", "~", "^", "^*", ">=*", "1.*.0", "1.*.0-beta-*", "1.*.0-beta", "1.0.0.0.*", "=1.0.*",
]
PUBLISHED_VALID = [
    "*", "1.*", "1.0.*", "1.0.0.*", "1.0.0.0-beta", "1.0.0.0-beta*", "1.0.0", "1.0", "[1.0.*, )",
    "[1.0.0-beta.*, 2.0.0)", "1.0.0-beta.*", "1.0.0-beta-*", "  1  .   2  ", "   [  1 .2   , 2  .3   ]  ",
    "[1.0.0-beta*, 2.0.0)", "[1.0.0-beta-*, ]",
]
# (range, min version, min inclusive, max version, max inclusive) as the tests read them.
PUBLISHED_BOUNDS = [
    ("1.2", "1.2", True, None, False), ("(,1.2]", None, False, "1.2", True), ("(,1.2)", None, False, "1.2", False),
    ("[1.2]", "1.2", True, "1.2", True), ("(1.2,)", "1.2", False, None, False), ("(1.2,2.3)", "1.2", False, "2.3", False),
    ("(1.2,2.3]", "1.2", False, "2.3", True), ("[1.2,2.3)", "1.2", True, "2.3", False),
    ("[1.2,2.3]", "1.2", True, "2.3", True), ("[1,3)", "1.0.0", True, "3.0.0", False),
    ("(1.2.3.4, 3.2)", "1.2.3.4", False, "3.2", False), ("[2.3.7, 3.2.4.5]", "2.3.7", True, "3.2.4.5", True),
    ("(, 3.2.4.5]", None, False, "3.2.4.5", True), ("(1.6, ]", "1.6", False, None, True),
    ("[1.*, 2.0)", "1.0.0", True, "2.0.0", False), ("*", "0.0.0", True, None, False),
]
# (float, its MinVersion) from FloatRange.TryParse; None where it fails.
PUBLISHED_FLOAT_MIN = [
    ("*", "0.0.0"), ("*-*", "0.0.0-0"), ("1.*", "1.0.0"), ("1.1.*", "1.1.0"), ("1.1.*-*", "1.1.0-0"),
    ("1.1.1-*", "1.1.1-0"), ("1.1.1-beta*", "1.1.1-beta"), ("1.1.1-1*", "1.1.1-1"), ("1.1.*-beta*", "1.1.0-beta"),
    ("1.1.*-1*", "1.1.0-1"), ("1.0.0-beta.1*", "1.0.0-beta.1"), ("1.0.*-beta.1*", "1.0.0-beta.1"),
    ("1.0.0-b-*", "1.0.0-b-"), ("1.0.*-b-*", "1.0.0-b-"), ("1.1.0-beta.*", "1.1.0-beta.0"),
    ("1.1.*-beta.*", "1.1.0-beta.0"), ("*-beta.*", "0.0.0-beta.0"), ("*-rc.*", "0.0.0-rc.0"),
    ("1.0.0.*-*", "1.0.0-0"), ("1.0.*-*", "1.0.0-0"), ("1.*-*", "1.0.0-0"), ("1.0.0-alpha-*", "1.0.0-alpha-"),
    ("1.0.0.*", "1.0.0"), ("1.0.*", "1.0.0"), ("1.0.0-*", "1.0.0-0"), ("1.0.0-0*", "1.0.0-0"),
    ("1.0.0--*", "1.0.0--"), ("1.0.0-a-*", "1.0.0-a-"), ("1.0.0-a.*", "1.0.0-a.0"),
    ("1.0.0-preview.*", "1.0.0-preview.0"), ("1.0.*-bla*", "1.0.0-bla"), ("1.0.*-preview.1.*", "1.0.0-preview.1.0"),
    ("1.0.*-preview.1*", "1.0.0-preview.1"), ("1.0.0--", "1.0.0--"), ("1.0.0-bla*", "1.0.0-bla"),
    ("1.0.*--*", "1.0.0--"),
    ("1.0.0+*", None), ("1.0.**", None), ("1.*.0", None), ("1.0.*-*bla", None), ("1.0.*-*bla+*", None), ("**", None),
    ("1.0.0-preview.*+blabla", None), ("1.0.*--", None), ("1.0.*-alpha*+", None), ("1.0.*-", None), ("", None),
]


def check_published() -> None:
    nuget_rules.check_published()
    for text, version in PUBLISHED_SATISFIES:
        assert satisfies(parse_range(text), version), (text, version)
    for text, version in PUBLISHED_DOES_NOT_SATISFY:
        assert not satisfies(parse_range(text), version), (text, version)
    for text in PUBLISHED_INVALID:
        assert parse_range(text) is None, text
    for text in PUBLISHED_VALID:
        assert parse_range(text) is not None, text
    for text, low, low_inclusive, high, high_inclusive in PUBLISHED_BOUNDS:
        r = parse_range(text)
        assert (r.min_version is None) == (low is None) and (r.max_version is None) == (high is None), text
        assert low is None or nuget_rules.compare(r.min_version, low) == 0, text
        assert high is None or nuget_rules.compare(r.max_version, high) == 0, text
        assert (low is None or r.min_inclusive == low_inclusive) and (high is None or r.max_inclusive == high_inclusive)
    for text, expected in PUBLISHED_FLOAT_MIN:
        found = float_min_version(text)
        if expected is None:
            assert found is None, text
        else:
            assert found is not None and nuget_rules.compare(found, expected) == 0, (text, found)
            # The normalized form keeps the labels as built.
            assert nuget_rules.parse(found)[1] == nuget_rules.parse(expected)[1], (text, found)


if __name__ == "__main__":
    check_published()
    print("NuGet's published range cases hold")
