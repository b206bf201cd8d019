"""An independent model of tambry's documented behaviour, written in plain Python.

The fuzz harness asks the module and this model the same questions and requires
the same answers: which ecosystem a name or a text gives, which exact exception a
call raises, how every scheme parses and orders two versions. The model favours
being obviously right over being fast; texts are Python str, and the schemes that
work on bytes (Debian, RPM) work on the UTF-8 encoding.
"""

import re

U64_MAX = 2**64 - 1

WHITE_SPACE = (
    "\t\n\x0b\x0c\r \x85\xa0\u1680"
    "\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200a"
    "\u2028\u2029\u202f\u205f\u3000"
)

CANONICAL = [
    "generic", "semver", "pep440", "debian", "rpm", "ruby", "maven", "go", "npm",
    "nuget", "composer", "crates", "hex", "swift", "calver", "alpine", "docker",
]

NAMES = {
    "generic": "generic",
    "semver": "semver", "semver_strict": "semver", "semver-strict": "semver",
    "pep440": "pep440", "pep-440": "pep440", "python": "pep440",
    "debian": "debian", "deb": "debian", "dpkg": "debian",
    "rpm": "rpm", "redhat": "rpm",
    "ruby": "ruby", "gem": "ruby", "rubygems": "ruby",
    "maven": "maven", "mvn": "maven",
    "go": "go", "golang": "go",
    "npm": "npm", "node": "npm", "nodejs": "npm",
    "nuget": "nuget", "dotnet": "nuget",
    "composer": "composer", "php": "composer", "packagist": "composer",
    "crates": "crates", "cargo": "crates", "crates.io": "crates",
    "hex": "hex", "elixir": "hex", "erlang": "hex",
    "swift": "swift", "swiftpm": "swift",
    "calver": "calver",
    "alpine": "alpine", "apk": "alpine",
    "docker": "docker", "oci": "docker",
}

# The scheme that serves each ecosystem.
SCHEME = {
    "generic": "generic", "docker": "generic",
    "semver": "semver", "npm": "semver", "crates": "semver", "hex": "semver", "swift": "semver",
    "go": "semver",
    "pep440": "pep440", "debian": "debian", "rpm": "rpm", "ruby": "ruby", "maven": "maven",
    "nuget": "nuget", "composer": "composer", "calver": "calver", "alpine": "alpine",
}

# Schemes whose order is total, so that sorting has one right answer.
TOTAL_ORDER_SCHEMES = {"semver", "debian", "rpm"}

TAG_WEIGHT = {
    "~": -10, "dev": -5, "a": 0, "alpha": 0, "b": 10, "beta": 10, "m": 15, "milestone": 15,
    "c": 20, "rc": 20, "cr": 20, "pre": 20, "preview": 20, "snapshot": 25, "^": 32,
    "p": 35, "post": 35, "patch": 35, "sp": 35,
}
UNLISTED_WEIGHT = 29
END_WEIGHT = 30

ECOSYSTEM_REJECTION = "unsupported ecosystem '{}'; expected one of: " + ", ".join(CANONICAL)

_LOWER = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")


def lower_ascii(text):
    return text.translate(_LOWER)


def trim(text):
    return text.strip(WHITE_SPACE)


def is_digit(c):
    return "0" <= c <= "9"


def all_digits(text):
    return bool(text) and all(is_digit(c) for c in text)


def sign(x):
    return (x > 0) - (x < 0)


def digits_value(digits):
    """The value of an ASCII digit run, or None when it passes 2^64 - 1."""
    significant = digits.lstrip("0")
    if len(significant) > 20:
        return None
    value = int(significant or "0")
    return value if value <= U64_MAX else None


# ---------------------------------------------------------------------------
# Ecosystem names and detection
# ---------------------------------------------------------------------------


def means_auto(name):
    return len(name) == 4 and lower_ascii(name) == "auto"


def from_str(name):
    """(ecosystem, None) or (None, the ValueError message)."""
    lowered = lower_ascii(name)
    if lowered in NAMES:
        return NAMES[lowered], None
    return None, ECOSYSTEM_REJECTION.format(lowered)


def _digit_letter_digit(t):
    return re.search(r"[0-9](?:[ab]|rc)[0-9]", t) is not None


