"""Ecosystem names, the "auto" guess, and hostile input under every ecosystem."""

import pytest

import tambry
from helpers import CANONICAL_ECOSYSTEMS, unsupported


SEMVER_EMPTY = "Expected 3 parts, got 1"

# What comparing the empty text with 1.0.0 gives: a result, or the message naming
# the scheme that rejected the empty text. It tells the schemes apart.
EMPTY_PROBE = {
    "generic": -1,
    "semver": SEMVER_EMPTY,
    "pep440": "empty PEP 440 version: ''",
    "debian": "empty Debian version",
    "rpm": "empty RPM version",
    "ruby": "empty Ruby gem version",
    "maven": "empty Maven version",
    "go": SEMVER_EMPTY,
    "npm": SEMVER_EMPTY,
    "nuget": "empty NuGet version",
    "composer": "empty Composer version",
    "crates": SEMVER_EMPTY,
    "hex": SEMVER_EMPTY,
    "swift": SEMVER_EMPTY,
    "calver": "empty CalVer version",
    "alpine": "empty Alpine version",
    "docker": -1,
}

ALIASES = {
    "generic": ["generic"],
    "semver": ["semver", "semver_strict", "semver-strict"],
    "pep440": ["pep440", "pep-440", "python"],
    "debian": ["debian", "deb", "dpkg"],
    "rpm": ["rpm", "redhat"],
    "ruby": ["ruby", "gem", "rubygems"],
    "maven": ["maven", "mvn"],
    "go": ["go", "golang"],
    "npm": ["npm", "node", "nodejs"],
    "nuget": ["nuget", "dotnet"],
    "composer": ["composer", "php", "packagist"],
    "crates": ["crates", "cargo", "crates.io"],
    "hex": ["hex", "elixir", "erlang"],
    "swift": ["swift", "swiftpm"],
    "calver": ["calver"],
    "alpine": ["alpine", "apk"],
    "docker": ["docker", "oci"],
}

NAME_ROWS = [(name, canonical) for canonical, names in ALIASES.items() for name in names]


def outcome(a, b, ecosystem):
    """The comparison result, or the message of the ValueError raised instead."""
    try:
        return tambry.compare(a, b, ecosystem)
    except ValueError as error:
        return str(error)


def test_vocabulary_has_forty_names():
    assert len(NAME_ROWS) == 40
    assert list(ALIASES) == list(CANONICAL_ECOSYSTEMS)


@pytest.mark.parametrize("name, canonical", NAME_ROWS)
@pytest.mark.parametrize("spelling", [str.lower, str.upper, str.title, str.swapcase])
def test_every_name_in_every_case_reaches_its_ecosystem(name, canonical, spelling):
    written = spelling(name)
    assert tambry.compare("1.0.0", "2.0.0", written) == -1
    assert tambry.lt("1.0.0", "2.0.0", ecosystem=written) is True
    assert outcome("", "1.0.0", written) == EMPTY_PROBE[canonical]


@pytest.mark.parametrize(
    "name, lowered",
    [
        ("Foo", "foo"),
        ("", ""),
        (" npm", " npm"),
        ("npm ", "npm "),
        ("NPM\t", "npm\t"),
        ("pep_440", "pep_440"),
        ("semver strict", "semver strict"),
        ("crates-io", "crates-io"),
        (" auto", " auto"),
        ("AUTO ", "auto "),
        ("autos", "autos"),
        ("N\u00dcGET", "n\u00dcget"),
        ("D\u0130BIAN", "d\u0130bian"),
        ("\uff2e\uff30\uff2d", "\uff2e\uff30\uff2d"),
        ("np\x00", "np\x00"),
        ("SEMVER_STRICTX", "semver_strictx"),
        ("X" * 100000, "x" * 100000),
    ],
    ids=lambda v: repr(v[:16]),
)
def test_unknown_names_are_rejected(name, lowered):
    with pytest.raises(ValueError) as caught:
        tambry.compare("1.0", "2.0", name)
    assert str(caught.value) == unsupported(lowered)
    with pytest.raises(ValueError) as caught:
        tambry.ge("1.0", "2.0", name)
    assert str(caught.value) == unsupported(lowered)


def test_unknown_name_is_reported_before_the_versions():
    with pytest.raises(ValueError) as caught:
        tambry.compare("", "", "Cobol")
    assert str(caught.value) == unsupported("cobol")


