"""How fast tambry.native orders versions, against tambry's own fast schemes and
the Python peers, on real version pairs.

For each of the fourteen native ecosystems: native.compare(a, b, eco) against
tambry.compare(a, b, nearest) under the nearest specified ecosystem, on the pairs
that both accept, and where a Python peer covers the ecosystem (packaging for
pypi, python-semver for semver), against the peer. The pairs are the real ones of
../shared/fidelity/<file>.tsv when that folder is beside the checkout (rows whose
source names a generated list, a go.sum or a lockfile), else the committed vectors
of tests/vectors/native. Times are process CPU time, each contender timed in turns
with the others, best repeat kept (bench/timing.py).

    python bench/native_speed.py                  # every ecosystem
    python bench/native_speed.py -e maven -e pypi
"""

import argparse
import os
import pathlib
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from timing import compile_loop, race  # noqa: E402

import tambry  # noqa: E402
from tambry import native  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parent.parent
FIDELITY = ROOT.parent / "shared" / "fidelity"
VECTORS = ROOT / "tests" / "vectors" / "native"

# Native ecosystem: (its fidelity file, the nearest specified ecosystem).
NEAREST = {
    "npm": ("npm", "npm"), "pypi": ("pep440", "pep440"), "maven": ("maven", "maven"), "gem": ("ruby", "ruby"),
    "cargo": ("crates", "crates"), "golang": ("go", "go"), "nuget": ("nuget", "nuget"),
    "composer": ("composer", "composer"), "hex": ("hex", "hex"), "swift": ("semver", "swift"),
    "deb": ("debian", "debian"), "rpm": ("rpm", "rpm"), "apk": ("alpine", "alpine"), "semver": ("semver", "semver"),
}
REAL_SOURCES = ("generated", "go.sum", "lock")


def rows(path):
    lines = path.read_bytes().decode("utf-8").split("\n")
    return [line.split("\t") for line in lines[1:] if line]


def real_pairs(ecosystem):
    """(pairs, where they came from)."""
    name = NEAREST[ecosystem][0]
    path = FIDELITY / f"{name}.tsv"
    if path.exists():
        pairs = [(r[0], r[1]) for r in rows(path) if len(r) > 3 and any(s in r[3] for s in REAL_SOURCES)]
        if len(pairs) >= 200:
            return pairs, f"real pairs of {path.name}"
        pairs = [(r[0], r[1]) for r in rows(path)]
        return pairs, f"every pair of {path.name}"
    return [(r[0], r[1]) for r in rows(VECTORS / f"{ecosystem}-order.tsv")], f"{ecosystem}-order.tsv"


def accepted_by_both(ecosystem, pairs):
    nearest = NEAREST[ecosystem][1]
    kept = []
    for a, b in pairs:
        try:
            tambry.compare(a, b, nearest)
        except ValueError:
            continue
        if native.is_valid(a, ecosystem) and native.is_valid(b, ecosystem):
            kept.append((a, b))
    return kept


def peers(ecosystem):
    """{name: (expression, globals)} of the Python peers that cover `ecosystem`."""
    found = {}
    if ecosystem == "pypi":
        try:
            from packaging.version import Version
        except ImportError:
            pass
        else:
            found["packaging Version(a) < Version(b)"] = ("Version(a) < Version(b)", {"Version": Version})
    if ecosystem == "semver":
        try:
            import semver
        except ImportError:
            pass
        else:
            found["semver.compare"] = ("compare(a, b)", {"compare": semver.compare})
    return found


def measure(ecosystem, repeats):
    pairs, origin = real_pairs(ecosystem)
    pairs = accepted_by_both(ecosystem, pairs)
    A, B = [a for a, _ in pairs], [b for _, b in pairs]
    nearest = NEAREST[ecosystem][1]
    runners = {
        "native": (compile_loop(f"f(a, b, {ecosystem!r})", {"f": native.compare}), A, B),
        "tambry": (compile_loop(f"f(a, b, {nearest!r})", {"f": tambry.compare}), A, B),
    }
    for name, (expr, names) in peers(ecosystem).items():
        # A peer may refuse what the tool accepts; time it on what it takes.
        run = compile_loop(expr, names)
        try:
            run(A, B)
        except Exception:  # noqa: BLE001 - any refusal means: not comparable here
            continue
        runners[name] = (run, A, B)
    times = race(runners, repeats=repeats)
    return len(pairs), origin, nearest, times


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-e", "--ecosystem", action="append", choices=list(NEAREST))
    parser.add_argument("--repeats", type=int, default=7)
    args = parser.parse_args()
    print("ecosystem  pairs   native   tambry(nearest)   ratio   peers (times slower than native)   pairs from")
    for ecosystem in args.ecosystem or NEAREST:
        count, origin, nearest, times = measure(ecosystem, args.repeats)
        peer_text = ", ".join(f"{name} {times[name] / times['native']:.0f}x" for name in times
                              if name not in ("native", "tambry"))
        print(f"{ecosystem:9} {count:6} {times['native']:7.1f}ns {times['tambry']:7.1f}ns ({nearest:8}) "
              f"{times['native'] / times['tambry']:5.2f}   {peer_text or '-':34} {origin}")


if __name__ == "__main__":
    main()
