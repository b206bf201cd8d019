"""Measure tambry and the peers that this interpreter can import; write one JSON file.

    python bench/measure.py --peers python --out bench/out/python.json
    python bench/measure.py --peers native --out bench/out/native.json

bench/run.sh runs it twice: in bench/.venv with the peers written in Python
(packaging, semver, python-debian, rpm-vercmp, univers, libversion), and in
bench/.venv-debian, on Debian's own interpreter, with the native peers apt_pkg
and rpm.  Each run measures tambry and operator.eq in the same process as its
peers, so every ratio is taken within one process on one interpreter.

A peer that rejects a version (raises on it) is measured only on the pairs or
strings it accepts, and tambry is measured again on exactly that subset for the
ratio; the output records how many were used.
"""

import argparse
import functools
import gc
import json
import operator
import os
import platform
import sys
import time
import tracemalloc

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import corpus  # noqa: E402
import timing  # noqa: E402
import tambry  # noqa: E402

SEMVER_FAMILY = ["semver", "npm", "crates", "hex", "swift"]
SORT_ECOSYSTEMS = ["generic", "pep440", "semver", "debian", "rpm"]
MEMORY_ECOSYSTEMS = ["pep440", "semver", "debian"]
SHORT_PAIR = ("1.2.3", "1.2.4")


class Method:
    """One way of comparing two versions with a peer, as a new user would write it."""

    def __init__(self, peer, label, ecosystems, expr, names, prep=None, floor=False, native=False):
        self.peer, self.label, self.ecosystems = peer, label, ecosystems
        self.expr, self.names, self.prep = expr, names, prep
        self.floor, self.native = floor, native
        self.call = timing.compile_call(expr, names)


class Maker:
    """One peer's version object: construction, memory and sort key."""

    def __init__(self, peer, label, ecosystems, make, sort_key=None, prep=None, native=False):
        self.peer, self.label, self.ecosystems = peer, label, ecosystems
        self.make, self.prep, self.native = make, prep, native
        self.sort_key = sort_key  # key function for sorted(); defaults to make


def _version_of(dist):
    try:
        from importlib.metadata import version
        return version(dist)
    except Exception:  # noqa: BLE001 - Debian's own modules have no metadata
        return None


def python_peers(status):
    methods, makers = [], []
    try:
        from packaging.version import Version as PV
        methods.append(Method("packaging", "Version(a) < Version(b)", ["pep440"], "V(a) < V(b)",
                              {"V": PV}, floor=True))
        makers.append(Maker("packaging", "packaging.version.Version(s)", ["pep440"], PV))
        status["packaging"] = {"status": "ok", "version": _version_of("packaging")}
    except ImportError as e:
        status["packaging"] = {"status": "unavailable", "reason": str(e)}
    try:
        import semver
        methods.append(Method("semver", "semver.compare(a, b)", SEMVER_FAMILY, "f(a, b)",
                              {"f": semver.compare}, floor=True))
        makers.append(Maker("semver", "semver.Version.parse(s)", SEMVER_FAMILY, semver.Version.parse))
        status["semver"] = {"status": "ok", "version": _version_of("semver")}
    except ImportError as e:
        status["semver"] = {"status": "unavailable", "reason": str(e)}
    try:
        from debian import debian_support
        methods.append(Method("python-debian", "debian_support.version_compare(a, b)", ["debian"],
                              "f(a, b)", {"f": debian_support.version_compare}, floor=True))
        makers.append(Maker("python-debian", "debian_support.Version(s)", ["debian"],
                            debian_support.Version))
        status["python-debian"] = {"status": "ok", "version": _version_of("python-debian"),
                                   "note": "Version is " + ".".join(
                                       c.__name__ for c in debian_support.Version.__mro__[:2])}
    except ImportError as e:
        status["python-debian"] = {"status": "unavailable", "reason": str(e)}
    try:
        import rpm_vercmp
        methods.append(Method("rpm-vercmp", "rpm_vercmp.vercmp(a, b)", ["rpm"], "f(a, b)",
                              {"f": rpm_vercmp.vercmp}, floor=True))
        status["rpm-vercmp"] = {"status": "ok", "version": _version_of("rpm-vercmp")}
    except ImportError as e:
        status["rpm-vercmp"] = {"status": "unavailable", "reason": str(e)}
    try:
        import univers.versions as uv
        classes = {"pep440": "PypiVersion", "debian": "DebianVersion", "rpm": "RpmVersion",
                   "maven": "MavenVersion", "ruby": "RubygemsVersion", "go": "GolangVersion",
                   "nuget": "NugetVersion", "composer": "ComposerVersion",
                   "alpine": "AlpineLinuxVersion", "generic": "GenericVersion"}
        groups = {name: [eco] for eco, name in classes.items()}
        groups["SemverVersion"] = list(SEMVER_FAMILY)
        for name, ecos in groups.items():
            cls = getattr(uv, name)
            methods.append(Method("univers", f"{name}(a) < {name}(b)", ecos, "V(a) < V(b)",
                                  {"V": cls}, floor=(name == "PypiVersion")))
            makers.append(Maker("univers", f"univers {name}(s)", ecos, cls))
        status["univers"] = {"status": "ok", "version": _version_of("univers")}
    except ImportError as e:
        status["univers"] = {"status": "unavailable", "reason": str(e)}
    try:
        import libversion
        methods.append(Method("libversion", "libversion.version_compare(a, b)", ["generic"],
                              "f(a, b)", {"f": libversion.version_compare}, floor=True))
        makers.append(Maker("libversion", "libversion.Version(s)", ["generic"], libversion.Version))
        status["libversion"] = {"status": "ok", "version": _version_of("libversion")}
    except ImportError as e:
        status["libversion"] = {"status": "unavailable", "reason": str(e)}
    return methods, makers


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


