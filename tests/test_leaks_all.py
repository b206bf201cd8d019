"""Every function and method, on success and on each kind of failure, leaves memory flat.

Each entry of the module gets one loop of CALLS calls that cycles through its
successful calls and every kind of failure it can report. Three measures must not
grow: the memory that tracemalloc sees (Python objects), the bytes in use on the C
heap (mallinfo2: the C++ side's strings and vectors, which tracemalloc does not
see), and the resident set. The reference counts of every argument object must be
the same before and after.
"""

import pickle

import pytest

import tambry
from helpers import Fails, assert_memory_flat, fresh
from tambry import Version


def assert_flat(cases, objects):
    """Runs the harness's calls cycling through `cases`."""
    assert_memory_flat(lambda i: cases[i % len(cases)](), objects)


# Errors are raised as new objects each time: raising one object again would
# lengthen its traceback, a growth of the test's own making.


class Index:
    def __init__(self, result):
        self.result = result

    def __index__(self):
        if isinstance(self.result, type):
            raise self.result("no")
        return self.result


class Seq:
    """A sequence read through __getitem__, failing at index `fail_at` with `error`."""

    def __init__(self, items, fail_at=None, error=None):
        self.items, self.fail_at, self.error = items, fail_at, error

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        if i == self.fail_at:
            raise self.error("reading failed")
        return self.items[i]


# Argument objects shared by the tables below; every one is checked for its count.
A, B, C = fresh("1.0.0"), fresh("1.0"), fresh("2.0.0-rc.1")
LONG = fresh("1." * 300 + "0-rc.1+build")  # past every inline buffer
HUGE_NUMBER = fresh("9" * 40 + ".1")
SURROGATE = fresh("1.\ud800")
NOT_SEMVER = fresh("1.0")
GENERIC, AUTO, NPM, DEBIAN, RPM, MAVEN, PEP440 = map(fresh, ("generic", "auto", "NPM", "deb", "rpm", "mvn", "pep440"))
BOGUS = fresh("bogus ecosystem")
V = Version(fresh("1:2.0rc1.post3+local.7"), "pep440")
W = Version(fresh("1.0.0-beta.2"), "npm")
U = Version(LONG)
E = Version(fresh(""))
NUMBER = 10**30  # a private int object
OPAQUE = object()
ITEMS = [A, V, B, W, C, U]
TUPLE = tuple(ITEMS)
SEQ = Seq(ITEMS)
PAIRS = [(A, V), (W, C), (B, U), (V, V)]
BAD_TYPE_ITEMS = [A, V, NUMBER, B]
REJECTED_ITEMS = [A, W, NOT_SEMVER]
NON_TUPLE_PAIRS = [(A, B), [A, B]]
LONG_PAIR = [(A, B), (A, B, C)]
FAIL_TYPE = Seq(ITEMS, 2, TypeError)
FAIL_VALUE = Seq(ITEMS, 0, ValueError)
IDX_BIG, IDX_TYPE, IDX_VALUE, IDX_OK = Index(2**70), Index(TypeError), Index(ValueError), Index(1)

OBJECTS = [A, B, C, LONG, HUGE_NUMBER, SURROGATE, NOT_SEMVER, GENERIC, AUTO, NPM, DEBIAN, RPM, MAVEN, PEP440,
           BOGUS, V, W, U, E, NUMBER, OPAQUE, ITEMS, TUPLE, SEQ, PAIRS, BAD_TYPE_ITEMS, REJECTED_ITEMS,
           NON_TUPLE_PAIRS, LONG_PAIR, FAIL_TYPE, FAIL_VALUE, IDX_BIG, IDX_TYPE, IDX_VALUE, IDX_OK, *PAIRS]


