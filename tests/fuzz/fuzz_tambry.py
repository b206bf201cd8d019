#!/usr/bin/env python3
"""Fuzz harness: drives every function and method of tambry from a byte string.

`check_one(data)` reads the bytes as a small program: which calls to make, with
which texts (NUL bytes, lone surrogates, non-ASCII and white-space characters,
huge digit runs, separator runs, "~" and "^" chains, now and then a 1 MB text),
which ecosystem names (every accepted name, "auto", case changes and random
text), and which kinds of argument (str, a str subclass, Version, and objects of
the wrong type, sequences that fail while they are read). Each call's outcome is
checked against the model in model.py: the exact exception type and message, or
the exact result. On top of that it checks the promises that hold whatever the
scheme: every comparison is antisymmetric and reflexive, sort_versions returns a
permutation of its input, equal Version objects hash alike, and every view of a
Version agrees with the others. A broken promise raises FuzzFailure.

Run under atheris (libFuzzer mutations, saves failing inputs):

    python tests/fuzz/fuzz_tambry.py tests/fuzz/corpus -runs=1000000

Replay files or directories without atheris:

    python tests/fuzz/fuzz_tambry.py --replay tests/fuzz/corpus

Run COUNT inputs without atheris, mutations of a corpus and random bytes, for
example under the sanitizer build where libFuzzer's coverage hooks are taken by
the sanitizer runtime (tools/sanitize.sh shows the environment):

    python tests/fuzz/fuzz_tambry.py --many COUNT SEED tests/fuzz/corpus

tests/test_fuzz.py replays the saved corpus and a few thousand random inputs.
"""

import functools
import os
import pickle
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import model  # noqa: E402

import tambry  # noqa: E402
from tambry import Version  # noqa: E402


class FuzzFailure(AssertionError):
    pass


def fail(message):
    raise FuzzFailure(message)


def short(obj, limit=200):
    text = repr(obj)
    return text if len(text) <= limit else f"{text[:limit]}... ({len(text)} chars)"


# ---------------------------------------------------------------------------
# Reading the input
# ---------------------------------------------------------------------------


# How rarely a text of a megabyte is made (the model takes about a second on one).
HUGE_ONE_IN = int(os.environ.get("TAMBRY_FUZZ_HUGE_ONE_IN", "1024"))


class Source:
    """Hands out the input's bytes as small choices; zeros once they run out."""

    def __init__(self, data):
        self.data = data
        self.pos = 0
        # Texts of a megabyte are slow to model in Python; one per input at most.
        self.huge_left = 1

    def byte(self):
        if self.pos >= len(self.data):
            return 0
        b = self.data[self.pos]
        self.pos += 1
        return b

    def below(self, n):
        if n <= 256:
            return self.byte() % n
        return (self.byte() << 8 | self.byte()) % n

    def choice(self, seq):
        return seq[self.below(len(seq))]

    def chance(self, one_in):
        return self.below(one_in) == 0

    def exhausted(self):
        return self.pos >= len(self.data)


# ---------------------------------------------------------------------------
# Texts, names and arguments
# ---------------------------------------------------------------------------

WORDS = sorted(model.TAG_WEIGHT) + [
    "final", "release", "ga", "snapshot", "SNAPSHOT", "RC", "Alpha", "dev", "DEV", "post", "incompatible",
    "deb", "ubuntu", "el", "fc", "amzn", "r", "v", "V", "x", "abc", "abcd", "foo", "z", "git", "build",
]
SEPARATORS = ".-_+:!~^/ ,=*@#'\"\\\t\n\x00"
NON_ASCII = [
    "é", "ü", "ß", "Ω", "中", "\U0001f600", "\u0301", "\ufeff", "\u00a0", "\u3000", "\u2028", "\u0085",
    "\u1680", "\u2009", "\u200b", "\u180e", "\x1c", "\x7f", "\x80", "\udc80", "\ud800", "\udfff",
]
PREFIXES = ["v", "V", "1:", "0:", "007:", "1!", "!", ":", "18446744073709551615:", "18446744073709551616:",
            "99999999999999999999!", "=", "vv", " ", "\u3000", "+", "-r"]
EDGE_TEXTS = [
    "1.0.0", "1.0", "1", "", " ", "1.0.0-rc.1", "1.0.0-alpha.1", "1.0.0+build.7", "v1.2.3", "1.2.3-0a",
    "2:1.2-3+deb12u1", "1.0~rc1", "1.0^git1", "1.0-1.el8", "1.0-SNAPSHOT", "1!2.0.post1", "1.0a1.post2",
    "2024.01.15", "1.2_alpha1", "1.2.3-r2", "1.0.0.beta2", "v1.2.3+incompatible", "1.0rc1", "1.post1",
    "1.0.rc1", "0:1.0", "1:", "-", "18446744073709551615.0.0", "18446744073709551616.0.0", "1.2.3-rc.01",
    "1..3", "1.2.", "01.2.3", "1.0-foo", "1.0-bar", "1.0-final", "1.0.0.RELEASE", "a!1.0", "1!", "1!+abc",
]


