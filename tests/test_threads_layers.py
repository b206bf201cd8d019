"""Threads sharing texts, Version objects, ranges and OSV objects get from tambry.native and
tambry.ranges the answers one thread gets.

As in test_threads.py: every job runs in eight threads at once, each in its own
order, with the interpreter switching as often as it can; sequences read through
Python code, and an OSV object whose lookup runs Python code, let a switch happen
in the middle of a call.
"""

import random
import sys
import threading
import time

import pytest

from tambry import Version, native
from tambry.ranges import VersionRange

THREADS = 8
ROUNDS = 30


class Seq:
    """A sequence read through Python code, so threads can switch while it is read."""

    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        return self.items[i]


class YieldingKey:
    """A dict key that a lookup of "events" compares with: it lets other threads run."""

    def __hash__(self):
        return hash("events")

    def __eq__(self, other):
        time.sleep(0)
        return False


def own(text):
    return "".join([text, "\x01"])[:-1]


TEXTS = {
    "npm": ["1.0.0", "2.0.0-rc.1", "1.0.0+b", "v1.2.3", "1.x", "10.0.0-alpha.1"],
    "pypi": ["1.0", "1!2.0.post1", "1.0rc1", "1.0+local.7", "1.0.dev0", "x y"],
    "maven": ["1.0", "1.0-SNAPSHOT", "1.sp.1", "1-alpha", "1", "1.0.0000000000.alpha.1"],
    "deb": ["1:2.0-1", "2.0~rc1", "1.0+dfsg-1", "0", "a", "1.0-1~bpo1"],
    "rpm": ["1.0-1.el8", "1.0^git1", "1.0~rc1", "2:1.0", "", "1.0-1"],
    "apk": ["1.2.3-r0", "1.2_rc1", "1.0a", "1.2_p1-r2", "1..2", "2.0"],
    "gem": ["1.0.0", "1.0.0.pre3", "1.0.0.rc1", "2", "1.0.0-1", "x"],
    "semver": ["1.0.0", "1.0.0-0", "1.0.0-alpha.1", "1.2", "2.0.0+b", "01.0.0"],
}
TEXTS = {eco: [own(t) for t in texts] for eco, texts in TEXTS.items()}
RANGES = [
    VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0"),
    VersionRange.from_vers("vers:npm/>=1.0.0|<2.0.0?prereleases=none"),
    VersionRange.from_native(">= 1.0, << 2.0 | = 3.0", "deb"),
    VersionRange.from_native("[1.0,2.0),(3.0,)", "maven"),
    VersionRange.from_osv({"type": "ECOSYSTEM", "events": [{"introduced": "0"}, {"fixed": "1.0rc1"}]}, "PyPI"),
]
OSV = {"type": own("ECOSYSTEM"), YieldingKey(): 1, "events": [{"introduced": own("1.0")}, {"fixed": own("2.0")}]}
AFFECTED = {"package": {"ecosystem": "Debian:12"}, "ranges": [OSV], "versions": [own("3.0"), own("x y")]}


def outcome(call):
    """What a call gave, in a form that compares by value and by the identity of returned elements."""
    try:
        result = call()
    except Exception as e:  # noqa: BLE001 - the failure is the answer
        return ("raised", type(e), str(e))
    if isinstance(result, VersionRange):
        return ("range", str(result), hash(result))
    if isinstance(result, list):
        # Intervals and keys by value; the caller's own objects by identity.
        return ("list", tuple(x if isinstance(x, (bytes, tuple)) or x is None else id(x) for x in result))
    if isinstance(result, Version) or any(result is t for texts in TEXTS.values() for t in texts):
        return ("element", id(result))
    return ("value", result)


def build_jobs():
    rng = random.Random(11)
    jobs = []

    def add(fn, *args, **kwargs):
        jobs.append(lambda: fn(*args, **kwargs))

    for eco, texts in TEXTS.items():
        items = texts + [Version(texts[0])]
        for _ in range(4):
            a, b = rng.choice(items), rng.choice(items)
            add(native.compare, a, b, eco)
            add(native.key, a, eco)
            add(native.is_valid, b, eco)
            add(native.is_prerelease, a, eco)
        valid = [t for t in items if native.is_valid(t, eco)]
        add(native.keys, Seq(items), eco, invalid="null")
        add(native.keys, items, eco)
        add(native.sort_versions, Seq(valid), eco)
        jobs.append(lambda valid=valid, eco=eco: native.max_version(iter(valid), eco))
        add(native.min_version, tuple(valid), eco)
    for r in RANGES:
        probes = [t for t in TEXTS[r.ecosystem] if native.is_valid(t, r.ecosystem)]
        for p in probes:
            add(r.contains, p)
        add(r.filter, Seq(probes))
        add(r.max_satisfying, probes)
        add(r.min_satisfying, Seq(probes))
        add(r.contains, TEXTS[r.ecosystem][-1])
        add(r.__invert__)
        add(r.to_vers)
        add(r.key_intervals, prereleases=True)
        for s in RANGES:
            add(r.__and__, s)
            add(r.__or__, s)
            add(r.issubset, s)
    add(VersionRange.from_osv, OSV, "Debian")
    add(VersionRange.from_affected, AFFECTED)
    add(VersionRange.from_vers, own("vers:deb/>=1.0|<2.0|!=1.5"))
    add(VersionRange.from_native, own(">= 1.0 <<< 2"), "deb")
    for eco in native.ECOSYSTEMS:
        add(VersionRange.from_native, own(">=1.0.0, <2.0.0"), eco)
    return jobs


@pytest.fixture
def rapid_switching():
    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    yield
    sys.setswitchinterval(interval)


def test_threads_sharing_objects_get_the_one_thread_answers(rapid_switching):
    jobs = build_jobs()
    expected = [outcome(job) for job in jobs]
    barrier = threading.Barrier(THREADS)
    mismatches, errors = [], []

    def worker(seed):
        try:
            rng = random.Random(seed)
            order = list(range(len(jobs)))
            barrier.wait()
            for _ in range(ROUNDS):
                rng.shuffle(order)
                for k in order:
                    got = outcome(jobs[k])
                    if got != expected[k]:
                        mismatches.append((k, got, expected[k]))
        except BaseException as e:  # noqa: BLE001 - reported by the main thread
            errors.append(e)

    threads = [threading.Thread(target=worker, args=(seed,)) for seed in range(THREADS)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    assert not mismatches, mismatches[:5]
    assert [outcome(job) for job in jobs] == expected