def relation_cases(fn):
    return [
        lambda: fn(A, B),
        lambda: fn(A, LONG, GENERIC),
        lambda: fn(C, A, NPM),
        lambda: fn(a=B, b=A, ecosystem=AUTO),
        lambda: fn(HUGE_NUMBER, A, DEBIAN),
        lambda: fn(A, C, RPM),
        Fails(TypeError, lambda: fn(V, A)),  # a Version is not a str here
        Fails(TypeError, lambda: fn(A, NUMBER)),
        Fails(TypeError, lambda: fn(A, B, None)),
        Fails(UnicodeEncodeError, lambda: fn(SURROGATE, A)),
        Fails(UnicodeEncodeError, lambda: fn(A, B, SURROGATE)),
        Fails(ValueError, lambda: fn(A, B, BOGUS)),
        Fails(ValueError, lambda: fn(NOT_SEMVER, A, NPM)),  # a rejected
        Fails(ValueError, lambda: fn(A, NOT_SEMVER, NPM)),  # b rejected
        Fails(ValueError, lambda: fn(fresh("x"), A, MAVEN)),
        Fails(TypeError, lambda: fn(A)),
        Fails(TypeError, lambda: fn(A, B, GENERIC, A)),
        Fails(TypeError, lambda: fn(A, B, eco=GENERIC)),
        Fails(TypeError, lambda: fn(A, B, a=A)),
    ]


RELATIONS = [tambry.eq, tambry.ne, tambry.gt, tambry.ge, tambry.gte, tambry.lt, tambry.le, tambry.lte]