def native_peers(status):
    methods, makers = [], []
    try:
        import apt_pkg
        apt_pkg.init_system()
        methods.append(Method("apt_pkg", "apt_pkg.version_compare(a, b)", ["debian"], "f(a, b)",
                              {"f": apt_pkg.version_compare}, floor=True, native=True))
        makers.append(Maker("apt_pkg", "cmp_to_key(apt_pkg.version_compare)", ["debian"], None,
                            sort_key=functools.cmp_to_key(apt_pkg.version_compare), native=True))
        status["apt_pkg"] = {"status": "ok", "version": getattr(apt_pkg, "VERSION", None)}
    except ImportError as e:
        status["apt_pkg"] = {"status": "unavailable", "reason": str(e)}
    try:
        import rpm
        methods.append(Method("rpm", "rpm.labelCompare(a, b) on (epoch, version, release) "
                              "tuples split beforehand", ["rpm"], "f(a, b)",
                              {"f": rpm.labelCompare}, prep=split_evr, floor=True, native=True))
        methods.append(Method("rpm", "rpm.ver(a) < rpm.ver(b)", ["rpm"], "V(a) < V(b)",
                              {"V": rpm.ver}, floor=True, native=True))
        makers.append(Maker("rpm", "rpm.ver(s)", ["rpm"], rpm.ver, native=True))
        makers.append(Maker("rpm", "cmp_to_key(rpm.labelCompare), tuples split beforehand", ["rpm"],
                            None, sort_key=functools.cmp_to_key(rpm.labelCompare), prep=split_evr,
                            native=True))
        status["rpm"] = {"status": "ok", "version": getattr(rpm, "__version__", None)}
    except ImportError as e:
        status["rpm"] = {"status": "unavailable", "reason": str(e)}
    return methods, makers


def _accepts(call, a, b):
    try:
        call(a, b)
        return True
    except Exception:  # noqa: BLE001 - any refusal of the peer counts
        return False


def _sign(x):
    if isinstance(x, bool):
        return x
    return (x > 0) - (x < 0)


