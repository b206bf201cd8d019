#!/usr/bin/env python3
"""Fuzz harness for tambry.native and tambry.ranges, driven by a byte string.

`check_one(data)` reads the bytes as a small program, as fuzz_tambry.py does:
which entry to call, with which ecosystem name (purl types, OSV names with a
release, case changes, anything), which version texts (the ecosystems' labelled
vectors, edited; piece soups with NUL bytes, lone surrogates and non-ASCII; now
and then a megabyte), which range texts (the labelled range vectors and operator
soups), vers URIs (percent-escapes of every byte, key bounds, pre-release sets)
and OSV objects (missing, repeated and mistyped fields, huge event lists, dict
keys whose comparison raises or empties the dict while it is read).

Every call may fail only with a documented exception: ValueError (InvalidVersion
among them), TypeError, NotImplementedError from a range syntax not yet read, or
the exception the caller's own object raised. What succeeds is checked against
the promises that hold whatever the ecosystem: is_valid, key and compare agree on
validity; compare is reflexive and antisymmetric and, but for Maven's cycles,
ordered as the keys are; the collections give back the caller's objects; every
range prints as a vers that reads back as the same range, r & ~r is empty and
r | ~r everything, membership in &, |, ~ is the boolean combination, issubset
and isdisjoint agree with membership, filter and max/min_satisfying agree with
contains, and contains agrees with the range's own intervals. A broken promise
raises FuzzFailure.

    python tests/fuzz/fuzz_layers.py --replay tests/fuzz/corpus_layers
    python tests/fuzz/fuzz_layers.py --many COUNT SEED tests/fuzz/corpus_layers
    tools/sanitize.sh python tests/fuzz/fuzz_layers.py --many 200000 1 tests/fuzz/corpus_layers
    python tests/fuzz/fuzz_layers.py tests/fuzz/corpus_layers -runs=1000000   (under atheris)

tests/test_fuzz_layers.py replays the saved corpus and a few thousand fresh inputs.
"""

import functools
import os
import pathlib
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from fuzz_tambry import (  # noqa: E402
    NON_ASCII, FuzzFailure, Source, corpus_inputs, fail, random_inputs, short,
)

import tambry  # noqa: E402
from tambry import native  # noqa: E402
from tambry.native import InvalidVersion  # noqa: E402
from tambry.ranges import VersionRange  # noqa: E402

ECOSYSTEMS = list(native.ECOSYSTEMS)
OSV_NAMES = ["PyPI", "Maven", "RubyGems", "crates.io", "Go", "NuGet", "Packagist", "Hex", "SwiftURL", "Bitnami",
             "Debian", "Ubuntu", "Alpine", "Wolfi", "Red Hat", "Rocky Linux", "SUSE", "Debian:12", "Alpine:v3.19",
             "Ubuntu:22.04:LTS"]
BAD_NAMES = ["", "auto", "debian:12", "Debian:", "pypi ", "PYPI:x", "npm\x00", "golang\udc80", "\u0131npm", "x" * 300]
HUGE_ONE_IN = int(os.environ.get("TAMBRY_FUZZ_HUGE_ONE_IN", "512"))
TESTS = pathlib.Path(__file__).resolve().parent.parent


def rare(src, one_in):
    """True one time in `one_in`; False once the input has run out, so that a short
    input ends in the common shapes rather than in the rare faults."""
    return src.below(one_in) == one_in - 1


class Boom(Exception):
    """Raised by the harness's own hostile objects: it must come back out unchanged."""


# ---------------------------------------------------------------------------
# Seeds from the labelled vectors
# ---------------------------------------------------------------------------


def tsv_column(path, column=0, every=1, label=None):
    """One column of every `every`-th row, of the rows whose second column is `label` if given."""
    if not path.exists():
        return []
    rows = [line.split("\t") for line in path.read_bytes().decode("utf-8").split("\n")[1::every] if line]
    return sorted({row[column] for row in rows if label is None or row[1] == label})


def version_seeds(eco, label):
    source = "semver" if eco == "swift" else eco
    folder = TESTS / "vectors" / "native"
    found = tsv_column(folder / f"{source}-valid.tsv", 0, 3, label)
    return found + tsv_column(folder / f"{source}-order.tsv", 0, 7) if label == "1" else found