CASES = {
    "compare": [
        lambda: tambry.compare(A, B),
        lambda: tambry.compare(V, W),
        lambda: tambry.compare(V, A, AUTO),
        lambda: tambry.compare(U, LONG, PEP440),
        lambda: tambry.compare(W, C, NPM),
        lambda: tambry.compare(b=A, a=HUGE_NUMBER, ecosystem=DEBIAN),
        lambda: tambry.compare(A, C, RPM),
        Fails(TypeError, lambda: tambry.compare(NUMBER, A)),
        Fails(TypeError, lambda: tambry.compare(A, OPAQUE)),
        Fails(TypeError, lambda: tambry.compare(NUMBER, A, AUTO)),
        Fails(TypeError, lambda: tambry.compare(SURROGATE, A)),
        Fails(TypeError, lambda: tambry.compare(A, B, NUMBER)),
        Fails(UnicodeEncodeError, lambda: tambry.compare(A, B, SURROGATE)),
        Fails(ValueError, lambda: tambry.compare(A, B, BOGUS)),
        Fails(ValueError, lambda: tambry.compare(NOT_SEMVER, A, NPM)),
        Fails(ValueError, lambda: tambry.compare(W, V, AUTO)),
        Fails(TypeError, lambda: tambry.compare()),
        Fails(TypeError, lambda: tambry.compare(A, B, GENERIC, A)),
        Fails(TypeError, lambda: tambry.compare(A, B, b=B)),
    ],
    "compare_semver_strict": [
        lambda: tambry.compare_semver_strict(A, C),
        lambda: tambry.compare_semver_strict(b=A, a=W.raw),
        Fails(ValueError, lambda: tambry.compare_semver_strict(NOT_SEMVER, A)),
        Fails(ValueError, lambda: tambry.compare_semver_strict(A, LONG)),
        Fails(ValueError, lambda: tambry.compare_semver_strict(A, fresh("1.2.3-rc.01"))),
        Fails(TypeError, lambda: tambry.compare_semver_strict(V, A)),
        Fails(TypeError, lambda: tambry.compare_semver_strict(A, None)),
        Fails(UnicodeEncodeError, lambda: tambry.compare_semver_strict(A, SURROGATE)),
        Fails(TypeError, lambda: tambry.compare_semver_strict(A, B, GENERIC)),
        Fails(TypeError, lambda: tambry.compare_semver_strict(A, c=B)),
    ],
    **{fn.__name__: relation_cases(fn) for fn in RELATIONS},
    "Version": [
        lambda: Version(A),
        lambda: Version(LONG, GENERIC),
        lambda: Version(version=C, ecosystem=NPM),
        lambda: Version(HUGE_NUMBER, AUTO),
        Fails(TypeError, lambda: Version(NUMBER)),
        Fails(TypeError, lambda: Version(A, None)),
        Fails(UnicodeEncodeError, lambda: Version(SURROGATE)),
        Fails(UnicodeEncodeError, lambda: Version(A, SURROGATE)),
        Fails(ValueError, lambda: Version(A, BOGUS)),
        Fails(TypeError, lambda: Version()),
        Fails(TypeError, lambda: Version(A, GENERIC, A)),
        Fails(TypeError, lambda: Version(A, version=B)),
        Fails(TypeError, lambda: Version(A, eco=B)),
    ],
    "version": [
        lambda: tambry.version(A),
        lambda: tambry.version(s=LONG, ecosystem=DEBIAN),
        Fails(TypeError, lambda: tambry.version(OPAQUE)),
        Fails(UnicodeEncodeError, lambda: tambry.version(SURROGATE)),
        Fails(ValueError, lambda: tambry.version(A, BOGUS)),
        Fails(TypeError, lambda: tambry.version()),
        Fails(TypeError, lambda: tambry.version(A, s=A)),
    ],
    "sort_versions": [
        lambda: tambry.sort_versions(ITEMS),
        lambda: tambry.sort_versions(TUPLE, AUTO),
        lambda: tambry.sort_versions(SEQ, PEP440),
        lambda: tambry.sort_versions([], AUTO),
        lambda: tambry.sort_versions(versions=[W, C, A], ecosystem=NPM),
        Fails(TypeError, lambda: tambry.sort_versions(A)),
        Fails(TypeError, lambda: tambry.sort_versions(NUMBER)),
        Fails(TypeError, lambda: tambry.sort_versions(FAIL_TYPE)),
        Fails(ValueError, lambda: tambry.sort_versions(FAIL_VALUE)),
        Fails(TypeError, lambda: tambry.sort_versions(ITEMS, None)),
        Fails(ValueError, lambda: tambry.sort_versions([], BOGUS)),
        Fails(TypeError, lambda: tambry.sort_versions(BAD_TYPE_ITEMS)),
        Fails(TypeError, lambda: tambry.sort_versions([NUMBER, A], AUTO)),
        Fails(ValueError, lambda: tambry.sort_versions(REJECTED_ITEMS, NPM)),
        Fails(TypeError, lambda: tambry.sort_versions()),
        Fails(TypeError, lambda: tambry.sort_versions(ITEMS, GENERIC, A)),
    ],
    "batch_compare": [
        lambda: tambry.batch_compare(PAIRS),
        lambda: tambry.batch_compare(PAIRS, AUTO),
        lambda: tambry.batch_compare(pairs=[(A, C), (W, A)], ecosystem=NPM),
        lambda: tambry.batch_compare([]),
        Fails(TypeError, lambda: tambry.batch_compare(A)),
        Fails(TypeError, lambda: tambry.batch_compare(NUMBER)),
        Fails(TypeError, lambda: tambry.batch_compare(NON_TUPLE_PAIRS)),
        Fails(ValueError, lambda: tambry.batch_compare(LONG_PAIR)),
        Fails(TypeError, lambda: tambry.batch_compare(Seq(PAIRS, 1, TypeError))),
        Fails(TypeError, lambda: tambry.batch_compare(PAIRS, NUMBER)),
        Fails(ValueError, lambda: tambry.batch_compare([], BOGUS)),
        Fails(TypeError, lambda: tambry.batch_compare([(A, B), (A, NUMBER)])),
        Fails(TypeError, lambda: tambry.batch_compare([(A, B), (OPAQUE, A)], AUTO)),
        Fails(ValueError, lambda: tambry.batch_compare([(A, C), (A, NOT_SEMVER)], NPM)),
        Fails(TypeError, lambda: tambry.batch_compare(pairs=PAIRS, versions=ITEMS)),
    ],
}

for _fn in (tambry.max_version, tambry.min_version):
    CASES[_fn.__name__] = [
        lambda fn=_fn: fn(ITEMS),
        lambda fn=_fn: fn(TUPLE, AUTO),
        lambda fn=_fn: fn(SEQ, DEBIAN),
        lambda fn=_fn: fn(versions=[W, C, A], ecosystem=NPM),
        Fails(ValueError, lambda fn=_fn: fn([])),
        Fails(ValueError, lambda fn=_fn: fn([], BOGUS)),
        Fails(TypeError, lambda fn=_fn: fn(A)),
        Fails(TypeError, lambda fn=_fn: fn(OPAQUE)),
        Fails(TypeError, lambda fn=_fn: fn(FAIL_TYPE)),
        Fails(ValueError, lambda fn=_fn: fn(FAIL_VALUE)),
        Fails(TypeError, lambda fn=_fn: fn(ITEMS, NUMBER)),
        Fails(ValueError, lambda fn=_fn: fn(ITEMS, BOGUS)),
        Fails(TypeError, lambda fn=_fn: fn(BAD_TYPE_ITEMS)),
        Fails(TypeError, lambda fn=_fn: fn([OPAQUE, A], AUTO)),
        Fails(ValueError, lambda fn=_fn: fn(REJECTED_ITEMS, NPM)),
        Fails(TypeError, lambda fn=_fn: fn()),
    ]