def detect(text):
    t = lower_ascii(text)
    if "!" in t:
        return "pep440"
    if "~" in t:
        return "debian"
    if "^" in t:
        return "rpm"
    if ".post" in t or ".dev" in t:
        return "pep440"
    if t.endswith("+incompatible"):
        return "go"
    if t.endswith("-snapshot"):
        return "maven"
    if any(s in t for s in ("_alpha", "_beta", "_p", "_rc")):
        return "alpine"
    if "+deb" in t or "+ubuntu" in t:
        return "debian"
    if any(s in t for s in (".el", ".fc", ".amzn")):
        return "rpm"
    if _digit_letter_digit(t):
        return "pep440"
    last = t.rfind("-r")
    if last > 0 and all_digits(t[last + 2:]):
        return "alpine"
    if "-" not in t and "_" not in t:
        pieces = t.split(".")
        if any(p in ("rc", "pre") or p.startswith("alpha") or p.startswith("beta") for p in pieces):
            return "ruby"
    lead = re.match(r"[0-9]*", t).group()
    if lead:
        significant = lead.lstrip("0")
        if len(significant) <= 4 and 1990 <= int(significant or "0") <= 2100 and "." in t:
            return "calver"
    return "generic"


# ---------------------------------------------------------------------------
# The generic parser and order
# ---------------------------------------------------------------------------


class Generic:
    __slots__ = ("epoch", "segments", "build", "pre", "post")

    def __init__(self, epoch, segments, build, pre, post):
        self.epoch, self.segments, self.build, self.pre, self.post = epoch, segments, build, pre, post


def parse_generic(text):
    t = trim(text)
    if len(t) >= 2 and t[0] in "vV" and is_digit(t[1]):
        t = t[1:]
    epoch = 0
    lead = re.match(r"[0-9]*", t).group()
    if lead and len(lead) < len(t) and t[len(lead)] in ":!":
        value = digits_value(lead)
        if value is not None:
            epoch = value
            t = t[len(lead) + 1:]
    plus = t.find("+")
    build = t[plus + 1:] if plus >= 0 else ""
    main = lower_ascii(t[:plus] if plus >= 0 else t)
    segments, pre, post = [], False, False
    for match in re.finditer(r"[0-9]+|[a-z]+|[~^]", main):
        run = match.group()
        if is_digit(run[0]):
            value = digits_value(run)
            segments.append(U64_MAX if value is None else value)
            continue
        weight = TAG_WEIGHT.get(run)
        if weight is not None:
            pre = pre or weight < END_WEIGHT
            post = post or weight > END_WEIGHT
        segments.append(run)
    return Generic(epoch, segments, build, pre, post)


def significant_length(segments):
    n = len(segments)
    while n and isinstance(segments[n - 1], int) and segments[n - 1] == 0:
        n -= 1
    return n


def _lone_against_end(seg):
    if isinstance(seg, int):
        return 0 if seg == 0 else 1
    weight = TAG_WEIGHT.get(seg)
    return 1 if weight is not None and weight >= END_WEIGHT else -1


def _segment_order(a, b):
    a_num, b_num = isinstance(a, int), isinstance(b, int)
    if a_num and b_num:
        return sign(a - b)
    if a_num:
        return 1
    if b_num:
        return -1
    wa, wb = TAG_WEIGHT.get(a), TAG_WEIGHT.get(b)
    if wa is not None and wb is not None:
        return sign(wa - wb)
    if wa is not None:
        return sign(wa - UNLISTED_WEIGHT)
    if wb is not None:
        return sign(UNLISTED_WEIGHT - wb)
    return (a > b) - (a < b)


def cmp_generic(a, b):
    if a.epoch != b.epoch:
        return sign(a.epoch - b.epoch)
    la, lb = significant_length(a.segments), significant_length(b.segments)
    for i in range(max(la, lb)):
        if i >= la:
            o = -_lone_against_end(b.segments[i])
        elif i >= lb:
            o = _lone_against_end(a.segments[i])
        else:
            o = _segment_order(a.segments[i], b.segments[i])
        if o:
            return o
    return 0


def has_cycle_word(parsed):
    """Only words weighing 30 or more make the generic order cyclic."""
    return any(isinstance(s, str) and TAG_WEIGHT.get(s, 0) >= END_WEIGHT for s in parsed.segments)


def sort_key(parsed):
    n = significant_length(parsed.segments)
    segs = parsed.segments
    k = 0
    while k < n and isinstance(segs[k], int):
        k += 1
    p = k
    while p > 0 and segs[p - 1] == 0:
        p -= 1

    def triple(seg):
        if isinstance(seg, int):
            return (2, seg, "")
        return (1, TAG_WEIGHT.get(seg, UNLISTED_WEIGHT), seg)

    return ((2, parsed.epoch, ""), *map(triple, segs[:p]), *map(triple, segs[k:n]), (1, END_WEIGHT, ""))


