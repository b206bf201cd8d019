"""Parsing and comparing stay linear in the length of the text.

For every ecosystem and "auto", and for texts of several shapes, times each
operation on long versions of 100 KB and of 1 MB and prints the ratio; linear
work gives about 10x, quadratic work 100x. The operations are compare, sorting
and picking from a list of long versions, and making a Version and reading its
segments, sort key and hash.

A 100 KB text and its copies fit in the processor's caches and a 1 MB text does
not, so a linear operation can show a ratio well above 10. Each case above
SUSPICIOUS_RATIO is therefore timed again at 2 MB: past the caches, linear work
doubles from 1 MB to 2 MB where quadratic work quadruples.

    python bench/long_inputs.py
"""

import time

import tambry

ECOSYSTEMS = ["generic", "semver", "pep440", "debian", "rpm", "ruby", "maven", "go", "npm",
              "nuget", "composer", "crates", "hex", "swift", "calver", "alpine", "docker", "auto"]
# Well above the 10x of linear work and well below the 100x of quadratic work, with
# room for the caches that a 1 MB text outgrows and a 100 KB text does not.
SUSPICIOUS_RATIO = 35


def shapes(size):
    """Long texts of several shapes; each is admitted by some scheme and rejected by others."""
    n = size // 4
    return {
        "dotted numbers": "1." + ".".join(["123"] * n),
        "digit run": "1" + "0" * size,
        "words": "1.0-" + "rc" * (size // 2),
        "tildes and carets": "1.0" + "~^" * (size // 2),
        "separators": "1" + "." * size + "2",
        "semver prerelease": "1.2.3-" + ".".join(["a1"] * (size // 3)),
        "mixed": "1.0" + "a1.b-2_c~3^" * (size // 11),
        "non-ASCII": "1.0" + "é1" * (size // 3),
    }


def compare(text, ecosystem):
    tambry.compare(text, text + "1", ecosystem)


def collections(text, ecosystem):
    items = [text + "1", text, text + "2"]
    tambry.sort_versions(items, ecosystem)
    tambry.max_version(items, ecosystem)
    tambry.batch_compare([(text, text + "1")], ecosystem)


def version_object(text, ecosystem):
    v = tambry.Version(text, ecosystem)
    v.segments(), v.sort_key(), hash(v)
    v.compare(text + "1", ecosystem)


OPERATIONS = {"compare": compare, "collections": collections, "Version": version_object}


def best_seconds(operation, text, ecosystem, repeat=5):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        try:
            operation(text, ecosystem)
        except ValueError:
            pass  # the scheme rejects this shape, after reading it
        best = min(best, time.perf_counter() - start)
    return best


def main():
    small, large, larger = shapes(100_000), shapes(1_000_000), shapes(2_000_000)
    print(f"{'ecosystem':10} {'operation':12} {'shape':20} {'100 KB ms':>10} {'1 MB ms':>9} {'ratio':>6}")
    worst, worst_ratio, suspicious, doubling = 0.0, 0.0, [], []
    for ecosystem in ECOSYSTEMS:
        for name, operation in OPERATIONS.items():
            for shape in small:
                t_small = best_seconds(operation, small[shape], ecosystem)
                t_large = best_seconds(operation, large[shape], ecosystem)
                ratio = t_large / t_small if t_small else float("nan")
                worst = max(worst, t_large)
                # Sub-millisecond timings are dominated by fixed costs; their ratio says nothing.
                if t_large > 1e-3:
                    worst_ratio = max(worst_ratio, ratio)
                    if ratio > SUSPICIOUS_RATIO:
                        t_larger = best_seconds(operation, larger[shape], ecosystem)
                        doubling.append(t_larger / t_large)
                        suspicious.append(f"{ecosystem} {name} {shape} (2 MB / 1 MB: {t_larger / t_large:.1f})")
                print(f"{ecosystem:10} {name:12} {shape:20} {t_small * 1e3:10.2f} {t_large * 1e3:9.2f} {ratio:6.1f}")
    print(f"slowest 1 MB case: {worst * 1e3:.1f} ms; largest ratio over 1 ms: {worst_ratio:.1f}")
    print(f"ratios above {SUSPICIOUS_RATIO}:", ", ".join(suspicious) if suspicious else "none")
    if doubling:
        print(f"their largest 2 MB / 1 MB ratio: {max(doubling):.1f} (linear about 2, quadratic about 4)")


if __name__ == "__main__":
    main()
