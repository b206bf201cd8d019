"""Timing helpers shared by the measuring runs.

Every contender is timed by the same kind of plain Python loop, compiled from a
one-line expression, so each pays the same loop overhead that a user's own
code would pay.  Contenders that are compared with each other are timed in
turns (round robin over the repeats) so that a slow spell of the machine hits
all of them alike, and the best repeat is kept.  The garbage collector is off
while a repeat runs, as timeit does.

The clock is the CPU time of this process (CLOCK_PROCESS_CPUTIME_ID), not the
wall clock: on a machine shared with other work, the time during which the
process waits for a core is not counted.  On an idle machine the two agree.
"""

import gc
import time

CLOCK = time.process_time

PAIR_LOOP = "def run(A, B):\n    for a, b in zip(A, B):\n        {expr}\n"
ONE_LOOP = "def run(A, B):\n    for s in A:\n        {expr}\n"
REPEAT_LOOP = "def run(A, B):\n    a = A[0]\n    b = B[0]\n    for _ in B:\n        {expr}\n"


def compile_loop(expr, names, template=PAIR_LOOP):
    """A function run(A, B) that evaluates `expr` once per element; `names` are its globals."""
    scope = dict(names)
    exec(template.format(expr=expr), scope)  # noqa: S102 - our own fixed templates
    return scope["run"]


def compile_call(expr, names):
    """A function f(a, b) giving the value of `expr`, for checking what a contender answers."""
    scope = dict(names)
    exec(f"def _call(a, b):\n    return {expr}\n", scope)  # noqa: S102
    return scope["_call"]


def _once(run, A, B, passes):
    gc_was = gc.isenabled()
    gc.disable()
    try:
        start = CLOCK()
        for _ in range(passes):
            run(A, B)
        return CLOCK() - start
    finally:
        if gc_was:
            gc.enable()


def race(runners, per_repeat=0.03, repeats=7, slow=1.5):
    """Best time per element, in ns, of each runner.

    runners: dict name -> (run, A, B); run(A, B) makes one pass over len(A)
    elements.  Each repeat of a runner makes enough passes to last about
    `per_repeat` seconds; a runner whose single pass takes longer than `slow`
    seconds is timed twice only.
    """
    gc.collect()
    passes, best = {}, {}
    for name, (run, A, B) in runners.items():
        t = _once(run, A, B, 1)  # also warms caches and specialises the bytecode
        passes[name] = max(1, int(per_repeat / t)) if t > 0 else 1000
        best[name] = t
    for r in range(repeats):
        for name, (run, A, B) in runners.items():
            if r >= 1 and best[name] > slow:
                continue
            best[name] = min(best[name], _once(run, A, B, passes[name]) / passes[name])
    return {name: best[name] / len(runners[name][1]) * 1e9 for name in runners}


def race_calls(calls, repeats=5, slow=3.0):
    """Best wall time in seconds of each fn() in `calls` (name -> fn), timed in turns.

    A call that takes longer than `slow` seconds is made once only.
    """
    best = {name: float("inf") for name in calls}
    for r in range(repeats):
        for name, fn in calls.items():
            if r > 0 and best[name] > slow:
                continue
            gc.collect()
            gc.disable()
            try:
                start = CLOCK()
                fn()
                t = CLOCK() - start
            finally:
                gc.enable()
            best[name] = min(best[name], t)
    return best
