"""Parsing and comparing stay linear in the length of the text.

For every ecosystem and "auto", times one comparison of two long versions of
100 KB and of 1 MB and prints the ratio; linear work gives about 10x.

    python bench/long_inputs.py
"""

import time

import tambry

ECOSYSTEMS = ["generic", "semver", "pep440", "debian", "rpm", "ruby", "maven", "go", "npm",
              "nuget", "composer", "crates", "hex", "swift", "calver", "alpine", "docker", "auto"]


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
    }


def best_seconds(a, b, ecosystem, repeat=3):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        try:
            tambry.compare(a, b, ecosystem)
        except ValueError:
            pass
        best = min(best, time.perf_counter() - start)
    return best


def main():
    small, large = shapes(100_000), shapes(1_000_000)
    print(f"{'ecosystem':10} {'shape':20} {'100 KB ms':>10} {'1 MB ms':>9} {'ratio':>6}")
    worst = 0.0
    for ecosystem in ECOSYSTEMS:
        for shape in small:
            t_small = best_seconds(small[shape], small[shape] + "1", ecosystem)
            t_large = best_seconds(large[shape], large[shape] + "1", ecosystem)
            ratio = t_large / t_small if t_small else float("nan")
            worst = max(worst, t_large)
            print(f"{ecosystem:10} {shape:20} {t_small * 1e3:10.2f} {t_large * 1e3:9.2f} {ratio:6.1f}")
    print(f"slowest 1 MB comparison: {worst * 1e3:.1f} ms")


if __name__ == "__main__":
    main()