def range_seeds(eco):
    folder = TESTS / "vectors" / "ranges"
    return tsv_column(folder / f"{eco}.tsv", 0, 5) + tsv_column(folder / f"{eco}-rejected.tsv", 0, 2)


VERSION_SEEDS = {eco: version_seeds(eco, "1") for eco in ECOSYSTEMS}  # the tools accepted these
REJECTED_SEEDS = {eco: version_seeds(eco, "0") or ["1..0"] for eco in ECOSYSTEMS}
RANGE_SEEDS = {eco: range_seeds(eco) for eco in ECOSYSTEMS}


# ---------------------------------------------------------------------------
# Texts
# ---------------------------------------------------------------------------

WORDS = ["alpha", "beta", "rc", "pre", "dev", "post", "snapshot", "SNAPSHOT", "final", "ga", "sp", "p", "a", "b",
         "m", "r", "v", "x", "X", "incompatible", "el8", "deb12u1", "git", "cvs", "pl", "stable", "patch", "RC"]
SEPARATORS = ".-_+:!~^/ ,=*@|<>()[]%?\t\n\x00"


def digits(src):
    return src.choice(["0", "1", "2", "10", "007", "9" * 19, "18446744073709551616", "9007199254740993",
                       "2147483648", str(src.below(3000)), "0" * (1 + src.below(30))])


def piece(src):
    kind = src.below(10)
    if kind < 4:
        return digits(src)
    if kind < 6:
        return src.choice(WORDS)
    if kind < 8:
        return src.choice(SEPARATORS) * (1 + src.below(3) if rare(src, 4) else 1)
    if kind == 8:
        return src.choice(NON_ASCII)
    return chr(src.below(0x80)) if rare(src, 2) else chr(src.below(0x30000))


def soup(src, count=8):
    return "".join(piece(src) for _ in range(src.below(count)))