def _set_major():
    V.major = 1


def _delete_raw():
    del V.raw


def _set_other():
    V.anything = 1


CASES["Version.compare"] = [
    lambda: V.compare(W),
    lambda: V.compare(A, AUTO),
    lambda: U.compare(other=V, ecosystem=PEP440),
    lambda: W.compare(C, NPM),
    lambda: E.compare(B),
    lambda: U.compare(B, DEBIAN),
    Fails(TypeError, lambda: V.compare(NUMBER)),
    Fails(TypeError, lambda: V.compare(A, NUMBER)),
    Fails(UnicodeEncodeError, lambda: V.compare(A, SURROGATE)),
    Fails(ValueError, lambda: V.compare(A, BOGUS)),
    Fails(ValueError, lambda: V.compare(A, NPM)),  # its own text rejected
    Fails(ValueError, lambda: W.compare(NOT_SEMVER, NPM)),  # the other's text rejected
    Fails(ValueError, lambda: W.compare(V, AUTO)),
    Fails(TypeError, lambda: V.compare()),
    Fails(TypeError, lambda: V.compare(A, GENERIC, A)),
    Fails(TypeError, lambda: V.compare(A, other=A)),
]
CASES["Version views"] = [
    lambda: (V.raw, V.ecosystem, V.epoch, V.build, V.is_prerelease, V.is_postrelease),
    lambda: (U.count, U.major, U.minor, U.patch, len(U), bool(U), bool(E)),
    lambda: (str(V), repr(U), V.segments(), U.release(), E.segments(), E.release()),
    lambda: (V.to_dict(), U.to_dict(), E.to_dict()),
    lambda: (V.sort_key(), U.sort_key(), E.sort_key()),
    lambda: (hash(V), hash(U), hash(E)),
    lambda: (V[0], V[-1], U[IDX_OK], U[299]),
    lambda: V.__reduce__(),
    lambda: pickle.loads(pickle.dumps(W)),
    Fails(IndexError, lambda: V[10]),
    Fails(IndexError, lambda: E[0]),
    Fails(IndexError, lambda: U[-1000]),
    Fails(OverflowError, lambda: V[IDX_BIG]),
    Fails(OverflowError, lambda: V[NUMBER]),
    Fails(TypeError, lambda: V[A]),
    Fails(TypeError, lambda: V[IDX_TYPE]),
    Fails(ValueError, lambda: V[IDX_VALUE]),
    Fails(TypeError, lambda: V[0:1]),
    Fails(AttributeError, _set_major),
    Fails(AttributeError, _delete_raw),
    Fails(AttributeError, _set_other),
    Fails(TypeError, lambda: V.segments(A)),
    Fails(TypeError, lambda: V.sort_key(A)),
]
CASES["Version operators"] = [
    lambda: (V < W, V <= W, V == W, V != W, V > W, V >= W),
    lambda: (U < V, U == U, E == Version(B), V != A, V == NUMBER),
    Fails(TypeError, lambda: V < A),
    Fails(TypeError, lambda: V >= NUMBER),
    Fails(TypeError, lambda: OPAQUE > V),
]


@pytest.mark.parametrize("entry", list(CASES))
def test_memory_and_counts_stay_flat(entry):
    assert_flat(CASES[entry], OBJECTS)


def test_every_entry_is_covered():
    names = set(tambry.__all__) - {"Version"}
    assert names <= set(CASES)
    methods = {name for name in dir(Version) if not name.startswith("_")}
    assert methods == {"raw", "ecosystem", "epoch", "build", "is_prerelease", "is_postrelease", "count", "major",
                       "minor", "patch", "segments", "release", "compare", "to_dict", "sort_key"}
