"""The performance targets, each a ratio of tambry to a reference taken in one process.

    python bench/targets.py --out bench/out/targets-python.json
    python bench/targets.py --out /tmp/t.json --only compare_eq_generic sort_generic

Every target is measured on two kinds of data:

- "realistic": real version lists (bench/real_versions.py): the published
  versions in the shared fidelity files and Debian's package list. The verdict
  on a target is taken here;
- "best case": one short pair repeated, or the generated corpus
  (bench/corpus.py), where everything stays in the processor's caches.

Contenders are timed in turns, many short turns each, on the CPU time of this
process, and the best turn of each is kept (bench/timing.py), so that a busy
machine slows every contender alike and a rerun gives the same verdict. Where a
ratio is close to its goal, bench/instructions.py counts the instructions of the
same workloads under callgrind, which load does not change at all. A target
whose peer this interpreter cannot import (apt_pkg and rpm live only in Debian's
python3) is recorded as skipped. Memory targets run in child processes
(bench/transient_memory.py).
"""

import argparse
import functools
import json
import operator
import os
import pickle
import platform
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import corpus  # noqa: E402
import real_versions as real  # noqa: E402
import timing  # noqa: E402
import tambry  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SHORT_PAIR = ("1.2.3", "1.2.4")
SEED = 20261208
KINDS = ("realistic", "best")

# Pairwise loops are timed in turns of about TURN seconds; whole calls (a sort,
# a set, a pickle round trip) are one call per turn. --quick makes fewer turns
# and smaller collections, to try the script out.
TURN = 0.004
TURNS = 41
CALL_TURNS = 21
SIZE_DIVISOR = 1


