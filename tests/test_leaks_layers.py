"""tambry.native and tambry.ranges leave memory flat, on success and on each kind of failure.

As in test_leaks_all.py: each entry gets one loop of calls cycling through its
successes and every failure it can report (InvalidVersion, an unknown ecosystem,
a wrong type, an empty sequence, a malformed range, ranges of two ecosystems, a
sequence or OSV object that fails while it is read), and neither Python's memory,
the C heap, the resident set nor the reference counts of the arguments may grow.
"""

import pickle

import pytest

from helpers import Fails, assert_memory_flat, fresh
from tambry import Version, native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange


def assert_flat(cases, objects):
    assert_memory_flat(lambda i: cases[i % len(cases)](), objects)


class Seq:
    """A sequence read through __getitem__ that fails at index `fail_at`."""

    def __init__(self, items, fail_at=None, error=None):
        self.items, self.fail_at, self.error = items, fail_at, error

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        if i == self.fail_at:
            raise self.error("reading failed")
        return self.items[i]


class Boom(Exception):
    pass


class RaisingKey:
    """A dict key that a lookup of "events" compares with, and that then raises."""

    def __hash__(self):
        return hash("events")

    def __eq__(self, other):
        raise Boom("compared")


def whatever(call):
    """A call whose outcome may change as range syntaxes are written: any documented one."""
    def run():
        try:
            call()
        except (ValueError, NotImplementedError):
            pass
    return run


A, B, PRE = fresh("1.0.0"), fresh("2.0.0"), fresh("2.0.0-rc.1")
LONG = fresh("1.0.0-" + "alpha." * 40 + "1")  # past every inline buffer, within npm's 256 characters
BAD, SURROGATE, HUGE_NUMBER = fresh("1.x"), fresh("1.\ud800"), fresh("9" * 40 + ".0.0")
NPM, PYPI, DEB, MAVEN, OSV_DEB, BOGUS = map(fresh, ("npm", "PyPI", "deb", "maven", "Debian:12", "bogus"))
V = Version(fresh("1.5.0"))
NUMBER, OPAQUE = 10**30, object()
ITEMS = [A, B, PRE, V, LONG]
PEP440_ITEMS = [A, PRE, V, fresh("1!2.0.post3.dev4+local." + "x" * 300)]
EQUAL_ITEMS = [fresh("1.0.0+a"), A, fresh("1.0.0+b")]
WITH_BAD = [A, BAD, B]
WITH_NUMBER = [A, NUMBER]
FAIL_TYPE = Seq(ITEMS, 2, TypeError)
FAIL_VALUE = Seq(ITEMS, 0, ValueError)
NULL, SKIP = fresh("null"), fresh("skip")

DEB_TEXT, MAVEN_TEXT = fresh(">= 1.0, << 2.0 | = 3.0"), fresh("[1.0,2.0),(3.0,)")
VERS = fresh("vers:npm/>=1.0.0|<2.0.0")
SPLIT_VERS = fresh("vers:npm/>=1.0.0|<2.0.0?prereleases=none")
BAD_RANGE, BAD_VERS, BAD_ESCAPE = fresh(">= 1.0 <<<"), fresh("vers:npm/>=1.0.0|>=2.0.0"), fresh("vers:npm/1%zz")
BAD_VERS_VERSION = fresh("vers:npm/>=1.x")
OSV = {"type": fresh("ECOSYSTEM"), "events": [{"introduced": fresh("0")}, {"fixed": B}, {"introduced": fresh("3.0")}]}
OSV_SEMVER = {"type": fresh("SEMVER"), "events": [{"introduced": A}, {"last_affected": B}, {"limit": fresh("9.0.0")}]}
OSV_GIT = {"type": fresh("GIT"), "events": [{"introduced": fresh("abc")}]}
OSV_NO_EVENTS = {"type": fresh("ECOSYSTEM")}
OSV_BAD_EVENT = {"type": fresh("ECOSYSTEM"), "events": [{"introduced": A, "fixed": B}]}
OSV_BAD_VERSION = {"type": fresh("ECOSYSTEM"), "events": [{"introduced": BAD}]}
OSV_EVENT_NUMBER = {"type": fresh("ECOSYSTEM"), "events": [{"fixed": NUMBER}]}
OSV_RAISING = {"type": fresh("ECOSYSTEM"), RaisingKey(): 1}
AFFECTED = {"package": {"ecosystem": fresh("npm"), "name": fresh("x")}, "ranges": [OSV_SEMVER],
            "versions": [fresh("5.0.0"), BAD]}