SEMVER_PAIRS = [
    ("1.0.0-rc.1", "1.0.0"),
    ("1.0.0-alpha", "1.0.0-alpha.1"),
    ("1.0.0-beta.2", "1.0.0-beta.11"),
    ("v1.2.3", "1.2.3"),
    ("1.0.0+build.1", "1.0.0+build.2"),
    ("1.0", "1.0.0"),
    ("1.0.0", "01.0.0"),
    ("1.2.3-rc.01", "1.2.3"),
    ("", "1.0.0"),
]


@pytest.mark.parametrize("name", ["npm", "crates", "hex", "swift", "go"])
@pytest.mark.parametrize("a, b", SEMVER_PAIRS)
def test_semver_family_behaves_like_semver(name, a, b):
    assert outcome(a, b, name) == outcome(a, b, "semver")
    assert outcome(b, a, name) == outcome(b, a, "semver")


def test_semver_family_examples():
    assert tambry.compare("1.0.0-rc.1", "1.0.0", "npm") == -1
    assert outcome("1.0", "1.0.0", "crates") == "Expected 3 parts, got 2"
    assert tambry.compare("v1.4.0", "1.4.0", "go") == 0


GENERIC_PAIRS = [
    ("1.0", "1.0.0"),
    ("1.0-rc1", "1.0"),
    ("1.0.post1", "1.0"),
    ("", "0.0"),
    ("latest", "1.0"),
    ("v1.0", "1.0"),
    ("1:1.0", "2.0"),
    ("1.0-foo", "1.0-bar"),
]


@pytest.mark.parametrize("a, b", GENERIC_PAIRS)
def test_docker_behaves_like_generic(a, b):
    assert tambry.compare(a, b, "docker") == tambry.compare(a, b, "generic")
    assert tambry.compare(b, a, "docker") == tambry.compare(b, a, "generic")
    assert tambry.compare(a, b) == tambry.compare(a, b, "generic")


# Pairs whose outcome under "auto" shows which ecosystem the first text selected:
# either an ordering that the generic rules would not give, or a rejection of the
# second text in the words of the detected scheme.
AUTO_CASES = [
    ("", "1.0.0", -1),  # generic: the empty text is admitted
    ("1.2.3", "", 1),
    ("1.0-1ubuntu1", "", 1),
    ("1!2.0", "x", "PEP 440 version must start with a digit: 'x'"),
    ("a!1.0", "1.0", "invalid PEP 440 epoch: 'a'"),
    ("1.0.post1", "v", "PEP 440 version must start with a digit: 'v'"),
    ("1.0.DEV3", "", "empty PEP 440 version: ''"),
    ("1.0a1", "!1", "invalid PEP 440 epoch: ''"),
    ("1.0RC1", "", "empty PEP 440 version: ''"),
    ("1.0~", "1.0~a", -1),  # Debian: the end sorts before a letter
    ("1.0~rc1", "", "empty Debian version"),
    ("1.0~rc1^git", "", "empty Debian version"),
    ("1.0-1+deb11u1", "", "empty Debian version"),
    ("1.0+UBUNTU1", "", "empty Debian version"),
    ("1.0^git1", "", "empty RPM version"),
    ("1.0-1.el8", "", "empty RPM version"),
    ("5.14.0-1.fc38", "", "empty RPM version"),
    ("2.0-1.AMZN2", "", "empty RPM version"),
    ("v1.2.3+incompatible", "1.2", "Expected 3 parts, got 2"),
    ("v1.2.3+incompatible", "1.2.3", 0),
    ("1.2.3+incompatible.1", "", 1),  # not a suffix: generic
    ("1.0-SNAPSHOT", "v1", "Maven version must start with a digit: 'v1'"),
    ("1.2_alpha1", "x", "Alpine version must start with a digit: 'x'"),
    ("1.2_p1", "", "empty Alpine version"),
    ("1.2_RC3", "", "empty Alpine version"),
    ("1.2.3-r2", "", "empty Alpine version"),
    ("2-r1-r10", "", "empty Alpine version"),
    ("1.0-rc1", "", 1),  # "-rc1" is neither digit-rc-digit nor "-r" and digits
    ("-r1", "", -1),  # generic: a leading word sorts below the empty version
    ("1.0.0.beta2", "", "empty Ruby gem version"),
    ("1.0.0.pre", "", "empty Ruby gem version"),
    ("1.0.0.RC", "", "empty Ruby gem version"),
    ("1.0.0.alpha.1", "", "empty Ruby gem version"),
    ("1.0.0.rc1", "", 1),
    ("1.0.0-beta", "", 1),
    ("2024.01.15", "", "empty CalVer version"),
    ("1990.1", "", "empty CalVer version"),
    ("2100.1", "x", "CalVer version must start with a digit: 'x'"),
    ("2101.1", "", 1),
    ("1989.1", "", 1),
    ("2024", "", 1),
    ("2024-01-15", "", 1),
    ("v2024.1", "", 1),
    (" 2024.01", "", 1),  # the leading blank hides the year
    ("\u00e9\u00e9", "", 0),
    ("!!!", "1.0", "invalid PEP 440 epoch: ''"),
]