def sized(count):
    return max(1_000, count // SIZE_DIVISOR)


class Skip(Exception):
    pass


def need(module):
    try:
        __import__(module)
        return sys.modules[module]
    except ImportError as e:
        raise Skip(f"{module} is not importable here ({e})") from None


# ------------------------------------------------------------------ data

@functools.lru_cache(maxsize=None)
def real_pairs(ecosystem):
    """Real pairs for one ecosystem's comparison."""
    if ecosystem == "generic":
        pairs = []
        for eco in real.FIDELITY_ECOSYSTEMS:
            pairs += real.fidelity_pairs(eco)
        pairs += real.neighbour_pairs(real.debian_versions())
    elif ecosystem in ("debian", "rpm"):
        # No published RPM list is on this machine; Debian's package versions have
        # the same epoch:version-release shape and are ordered by RPM's rules there.
        pairs = real.fidelity_pairs("debian") + real.neighbour_pairs(real.debian_versions())
    else:
        pairs = real.fidelity_pairs(ecosystem)
    return tuple(pairs)


def real_pairs_source(ecosystem):
    if ecosystem == "generic":
        return "every real pair of the fidelity files, and neighbours in Debian's package list"
    if ecosystem in ("debian", "rpm"):
        return "debian-versions-generated pairs and neighbours in Debian's package list" + (
            ", under RPM's rules (no RPM list is published here)" if ecosystem == "rpm" else "")
    return "; ".join(real.fidelity_sources(ecosystem))


@functools.lru_cache(maxsize=None)
def real_list(kind):
    """The distinct real versions that a collection target draws from."""
    if kind == "generic":
        return tuple(dict.fromkeys(real.pool(real.FIDELITY_ECOSYSTEMS) + real.debian_versions()))
    if kind in ("debian", "rpm"):
        return tuple(dict.fromkeys(real.debian_versions() + real.versions_of_pairs(real.fidelity_pairs("debian"))))
    return tuple(real.versions_of_pairs(real.fidelity_pairs(kind)))


def real_list_source(kind):
    return {"generic": "every fidelity file's real versions and Debian's package list",
            "debian": "Debian's package list and debian-versions-generated",
            "rpm": "Debian's package list and debian-versions-generated, under RPM's rules",
            "pep440": "PyPI's versions (pypi-versions-generated)"}[kind]


def real_sample(kind, count):
    return real.sample(list(real_list(kind)), count, f"{SEED}:{kind}:{count}")


def corpus_sample(ecosystem, count):
    return [real.fresh(v) for v in corpus.generate(ecosystem, count)]


def split_evr(s):
    """(epoch, version, release) of an RPM version text, as rpm.labelCompare wants it."""
    epoch = None
    head, colon, rest = s.partition(":")
    if colon and head.isdigit():
        epoch, s = head, rest
    version, dash, release = s.rpartition("-")
    if not dash:
        return (epoch, s, None)
    return (epoch, version, release)


def _accepted(pairs, check):
    out = []
    for a, b in pairs:
        try:
            check(a, b)
            out.append((a, b))
        except Exception:  # noqa: BLE001 - a refusal of either side leaves the pair out
            pass
    return out


# ------------------------------------------------------------------ workloads
#
# A loop workload is timed per element: {"contenders": {name: (expr, names, A, B)},
# "template": ..., "data": ...}. A call workload is timed per call:
# {"calls": {name: fn}, "count": n, "data": ...}. "tambry" and "reference" are
# the two sides of the ratio.

def loop(tambry_side, reference_side, A, B, template, data, prep=None):
    PA = [prep(a) for a in A] if prep else A
    PB = [prep(b) for b in B] if prep else B
    return {"contenders": {"tambry": (*tambry_side, A, B), "reference": (*reference_side, PA, PB)},
            "template": template, "data": data, "count": len(A)}


def pairs_loop(pairs, tambry_side, reference_side, template, data, prep=None):
    pairs = real.fresh_pairs(pairs)
    return loop(tambry_side, reference_side, [p[0] for p in pairs], [p[1] for p in pairs], template, data, prep)


def repeated_pair(n=20_000):
    return [SHORT_PAIR] * n, f"{SHORT_PAIR[0]} against {SHORT_PAIR[1]}, repeated", timing.REPEAT_LOOP


def compare_eq(ecosystem):
    def workload(kind):
        t = ("f(a, b, e)", {"f": tambry.compare, "e": ecosystem})
        r = ("f(a, b)", {"f": operator.eq})
        if kind == "best":
            return _repeated(t, r)
        pairs = _accepted(real_pairs(ecosystem), lambda a, b: tambry.compare(a, b, ecosystem))
        return pairs_loop(pairs, t, r, timing.PAIR_LOOP, real_pairs_source(ecosystem))
    return workload


def _repeated(t, r, prep=None):
    pairs, data, template = repeated_pair()
    return pairs_loop(pairs, t, r, template, data, prep)


def compare_native(ecosystem, peer):
    def workload(kind):
        if peer == "apt_pkg":
            apt_pkg = need("apt_pkg")
            apt_pkg.init_system()
            r, prep = ("f(a, b)", {"f": apt_pkg.version_compare}), None
        else:
            r, prep = ("f(a, b)", {"f": need("rpm").labelCompare}), split_evr
        t = ("f(a, b, e)", {"f": tambry.compare, "e": ecosystem})
        if kind == "best":
            return _repeated(t, r, prep)
        return pairs_loop(real_pairs(ecosystem), t, r, timing.PAIR_LOOP, real_pairs_source(ecosystem), prep)
    return workload


def compare_packaging(kind):
    V = need("packaging.version").Version
    t = ("f(a, b, e)", {"f": tambry.compare, "e": "pep440"})
    r = ("V(a) < V(b)", {"V": V})
    if kind == "best":
        return _repeated(t, r)
    pairs = _accepted(real_pairs("pep440"), lambda a, b: (V(a), V(b), tambry.compare(a, b, "pep440")))
    return pairs_loop(pairs, t, r, timing.PAIR_LOOP, real_pairs_source("pep440"))


def calls(tambry_call, reference_call, count, data):
    return {"calls": {"tambry": tambry_call, "reference": reference_call}, "count": count, "data": data}


def _collection_strings(kind, ecosystem, count):
    if kind == "best":
        return corpus_sample(ecosystem, count), f"{count:,} generated versions (bench/corpus.py)"
    source = ecosystem if ecosystem != "pep440" else "pep440"
    return real_sample(source, count), (f"{count:,} drawn from {len(real_list(source)):,} distinct real versions "
                                        f"({real_list_source(source)}), shuffled")


def sort_versions(ecosystem, count):
    def workload(kind):
        strings, data = _collection_strings(kind, ecosystem, sized(count))
        return calls(lambda: tambry.sort_versions(strings, ecosystem), lambda: sorted(strings), len(strings), data)
    return workload


def max_version(count):
    def workload(kind):
        strings, data = _collection_strings(kind, "generic", sized(count))
        return calls(lambda: tambry.max_version(strings), lambda: max(strings), len(strings), data)
    return workload


def set_of_versions(count):
    def workload(kind):
        strings, data = _collection_strings(kind, "generic", sized(count))
        objects = [tambry.Version(s) for s in strings]
        hash(tuple(strings))
        hash(tuple(objects))  # both sides start as they are after a first use
        return calls(lambda: set(objects), lambda: set(strings), len(strings), data)
    return workload


def pickle_round_trip(count):
    def workload(kind):
        V = need("packaging.version").Version
        strings, data = _collection_strings(kind, "pep440", sized(count))
        strings = [s for s in strings if _accepts_one(V, s)]
        mine = [tambry.Version(s, "pep440") for s in strings]
        theirs = [V(s) for s in strings]
        return calls(lambda: pickle.loads(pickle.dumps(mine)), lambda: pickle.loads(pickle.dumps(theirs)),
                     len(strings), data)
    return workload


def _accepts_one(make, s):
    try:
        make(s)
        return True
    except Exception:  # noqa: BLE001
        return False


def construct_packaging(kind):
    V = need("packaging.version").Version
    if kind == "best":
        strings, data = ["1.2.3"] * 20_000, "1.2.3, repeated"
    else:
        strings = real.sample(list(real_list("pep440")), len(real_list("pep440")), SEED)
        data = real_list_source("pep440")
    strings = [s for s in strings if _accepts_one(V, s)]
    return loop(("V(s)", {"V": tambry.Version}), ("V(s)", {"V": V}), strings, None, timing.ONE_LOOP, data)


def construct_rpm(kind):
    rpm = need("rpm")
    if kind == "best":
        strings, data = ["1.2.3-1.el9"] * 20_000, "1.2.3-1.el9, repeated"
    else:
        strings, data = real_sample("rpm", 20_000), "Debian's package versions (epoch:version-release)"
    strings = [s for s in strings if _accepts_one(rpm.ver, s)]
    return loop(("V(s, 'rpm')", {"V": tambry.Version}), ("V(s)", {"V": rpm.ver}), strings, None, timing.ONE_LOOP,
                data)


def transient_memory(operation):
    def workload(kind):
        shape = "dotted numbers" if kind == "realistic" else "worst shape"
        return {"memory": (operation, shape)}
    return workload


# What the second column holds where it is not the best case: the memory targets
# give the worst of their shapes there.
SECOND_COLUMN = {"memory_views": "worst shape", "memory_construct": "worst shape"}


# key, description, goal, workload(kind), what the best-case column holds
TARGETS = [
    ("compare_eq_generic", "`compare` / `operator.eq` on real pairs, generic", 2.0, compare_eq("generic")),
    ("compare_eq_pep440", "`compare` / `operator.eq` on real pairs, pep440", 2.0, compare_eq("pep440")),
    ("compare_eq_maven", "`compare` / `operator.eq` on real pairs, maven", 2.0, compare_eq("maven")),
    ("compare_eq_npm", "`compare` / `operator.eq` on real pairs, npm", 2.0, compare_eq("npm")),
    ("compare_eq_debian", "`compare` / `operator.eq` on real pairs, debian", 2.5, compare_eq("debian")),
    ("compare_apt_pkg", "Debian `compare` / `apt_pkg.version_compare`", 0.67, compare_native("debian", "apt_pkg")),
    ("compare_rpm", "RPM `compare` / `rpm.labelCompare` on pre-split tuples", 0.33, compare_native("rpm", "rpm")),
    ("compare_packaging", "pep440 `compare` / packaging `Version(a) < Version(b)`, real PyPI pairs", 1 / 30,
     compare_packaging),
    ("sort_generic", "`sort_versions` / `sorted()`, 100,000 real: generic", 1.6, sort_versions("generic", 100_000)),
    ("sort_debian", "`sort_versions` / `sorted()`, 100,000 real: debian", 2.5, sort_versions("debian", 100_000)),
    ("sort_rpm", "`sort_versions` / `sorted()`, 100,000 real: rpm", 2.5, sort_versions("rpm", 100_000)),
    ("sort_generic_million", "`sort_versions` / `sorted()`, 1,000,000 generic", 2.0,
     sort_versions("generic", 1_000_000)),
    ("max_version", "`max_version` / `max()`, 100,000", 3.0, max_version(100_000)),
    ("set_of_versions", "`set()` of 100,000 `Version` / of the strings", 2.0, set_of_versions(100_000)),
    ("pickle", "pickle round trip of 100,000 `Version` / packaging's", 0.33, pickle_round_trip(100_000)),
    ("construct_packaging", "`Version(s)` / packaging `Version(s)`, real PyPI", 0.125, construct_packaging),
    ("construct_rpm", "`Version(s, \"rpm\")` / rpm's constructor `rpm.ver(s)`", 1.0, construct_rpm),
    ("memory_views", "transient memory of `len`, `v[i]`, `hash` on a huge version / input length", 0.25,
     transient_memory("views")),
    ("memory_construct", "transient memory of `Version(s)` / input length", 3.0, transient_memory("construct")),
]


def targets_by_key():
    return {t[0]: t for t in TARGETS}


# ------------------------------------------------------------------ measuring

def time_workload(w):
    if "memory" in w:
        operation, shape = w["memory"]
        cmd = [sys.executable, os.path.join(HERE, "transient_memory.py"), operation, shape]
        if SIZE_DIVISOR > 1:
            cmd.append("--quick")
        out = subprocess.run(cmd, capture_output=True, text=True, check=False)
        if out.returncode != 0:
            raise Skip(f"transient_memory.py failed: {out.stderr.strip()[-300:]}")
        return json.loads(out.stdout)
    if "calls" in w:
        best = timing.race_calls(w["calls"], repeats=CALL_TURNS, slow=1e9)
        return {"tambry": best["tambry"] * 1e3, "reference": best["reference"] * 1e3,
                "ratio": best["tambry"] / best["reference"], "count": w["count"], "unit": "ms per call",
                "data": w["data"]}
    runners = {name: (timing.compile_loop(expr, names, w["template"]), A, B)
               for name, (expr, names, A, B) in w["contenders"].items()}
    ns = timing.race(runners, per_repeat=TURN, repeats=TURNS)
    return {"tambry": ns["tambry"], "reference": ns["reference"], "ratio": ns["tambry"] / ns["reference"],
            "count": w["count"], "unit": "ns per element", "data": w["data"]}


def measure(key, kind):
    _, _, _, workload = targets_by_key()[key]
    try:
        return time_workload(workload(kind))
    except Skip as e:
        return {"skipped": str(e)}


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--out", required=True)
    p.add_argument("--only", nargs="*", help="keys of the targets to measure (default: all)")
    p.add_argument("--kinds", nargs="*", default=list(KINDS), choices=KINDS)
    p.add_argument("--quick", action="store_true", help="fewer turns and smaller collections")
    args = p.parse_args()
    if args.quick:
        global TURNS, CALL_TURNS, SIZE_DIVISOR
        TURNS, CALL_TURNS, SIZE_DIVISOR = 7, 3, 20

    result = {"interpreter": {"executable": sys.executable, "version": platform.python_version()},
              "tambry_file": tambry.__file__, "load_before": os.getloadavg(), "quick": args.quick, "targets": []}
    started = time.time()
    for key, description, goal, _ in TARGETS:
        if args.only and key not in args.only:
            continue
        entry = {"key": key, "target": description, "goal": goal, "second_column": SECOND_COLUMN.get(key, "best case")}
        for kind in args.kinds:
            m = entry[kind] = measure(key, kind)
            if "ratio" in m:
                print(f"{key:22} {kind:9} {m['ratio']:8.3f} (goal {goal:.3f}; tambry {m['tambry']:.1f} "
                      f"vs {m['reference']:.1f} {m['unit']}, n={m['count']}) {m.get('data', '')}", flush=True)
            else:
                print(f"{key:22} {kind:9} skipped: {m['skipped']}", flush=True)
        result["targets"].append(entry)
    result["load_after"] = os.getloadavg()
    result["seconds"] = time.time() - started
    with open(args.out, "w") as f:
        json.dump(result, f, indent=1)


if __name__ == "__main__":
    main()