AFFECTED_BAD_ECO = {"package": {"ecosystem": BOGUS}, "ranges": [OSV]}
AFFECTED_NO_PACKAGE = {"ranges": [OSV]}
AFFECTED_BAD_RANGE = {"package": {"ecosystem": fresh("npm")}, "ranges": [OSV_BAD_EVENT]}

R = VersionRange.from_vers(VERS)
S = VersionRange.from_native(DEB_TEXT, DEB)
SPLIT = VersionRange.from_vers(SPLIT_VERS)
OTHER_NPM = VersionRange.from_osv(OSV_SEMVER, NPM)

OBJECTS = [A, B, PRE, LONG, BAD, SURROGATE, HUGE_NUMBER, NPM, PYPI, DEB, MAVEN, OSV_DEB, BOGUS, V, NUMBER, OPAQUE,
           ITEMS, PEP440_ITEMS, EQUAL_ITEMS, WITH_BAD, WITH_NUMBER, FAIL_TYPE, FAIL_VALUE, NULL, SKIP, DEB_TEXT,
           MAVEN_TEXT, VERS, SPLIT_VERS, BAD_RANGE, BAD_VERS, BAD_ESCAPE, BAD_VERS_VERSION, OSV, OSV_SEMVER,
           OSV_GIT, OSV_NO_EVENTS, OSV_BAD_EVENT, OSV_BAD_VERSION, OSV_EVENT_NUMBER, OSV_RAISING, AFFECTED,
           AFFECTED_BAD_ECO, AFFECTED_NO_PACKAGE, AFFECTED_BAD_RANGE, R, S, SPLIT, OTHER_NPM, *ITEMS]

CASES = {
    "compare": [
        lambda: native.compare(A, B, NPM),
        lambda: native.compare(V, PEP440_ITEMS[-1], PYPI),
        lambda: native.compare(HUGE_NUMBER, A, OSV_DEB),
        lambda: native.compare(a=PRE, b=A, ecosystem=MAVEN),
        Fails(InvalidVersion, lambda: native.compare(A, BAD, NPM)),
        Fails(InvalidVersion, lambda: native.compare(SURROGATE, A, NPM)),
        Fails(ValueError, lambda: native.compare(A, B, BOGUS)),
        Fails(TypeError, lambda: native.compare(A, NUMBER, NPM)),
        Fails(TypeError, lambda: native.compare(A, B, NUMBER)),
        Fails(TypeError, lambda: native.compare(A, B)),
    ],
    "is_valid": [
        lambda: native.is_valid(A, NPM),
        lambda: native.is_valid(BAD, NPM),
        lambda: native.is_valid(SURROGATE, DEB),
        lambda: native.is_valid(V, PYPI),
        Fails(ValueError, lambda: native.is_valid(A, BOGUS)),
        Fails(TypeError, lambda: native.is_valid(OPAQUE, NPM)),
    ],
    "is_prerelease": [
        lambda: native.is_prerelease(PRE, NPM),
        lambda: native.is_prerelease(LONG, MAVEN),
        Fails(InvalidVersion, lambda: native.is_prerelease(BAD, NPM)),
        Fails(ValueError, lambda: native.is_prerelease(A, BOGUS)),
        Fails(TypeError, lambda: native.is_prerelease(NUMBER, NPM)),
    ],
    "key": [
        lambda: native.key(A, NPM),
        lambda: native.key(LONG, MAVEN),
        lambda: native.key(HUGE_NUMBER, DEB),
        Fails(InvalidVersion, lambda: native.key(BAD, NPM)),
        Fails(ValueError, lambda: native.key(A, BOGUS)),
        Fails(TypeError, lambda: native.key(None, NPM)),
    ],
    "keys": [
        lambda: native.keys(ITEMS, NPM),
        lambda: native.keys(iter(WITH_BAD), NPM, NULL),
        lambda: native.keys(Seq(ITEMS), MAVEN, invalid="raise"),
        lambda: native.keys([], NPM),
        Fails(InvalidVersion, lambda: native.keys(WITH_BAD, NPM)),
        Fails(ValueError, lambda: native.keys(ITEMS, NPM, SKIP)),
        Fails(ValueError, lambda: native.keys(ITEMS, BOGUS)),
        Fails(ValueError, lambda: native.keys(FAIL_VALUE, NPM)),
        Fails(TypeError, lambda: native.keys(FAIL_TYPE, NPM)),
        Fails(TypeError, lambda: native.keys(WITH_NUMBER, NPM, NULL)),
        Fails(TypeError, lambda: native.keys(A, NPM)),
    ],
    "key_array": [
        lambda: native.key_array(ITEMS, NPM),
        lambda: native.key_array(iter(WITH_BAD), NPM, NULL),
        lambda: native.key_array(Seq(PEP440_ITEMS), PYPI),
        lambda: native.key_array([], NPM),
        Fails(InvalidVersion, lambda: native.key_array(WITH_BAD, NPM)),
        Fails(ValueError, lambda: native.key_array(ITEMS, NPM, SKIP)),
        Fails(ValueError, lambda: native.key_array(ITEMS, BOGUS)),
        Fails(ValueError, lambda: native.key_array(FAIL_VALUE, NPM)),
        Fails(TypeError, lambda: native.key_array(FAIL_TYPE, NPM)),
        Fails(TypeError, lambda: native.key_array(WITH_NUMBER, NPM, NULL)),
    ],
}