def huge(src, unit):
    return unit * (1_000_000 // max(len(unit), 1) + 1)


def edit(src, text):
    """The text with a slice replaced by a piece."""
    for _ in range(1 + src.below(2)):
        at = src.below(len(text) + 1)
        text = text[:at] + piece(src) + text[at + src.below(3):]
    return text


def version_text(src, eco):
    kind = src.below(16)
    if kind < 8:
        return src.choice(VERSION_SEEDS[eco])
    if kind == 8:
        return src.choice(REJECTED_SEEDS[eco])
    if kind < 12:
        return edit(src, src.choice(VERSION_SEEDS[eco]))
    if kind == 12 and src.huge_left and rare(src, HUGE_ONE_IN):
        src.huge_left = 0
        return src.choice(["", "1.", "1.0.0-", "1:"]) + huge(src, piece(src) or "1")
    if kind == 13:
        return "1" + "0" * (20 + src.below(3000))
    return soup(src)


OPERATORS = ["", "=", "==", "===", ">", ">=", "<", "<=", "!=", "~", "^", "~>", "~=", "<<", ">>", "=<", "=>",
             "v", "*", "x", ">= ", "< "]
JOINERS = [",", ", ", " ", "||", " || ", "|", " and ", " or ", " - ", ""]


def range_text(src, eco):
    kind = src.below(8)
    seeds = RANGE_SEEDS[eco]
    if kind < 2 and seeds:
        return src.choice(seeds)
    if kind == 2 and seeds:
        return edit(src, src.choice(seeds))
    if kind == 3:
        # Interval notation, as Maven and NuGet write it.
        parts = []
        for _ in range(1 + src.below(3)):
            low = version_text(src, eco) if rare(src, 3) else ""
            high = version_text(src, eco) if rare(src, 3) else ""
            parts.append(src.choice("[(") + low + src.choice([",", ",", "", ", "]) + high + src.choice("])"))
        return src.choice([",", "", ", "]).join(parts)
    if kind == 4:
        return soup(src, 12)
    if kind == 5 and src.huge_left and rare(src, HUGE_ONE_IN // 4):
        src.huge_left = 0
        return huge(src, ">=1.0," if rare(src, 2) else "1|")
    constraints = [src.choice(OPERATORS) + version_text(src, eco) for _ in range(1 + src.below(4))]
    return src.choice(JOINERS).join(constraints)


def percent_escaped(src, text):
    out = []
    for c in text:
        if rare(src, 6):
            out.append("".join(f"%{b:02X}" if rare(src, 2) else f"%{b:02x}" for b in c.encode("utf-8", "replace")))
        else:
            out.append(c)
    if rare(src, 4):
        at = src.below(len(out) + 1)
        out.insert(at, src.choice(["%", "%0", "%zz", "%00", "%FF", "%C3", "%C3%A9", "%7C", "%2F", "%3F", "%25",
                                   "%ED%A0%80", "%F4%90%80%80", "%C0%80", f"%{src.below(256):02X}"]))
    return "".join(out)


def key_bound(src, eco):
    key = native.key(src.choice(VERSION_SEEDS[eco]), eco) if rare(src, 2) else bytes([1, src.below(20)])
    if rare(src, 4):
        key = key[: src.below(len(key) + 1)] + bytes([src.below(256)]) * src.below(3)
    text = key.hex()
    if rare(src, 8):
        text = text[:-1] if rare(src, 2) else text + "zz"
    return "*" + text


def vers_version(src, eco):
    if rare(src, 8):
        return key_bound(src, eco)
    return percent_escaped(src, version_text(src, eco))


def sorted_constraints(src, eco):
    """Constraints in the order a vers lists them: mostly readable, some not."""
    texts = {src.choice(VERSION_SEEDS[eco]) for _ in range(src.below(7))}
    texts = sorted(texts, key=lambda t: native.key(t, eco))
    parts, open_interval = [], rare(src, 3)
    if open_interval and texts:
        parts.append(src.choice(["<", "<="]) + texts.pop(0))
        open_interval = False
    for text in texts:
        if open_interval:
            op = src.choice(["<", "<=", "!="])
            open_interval = op == "!="
        else:
            op = src.choice([">", ">=", "", "!="])
            open_interval = op.startswith(">")
        parts.append(op + (percent_escaped(src, text) if rare(src, 8) else text))
    return parts


def vers_constraints(src, eco):
    if rare(src, 3):
        parts = [src.choice(["", "=", "!=", "<", "<=", ">", ">=", "> =", "=="]) + vers_version(src, eco)
                 for _ in range(src.below(5))]
    else:
        parts = sorted_constraints(src, eco)
    if rare(src, 8):
        parts = [src.choice(["*", "none", "", " "])] + parts[: src.below(2)]
    return "|".join(parts)


def vers_text(src, eco):
    scheme = eco if not rare(src, 8) else src.choice([eco.upper(), "Npm", "nope", "", "pypi ", "PyPI", "deb/x"])
    text = "vers:" if not rare(src, 12) else src.choice(["VERS:", "ver:", ""])
    text += scheme + ("/" if not rare(src, 12) else src.choice(["", "//"]))
    text += vers_constraints(src, eco)
    if rare(src, 4):
        text += "?" + src.choice(["prereleases=", "prereleases=", "pre=", ""]) + vers_constraints(src, eco)
    if rare(src, 12):
        text = edit(src, text)
    return text


# ---------------------------------------------------------------------------
# Names, operands and OSV objects
# ---------------------------------------------------------------------------


def eco_name(src):
    kind = src.below(16)
    if kind < 9:
        return src.choice(ECOSYSTEMS)
    if kind < 12:
        return src.choice(OSV_NAMES)
    if kind == 12:
        return "".join(c.swapcase() if rare(src, 2) else c for c in src.choice(ECOSYSTEMS + OSV_NAMES))
    if kind == 13:
        return src.choice(BAD_NAMES)
    if kind == 14:
        return soup(src, 4)
    return src.choice([None, 3, b"npm", ["npm"]])


class Text(str):
    pass


def operand(src, eco, junk_one_in=16):
    if rare(src, junk_one_in):
        return src.choice([None, 1, b"1.0.0", 1.5, ("1.0.0",), object()])
    text = version_text(src, eco)
    kind = src.below(8)
    if kind == 0:
        return Text(text)
    if kind == 1 and "\x00" not in text:
        try:
            return tambry.Version(text)
        except ValueError:
            pass
    return text


class CollidingKey:
    """A dict key that looks up like one of OSV's field names and then misbehaves."""

    def __init__(self, name, owner, behaviour):
        self.name, self.owner, self.behaviour = name, owner, behaviour
        self.armed = False  # not while it is put into the dict

    def __hash__(self):
        return hash(self.name)

    def __eq__(self, other):
        if not self.armed:
            return False
        if self.behaviour == "raise":
            raise Boom("comparing a key")
        if self.behaviour == "empty":
            self.owner.clear()
        return False


def hostile(src, obj):
    """obj, or obj with a misbehaving key added when it is a dict."""
    if type(obj) is dict and rare(src, 12):
        name = src.choice(["type", "events", "introduced", "fixed", "last_affected", "limit", "package",
                           "ecosystem", "ranges", "versions"])
        key = CollidingKey(name, obj, src.choice(["raise", "empty", "false"]))
        obj[key] = "1.0.0"
        key.armed = True
    return obj


def json_junk(src):
    return src.choice([None, True, 0, 1.5, "", "0", [], {}, ["1.0.0"], {"x": 1}, b"1.0"])


def osv_event(src, eco):
    if rare(src, 20):
        return json_junk(src)
    event = {}
    for _ in range(1 if not rare(src, 10) else 2 + src.below(2)):
        kind = src.choice(["introduced", "fixed", "introduced", "last_affected", "limit", "fixed"])
        if rare(src, 16):
            kind = src.choice(["Introduced", "x", "fixed ", ""])
        if kind == "introduced" and rare(src, 4):
            value = "0"
        else:
            value = version_text(src, eco) if rare(src, 3) else src.choice(VERSION_SEEDS[eco])
        if rare(src, 20):
            value = json_junk(src)
        event[kind] = Text(value) if isinstance(value, str) and rare(src, 8) else value
    return hostile(src, event)


def osv_range(src, eco):
    if rare(src, 24):
        return json_junk(src)
    obj = {}
    if not rare(src, 24):
        obj["type"] = src.choice(["ECOSYSTEM", "SEMVER"])
        if rare(src, 12):
            obj["type"] = src.choice(["GIT", "ecosystem", "", 3, "ECOSYSTEM\x00"])
    if not rare(src, 24):
        events = [osv_event(src, eco) for _ in range(src.below(6))]
        if rare(src, HUGE_ONE_IN):
            seeds = VERSION_SEEDS[eco]
            events += [{src.choice(["introduced", "fixed"]): src.choice(seeds)} for _ in range(20_000)]
        obj["events"] = tuple(events) if rare(src, 8) else events if not rare(src, 24) else json_junk(src)
    if rare(src, 8):
        obj["repo"] = "https://example.org/x"
    return hostile(src, obj)


def osv_affected(src, eco):
    if rare(src, 24):
        return json_junk(src)
    name = eco_name(src) if rare(src, 4) else eco
    obj = {}
    if not rare(src, 24):
        package = {"ecosystem": name, "name": "x"} if not rare(src, 24) else json_junk(src)
        obj["package"] = hostile(src, package) if isinstance(package, dict) else package
    if rare(src, 4) or not rare(src, 2):
        obj["ranges"] = [osv_range(src, eco) for _ in range(src.below(3))]
    if rare(src, 2):
        obj["versions"] = [version_text(src, eco) if not rare(src, 24) else json_junk(src)
                           for _ in range(src.below(5))]
    return hostile(src, obj)


# ---------------------------------------------------------------------------
# Calling: only the documented failures
# ---------------------------------------------------------------------------

FAILED = object()


def call(allowed, fn, *args, **kwargs):
    """fn(*args, **kwargs), or FAILED when it raised one of `allowed`."""
    try:
        return fn(*args, **kwargs)
    except FuzzFailure:
        raise
    except allowed:
        return FAILED
    except BaseException as e:  # noqa: BLE001 - every other exception is a fault
        fail(f"{getattr(fn, '__name__', fn)}{short(args)} {short(kwargs)} raised {type(e).__name__}: {short(str(e))}")


def canonical(name):
    """The purl type a name stands for, or None when native rejects it."""
    if not isinstance(name, str):
        return None
    try:
        native.is_valid("1", name)
    except UnicodeEncodeError:
        return None
    except ValueError as e:
        if not str(e).startswith(f"unsupported ecosystem '{name}'; expected one of: npm, pypi, "):
            fail(f"unknown name {short(name)} gave {short(str(e))}")
        return None
    return VersionRange.from_osv({"type": "ECOSYSTEM", "events": [{"introduced": "0"}]}, name).ecosystem


def text_of(obj):
    return obj.raw if type(obj) is tambry.Version else obj if isinstance(obj, str) else None


def validity(obj, eco):
    """True or False for a str or Version operand, None for anything else."""
    text = text_of(obj)
    return None if text is None else native.is_valid(text, eco)


def expect_invalid(fn, args, text, index=None):
    try:
        result = fn(*args)
    except InvalidVersion as e:
        if e.version != text or e.ecosystem not in ECOSYSTEMS or e.index != index:
            fail(f"{fn.__name__}{short(args)}: InvalidVersion names {short(e.version)}, {e.ecosystem}, {e.index}")
        return
    except BaseException as e:  # noqa: BLE001
        fail(f"{fn.__name__}{short(args)} raised {type(e).__name__}: {short(str(e))}, expected InvalidVersion")
    fail(f"{fn.__name__}{short(args)} returned {short(result)} for a text is_valid rejects")


def expect_type_error(fn, *args):
    try:
        fn(*args)
    except TypeError:
        return
    except BaseException as e:  # noqa: BLE001
        fail(f"{fn.__name__}{short(args)} raised {type(e).__name__}, expected TypeError")
    fail(f"{fn.__name__}{short(args)} accepted a non-version")


# ---------------------------------------------------------------------------
# tambry.native
# ---------------------------------------------------------------------------


def key_sign(a, b, eco):
    ka, kb = native.key(a, eco), native.key(b, eco)
    return (ka > kb) - (ka < kb)


def op_native_pair(src):
    eco_text = src.choice(ECOSYSTEMS)
    name = eco_name(src) if rare(src, 6) else eco_text
    eco = canonical(name)
    a, b = operand(src, eco or eco_text), operand(src, eco or eco_text)
    if eco is None:
        for fn, args in ((native.compare, (a, b, name)), (native.is_valid, (a, name)), (native.key, (a, name))):
            if call((ValueError, TypeError), fn, *args) is not FAILED:
                fail(f"{fn.__name__} took the ecosystem {short(name)}")
        return
    va, vb = validity(a, eco), validity(b, eco)
    for obj, ok in ((a, va), (b, vb)):
        if ok is None:
            expect_type_error(native.key, obj, name)
            expect_type_error(native.is_valid, obj, name)
        elif not ok:
            expect_invalid(native.key, (obj, name), text_of(obj))
            expect_invalid(native.is_prerelease, (obj, name), text_of(obj))
        elif type(native.is_prerelease(obj, name)) is not bool:
            fail(f"is_prerelease({short(obj)}) is not a bool")
    if va is None or vb is None:  # both are read before either is judged
        expect_type_error(native.compare, a, b, name)
        return
    if not va or not vb:
        expect_invalid(native.compare, (a, b, name), text_of(a) if not va else text_of(b))
        return
    forward, backward = native.compare(a, b, name), native.compare(b, a, eco)
    if forward not in (-1, 0, 1) or backward != -forward or native.compare(a, a, eco) != 0:
        fail(f"compare({short(a)}, {short(b)}, {eco}) = {forward}, swapped {backward}")
    if native.compare(text_of(a), text_of(b), eco) != forward:
        fail(f"a Version object compares otherwise than its text: {short(a)}, {short(b)}")
    # Maven's own order has cycles; its keys side with it on every pair off them.
    if eco != "maven" and key_sign(a, b, eco) != forward:
        fail(f"keys of {short(a)}, {short(b)} order as {key_sign(a, b, eco)}, compare says {forward} ({eco})")


def op_native_collection(src):
    eco = src.choice(ECOSYSTEMS)
    name = eco if rare(src, 6) else src.choice(OSV_NAMES + [eco]) if rare(src, 8) else eco
    if canonical(name) != eco:
        name = eco
    items = [operand(src, eco, 24) for _ in range(src.below(7))]
    if rare(src, 3) and items:
        items += [items[src.below(len(items))]]  # the same object twice: a tie of one object
    fn_name = src.choice(["sort_versions", "max_version", "min_version", "keys", "keys_null"])
    fn = getattr(native, fn_name.replace("_null", ""))
    args = (iter(items) if rare(src, 4) else tuple(items) if rare(src, 3) else items, name)
    if fn_name == "keys_null":
        args += ("null",)
    verdicts = [validity(x, eco) for x in items]
    first_bad = next((i for i, ok in enumerate(verdicts) if ok is None or (not ok and fn_name != "keys_null")), None)
    if first_bad is not None:
        if verdicts[first_bad] is None:
            expect_type_error(fn, *args)
        else:
            expect_invalid(fn, args, text_of(items[first_bad]), first_bad)
        return
    result = call(ValueError, fn, *args)
    if result is FAILED:
        if items or fn_name not in ("max_version", "min_version"):
            fail(f"{fn_name}({short(items)}) failed")
        return
    if fn_name.startswith("keys"):
        want = [native.key(x, eco) if ok else None for x, ok in zip(items, verdicts)]
        if result != want:
            fail(f"{fn_name}({short(items)}) = {short(result)}, expected {short(want)}")
        return
    if fn_name == "sort_versions":
        if type(result) is not list or sorted(map(id, result)) != sorted(map(id, items)):
            fail(f"sort_versions({short(items)}) = {short(result)}: not a permutation")
    elif not any(result is x for x in items):
        fail(f"{fn_name}({short(items)}) = {short(result)}: not one of the elements")
    if eco == "maven":
        return  # no order agrees with every pair of a cycle
    stable = sorted(items, key=functools.cmp_to_key(lambda x, y: native.compare(x, y, eco)))
    want = {"sort_versions": stable, "max_version": stable[-1:], "min_version": stable[:1]}[fn_name]
    got = result if fn_name == "sort_versions" else [result]
    if any(g is not w for g, w in zip(got, want)):
        fail(f"{fn_name}({short(items)}, {eco}) = {short(result)}, expected {short(want)}")


# ---------------------------------------------------------------------------
# tambry.ranges
# ---------------------------------------------------------------------------

RANGE_FAILURES = (ValueError, TypeError, Boom)


def make_range(src, eco, used):
    """A range from one of the constructors, or None; the version texts it used go to `used`."""
    kind = src.below(8)
    if kind < 3:
        name = eco_name(src) if rare(src, 8) else src.choice([eco, eco, *OSV_NAMES]) if rare(src, 4) else eco
        text = range_text(src, canonical(name) or eco)
        kwargs = {} if rare(src, 2) else {"prereleases": src.choice([None, True, False, True, 1, "yes"])}
        r = call(RANGE_FAILURES + (NotImplementedError,), VersionRange.from_native, text, name, **kwargs)
        if r is FAILED:
            check_range_error(VersionRange.from_native, (text, name), kwargs, eco)
    elif kind < 5:
        r = call(RANGE_FAILURES, VersionRange.from_vers, vers_text(src, eco))
    elif kind < 7:
        name = eco_name(src) if rare(src, 8) else eco
        r = call(RANGE_FAILURES, VersionRange.from_osv, osv_range(src, canonical(name) or eco), name)
    else:
        r = call(RANGE_FAILURES, VersionRange.from_affected, osv_affected(src, eco))
    if r is FAILED:
        return None
    if type(r) is not VersionRange or r.ecosystem not in ECOSYSTEMS:
        fail(f"a constructor gave {short(r)}")
    for lower, _, upper, _ in intervals_of(r, True) + intervals_of(r, False):
        used.extend(t for t in (lower, upper) if t is not None and not t.startswith("*"))
    return r


def check_range_error(fn, args, kwargs, eco):
    """A malformed native range names its ecosystem, quotes itself and says where."""
    text, name = args
    try:
        fn(*args, **kwargs)
    except (InvalidVersion, NotImplementedError, TypeError, UnicodeEncodeError, Boom):
        return
    except ValueError as e:
        purl = canonical(name)
        message = str(e)
        if purl is None:
            return
        if not message.startswith(f"invalid {purl} range '") or " at position " not in message:
            fail(f"from_native({short(text)}, {name}) message {short(message)}")


def split(r):
    return "?prereleases=" in str(r)


def intervals_of(r, prereleases):
    """r's intervals for pre-releases or for releases (the same ones unless r sets them apart)."""
    return r.intervals(prereleases=prereleases) if split(r) else r.intervals()


def in_intervals(intervals, point, order):
    for lower, lower_inclusive, upper, upper_inclusive in intervals:
        if lower is not None and not (order(point, lower) > 0 or (lower_inclusive and order(point, lower) == 0)):
            continue
        if upper is not None and not (order(point, upper) < 0 or (upper_inclusive and order(point, upper) == 0)):
            continue
        return True
    return False


def bytes_order(a, b):
    return (a > b) - (a < b)


def readable_bound(bound):
    """False for a bound given by its key ("*" and hex), which names no version."""
    return bound is None or not bound.startswith("*")


def check_range(r, probes):
    eco = r.ecosystem
    text = str(r)
    if text != r.to_vers() or not text.startswith(f"vers:{eco}/"):
        fail(f"{short(text)} is not the vers of a {eco} range")
    back = VersionRange.from_vers(text)
    if back != r or hash(back) != hash(r) or str(back) != text:
        fail(f"{short(text)} reads back as {short(str(back))}")
    none, everything = VersionRange.from_vers(f"vers:{eco}/none"), VersionRange.from_vers(f"vers:{eco}/*")
    if (r & ~r) != none or (r | ~r) != everything or ~~r != r or not none.issubset(r) or not r.issubset(everything):
        fail(f"{short(text)}: the complement does not complete it")
    whole = None if split(r) else r.key_intervals()
    for p in probes:
        inside = r.contains(p)
        if type(inside) is not bool or (p in r) != inside or back.contains(p) != inside or (p in ~r) == inside:
            fail(f"{short(text)}: membership of {short(p)} disagrees between its forms")
        pre = native.is_prerelease(p, eco)
        key_intervals = whole if whole is not None else r.key_intervals(prereleases=pre)
        if in_intervals(key_intervals, native.key(p, eco), bytes_order) != inside:
            fail(f"{short(text)}: key intervals say {short(p)} is {'out' if inside else 'in'}")
        if eco != "maven":
            intervals = r.intervals() if whole is not None else r.intervals(prereleases=pre)
            if all(readable_bound(b) for i in intervals for b in (i[0], i[2])):
                if in_intervals(intervals, p, lambda a, b: native.compare(a, b, eco)) != inside:
                    fail(f"{short(text)}: intervals say {short(p)} is {'out' if inside else 'in'}")
    check_filters(r, probes)


def check_filters(r, probes):
    eco = r.ecosystem
    inside = [p for p in probes if r.contains(p)]
    got = r.filter(probes)
    if len(got) != len(inside) or any(g is not w for g, w in zip(got, inside)):
        fail(f"{short(str(r))}.filter({short(probes)}) = {short(got)}")
    high, low = r.max_satisfying(iter(probes)), r.min_satisfying(probes)
    if not inside:
        if high is not None or low is not None:
            fail(f"{short(str(r))}: satisfying picks {short(high)}, {short(low)} from nothing")
        return
    stable = sorted(inside, key=functools.cmp_to_key(lambda x, y: native.compare(x, y, eco)))
    if eco != "maven" and (high is not stable[-1] or low is not stable[0]):
        fail(f"{short(str(r))}: max/min_satisfying {short(high)}, {short(low)} among {short(inside)}")
    if not any(high is x for x in inside) or not any(low is x for x in inside):
        fail(f"{short(str(r))}: max/min_satisfying gave an element outside")


def check_pair(r, s, probes):
    if r.ecosystem != s.ecosystem:
        message = f"cannot combine a {r.ecosystem} range with a {s.ecosystem} range"
        for fn in (lambda: r & s, lambda: r | s, lambda: r.issubset(s), lambda: s.isdisjoint(r)):
            try:
                fn()
            except TypeError as e:
                if str(e) not in (message, f"cannot combine a {s.ecosystem} range with a {r.ecosystem} range"):
                    fail(f"mixing ranges: {e}")
                continue
            fail(f"{short(str(r))} and {short(str(s))} mixed")
        if r == s:
            fail("ranges of two ecosystems are equal")
        return
    both, either = r & s, r | s
    subset, disjoint = r.issubset(s), r.isdisjoint(s)
    none = VersionRange.from_vers(f"vers:{r.ecosystem}/none")
    if not subset == (both == r) == (either == s) or disjoint != (both == none) or disjoint != s.isdisjoint(r):
        fail(f"{short(str(r))}, {short(str(s))}: issubset/isdisjoint disagree with the algebra")
    for p in probes:
        a, b = r.contains(p), s.contains(p)
        if both.contains(p) != (a and b) or either.contains(p) != (a or b):
            fail(f"{short(str(r))}, {short(str(s))}: membership of {short(p)} in & or |")
        if (subset and a and not b) or (disjoint and a and b):
            fail(f"{short(str(r))}, {short(str(s))}: {short(p)} breaks issubset/isdisjoint")


def probes_for(src, eco, used):
    texts = [t for t in used if native.is_valid(t, eco)]
    texts += [src.choice(VERSION_SEEDS[eco]) for _ in range(4)]
    texts += [version_text(src, eco) for _ in range(2)]
    return [t for t in texts if len(t) < 10_000 and native.is_valid(t, eco)][:24]


def op_ranges(src):
    ranges, used = [], []
    eco = src.choice(ECOSYSTEMS)
    for _ in range(1 + src.below(3)):
        r = make_range(src, eco if not rare(src, 8) else src.choice(ECOSYSTEMS), used)
        if r is not None:
            ranges.append(r)
    for i, r in enumerate(ranges):
        probes = probes_for(src, r.ecosystem, used)
        check_range(r, probes)
        for s in ranges[i + 1:]:
            check_pair(r, s, probes)
        if rare(src, 4):
            check_membership_failures(src, r)


def check_membership_failures(src, r):
    eco = r.ecosystem
    p = operand(src, eco, 4)
    ok = validity(p, eco)
    if ok is None:
        expect_type_error(r.contains, p)
        expect_type_error(r.filter, [p])
    elif not ok:
        expect_invalid(r.contains, (p,), text_of(p))
        expect_invalid(r.filter, (["1", p] if native.is_valid("1", eco) else [p],), text_of(p),
                       1 if native.is_valid("1", eco) else 0)
    if rare(src, 4):
        call((TypeError, ValueError), r.intervals, src.choice([1, "yes", None]))
        call((TypeError,), lambda: r & src.choice([None, 1, "vers:npm/*"]))


# ---------------------------------------------------------------------------
# The entry point
# ---------------------------------------------------------------------------

OPERATIONS = [op_native_pair] * 3 + [op_native_collection] * 2 + [op_ranges] * 4


def check_one(data):
    src = Source(data)
    for _ in range(1 + src.below(3)):
        src.choice(OPERATIONS)(src)
        if src.exhausted():
            break


def run_many(count, seed, corpus_paths, artifact_dir="."):
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
        if done % 20_000 == 0 or done == count:
            elapsed = time.monotonic() - start
            print(f"{done} inputs in {elapsed:.0f} s ({done / elapsed:.0f}/s)", flush=True)


def main():
    if sys.argv[1:2] == ["--replay"]:
        inputs = corpus_inputs(sys.argv[2:])
        for data in inputs:
            check_one(data)
        print(f"replayed {len(inputs)} inputs")
        return
    if sys.argv[1:2] == ["--many"]:
        run_many(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:])
        return
    import atheris

    atheris.instrument_func(check_one)
    atheris.Setup(sys.argv, check_one)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
