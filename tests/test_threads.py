"""Several threads sharing Version objects and texts get the answers that one thread gets.

Every function and method is called, on success and on failure, by eight threads at
once, in a different order in each thread, with the interpreter switching threads
as often as it can. Sequences that are read through Python code let a switch
happen in the middle of a call. Each answer must equal the one-thread answer.
"""

import random
import sys
import threading

import pytest

import tambry
from helpers import CANONICAL_ECOSYSTEMS
from tambry import Version

THREADS = 8
ROUNDS = 15


class Seq:
    """A sequence read through Python code, so threads can switch while it is read."""

    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        return self.items[i]


def own(text):
    """A str of its own: its UTF-8 form is first made while the threads run."""
    return "".join([text, "\x01"])[:-1]


TEXTS = [own(t) for t in (
    "1.0.0", "1.0", "2.0.0-rc.1", "1.0.0-alpha.1", "1:2.0rc1.post3+local.7", "1.0~rc1", "1.0^git1",
    "2:1.2-3+deb12u1", "1.0-1.el8", "1.0-SNAPSHOT", "2024.01.15", "1.2_alpha1", "v1.2.3+incompatible",
    "1.0.0.beta2", "", "  ", "ünïcode-1.0é", "9" * 40, "1." * 200 + "0", "1.post1", "1.0.rc1",
)]
ECOSYSTEMS = [*CANONICAL_ECOSYSTEMS, "auto", "bogus"]
VERSIONS = [Version(t) for t in TEXTS] + [Version(TEXTS[0], "npm"), Version(TEXTS[7], "debian")]
OPERANDS = TEXTS + VERSIONS + [None, 5]


def outcome(call):
    """What a call gave, in a form that compares by value and by the identity of returned elements."""
    try:
        result = call()
    except Exception as e:  # noqa: BLE001 - the failure is the answer
        return ("raised", type(e), str(e))
    if isinstance(result, Version):
        return ("version", result.raw, result.ecosystem, result.segments())
    if isinstance(result, list):
        return ("list", tuple(x if isinstance(x, int) else id(x) for x in result))
    if any(result is x for x in OPERANDS):
        return ("element", id(result))
    return ("value", result)


def build_jobs():
    rng = random.Random(7)
    jobs = []

    def add(fn, *args):
        jobs.append(lambda: fn(*args))

    for eco in ECOSYSTEMS:
        for _ in range(3):
            a, b = rng.choice(OPERANDS), rng.choice(OPERANDS)
            add(tambry.compare, a, b, eco)
            ta, tb = rng.choice(TEXTS), rng.choice(TEXTS)
            for name in ("eq", "ne", "gt", "ge", "gte", "lt", "le", "lte"):
                add(getattr(tambry, name), ta, tb, eco)
            add(tambry.Version, ta, eco)
            add(tambry.version, tb, eco)
            v = rng.choice(VERSIONS)
            add(v.compare, rng.choice(OPERANDS), eco)
        items = rng.sample(TEXTS + VERSIONS, 8)
        add(tambry.sort_versions, items, eco)
        add(tambry.sort_versions, Seq(items), eco)
        add(tambry.max_version, Seq(items), eco)
        add(tambry.min_version, tuple(items), eco)
        add(tambry.batch_compare, Seq([(rng.choice(OPERANDS), rng.choice(OPERANDS)) for _ in range(5)]), eco)
    for _ in range(20):
        add(tambry.compare_semver_strict, rng.choice(TEXTS), rng.choice(TEXTS))
    for v in VERSIONS:
        w = rng.choice(VERSIONS)
        jobs.append(lambda v=v: (v.raw, v.ecosystem, v.epoch, v.build, v.is_prerelease, v.is_postrelease,
                                 v.count, v.major, v.minor, v.patch, str(v), repr(v), len(v), bool(v)))
        jobs.append(lambda v=v: (v.segments(), v.release(), v.to_dict(), v.sort_key(), hash(v)))
        jobs.append(lambda v=v, w=w: (v < w, v <= w, v == w, v != w, v > w, v >= w, v == "1.0"))
        jobs.append(lambda v=v: v[len(v) // 2])
        jobs.append(lambda v=v: v[-len(v) - 1])
        jobs.append(lambda v=v: v.__reduce__()[1])
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
    mismatches = []
    errors = []

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
    # The shared objects are unchanged by all of it.
    assert [outcome(job) for job in jobs] == expected


def test_objects_made_in_threads_are_complete(rapid_switching):
    made = [[] for _ in range(THREADS)]
    barrier = threading.Barrier(THREADS)

    def worker(k):
        barrier.wait()
        for i in range(300):
            made[k].append(Version(TEXTS[(i + k) % len(TEXTS)]))

    threads = [threading.Thread(target=worker, args=(k,)) for k in range(THREADS)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for k, objects in enumerate(made):
        for i, v in enumerate(objects):
            text = TEXTS[(i + k) % len(TEXTS)]
            assert v.raw == text
            assert v == Version(text) and hash(v) == hash(Version(text))
            assert v.segments() == Version(text).segments()