@pytest.mark.parametrize("a, b, expected", AUTO_CASES)
@pytest.mark.parametrize("auto", ["auto", "AUTO", "Auto"])
def test_auto_detects_from_the_first_text(a, b, expected, auto):
    assert outcome(a, b, auto) == expected


def test_auto_ignores_the_second_text():
    assert tambry.compare("", "1.0~", "auto") == -1
    assert tambry.lt("", "1.0~", "auto") is True
    with pytest.raises(ValueError) as caught:
        tambry.compare("1.0~", "", "auto")
    assert str(caught.value) == "empty Debian version"


def test_relations_accept_auto():
    assert tambry.lt("1.0~", "1.0~a", "auto") is True
    assert tambry.gt("1.0~", "1.0~a", "generic") is True
    with pytest.raises(ValueError) as caught:
        tambry.eq("a!1.0", "1.0", "auto")
    assert str(caught.value) == "invalid PEP 440 epoch: 'a'"


HOSTILE = [
    "",
    "   ",
    "\x00",
    "1.0\x00",
    "\x00" * 1000,
    "\u00e9",
    "1.0\u00e9\u4e2d",
    "\ufffd\U0001f600",
    "9" * 1000,
    "1." + "9" * 1000 + ".0",
    "1.0.0-" + "9" * 1000,
    "." * 100000,
    "1" + "." * 100000 + "1",
    "-" * 100000,
    "~" * 100000,
    "^" * 100000,
    "1.0" + "~^" * 50000,
    "!" * 1000,
    ":" * 1000,
    "+" * 1000,
    "v" * 1000,
    "1a" * 50000,
]

ALL_ECOSYSTEMS = list(ALIASES)


@pytest.mark.parametrize("ecosystem", ALL_ECOSYSTEMS + ["auto"])
@pytest.mark.parametrize("text", HOSTILE, ids=lambda t: repr(t[:12]) + f"x{len(t)}")
def test_hostile_input_gives_a_result_or_value_error(ecosystem, text):
    for a, b in ((text, "1.0.0"), ("1.0.0", text), (text, text)):
        result = outcome(a, b, ecosystem)
        assert result in (-1, 0, 1) or isinstance(result, str)


@pytest.mark.parametrize(
    "a, b, ecosystem, expected",
    [
        ("1.0\x00", "1.0", "generic", 0),
        ("1.0\x00", "1.0", "debian", 1),
        ("1.0\x00", "1.0", "rpm", 0),
        ("1.0\x00", "1.0", "pep440", 0),
        ("1.0.0\x00", "1.0.0", "semver", "leading zero in patch: '0\x00'"),
        ("\u00e9", "1.0", "maven", "Maven version must start with a digit: '\u00e9'"),
        ("   ", "1.0", "pep440", "empty PEP 440 version: '   '"),
        ("   ", "1.0", "composer", "empty Composer version"),
        ("   ", "0", "generic", 0),
        ("9" * 1000, "1", "semver", "Expected 3 parts, got 1"),
        ("9" * 1000 + ".0.0", "1.0.0", "semver", f"invalid major: '{'9' * 1000}'"),
        ("9" * 1000, "18446744073709551615", "generic", 0),
        ("9" * 1000, "9" * 999, "debian", 1),
        ("9" * 1000, "9" * 999, "rpm", 1),
        ("1" + "." * 100000 + "1", "1.1", "generic", 0),
        ("1" + "." * 100000 + "1", "1.1", "calver", 0),
        ("." * 100000, "", "generic", 0),
        ("." * 100000, "1.0.0", "semver", "Expected 3 parts, got 100001"),
    ],
    ids=lambda v: repr(v[:12]) if isinstance(v, str) else repr(v),
)
def test_hostile_input_documented_outcomes(a, b, ecosystem, expected):
    assert outcome(a, b, ecosystem) == expected