def digit_run(src):
    kind = src.below(8)
    if kind == 0:
        return "0" * (1 + src.below(4)) + str(src.below(1000))
    if kind == 1:
        return str(2**64 - 2 + src.below(4))  # around the saturation point
    if kind == 2:
        return "9" * (19 + src.below(30))
    if kind == 3:
        return "".join(src.choice("0123456789") for _ in range(1 + src.below(40)))
    return str(src.below(3000))


def piece(src):
    kind = src.below(16)
    if kind < 5:
        return digit_run(src)
    if kind < 8:
        return src.choice(WORDS)
    if kind < 11:
        return src.choice(SEPARATORS)
    if kind == 11:
        return src.choice(NON_ASCII)
    if kind == 12:
        return src.choice(SEPARATORS) * (2 + src.below(60))
    if kind == 13:
        return src.choice(["~", "^", "~^", "^~", "~~", "-~", ".^"]) * (1 + src.below(40))
    if kind == 14:
        return "".join(chr(65 + src.below(58)) for _ in range(1 + src.below(12)))  # letters and [\]^_`
    return chr(src.below(0x80)) if src.chance(2) else chr(src.below(0x30000))


IDENTIFIERS = ["0", "1", "2", "10", "01", "0a", "a", "alpha", "beta", "rc", "Alpha", "x-y", "-", "--", "a1",
               "18446744073709551615", "18446744073709551616", "", "a_b", "é"]


def semver_like(src):
    """Mostly valid strict SemVer, with a fault now and then."""
    core = ".".join(src.choice(["0", "1", "2", "10", "01", "", "x", "18446744073709551615"])
                    if src.chance(12) else str(src.below(4)) for _ in range(3 if not src.chance(12) else 2))
    text = ("v" if src.chance(6) else "") + core
    if src.chance(2):
        text += "-" + ".".join(src.choice(IDENTIFIERS[:12] if not src.chance(8) else IDENTIFIERS)
                               for _ in range(1 + src.below(4)))
    if src.chance(4):
        text += "+" + src.choice(["build.1", "", "a+b", "x-y", "é", "001"])
    return text


def package_like(src):
    """An epoch, an upstream version and a revision, as Debian and RPM write them."""
    text = src.choice(["", "", "", "1:", "0:", "2:", "a:"])
    text += ".".join(src.choice([str(src.below(20)), "0" + str(src.below(9)), "a", "rc1", "10"])
                     for _ in range(1 + src.below(4)))
    for _ in range(src.below(3)):
        text += src.choice(["~", "^", "~rc1", "^git1", "+b1", ".", "a", "Z", "-", "-1", "-2.el8", "_"])
    return text