KEYS = native.key_array(WITH_BAD, NPM, NULL)
# Capsules dropped unconsumed must release what they hold, as must a consumer's.
CASES["KeyArray"] = [
    lambda: KEYS.__arrow_c_array__(),
    lambda: KEYS.__arrow_c_stream__(),
    lambda: KEYS.to_pylist(),
    lambda: (KEYS[0], KEYS[-2], len(KEYS), KEYS.ecosystem, KEYS.null_count, KEYS.nbytes),
    Fails(IndexError, lambda: KEYS[3]),
    Fails(TypeError, lambda: KEYS[NULL]),
]

for _fn in (native.sort_versions, native.max_version, native.min_version):
    CASES[_fn.__name__] = [
        lambda fn=_fn: fn(ITEMS, NPM),
        lambda fn=_fn: fn(iter(EQUAL_ITEMS), NPM),
        lambda fn=_fn: fn(Seq(PEP440_ITEMS), PYPI),
        lambda fn=_fn: fn(tuple(ITEMS), MAVEN),
        Fails(InvalidVersion, lambda fn=_fn: fn(WITH_BAD, NPM)),
        Fails(ValueError, lambda fn=_fn: fn(ITEMS, BOGUS)),
        Fails(ValueError, lambda fn=_fn: fn(FAIL_VALUE, NPM)),
        Fails(TypeError, lambda fn=_fn: fn(FAIL_TYPE, NPM)),
        Fails(TypeError, lambda fn=_fn: fn(WITH_NUMBER, NPM)),
        Fails(TypeError, lambda fn=_fn: fn(NUMBER, NPM)),
    ]
    if _fn is native.sort_versions:
        CASES[_fn.__name__].append(lambda: native.sort_versions([], NPM))
    else:
        CASES[_fn.__name__].append(Fails(ValueError, lambda fn=_fn: fn([], NPM)))