def measure_floor(methods, log):
    a, b = SHORT_PAIR
    n = 20_000
    A, B = [a] * n, [b] * n
    calls = {
        "operator.eq(a, b)": ("f(a, b)", {"f": operator.eq}),
        "tambry.compare(a, b)": ("f(a, b)", {"f": tambry.compare}),
        "tambry.lt(a, b)": ("f(a, b)", {"f": tambry.lt}),
        "tambry.le(a, b)": ("f(a, b)", {"f": tambry.le}),
        "tambry.gt(a, b)": ("f(a, b)", {"f": tambry.gt}),
        "tambry.ge(a, b)": ("f(a, b)", {"f": tambry.ge}),
        "tambry.eq(a, b)": ("f(a, b)", {"f": tambry.eq}),
        "tambry.ne(a, b)": ("f(a, b)", {"f": tambry.ne}),
        "tambry.compare(a, b, 'semver')": ("f(a, b, 'semver')", {"f": tambry.compare}),
        "tambry.compare(a, b, 'pep440')": ("f(a, b, 'pep440')", {"f": tambry.compare}),
        "tambry.compare(a, b, 'debian')": ("f(a, b, 'debian')", {"f": tambry.compare}),
        "tambry.compare(a, b, 'rpm')": ("f(a, b, 'rpm')", {"f": tambry.compare}),
        "tambry.compare_semver_strict(a, b)": ("f(a, b)", {"f": tambry.compare_semver_strict}),
    }
    runners = {k: (timing.compile_loop(e, nm, timing.REPEAT_LOOP), A, B) for k, (e, nm) in calls.items()}
    peers = {}
    for m in methods:
        if m.floor:
            pa, pb = (m.prep(a), m.prep(b)) if m.prep else (a, b)
            if _accepts(m.call, pa, pb):
                key = f"{m.peer}: {m.label}"
                runners[key] = (timing.compile_loop(m.expr, m.names, timing.REPEAT_LOOP),
                                [pa] * n, [pb] * n)
                peers[key] = m
    ns = timing.race(runners, repeats=11)
    eq = ns["operator.eq(a, b)"]
    rows = []
    for k, v in ns.items():
        m = peers.get(k)
        rows.append({"call": k, "ns": v, "x_eq": v / eq, "peer": m.peer if m else
                     ("tambry" if k.startswith("tambry") else "floor"),
                     "native": bool(m and m.native)})
        log(f"  floor {k:60} {v:8.1f} ns  {v / eq:6.2f}x eq")
    return {"pair": list(SHORT_PAIR), "rows": rows}


def measure_pairwise(methods, n_pairs, log):
    out = []
    for eco in corpus.ECOSYSTEMS:
        versions = corpus.read(eco)
        pairs = corpus.make_pairs(versions, n_pairs)
        tcall = timing.compile_call("f(a, b, e)", {"f": tambry.compare, "e": eco})
        ok = [p for p in pairs if _accepts(tcall, *p)]
        eq_run = timing.compile_loop("f(a, b)", {"f": operator.eq})
        t_run = timing.compile_loop("f(a, b, e)", {"f": tambry.compare, "e": eco})

        def base(subset, extra=None):
            A = [p[0] for p in subset]
            B = [p[1] for p in subset]
            runners = {"eq": (eq_run, A, B), "tambry": (t_run, A, B)}
            if extra:
                runners.update(extra)
            return timing.race(runners)

        ns = base(ok)
        row = {"ecosystem": eco, "pairs": len(pairs), "tambry_accepted": len(ok),
               "eq_ns": ns["eq"], "tambry_ns": ns["tambry"], "tambry_x_eq": ns["tambry"] / ns["eq"],
               "peers": []}
        log(f"  pairs {eco:9} eq {ns['eq']:6.1f}  tambry {ns['tambry']:6.1f} ns "
            f"({ns['tambry'] / ns['eq']:.2f}x eq, {len(ok)}/{len(pairs)} pairs)")
        for m in methods:
            if eco not in m.ecosystems:
                continue
            prepped = [((m.prep(a), m.prep(b)) if m.prep else (a, b)) for a, b in ok]
            keep = [i for i, (pa, pb) in enumerate(prepped) if _accepts(m.call, pa, pb)]
            sub = [ok[i] for i in keep]
            psub = [prepped[i] for i in keep]
            entry = {"peer": m.peer, "method": m.label, "native": m.native, "used": len(sub)}
            if not sub:
                entry.update({"peer_ns": None, "ratio": None, "note": "rejects every pair"})
                row["peers"].append(entry)
                log(f"        {m.peer:13} {m.label}: rejects every pair")
                continue
            run = timing.compile_loop(m.expr, m.names)
            r = base(sub, {"peer": (run, [p[0] for p in psub], [p[1] for p in psub])})
            lt = timing.compile_call("f(a, b, e)", {"f": tambry.lt, "e": eco})
            same = sum(1 for (a, b), (pa, pb) in zip(sub, psub)
                       if _same(m.call(pa, pb), a, b, tcall, lt))
            entry.update({"peer_ns": r["peer"], "tambry_ns": r["tambry"], "eq_ns": r["eq"],
                          "ratio": r["peer"] / r["tambry"], "peer_x_eq": r["peer"] / r["eq"],
                          "tambry_x_eq": r["tambry"] / r["eq"], "same_answer": same / len(sub)})
            row["peers"].append(entry)
            log(f"        {m.peer:13} {r['peer']:9.1f} ns vs tambry {r['tambry']:6.1f} -> "
                f"{r['peer'] / r['tambry']:7.1f}x  ({len(sub)}/{len(ok)} pairs, "
                f"same answer {same / len(sub):.1%})  {m.label}")
        out.append(row)
    return out