def make_text(src):
    kind = src.below(28)
    if kind == 0:
        return src.choice(EDGE_TEXTS)
    if kind in (24, 25):
        return semver_like(src)
    if kind in (26, 27):
        return package_like(src)
    if kind == 1 and src.huge_left and src.chance(HUGE_ONE_IN):
        src.huge_left = 0
        unit = piece(src) or "1"
        return src.choice(["", "1.", "v", "1.2.3-"]) + unit * (1_000_000 // len(unit) + 1)
    if kind == 2:
        return "1" + "0" * (100 + src.below(5000))  # a long digit run
    parts = []
    if src.chance(4):
        parts.append(src.choice(PREFIXES))
    for _ in range(src.below(10)):
        parts.append(piece(src))
    if src.chance(5):
        parts.append(src.choice(model.WHITE_SPACE))
    return "".join(parts)


class Text(str):
    """A str subclass: accepted wherever a str is."""


class Opaque:
    pass


NAMES = sorted(model.NAMES) + ["auto", "AUTO", "Auto", "aUtO", " auto", "auto ", "", "foo", "pep_440",
                               "semver strict", "crates-io", "GENERIC", "Npm", "SemVer-Strict", "npm\x00",
                               "dèbian", "ﬁ", "docker\u00a0", "x" * 14, "\ud800", "gо"]


def make_name(src):
    """An ecosystem argument: mostly a valid name, sometimes anything."""
    kind = src.below(20)
    if kind < 10:
        name = src.choice(NAMES)
        if src.chance(3):
            name = "".join(c.upper() if src.chance(2) else c for c in name)
        return name
    if kind < 13:
        return src.choice(model.CANONICAL)
    if kind < 15:
        return "auto"
    if kind == 15:
        return Text(src.choice(NAMES))
    if kind == 16:
        return make_text(src)
    return src.choice([None, 1, b"npm", 1.5, ["npm"], Opaque()])


def make_version(src, gen=None):
    text = (gen or make_text)(src)
    name = src.choice(NAMES)
    try:
        return Version(text, name)
    except (ValueError, UnicodeEncodeError):
        return Version("1.0")


def make_generator(src):
    """The kind of text for all the operands of one call, so that they often fit one scheme."""
    return src.choice([make_text, make_text, semver_like, package_like])


def make_operand(src, junk_one_in=12, gen=None):
    """Mostly a str or a Version; now and then something neither."""
    gen = gen or make_text
    if src.chance(junk_one_in):
        return src.choice([None, 1, 2**70, b"1.0", 1.0, ("1.0",), Opaque(), Text, "\ud800", "1.\udc80"])
    kind = src.below(8)
    if kind < 4:
        return gen(src)
    if kind < 7:
        return make_version(src, gen)
    return Text(gen(src))


# ---------------------------------------------------------------------------
# What the module must do
# ---------------------------------------------------------------------------

FAILED = object()


def not_an_instance(obj, target):
    if obj is None:
        return f"'None' is not an instance of '{target}'"
    return f"'{type(obj).__qualname__}' object is not an instance of '{target}'"


def encodable(text):
    try:
        text.encode("utf-8")
    except UnicodeEncodeError:
        return False
    return True


def text_conversion(parameter, obj):
    """The failure of converting a text parameter, or None."""
    if not isinstance(obj, str):
        return TypeError, f"argument '{parameter}': {not_an_instance(obj, 'str')}"
    if not encodable(obj):
        return UnicodeEncodeError, None
    return None


def operand_text(obj):
    """A str operand's text, or None for anything else (a lone surrogate included)."""
    if isinstance(obj, str) and encodable(obj):
        return str(obj)
    return None


EXPECTED_VERSION_OR_STR = (TypeError, "expected Version or str")
UNSET = object()


class Outcome:
    """Either a failure (exception type and message) or success with a value."""

    def __init__(self, error=None, value=None):
        self.error = error
        self.value = value


def expect_call(outcome, fn, *args, **kwargs):
    """Calls fn and checks its failure against `outcome`; returns the result or FAILED."""
    try:
        result = fn(*args, **kwargs)
    except FuzzFailure:
        raise
    except BaseException as e:  # noqa: BLE001 - every kind of exception is judged here
        if outcome.error is None:
            fail(f"{fn.__name__}{short(args)} {short(kwargs)} raised {type(e).__name__}: {short(str(e))}")
        kind, message = outcome.error
        if type(e) is not kind:
            fail(f"{fn.__name__}{short(args)} raised {type(e).__name__} ({short(str(e))}), "
                 f"expected {kind.__name__} ({short(message)})")
        if message is not None and str(e) != message:
            fail(f"{fn.__name__}{short(args)} message {short(str(e))}, expected {short(message)}")
        return FAILED
    if outcome.error is not None:
        fail(f"{fn.__name__}{short(args)} {short(kwargs)} returned {short(result)}, expected {outcome.error}")
    return result


def resolve_named(ecosystem, default):
    """(ecosystem, failure) for an argument that is not "auto"."""
    if ecosystem is UNSET:
        return default, None
    eco, message = model.from_str(ecosystem)
    return eco, (None if eco else (ValueError, message))


def resolve_for_obj(ecosystem, obj):
    if ecosystem is not UNSET and model.means_auto(ecosystem):
        if type(obj) is Version:
            return obj.ecosystem, None
        text = operand_text(obj)
        if text is None:
            return None, EXPECTED_VERSION_OR_STR
        return model.detect(text), None
    return resolve_named(ecosystem, "generic")


def extract(obj, eco):
    """(model.Parsed, failure) for a str-or-Version operand under `eco`."""
    text = obj.raw if type(obj) is Version else operand_text(obj)
    if text is None:
        return None, EXPECTED_VERSION_OR_STR
    parsed, message = model.parse(text, eco)
    return parsed, (None if parsed else (ValueError, message))


def eco_conversion(ecosystem):
    return None if ecosystem is UNSET else text_conversion("ecosystem", ecosystem)


def with_eco(args, kwargs, ecosystem, keyword):
    if ecosystem is UNSET:
        return args, kwargs
    if keyword:
        return args, {**kwargs, "ecosystem": ecosystem}
    return (*args, ecosystem), kwargs


# ---------------------------------------------------------------------------
# Pairwise functions
# ---------------------------------------------------------------------------

RELATIONS = {
    "eq": lambda o: o == 0, "ne": lambda o: o != 0, "gt": lambda o: o > 0, "ge": lambda o: o >= 0,
    "gte": lambda o: o >= 0, "lt": lambda o: o < 0, "le": lambda o: o <= 0, "lte": lambda o: o <= 0,
}


def expected_relation(a, b, ecosystem):
    for failure in (text_conversion("a", a), text_conversion("b", b), eco_conversion(ecosystem)):
        if failure:
            return Outcome(failure), None
    if ecosystem is not UNSET and model.means_auto(ecosystem):
        eco = model.detect(a)
    else:
        eco, failure = resolve_named(ecosystem, "generic")
        if failure:
            return Outcome(failure), None
    return expected_ordering(a, b, eco)


def expected_ordering(a, b, eco):
    pa, failure = extract(a, eco)
    if failure:
        return Outcome(failure), eco
    pb, failure = extract(b, eco)
    if failure:
        return Outcome(failure), eco
    return Outcome(value=model.order(pa, pb)), eco


def expected_compare(a, b, ecosystem):
    failure = eco_conversion(ecosystem)
    if failure:
        return Outcome(failure), None
    eco, failure = resolve_for_obj(ecosystem, a)
    if failure:
        return Outcome(failure), None
    return expected_ordering(a, b, eco)


def expected_semver_strict(a, b):
    for failure in (text_conversion("a", a), text_conversion("b", b)):
        if failure:
            return Outcome(failure)
    outcomes = []
    for text in (a, b):
        value, message = model.parse_semver(text)
        if message:
            return Outcome((ValueError, message))
        outcomes.append(value)
    return Outcome(value=model.cmp_semver(*outcomes))


def check_ordering_result(result, expected, what):
    if type(result) is not int or result not in (-1, 0, 1):
        fail(f"{what} gave {short(result)}, not the int -1, 0 or 1")
    if result != expected:
        fail(f"{what} gave {result}, expected {expected}")


def op_pairwise(src):
    name = src.choice(["compare"] * 4 + ["compare_semver_strict"] + list(RELATIONS))
    fn = getattr(tambry, name)
    junk = 4 if name == "compare" else 40
    gen = semver_like if name == "compare_semver_strict" and src.chance(2) else make_generator(src)
    a, b = make_operand(src, junk, gen), make_operand(src, junk, gen)
    if name != "compare" and not src.chance(10):
        # The relations take str only; keep most calls on the interesting path.
        a = a.raw if type(a) is Version else a
        b = b.raw if type(b) is Version else b
    ecosystem = UNSET if name == "compare_semver_strict" or src.chance(4) else make_name(src)
    keyword = src.chance(3)
    args, kwargs = ((), {"a": a, "b": b}) if keyword else ((a, b), {})
    args, kwargs = with_eco(args, kwargs, ecosystem, keyword or src.chance(2))
    eco = None
    if name == "compare":
        outcome, eco = expected_compare(a, b, ecosystem)
    elif name == "compare_semver_strict":
        outcome = expected_semver_strict(a, b)
    else:
        outcome, eco = expected_relation(a, b, ecosystem)
    result = expect_call(outcome, fn, *args, **kwargs)
    if result is FAILED:
        return
    if name in RELATIONS:
        if type(result) is not bool or result != RELATIONS[name](outcome.value):
            fail(f"{name}({short(a)}, {short(b)}, {short(ecosystem)}) gave {result}, ordering {outcome.value}")
        return
    check_ordering_result(result, outcome.value, f"{name}({short(a)}, {short(b)}, {short(ecosystem)})")
    eco = eco or "semver"
    check_antisymmetry(a, b, eco, result)


def check_antisymmetry(a, b, eco, forward):
    """Swapping the operands negates the ordering; each operand equals itself."""
    backward = tambry.compare(b, a, eco)
    if backward != -forward:
        fail(f"compare({short(a)}, {short(b)}, {eco}) = {forward} but swapped = {backward}")
    for x in (a, b):
        if tambry.compare(x, x, eco) != 0:
            fail(f"compare({short(x)}, itself, {eco}) is not 0")
    ta = a.raw if type(a) is Version else str(a)
    tb = b.raw if type(b) is Version else str(b)
    for name, holds in RELATIONS.items():
        if getattr(tambry, name)(ta, tb, eco) != holds(forward):
            fail(f"{name}({short(ta)}, {short(tb)}, {eco}) disagrees with compare = {forward}")


# ---------------------------------------------------------------------------
# Version objects
# ---------------------------------------------------------------------------


def expected_construction(parameter, text, ecosystem):
    for failure in (text_conversion(parameter, text), eco_conversion(ecosystem)):
        if failure:
            return Outcome(failure)
    if ecosystem is UNSET or model.means_auto(ecosystem):
        return Outcome(value=model.detect(text))
    eco, failure = resolve_named(ecosystem, None)
    return Outcome(failure) if failure else Outcome(value=eco)


def op_construct(src):
    via_class = src.chance(2)
    text = make_text(src) if not src.chance(16) else make_operand(src, 1)
    ecosystem = UNSET if src.chance(3) else make_name(src)
    parameter = "version" if via_class else "s"
    keyword = src.chance(3)
    args, kwargs = ((), {parameter: text}) if keyword else ((text,), {})
    args, kwargs = with_eco(args, kwargs, ecosystem, keyword or src.chance(2))
    outcome = expected_construction(parameter, text, ecosystem)
    v = expect_call(outcome, Version if via_class else tambry.version, *args, **kwargs)
    if v is not FAILED:
        check_views(v, str(text), outcome.value)


def check_views(v, text, ecosystem):
    if type(v) is not Version:
        fail(f"construction gave a {type(v).__name__}")
    parsed = model.parse_generic(text)
    segments = tuple(parsed.segments)
    what = f"Version({short(text)})"
    checks = [
        ("raw", v.raw, text),
        ("str", str(v), text),
        ("repr", repr(v), f"Version('{text}')"),
        ("ecosystem", v.ecosystem, ecosystem),
        ("epoch", v.epoch, parsed.epoch),
        ("build", v.build, parsed.build),
        ("is_prerelease", v.is_prerelease, parsed.pre),
        ("is_postrelease", v.is_postrelease, parsed.post),
        ("segments", v.segments(), segments),
        ("count", v.count, len(segments)),
        ("len", len(v), len(segments)),
        ("bool", bool(v), bool(segments)),
        ("sort_key", v.sort_key(), model.sort_key(parsed)),
    ]
    release = []
    for s in segments:
        if not isinstance(s, int):
            break
        release.append(s)
    checks.append(("release", v.release(), tuple(release)))
    numbers = [s if i < len(segments) and isinstance(s, int) else 0
               for i, s in zip(range(3), list(segments) + [0, 0, 0])]
    checks += [("major", v.major, numbers[0]), ("minor", v.minor, numbers[1]), ("patch", v.patch, numbers[2])]
    for name, got, want in checks:
        if got != want or type(got) is not type(want):
            fail(f"{what}.{name} is {short(got)}, expected {short(want)}")
    expected_dict = {"raw": text, "epoch": parsed.epoch, "major": numbers[0], "minor": numbers[1],
                     "patch": numbers[2], "build": parsed.build, "is_prerelease": parsed.pre,
                     "is_postrelease": parsed.post}
    d = v.to_dict()
    if list(d.items()) != list(expected_dict.items()):
        fail(f"{what}.to_dict() is {short(d)}")
    n = len(segments)
    for i in {0, 1, n - 1, n, -1, -n, -n - 1}:
        if -n <= i < n:
            if v[i] != segments[i]:
                fail(f"{what}[{i}] is {short(v[i])}, expected {short(segments[i])}")
        else:
            message = f"segment index {i} out of range (version has {n} segments)"
            expect_call(Outcome((IndexError, message)), v.__getitem__, i)
    if hash(v) != hash(Version(text, "generic")):
        fail(f"hash of {what} depends on more than its text")


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        if isinstance(self.value, BaseException):
            raise self.value
        return self.value


def op_index(src):
    v = make_version(src)
    n = len(v)
    kind = src.below(8)
    if kind < 3:
        idx = src.below(2 * n + 3) - n - 1
    elif kind == 3:
        idx = src.choice([2**63 - 1, -(2**63), 2**63, -(2**63) - 1, 2**64, 10**30, True, False])
    elif kind == 4:
        idx = Index(src.choice([0, -1, 5, 2**63, ValueError("bad index"), TypeError("bad index")]))
    else:
        idx = src.choice(["0", 1.0, None, slice(0, 1), b"0", Opaque(), [0]])
    segments = v.segments()
    if isinstance(idx, Index):
        value = idx.value
        if isinstance(value, TypeError):
            outcome = Outcome((TypeError, "argument 'idx': bad index"))
        elif isinstance(value, BaseException):
            outcome = Outcome((ValueError, "bad index"))
        else:
            outcome = index_outcome(value, segments)
    elif isinstance(idx, int):
        outcome = index_outcome(int(idx), segments)
    else:
        qualname = type(idx).__qualname__
        outcome = Outcome((TypeError, f"argument 'idx': '{qualname}' object cannot be interpreted as an integer"))
    result = expect_call(outcome, v.__getitem__, idx)
    if result is not FAILED and (result != outcome.value or type(result) is not type(outcome.value)):
        fail(f"{short(v)}[{short(idx)}] is {short(result)}, expected {short(outcome.value)}")


def index_outcome(value, segments):
    n = len(segments)
    if not -(2**63) <= value < 2**63:
        return Outcome((OverflowError, None))
    position = value + n if value < 0 else value
    if 0 <= position < n:
        return Outcome(value=segments[position])
    return Outcome((IndexError, f"segment index {value} out of range (version has {n} segments)"))


def op_version_pair(src):
    v, w = make_version(src), make_version(src)
    pv, pw = model.parse_generic(v.raw), model.parse_generic(w.raw)
    o = model.cmp_generic(pv, pw)
    got = (v < w, v <= w, v == w, v != w, v > w, v >= w)
    want = (o < 0, o <= 0, o == 0, o != 0, o > 0, o >= 0)
    if got != want:
        fail(f"{short(v)} against {short(w)}: operators {got}, expected ordering {o}")
    if o == 0 and hash(v) != hash(w):
        fail(f"{short(v)} == {short(w)} but their hashes differ")
    if v.sort_key() != model.sort_key(pv):
        fail(f"{short(v)}.sort_key() is {short(v.sort_key())}")
    # Foreign objects: == and != answer by identity, the order operators refuse.
    other = src.choice([v.raw, 1, None, Opaque()])
    if (v == other) or not (v != other):
        fail(f"{short(v)} == {short(other)}")
    expect_call(Outcome((TypeError, None)), lambda: v < other)

    # Version.compare(other, ecosystem)
    target = src.choice([w, w.raw, Text(w.raw), make_operand(src, 6)])
    ecosystem = UNSET if src.chance(3) else make_name(src)
    keyword = src.chance(2)
    args, kwargs = ((), {"other": target}) if keyword else ((target,), {})
    args, kwargs = with_eco(args, kwargs, ecosystem, keyword or src.chance(2))
    outcome = expected_method_compare(v, target, ecosystem)
    result = expect_call(outcome, v.compare, *args, **kwargs)
    if result is not FAILED:
        check_ordering_result(result, outcome.value, f"{short(v)}.compare({short(target)}, {short(ecosystem)})")
        same = tambry.compare(v, target, *(() if ecosystem is UNSET else (ecosystem,)))
        if same != result:
            fail(f"{short(v)}.compare({short(target)}) = {result} but compare() = {same}")

    if src.chance(4):
        copy = pickle.loads(pickle.dumps(v))
        if type(copy) is not Version or (copy.raw, copy.ecosystem) != (v.raw, v.ecosystem) or copy != v:
            fail(f"pickling {short(v)} gave {short(copy)}")


def expected_method_compare(v, other, ecosystem):
    failure = eco_conversion(ecosystem)
    if failure:
        return Outcome(failure)
    if ecosystem is not UNSET and model.means_auto(ecosystem):
        eco = v.ecosystem
    else:
        eco, failure = resolve_named(ecosystem, "generic")
        if failure:
            return Outcome(failure)
    mine, message = model.parse(v.raw, eco)
    if message:
        return Outcome((ValueError, message))
    theirs, failure = extract(other, eco)
    if failure:
        return Outcome(failure)
    return Outcome(value=model.order(mine, theirs))


# ---------------------------------------------------------------------------
# Collection functions
# ---------------------------------------------------------------------------


class Seq:
    """A sequence known only by __len__ and __getitem__, optionally failing at one index."""

    def __init__(self, items, error_at=None, error=None):
        self.items, self.error_at, self.error = list(items), error_at, error

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        if i == self.error_at:
            raise self.error
        return self.items[i]


def make_container(src, items, parameter):
    """(container, failure while reading it or None)."""
    kind = src.below(24)
    if kind < 12:
        return list(items), None
    if kind < 17:
        return tuple(items), None
    if kind < 20:
        return Seq(items), None
    if kind == 20:
        error_at = src.below(len(items) + 1)
        if error_at == len(items):
            return Seq(items, error_at + 5, TypeError("unreached")), None
        error = src.choice([TypeError("reading failed"), ValueError("reading failed"), KeyError("k")])
        if type(error) is TypeError:
            failure = (TypeError, f"argument '{parameter}': reading failed")
        else:
            failure = (type(error), str(error))
        return Seq(items, error_at, error), failure
    if kind == 21:
        return "1.0", (TypeError, f"argument '{parameter}': Can't extract `str` to `Vec`")
    if kind == 22:
        # Sequences of ints: accepted as sequences, their elements are judged later.
        return src.choice([range(src.below(3)), b"1.0"[:src.below(4)]]), UNSET
    bad = src.choice([None, 5, {"1.0": 1}, (x for x in items), Opaque()])
    return bad, (TypeError, f"argument '{parameter}': {not_an_instance(bad, 'Sequence')}")


def op_collection(src):
    name = src.choice(["sort_versions", "max_version", "min_version", "batch_compare"])
    if name == "batch_compare":
        return op_batch_compare(src)
    fn = getattr(tambry, name)
    n = src.below(12)
    gen = make_generator(src)
    items = [make_operand(src, 30, gen) for _ in range(n)]
    if src.chance(3) and items:
        # Many elements of one scheme's liking, so that orders and ties are exercised.
        items = [src.choice(items) if src.chance(3) else x for x in items]
    container, reading = make_container(src, items, "versions")
    if reading is UNSET:
        items, reading = list(container), None
    ecosystem = UNSET if src.chance(4) else make_name(src)
    keyword = src.chance(3)
    args, kwargs = ((), {"versions": container}) if keyword else ((container,), {})
    args, kwargs = with_eco(args, kwargs, ecosystem, keyword or src.chance(2))

    outcome, parsed = expected_collection(name, items, reading, ecosystem)
    result = expect_call(outcome, fn, *args, **kwargs)
    if result is FAILED:
        return
    check_collection_result(name, items, parsed, result)


def expected_collection(name, items, reading, ecosystem):
    if reading:
        return Outcome(reading), None
    failure = eco_conversion(ecosystem)
    if failure:
        return Outcome(failure), None
    is_auto = ecosystem is not UNSET and model.means_auto(ecosystem)
    if name != "sort_versions" and not items:
        return Outcome((ValueError, "empty sequence")), None
    if name == "sort_versions" and not items and (is_auto or ecosystem is UNSET):
        return Outcome(value=[]), []
    if is_auto:
        eco, failure = resolve_for_obj(ecosystem, items[0])
    else:
        eco, failure = resolve_named(ecosystem, "generic")
    if failure:
        return Outcome(failure), None
    parsed = []
    for item in items:
        p, failure = extract(item, eco)
        if failure:
            return Outcome(failure), None
        parsed.append(p)
    return Outcome(value=True), parsed


def check_collection_result(name, items, parsed, result):
    what = f"{name}({short(items)})"
    if name in ("max_version", "min_version"):
        if not any(result is x for x in items):
            fail(f"{what} returned {short(result)}, not one of the elements")
    elif type(result) is not list or sorted(map(id, result)) != sorted(map(id, items)):
        fail(f"{what} returned {short(result)}, not a permutation of the elements")
    if not model.totally_ordered(parsed):
        return
    # With a total order a stable sort has exactly one answer.
    keyed = sorted(zip(parsed, items), key=functools.cmp_to_key(lambda x, y: model.order(x[0], y[0])))
    stable = [x for _, x in keyed]
    if name == "sort_versions" and not all(g is e for g, e in zip(result, stable)):
        fail(f"{what} gave {short(result)}, expected {short(stable)}")
    if name == "max_version" and result is not stable[-1]:
        fail(f"{what} gave {short(result)}, expected the last of the greatest {short(stable[-1])}")
    if name == "min_version" and result is not stable[0]:
        fail(f"{what} gave {short(result)}, expected the first of the least {short(stable[0])}")


def op_batch_compare(src):
    n = src.below(8)
    gen = make_generator(src)
    pairs, element_failure = [], None
    for _ in range(n):
        kind = src.below(30)
        if kind == 0:
            pair = [make_operand(src), make_operand(src)]
            failure = (TypeError, f"argument 'pairs': {not_an_instance(pair, 'tuple')}")
        elif kind == 1:
            pair = tuple(make_operand(src) for _ in range(src.choice([0, 1, 3])))
            failure = (ValueError, f"expected tuple of length 2, but got tuple of length {len(pair)}")
        else:
            pair = (make_operand(src, 30, gen), make_operand(src, 30, gen))
            failure = None
        if failure and element_failure is None:
            element_failure = failure
        pairs.append(pair)
    container, reading = make_container(src, pairs, "pairs")
    if reading is UNSET:
        pairs, reading = list(container), None
        element_failure = (TypeError, "argument 'pairs': 'int' object is not an instance of 'tuple'") if pairs else None
    ecosystem = UNSET if src.chance(4) else make_name(src)
    args, kwargs = with_eco((container,), {}, ecosystem, src.chance(2))

    outcome = expected_batch(pairs, reading or element_failure, ecosystem)
    result = expect_call(outcome, tambry.batch_compare, *args, **kwargs)
    if result is not FAILED and (type(result) is not list or result != outcome.value
                                 or any(type(r) is not int for r in result)):
        fail(f"batch_compare({short(pairs)}, {short(ecosystem)}) gave {short(result)}, expected {outcome.value}")


def expected_batch(pairs, reading, ecosystem):
    if reading:
        return Outcome(reading)
    failure = eco_conversion(ecosystem)
    if failure:
        return Outcome(failure)
    is_auto = ecosystem is not UNSET and model.means_auto(ecosystem)
    if not is_auto:
        eco, failure = resolve_named(ecosystem, "generic")
        if failure:
            return Outcome(failure)
    results = []
    for a, b in pairs:
        if is_auto:
            eco, failure = resolve_for_obj(ecosystem, a)
            if failure:
                return Outcome(failure)
        outcome, _ = expected_ordering(a, b, eco)
        if outcome.error:
            return outcome
        results.append(outcome.value)
    return Outcome(value=results)


# ---------------------------------------------------------------------------
# Argument binding
# ---------------------------------------------------------------------------

ENTRIES = [
    ("version()", tambry.version, ["s", "ecosystem"], 1),
    ("Version.__new__()", Version, ["version", "ecosystem"], 1),
    ("compare()", tambry.compare, ["a", "b", "ecosystem"], 2),
    ("compare_semver_strict()", tambry.compare_semver_strict, ["a", "b"], 2),
    ("sort_versions()", tambry.sort_versions, ["versions", "ecosystem"], 1),
    ("batch_compare()", tambry.batch_compare, ["pairs", "ecosystem"], 1),
    ("max_version()", tambry.max_version, ["versions", "ecosystem"], 1),
    ("min_version()", tambry.min_version, ["versions", "ecosystem"], 1),
    ("Version.compare()", None, ["other", "ecosystem"], 1),
] + [(f"{name}()", getattr(tambry, name), ["a", "b", "ecosystem"], 2) for name in RELATIONS]


def binding_failure(display, params, required, nargs, keywords):
    count = len(params)
    if nargs > count:
        verb = "was" if nargs == 1 else "were"
        if required == count:
            return f"{display} takes {count} positional arguments but {nargs} {verb} given"
        return f"{display} takes from {required} to {count} positional arguments but {nargs} {verb} given"
    filled = set(params[:nargs])
    for keyword in keywords:
        if keyword not in params:
            return f"{display} got an unexpected keyword argument '{keyword}'"
        if keyword in filled:
            return f"{display} got multiple values for argument '{keyword}'"
        filled.add(keyword)
    missing = [p for p in params[:required] if p not in filled]
    if not missing:
        return None
    names = [f"'{m}'" for m in missing]
    if len(names) == 1:
        joined = names[0]
    elif len(names) == 2:
        joined = f"{names[0]} and {names[1]}"
    else:
        joined = ", ".join(names[:-1]) + ", and " + names[-1]
    word = "argument" if len(missing) == 1 else "arguments"
    return f"{display} missing {len(missing)} required positional {word}: {joined}"


def op_binding(src):
    display, fn, params, required = src.choice(ENTRIES)
    if fn is None:
        fn = Version("1.0").compare
    nargs = src.below(len(params) + 2)
    keywords = []
    for _ in range(src.below(3)):
        keywords.append(src.choice(params + ["eco", "A", "", "ecosystem ", "\u00e9", "self", "kwargs"]))
    keywords = list(dict.fromkeys(keywords))  # a call cannot repeat a keyword
    args = ["1.0"] * nargs
    kwargs = {k: "1.0" for k in keywords}
    message = binding_failure(display, params, required, nargs, keywords)
    if message is not None:
        expect_call(Outcome((TypeError, message)), fn, *args, **kwargs)
        return
    try:
        fn(*args, **kwargs)
    except (TypeError, ValueError):
        pass  # the values were not chosen to fit; the other operations judge values


# ---------------------------------------------------------------------------
# The entry point
# ---------------------------------------------------------------------------

OPERATIONS = [op_pairwise] * 5 + [op_construct] * 3 + [op_version_pair] * 2 + [op_collection] * 3 + [
    op_index, op_binding]


def check_one(data):
    src = Source(data)
    for _ in range(1 + src.below(3)):
        src.choice(OPERATIONS)(src)
        if src.exhausted():
            break


def corpus_inputs(paths):
    inputs = []
    for path in paths:
        files = [path] if os.path.isfile(path) else [os.path.join(path, f) for f in sorted(os.listdir(path))]
        for file in files:
            with open(file, "rb") as f:
                inputs.append(f.read())
    return inputs


def mutate(rng, data, corpus, max_len=1024):
    """A few libFuzzer-style edits: bit flips, byte changes, inserts, erases, copies, splices."""
    data = bytearray(data)
    for _ in range(1 + rng.randrange(5)):
        kind = rng.randrange(7)
        pos = rng.randrange(len(data) + 1)
        if kind == 0 and data:
            data[pos % len(data)] ^= 1 << rng.randrange(8)
        elif kind == 1 and data:
            data[pos % len(data)] = rng.choice([0, 1, 0x7F, 0x80, 0xFF, rng.randrange(256)])
        elif kind == 2:
            data[pos:pos] = rng.randbytes(1 + rng.randrange(8))
        elif kind == 3 and data:
            del data[pos:pos + 1 + rng.randrange(8)]
        elif kind == 4 and data:
            start = rng.randrange(len(data))
            data[pos:pos] = data[start:start + 1 + rng.randrange(16)]
        elif kind == 5 and corpus:
            other = rng.choice(corpus)
            data = data[:pos] + other[rng.randrange(len(other) + 1):]
        else:
            data[pos:pos] = bytes([rng.randrange(256)]) * (1 + rng.randrange(4))
    return bytes(data[:max_len])


def random_inputs(count, seed, corpus=()):
    """`count` inputs: random bytes, or mutations of the corpus when there is one."""
    import random

    rng = random.Random(seed)
    corpus = list(corpus)
    for _ in range(count):
        if corpus and rng.randrange(4):
            yield mutate(rng, rng.choice(corpus), corpus)
        else:
            yield rng.randbytes(1 + rng.randrange(300))


def run_many(count, seed, corpus_paths, artifact_dir="."):
    """The long run without libFuzzer: mutations of a corpus and random bytes."""
    import hashlib
    import time

    corpus = corpus_inputs(corpus_paths)
    start = time.monotonic()
    for done, data in enumerate(random_inputs(count, seed, corpus), 1):
        try:
            check_one(data)
        except BaseException:
            path = os.path.join(artifact_dir, "crash-" + hashlib.sha1(data).hexdigest())
            with open(path, "wb") as f:
                f.write(data)
            print(f"input {done} failed; saved to {path}", flush=True)
            raise
        if done % 100_000 == 0 or done == count:
            elapsed = time.monotonic() - start
            print(f"{done} inputs in {elapsed:.0f} s ({done / elapsed:.0f}/s)", flush=True)


def replay(paths):
    inputs = corpus_inputs(paths)
    for data in inputs:
        check_one(data)
    print(f"replayed {len(inputs)} inputs")


def main():
    if sys.argv[1:2] == ["--replay"]:
        replay(sys.argv[2:])
        return
    if sys.argv[1:2] == ["--many"]:
        count, seed = int(sys.argv[2]), int(sys.argv[3])
        run_many(count, seed, sys.argv[4:])
        return
    import atheris

    # Coverage of the harness and the model guides the mutations: each branch of
    # theirs is a distinct kind of call or outcome.
    atheris.instrument_func(check_one)
    for module in (sys.modules[__name__], model):
        for value in list(vars(module).values()):
            if callable(value) and getattr(value, "__module__", None) == module.__name__:
                if isinstance(value, type(check_one)):
                    setattr(module, value.__name__, atheris.instrument_func(value))
    atheris.Setup(sys.argv, check_one)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
