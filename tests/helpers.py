"""What several test files share: the ecosystem names and their rejection message,
an exact-raise check, and the one harness that checks memory and reference counts."""

import ctypes
import gc
import os
import sys
import tracemalloc

import pytest

# The canonical names, in the order of the rejection message.
CANONICAL_ECOSYSTEMS = (
    "generic", "semver", "pep440", "debian", "rpm", "ruby", "maven", "go", "npm",
    "nuget", "composer", "crates", "hex", "swift", "calver", "alpine", "docker",
)
ECOSYSTEM_LIST = ", ".join(CANONICAL_ECOSYSTEMS)


def unsupported(name):
    return f"unsupported ecosystem '{name}'; expected one of: {ECOSYSTEM_LIST}"


def raises_exactly(exc_type, message):
    """pytest.raises pinned to one exception type and one whole message."""
    ctx = pytest.raises(exc_type)

    class _Check:
        def __enter__(self):
            self.info = ctx.__enter__()
            return self.info

        def __exit__(self, *exc):
            handled = ctx.__exit__(*exc)
            if handled:
                assert type(self.info.value) is exc_type
                assert str(self.info.value) == message
            return handled

    return _Check()


def _under_address_sanitizer():
    with open("/proc/self/maps") as f:
        return "libasan" in f.read()


# The sanitizer's allocator keeps freed memory in quarantine, so the resident set
# grows under it whatever the module does; tracemalloc still measures there.
UNDER_ASAN = _under_address_sanitizer()


# ---------------------------------------------------------------------------
# Memory and reference counts over many calls
# ---------------------------------------------------------------------------

CALLS = 100_000
WARM_UP = 2_000
# Leaking one small object per call would add megabytes over CALLS calls; these
# bounds leave room only for allocator noise.
TRACED_TOLERANCE = 64 * 1024
HEAP_TOLERANCE = 64 * 1024
RSS_TOLERANCE = 1024 * 1024

PAGE_SIZE = os.sysconf("SC_PAGE_SIZE")


class _MallInfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in (
        "arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks", "uordblks", "fordblks", "keepcost")]


_mallinfo2 = getattr(ctypes.CDLL(None), "mallinfo2", None)
if _mallinfo2 is not None:
    _mallinfo2.restype = _MallInfo2


def c_heap_in_use():
    """Bytes in use on the C heap: the C++ side's strings and vectors, which tracemalloc does not see."""
    if _mallinfo2 is None or UNDER_ASAN:
        return 0
    info = _mallinfo2()
    return info.uordblks + info.hblkhd


def rss_bytes():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * PAGE_SIZE


def assert_memory_flat(step, objects=(), calls=CALLS):
    """Runs step(i) for i in range(calls): the memory that tracemalloc sees, the C
    heap in use, the resident set and the reference counts of `objects` stay flat."""
    for i in range(WARM_UP):
        step(i)
    gc.collect()
    refcounts = [sys.getrefcount(o) for o in objects]
    tracemalloc.start()
    try:
        traced_before = tracemalloc.get_traced_memory()[0]
        heap_before, rss_before = c_heap_in_use(), rss_bytes()
        for i in range(calls):
            step(i)
        gc.collect()
        traced_after = tracemalloc.get_traced_memory()[0]
        heap_after, rss_after = c_heap_in_use(), rss_bytes()
    finally:
        tracemalloc.stop()
    assert traced_after - traced_before < TRACED_TOLERANCE, f"traced memory grew by {traced_after - traced_before}"
    assert heap_after - heap_before < HEAP_TOLERANCE, f"C heap grew by {heap_after - heap_before} bytes"
    if not UNDER_ASAN:
        assert rss_after - rss_before < RSS_TOLERANCE, f"RSS grew by {rss_after - rss_before} bytes"
    assert [sys.getrefcount(o) for o in objects] == refcounts, "reference counts of the arguments changed"


class Fails:
    """A call expected to raise exactly this exception type (not a subclass of it)."""

    def __init__(self, exc_type, call):
        self.exc_type, self.call = exc_type, call

    def __call__(self):
        try:
            self.call()
        except self.exc_type as e:
            assert type(e) is self.exc_type, f"{type(e).__name__}: {e}"
            return
        raise AssertionError(f"{self.call} did not raise {self.exc_type.__name__}")


def fresh(text):
    """A str object of its own, never an interned constant, so its count is ours alone."""
    return "".join([text, "\x01"])[:-1]