def _same(answer, a, b, tcall, lt):
    if isinstance(answer, bool):
        return answer == lt(a, b)
    return _sign(answer) == tcall(a, b)


def measure_sort(makers, count, log):
    out = []
    for eco in SORT_ECOSYSTEMS:
        strings = corpus.generate(eco, count)
        mine = [mk for mk in makers if eco in mk.ecosystems]
        results = {}

        def race_on(subset, extra):
            calls = {"sorted()": lambda: sorted(subset),
                     "tambry.sort_versions": lambda: tambry.sort_versions(subset, eco)}
            calls.update(extra)
            return timing.race_calls(calls)

        base = race_on(strings, {})
        results["all"] = base
        row = {"ecosystem": eco, "count": len(strings), "sorted_s": base["sorted()"],
               "tambry_s": base["tambry.sort_versions"],
               "tambry_x_sorted": base["tambry.sort_versions"] / base["sorted()"], "peers": []}
        log(f"  sort {eco:8} {len(strings)}: sorted() {base['sorted()'] * 1e3:8.1f} ms, "
            f"sort_versions {base['tambry.sort_versions'] * 1e3:8.1f} ms "
            f"({row['tambry_x_sorted']:.2f}x sorted())")
        for mk in mine:
            key = mk.sort_key or mk.make
            items = [mk.prep(s) for s in strings] if mk.prep else strings
            good = []
            for s, item in zip(strings, items):
                try:
                    key(item)
                    good.append((s, item))
                except Exception:  # noqa: BLE001
                    pass
            sub = [s for s, _ in good]
            psub = [i for _, i in good]
            peer_call = {"peer": lambda k=key, p=psub: sorted(p, key=k)}
            if len(sub) == len(strings):
                r = {**base, **timing.race_calls(peer_call)}
            else:
                r = race_on(sub, peer_call)
            entry = {"peer": mk.peer, "method": f"sorted(..., key={mk.label})", "native": mk.native,
                     "used": len(sub), "peer_s": r["peer"], "tambry_s": r["tambry.sort_versions"],
                     "sorted_s": r["sorted()"], "ratio": r["peer"] / r["tambry.sort_versions"]}
            row["peers"].append(entry)
            log(f"       {mk.peer:13} {r['peer'] * 1e3:9.1f} ms -> {entry['ratio']:6.1f}x "
                f"({len(sub)}/{len(strings)})  {entry['method']}")
        out.append(row)
    return out


def measure_construct(makers, log):
    out = []
    for eco in corpus.ECOSYSTEMS:
        strings = corpus.read(eco)
        runners = {"Version(s, eco)": (timing.compile_loop("V(s, e)", {"V": tambry.Version, "e": eco},
                                                           timing.ONE_LOOP), strings, None),
                   "Version(s)": (timing.compile_loop("V(s)", {"V": tambry.Version},
                                                      timing.ONE_LOOP), strings, None)}
        base = timing.race(runners)
        row = {"ecosystem": eco, "count": len(strings), "tambry_ns": base["Version(s, eco)"],
               "tambry_auto_ns": base["Version(s)"], "peers": []}
        log(f"  make {eco:9} Version(s, eco) {base['Version(s, eco)']:7.1f} ns, "
            f"Version(s) {base['Version(s)']:7.1f} ns")
        for mk in makers:
            if eco not in mk.ecosystems or mk.make is None:
                continue
            items = [mk.prep(s) for s in strings] if mk.prep else strings
            sub = []
            for s in items:
                try:
                    mk.make(s)
                    sub.append(s)
                except Exception:  # noqa: BLE001
                    pass
            r = timing.race({"tambry": (timing.compile_loop("V(s, e)", {"V": tambry.Version, "e": eco},
                                                            timing.ONE_LOOP), sub, None),
                             "peer": (timing.compile_loop("V(s)", {"V": mk.make}, timing.ONE_LOOP),
                                      sub, None)})
            entry = {"peer": mk.peer, "method": mk.label, "native": mk.native, "used": len(sub),
                     "peer_ns": r["peer"], "tambry_ns": r["tambry"], "ratio": r["peer"] / r["tambry"]}
            row["peers"].append(entry)
            log(f"       {mk.peer:13} {r['peer']:9.1f} ns vs {r['tambry']:6.1f} -> "
                f"{entry['ratio']:6.1f}x ({len(sub)}/{len(strings)})  {mk.label}")
        out.append(row)
    return out