# ---------------------------------------------------------------------------
# Strict Semantic Versioning
# ---------------------------------------------------------------------------


def _strict_u64(piece, name):
    if not piece:
        return None, f"empty {name}"
    if len(piece) > 1 and piece[0] == "0":
        return None, f"leading zero in {name}: '{piece}'"
    value = digits_value(piece) if all_digits(piece) else None
    if value is None:
        return None, f"invalid {name}: '{piece}'"
    return value, None


def parse_semver(text):
    """((major, minor, patch, prerelease or None), None) or (None, message)."""
    t = trim(text)
    if len(t) >= 2 and t[0] in "vV" and is_digit(t[1]):
        t = t[1:]
    plus = t.find("+")
    if plus >= 0:
        t = t[:plus]
    dash = t.find("-")
    core, pre = (t[:dash], t[dash + 1:]) if dash >= 0 else (t, None)
    pieces = core.split(".")
    if len(pieces) != 3:
        return None, f"Expected 3 parts, got {len(pieces)}"
    numbers = []
    for piece, name in zip(pieces, ("major", "minor", "patch")):
        value, message = _strict_u64(piece, name)
        if message:
            return None, message
        numbers.append(value)
    if pre is not None:
        if not pre:
            return None, "empty prerelease"
        for ident in pre.split("."):
            if not ident:
                return None, "empty identifier in prerelease"
            if not re.fullmatch(r"[0-9A-Za-z-]+", ident):
                return None, f"invalid character in prerelease identifier: '{ident}'"
            if all_digits(ident):
                if len(ident) > 1 and ident[0] == "0":
                    return None, f"leading zero in numeric prerelease identifier: '{ident}'"
                if digits_value(ident) is None:
                    return None, f"numeric prerelease identifier out of range for u64: '{ident}'"
    return (*numbers, pre), None


def cmp_semver(a, b):
    if a[:3] != b[:3]:
        return -1 if a[:3] < b[:3] else 1
    pa, pb = a[3], b[3]
    if pa is None and pb is None:
        return 0
    if pa is None:
        return 1
    if pb is None:
        return -1
    la, lb = pa.split("."), pb.split(".")
    for x, y in zip(la, lb):
        xn, yn = all_digits(x), all_digits(y)
        if xn and yn:
            o = sign(int(x) - int(y))
        elif xn:
            o = -1
        elif yn:
            o = 1
        else:
            o = (x > y) - (x < y)
        if o:
            return o
    return sign(len(la) - len(lb))


# ---------------------------------------------------------------------------
# Debian and RPM
# ---------------------------------------------------------------------------


def split_package(text):
    """(epoch, before last "-", after it) as bytes, or None when empty once trimmed."""
    t = trim(text)
    if not t:
        return None
    epoch, rest = 0, t
    lead = re.match(r"[0-9]*", t).group()
    if lead and len(lead) < len(t) and t[len(lead)] == ":":
        value = digits_value(lead)
        if value is not None:
            epoch, rest = value, t[len(lead) + 1:]
    dash = rest.rfind("-")
    before, after = (rest[:dash], rest[dash + 1:]) if dash >= 0 else (rest, "")
    return epoch, before.encode("utf-8"), after.encode("utf-8")


def _b_digit(c):
    return 48 <= c <= 57


def _b_letter(c):
    return 65 <= c <= 90 or 97 <= c <= 122


def verrevcmp(a, b):
    def weight(s, i):
        if i >= len(s):
            return 0
        c = s[i]
        if _b_digit(c):
            return 0
        if c == 0x7E:
            return -1
        return c if _b_letter(c) else c + 256

    i = j = 0
    while i < len(a) or j < len(b):
        while (i < len(a) and not _b_digit(a[i])) or (j < len(b) and not _b_digit(b[j])):
            wa, wb = weight(a, i), weight(b, j)
            if wa != wb:
                return sign(wa - wb)
            if i < len(a):
                i += 1
            if j < len(b):
                j += 1
        while i < len(a) and a[i] == 0x30:
            i += 1
        while j < len(b) and b[j] == 0x30:
            j += 1
        first = 0
        while i < len(a) and _b_digit(a[i]) and j < len(b) and _b_digit(b[j]):
            if not first:
                first = a[i] - b[j]
            i += 1
            j += 1
        if i < len(a) and _b_digit(a[i]):
            return 1
        if j < len(b) and _b_digit(b[j]):
            return -1
        if first:
            return sign(first)
    return 0


