"""Memory in proportion to the input: a huge version costs no more than its text.

tracemalloc sees only the interpreter's own allocator, not the core's C++
allocations, so each case runs in a child interpreter with a small counting
allocator preloaded: malloc, calloc, realloc and free go through it, and it
keeps the bytes in use and their peak. The figure of an operation is its peak
above what was in use just before it, over the length of the text in UTF-8
(what the core reads; a str that is not ASCII also keeps its UTF-8 form once
asked for it, and that counts too).

- Reading a huge version (len, an index, the hash) may take only a small
  fraction of its text: the segments are read in place, never gathered.
- Making one takes at most three times its text, the object included (its raw
  text, and its packed segments, at most one and a half bytes for each byte).
"""

import json
import os
import shutil
import subprocess
import sys
import textwrap

import pytest

from helpers import UNDER_ASAN

COUNTING_ALLOCATOR = r"""
#define _GNU_SOURCE
#include <malloc.h>
#include <stddef.h>

extern void* __libc_malloc(size_t);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);
extern void* __libc_memalign(size_t, size_t);
extern void __libc_free(void*);

static size_t in_use, peak;

static void *counted(void *p) {
    if (p) {
        size_t now = __atomic_add_fetch(&in_use, malloc_usable_size(p), __ATOMIC_RELAXED);
        if (now > peak) peak = now;
    }
    return p;
}

static void uncount(void *p) {
    if (p) __atomic_sub_fetch(&in_use, malloc_usable_size(p), __ATOMIC_RELAXED);
}

void *malloc(size_t n) { return counted(__libc_malloc(n)); }
void *calloc(size_t n, size_t size) { return counted(__libc_calloc(n, size)); }
void free(void *p) { uncount(p); __libc_free(p); }
void *realloc(void *p, size_t n) {
    uncount(p);
    void *q = __libc_realloc(p, n);
    if (!q && n) return counted(p);  /* the old block stays */
    return counted(q);
}
void *memalign(size_t align, size_t n) { return counted(__libc_memalign(align, n)); }
void *aligned_alloc(size_t align, size_t n) { return counted(__libc_memalign(align, n)); }
int posix_memalign(void **out, size_t align, size_t n) {
    void *p = counted(__libc_memalign(align, n));
    if (!p) return 12;
    *out = p;
    return 0;
}

size_t counted_bytes_in_use(void) { return in_use; }
void counted_peak_reset(void) { peak = in_use; }
size_t counted_peak(void) { return peak; }
"""

CHILD = textwrap.dedent("""
    import ctypes, json, sys
    import tambry

    counter = ctypes.CDLL(None)
    counter.counted_bytes_in_use.restype = ctypes.c_size_t
    counter.counted_peak.restype = ctypes.c_size_t

    def transient(operation):
        before = counter.counted_bytes_in_use()
        counter.counted_peak_reset()
        result = operation()
        peak = counter.counted_peak()
        del result
        return peak - before

    text = "1" + sys.argv[1] * int(sys.argv[2])
    size = len(text.encode("utf-8", "surrogateescape"))
    figures = {"construct": transient(lambda: tambry.Version(text))}
    v = tambry.Version(text)
    figures.update({
        "len": transient(lambda: len(v)),
        "first": transient(lambda: v[0]),
        "last": transient(lambda: v[-1]),
        "middle": transient(lambda: v[len(v) // 2]),
        "hash": transient(lambda: hash(v)),
        "count": transient(lambda: v.count),
        "major": transient(lambda: v.major),
    })
    print(json.dumps({name: figure / size for name, figure in figures.items()}))
""")

SIZE = 4 * 1024 * 1024

# Each unit repeated to about SIZE bytes: the shapes whose parse holds the most
# segments, or the longest words, for each byte of text.
SHAPES = {
    "dotted numbers": "1.",
    "numbers and words": "a1",
    "markers": "~^",
    "separators": ".-_",
    "long numbers": "12345678901234567890.",
    "long words": "abcdefghijklmnopqrstuvwxyz.",
    "words and markers": "rc~",
    "non-ASCII": "é1",
}


@pytest.fixture(scope="module")
def counting_allocator(tmp_path_factory):
    compiler = shutil.which("cc") or shutil.which("gcc")
    if compiler is None:
        pytest.skip("no C compiler to build the counting allocator")
    directory = tmp_path_factory.mktemp("allocator")
    source = directory / "counting_allocator.c"
    source.write_text(COUNTING_ALLOCATOR)
    library = directory / "libcounting_allocator.so"
    subprocess.run([compiler, "-shared", "-fPIC", "-O2", "-o", str(library), str(source)], check=True)
    return library


def transient_figures(library, unit):
    env = {**os.environ, "LD_PRELOAD": str(library)}
    out = subprocess.run([sys.executable, "-c", CHILD, unit, str(SIZE // len(unit))], env=env,
                         capture_output=True, text=True, check=True)
    return json.loads(out.stdout)


pytestmark = pytest.mark.skipif(UNDER_ASAN, reason="the sanitizer's allocator cannot be replaced in a child")


@pytest.mark.parametrize("unit", SHAPES.values(), ids=SHAPES.keys())
def test_reading_a_huge_version_takes_a_fraction_of_its_text(counting_allocator, unit):
    figures = transient_figures(counting_allocator, unit)
    for view in ("len", "first", "last", "middle", "hash", "count", "major"):
        assert figures[view] <= 0.25, (view, figures[view])


@pytest.mark.parametrize("unit", SHAPES.values(), ids=SHAPES.keys())
def test_making_a_huge_version_takes_at_most_three_times_its_text(counting_allocator, unit):
    figures = transient_figures(counting_allocator, unit)
    assert figures["construct"] <= 3, figures["construct"]


def test_the_counter_sees_the_allocations_of_the_core(counting_allocator):
    # The figures are only worth their bounds if the counter sees the C++ side:
    # sorting copies every text into the core's own arrays.
    out = subprocess.run(
        [sys.executable, "-c", textwrap.dedent("""
            import ctypes, tambry
            counter = ctypes.CDLL(None)
            counter.counted_bytes_in_use.restype = ctypes.c_size_t
            counter.counted_peak.restype = ctypes.c_size_t
            texts = ["1.%d.%d" % (i, i) for i in range(200000)]
            before = counter.counted_bytes_in_use()
            counter.counted_peak_reset()
            tambry.sort_versions(texts)
            print(counter.counted_peak() - before)
        """)],
        env={**os.environ, "LD_PRELOAD": str(counting_allocator)}, capture_output=True, text=True, check=True)
    assert int(out.stdout) > 200000 * 16