def _traced_per_object(make, strings):
    objects = [None] * len(strings)
    gc.collect()
    tracemalloc.start()
    before = tracemalloc.get_traced_memory()[0]
    for i, s in enumerate(strings):
        objects[i] = make(s)
    after = tracemalloc.get_traced_memory()[0]
    tracemalloc.stop()
    del objects
    gc.collect()
    return (after - before) / len(strings)


def _compared(obj):
    obj < obj  # noqa: B015 - only for the side effect of building the key
    return obj


def _shallow_per_object(make, strings):
    return sum(sys.getsizeof(make(s)) for s in strings) / len(strings)


def measure_memory(makers, count, log):
    out = []
    sets = []
    for eco in MEMORY_ECOSYSTEMS:
        sets.append((eco, "corpus", corpus.generate(eco, count)))
    short = [s for s in corpus.generate("pep440", count * 3) if len(s) <= 6][:count]
    sets.insert(0, ("pep440", "short (at most 6 characters)", short))
    for eco, kind, strings in sets:
        contenders = [("tambry", f"tambry.Version(s, '{eco}')",
                       lambda s, e=eco: tambry.Version(s, e))]
        for mk in makers:
            if eco in mk.ecosystems and mk.make is not None:
                contenders.append((mk.peer, mk.label, mk.make))
                if mk.peer == "packaging":  # it keeps a sort key once it has been compared
                    contenders.append((mk.peer, mk.label + " after one comparison",
                                       lambda s, make=mk.make: _compared(make(s))))
        row = {"ecosystem": eco, "strings": kind, "count": len(strings),
               "mean_length": sum(map(len, strings)) / len(strings), "rows": []}
        for peer, label, make in contenders:
            good = []
            for s in strings:
                try:
                    make(s)
                    good.append(s)
                except Exception:  # noqa: BLE001
                    pass
            # fresh copies of the texts so that no object can share a cached one
            good = [(s + " ")[:-1] for s in good]
            traced = _traced_per_object(make, good)
            shallow = _shallow_per_object(make, good)
            row["rows"].append({"peer": peer, "method": label, "used": len(good),
                                "traced_bytes": traced, "shallow_bytes": shallow})
            log(f"  memory {eco:7} {kind[:6]:6} {label:38} {traced:7.1f} B traced "
                f"(object itself {shallow:5.1f} B; {len(good)} objects)")
        out.append(row)
    return out


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--peers", choices=["python", "native"], required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--pairs", type=int, default=3000, help="pairs per ecosystem (default 3000)")
    p.add_argument("--sort-count", type=int, default=100_000)
    p.add_argument("--memory-count", type=int, default=100_000)
    p.add_argument("--quick", action="store_true", help="small sizes, for trying the script out")
    args = p.parse_args()
    if args.quick:
        args.pairs, args.sort_count, args.memory_count = 300, 5000, 5000

    def log(msg):
        print(msg, flush=True)

    status = {}
    methods, makers = (python_peers if args.peers == "python" else native_peers)(status)
    for name, st in status.items():
        log(f"peer {name}: {st}")
    started = time.time()
    load_before = os.getloadavg()
    result = {
        "set": args.peers,
        "interpreter": {"executable": sys.executable, "version": platform.python_version(),
                        "implementation": platform.python_implementation(),
                        "build": " ".join(platform.python_build())},
        "tambry_file": tambry.__file__,
        "peers": status,
    }
    log("floor of a call:")
    result["floor"] = measure_floor(methods, log)
    log("pairwise comparison:")
    result["pairwise"] = measure_pairwise(methods, args.pairs, log)
    log("sorting:")
    result["sort"] = measure_sort(makers, args.sort_count, log)
    log("construction:")
    result["construct"] = measure_construct(makers, log)
    if args.peers == "python":
        log("memory:")
        result["memory"] = measure_memory(makers, args.memory_count, log)
    result["seconds"] = time.time() - started
    result["load_average"] = {"before": load_before, "after": os.getloadavg(), "cores": os.cpu_count()}
    with open(args.out, "w") as f:
        json.dump(result, f, indent=1)
    log(f"wrote {args.out} in {result['seconds']:.0f} s")


if __name__ == "__main__":
    main()