def rpmverscmp(a, b):
    if a == b:
        return 0

    def separator(c):
        return not (_b_digit(c) or _b_letter(c)) and c not in (0x7E, 0x5E)

    def run(s, k, belongs):
        while k < len(s) and belongs(s[k]):
            k += 1
        return k

    i = j = 0
    while i < len(a) or j < len(b):
        i = run(a, i, separator)
        j = run(b, j, separator)
        ta, tb = i < len(a) and a[i] == 0x7E, j < len(b) and b[j] == 0x7E
        if ta or tb:
            if not ta:
                return 1
            if not tb:
                return -1
            i, j = i + 1, j + 1
            continue
        ca, cb = i < len(a) and a[i] == 0x5E, j < len(b) and b[j] == 0x5E
        if ca or cb:
            if i >= len(a):
                return -1
            if j >= len(b):
                return 1
            if not ca:
                return 1
            if not cb:
                return -1
            i, j = i + 1, j + 1
            continue
        if i >= len(a) or j >= len(b):
            break
        numeric = _b_digit(a[i])
        kind = _b_digit if numeric else _b_letter
        end_a, end_b = run(a, i, kind), run(b, j, kind)
        if end_b == j:
            return 1 if numeric else -1
        sa, sb = a[i:end_a], b[j:end_b]
        if numeric:
            sa, sb = sa.lstrip(b"0"), sb.lstrip(b"0")
            o = sign(len(sa) - len(sb)) or (sa > sb) - (sa < sb)
        else:
            o = (sa > sb) - (sa < sb)
        if o:
            return o
        i, j = end_a, end_b
    if i >= len(a) and j >= len(b):
        return 0
    return -1 if i >= len(a) else 1


def _cmp_package(order):
    def compare(a, b):
        if a[0] != b[0]:
            return sign(a[0] - b[0])
        return order(a[1], b[1]) or order(a[2], b[2])

    return compare


# ---------------------------------------------------------------------------
# Admission and dispatch
# ---------------------------------------------------------------------------

LEADING_DIGIT_WORDS = {
    "ruby": "Ruby gem", "maven": "Maven", "nuget": "NuGet", "alpine": "Alpine",
    "calver": "CalVer", "composer": "Composer",
}


def admission_failure(text, scheme):
    if scheme == "generic":
        return None
    t = trim(text)
    if scheme == "pep440":
        if len(t) >= 2 and t[0] in "vV" and is_digit(t[1]):
            t = t[1:]
        bang = t.find("!")
        if bang >= 0:
            if not all_digits(t[:bang]):
                return f"invalid PEP 440 epoch: '{t[:bang]}'"
            t = t[bang + 1:]
        if not t or t[0] == "+":
            return f"empty PEP 440 version: '{text}'"
        if not is_digit(t[0]):
            return f"PEP 440 version must start with a digit: '{text}'"
        return None
    word = LEADING_DIGIT_WORDS[scheme]
    if not t:
        return f"empty {word} version"
    if is_digit(t[0]):
        return None
    if scheme == "composer" and len(t) >= 2 and t[0] in "vV" and is_digit(t[1]):
        return None
    return f"{word} version must start with a digit: '{text}'"


class Parsed:
    """One version as a scheme parsed it; `order` compares two of one scheme."""

    __slots__ = ("scheme", "value")

    def __init__(self, scheme, value):
        self.scheme, self.value = scheme, value


def parse(text, ecosystem):
    """(Parsed, None) or (None, the ValueError message)."""
    scheme = SCHEME[ecosystem]
    if scheme == "semver":
        value, message = parse_semver(text)
        return (Parsed("semver", value), None) if message is None else (None, message)
    if scheme in ("debian", "rpm"):
        parts = split_package(text)
        if parts is None:
            return None, "empty Debian version" if scheme == "debian" else "empty RPM version"
        return Parsed(scheme, parts), None
    message = admission_failure(text, scheme)
    if message is not None:
        return None, message
    return Parsed("generic", parse_generic(text)), None


_ORDERS = {
    "generic": cmp_generic,
    "semver": cmp_semver,
    "debian": _cmp_package(verrevcmp),
    "rpm": _cmp_package(rpmverscmp),
}


def order(a, b):
    assert a.scheme == b.scheme
    return _ORDERS[a.scheme](a.value, b.value)


def totally_ordered(parsed_values):
    """True when the scheme's order has no cycles among these values."""
    if not parsed_values:
        return True
    if parsed_values[0].scheme in TOTAL_ORDER_SCHEMES:
        return True
    return not any(has_cycle_word(p.value) for p in parsed_values)