CASES["VersionRange constructors"] = [
    lambda: VersionRange.from_native(DEB_TEXT, DEB),
    lambda: VersionRange.from_native(MAVEN_TEXT, MAVEN, prereleases=True),
    lambda: VersionRange.from_vers(VERS),
    lambda: VersionRange.from_vers(SPLIT_VERS),
    lambda: VersionRange.from_osv(OSV, OSV_DEB),
    lambda: VersionRange.from_osv(OSV_SEMVER, NPM),
    lambda: VersionRange.from_affected(AFFECTED),
    *(whatever(lambda eco=eco: VersionRange.from_native(fresh(">=1.0.0 <2.0.0"), eco)) for eco in native.ECOSYSTEMS),
    Fails(ValueError, lambda: VersionRange.from_native(BAD_RANGE, DEB)),
    Fails(InvalidVersion, lambda: VersionRange.from_native(fresh(">= 1.0 << 1.é"), fresh("apk"))),
    Fails(ValueError, lambda: VersionRange.from_native(DEB_TEXT, BOGUS)),
    Fails(TypeError, lambda: VersionRange.from_native(NUMBER, DEB)),
    Fails(TypeError, lambda: VersionRange.from_native(DEB_TEXT, DEB, prereleases=NUMBER)),
    Fails(ValueError, lambda: VersionRange.from_vers(BAD_VERS)),
    Fails(ValueError, lambda: VersionRange.from_vers(BAD_ESCAPE)),
    Fails(InvalidVersion, lambda: VersionRange.from_vers(BAD_VERS_VERSION)),
    Fails(ValueError, lambda: VersionRange.from_vers(SURROGATE)),
    Fails(ValueError, lambda: VersionRange.from_vers(fresh("vers:npm/1.\ud800"))),
    Fails(ValueError, lambda: VersionRange.from_osv(OSV_GIT, NPM)),
    Fails(ValueError, lambda: VersionRange.from_osv(OSV_NO_EVENTS, NPM)),
    Fails(ValueError, lambda: VersionRange.from_osv(OSV_BAD_EVENT, NPM)),
    Fails(InvalidVersion, lambda: VersionRange.from_osv(OSV_BAD_VERSION, NPM)),
    Fails(ValueError, lambda: VersionRange.from_osv(OSV_EVENT_NUMBER, NPM)),
    Fails(Boom, lambda: VersionRange.from_osv(OSV_RAISING, NPM)),
    Fails(ValueError, lambda: VersionRange.from_osv(OSV, BOGUS)),
    Fails(TypeError, lambda: VersionRange.from_osv(ITEMS, NPM)),
    Fails(ValueError, lambda: VersionRange.from_affected(AFFECTED_BAD_ECO)),
    Fails(ValueError, lambda: VersionRange.from_affected(AFFECTED_NO_PACKAGE)),
    Fails(ValueError, lambda: VersionRange.from_affected(AFFECTED_BAD_RANGE)),
    Fails(TypeError, lambda: VersionRange.from_affected(ITEMS)),
    Fails(TypeError, lambda: VersionRange.from_vers()),
]
CASES["VersionRange membership"] = [
    lambda: R.contains(A),
    lambda: V in R,
    lambda: SPLIT.contains(PRE),
    lambda: R.filter(ITEMS),
    lambda: S.filter(iter([fresh("1.5"), fresh("3.0")])),
    lambda: R.max_satisfying(Seq(ITEMS)),
    lambda: R.min_satisfying(EQUAL_ITEMS),
    lambda: R.max_satisfying([]),
    Fails(InvalidVersion, lambda: R.contains(BAD)),
    Fails(InvalidVersion, lambda: R.filter(WITH_BAD)),
    Fails(InvalidVersion, lambda: R.min_satisfying(WITH_BAD)),
    Fails(TypeError, lambda: NUMBER in R),
    Fails(TypeError, lambda: R.filter(WITH_NUMBER)),
    Fails(TypeError, lambda: R.max_satisfying(FAIL_TYPE)),
    Fails(ValueError, lambda: R.filter(FAIL_VALUE)),
    Fails(TypeError, lambda: R.filter(A)),
]
CASES["VersionRange algebra"] = [
    lambda: R & OTHER_NPM,
    lambda: R | OTHER_NPM,
    lambda: ~SPLIT,
    lambda: R.issubset(OTHER_NPM),
    lambda: SPLIT.isdisjoint(R),
    lambda: R == OTHER_NPM,
    lambda: R != S,
    Fails(TypeError, lambda: R & S),
    Fails(TypeError, lambda: R | S),
    Fails(TypeError, lambda: R.issubset(S)),
    Fails(TypeError, lambda: S.isdisjoint(R)),
    Fails(TypeError, lambda: R.issubset(VERS)),
    Fails(TypeError, lambda: R & NUMBER),
]
CASES["VersionRange views"] = [
    lambda: (str(R), R.to_vers(), repr(SPLIT), hash(S), R.ecosystem),
    lambda: R.intervals(),
    lambda: SPLIT.intervals(prereleases=True),
    lambda: S.key_intervals(False),
    lambda: pickle.loads(pickle.dumps(SPLIT)),
    lambda: R.__reduce__(),
    Fails(ValueError, lambda: SPLIT.intervals()),
    Fails(ValueError, lambda: SPLIT.key_intervals(None)),
    Fails(TypeError, lambda: R.intervals(NUMBER)),
    Fails(AttributeError, lambda: setattr(R, "ecosystem", NPM)),
]


@pytest.mark.parametrize("entry", list(CASES))
def test_memory_and_counts_stay_flat(entry):
    assert_flat(CASES[entry], OBJECTS)


def test_every_entry_is_covered():
    names = set(native.__all__) - {"InvalidVersion", "ECOSYSTEMS"}
    assert names <= set(CASES)
    methods = {name for name in dir(VersionRange) if not name.startswith("_")}
    assert methods == {"contains", "ecosystem", "filter", "from_affected", "from_native", "from_osv", "from_vers",
                       "intervals", "isdisjoint", "issubset", "key_intervals", "max_satisfying", "min_satisfying",
                       "to_vers"}
