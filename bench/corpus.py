"""Real-looking version strings for every ecosystem, made up here from a fixed seed.

Each ecosystem has a generator that writes versions in the shapes its packages
use in practice: release numbers of two to four parts, pre-releases, post
releases, revisions, epochs, build metadata, distribution tags and so on.
Nothing is copied from a package index; every string is drawn from the
patterns below with Python's own random generator, so the same seed always
gives the same corpus.

    python bench/corpus.py                 # writes bench/out/corpus/<ecosystem>.txt
    python bench/corpus.py --count 20000   # more strings per ecosystem

The benchmark also imports generate() and make_pairs() directly.
"""

import argparse
import os
import random
import re

SEED = 20240607

ECOSYSTEMS = ["generic", "semver", "pep440", "debian", "rpm", "ruby", "maven", "go", "npm",
              "nuget", "composer", "crates", "hex", "swift", "calver", "alpine", "docker"]


# ---------------------------------------------------------------- numbers

def _major(r):
    x = r.random()
    if x < 0.30:
        return 0 if r.random() < 0.5 else 1
    if x < 0.75:
        return r.randint(1, 6)
    if x < 0.95:
        return r.randint(7, 30)
    return r.randint(31, 120)


def _minor(r):
    x = r.random()
    if x < 0.6:
        return r.randint(0, 9)
    if x < 0.95:
        return r.randint(10, 40)
    return r.randint(41, 250)


def _patch(r):
    x = r.random()
    if x < 0.35:
        return 0
    if x < 0.85:
        return r.randint(1, 12)
    return r.randint(13, 120)


def _release(r, lo=2, hi=3, weights=None):
    parts = r.choices(range(lo, hi + 1), weights=weights)[0]
    nums = [_major(r), _minor(r), _patch(r), r.randint(0, 20)][:parts]
    while len(nums) < parts:
        nums.append(r.randint(0, 9))
    return ".".join(map(str, nums))


def _hex(r, n):
    return "".join(r.choice("0123456789abcdef") for _ in range(n))


def _date(r):
    return r.randint(2015, 2025), r.randint(1, 12), r.randint(1, 28)


def _timestamp(r):
    y, m, d = _date(r)
    return f"{y}{m:02}{d:02}{r.randint(0, 23):02}{r.randint(0, 59):02}{r.randint(0, 59):02}"


# ---------------------------------------------------------------- ecosystems

def gen_pep440(r):
    if r.random() < 0.08:
        y, m, d = _date(r)
        rel = r.choice([f"{y}.{m}", f"{y}.{m}.{d}", f"{y}.{m}.{r.randint(0, 5)}"])
    else:
        rel = _release(r, 1, 4, weights=[4, 30, 60, 6])
    s = rel
    if r.random() < 0.02:
        s = f"{r.randint(1, 3)}!{s}"
    x = r.random()
    if x < 0.16:
        s += r.choice(["a", "b", "rc", "rc", "b"]) + str(r.randint(0, 5))
    elif x < 0.19:
        s += r.choice([".alpha", "-beta", ".rc", "-rc", "c", "pre", "preview"]) + str(r.randint(1, 4))
    if r.random() < 0.07:
        s += r.choice([".post", ".post", "-", ".rev", "post"]) + str(r.randint(1, 4))
    if r.random() < 0.08:
        s += ".dev" + str(r.choice([0, 0, 1, 2, r.randint(3, 40), r.randint(20200101, 20241231)]))
    if r.random() < 0.04:
        s += "+" + r.choice(["cpu", "cu118", "cu121", "rocm5.6", "ubuntu1", "local.7",
                             f"g{_hex(r, 7)}", f"deb{r.randint(10, 12)}u{r.randint(1, 4)}"])
    return s


SEMVER_PRE = ["alpha", "beta", "rc", "next", "canary", "preview", "pre", "dev", "insiders", "nightly"]


def _semver_core(r):
    return f"{_major(r)}.{_minor(r)}.{_patch(r)}"


def _semver_pre(r, words=SEMVER_PRE):
    x = r.random()
    w = r.choice(words)
    if x < 0.45:
        return f"{w}.{r.randint(0, 12)}"
    if x < 0.65:
        return f"{w}{r.randint(1, 9)}"
    if x < 0.75:
        return w
    if x < 0.85:
        return f"{w}.{r.randint(0, 3)}.{r.randint(0, 9)}"
    if x < 0.93:
        y, m, d = _date(r)
        return f"{w}.{y}{m:02}{d:02}"
    return f"{r.randint(0, 3)}.{r.randint(0, 9)}.{r.randint(1, 9)}"


def _semver_build(r):
    return r.choice([f"build.{r.randint(1, 999)}", _timestamp(r), f"sha.{_hex(r, 7)}",
                     f"exp.sha.{_hex(r, 7)}", f"{r.randint(1, 99)}", f"git.{_hex(r, 10)}"])


def _semver(r, p_pre, p_build, p_v=0.0, words=SEMVER_PRE):
    s = _semver_core(r)
    if r.random() < p_pre:
        s += "-" + _semver_pre(r, words)
    if r.random() < p_build:
        s += "+" + _semver_build(r)
    if r.random() < p_v:
        s = "v" + s
    return s


def gen_semver(r):
    return _semver(r, 0.22, 0.06)


def gen_npm(r):
    return _semver(r, 0.30, 0.02, words=["alpha", "beta", "rc", "next", "canary", "experimental",
                                           "insiders", "dev", "pr", "nightly"])


def gen_crates(r):
    return _semver(r, 0.10, 0.03, words=["alpha", "beta", "rc", "pre"])


def gen_hex(r):
    return _semver(r, 0.15, 0.02, words=["rc", "alpha", "beta", "dev"])


def gen_swift(r):
    return _semver(r, 0.08, 0.01, words=["beta", "rc", "alpha", "swift"])


def gen_go(r):
    x = r.random()
    if x < 0.18:  # pseudo-version of an untagged module
        return f"v0.0.0-{_timestamp(r)}-{_hex(r, 12)}"
    if x < 0.28:  # pseudo-version after a tag
        return f"v{_major(r)}.{_minor(r)}.{_patch(r) + 1}-0.{_timestamp(r)}-{_hex(r, 12)}"
    if x < 0.33:
        return f"v{r.randint(2, 9)}.{_minor(r)}.{_patch(r)}+incompatible"
    s = "v" + _semver_core(r)
    if r.random() < 0.12:
        s += "-" + _semver_pre(r, ["rc", "alpha", "beta", "pre"])
    return s


def gen_debian(r):
    x = r.random()
    if x < 0.55:
        up = _release(r, 1, 4, weights=[8, 35, 50, 7])
    elif x < 0.65:
        up = f"{_release(r, 2, 3)}+dfsg"
        if r.random() < 0.3:
            up += str(r.randint(1, 3))
    elif x < 0.72:
        y, m, d = _date(r)
        up = f"0.0~git{y}{m:02}{d:02}.{_hex(r, 7)}"
    elif x < 0.80:
        up = f"{_release(r, 2, 3)}~{r.choice(['rc', 'beta', 'alpha', 'pre'])}{r.randint(1, 4)}"
    elif x < 0.85:
        up = f"{r.randint(6, 9)}.{r.randint(0, 9)}p{r.randint(1, 2)}"
    elif x < 0.90:
        y, m, d = _date(r)
        up = f"{y}{m:02}{d:02}"
    elif x < 0.95:
        up = f"{_release(r, 2, 3)}+ds"
    else:
        up = f"{_release(r, 2, 3)}+really{_release(r, 2, 3)}"
    s = up
    if r.random() < 0.10:
        s = f"{r.randint(1, 3)}:{s}"
    if r.random() < 0.88:
        n = r.randint(1, 6)
        rev = r.choice([f"{n}", f"{n}", f"{n}", f"{n}+deb{r.randint(10, 12)}u{r.randint(1, 9)}",
                        f"{n}+b{r.randint(1, 3)}", f"{n}ubuntu{r.randint(1, 4)}",
                        f"{n}ubuntu0.{r.randint(18, 24)}.04.{r.randint(1, 5)}",
                        f"{n}~bpo{r.randint(10, 12)}+{r.randint(1, 2)}", f"0.{r.randint(1, 3)}",
                        f"{n}build{r.randint(1, 4)}"])
        s += "-" + rev
    return s


def gen_rpm(r):
    x = r.random()
    if x < 0.70:
        ver = _release(r, 1, 4, weights=[5, 35, 52, 8])
    elif x < 0.80:
        y, m, d = _date(r)
        ver = f"{_release(r, 2, 3)}^{y}{m:02}{d:02}git{_hex(r, 7)}"
    elif x < 0.88:
        ver = f"{_release(r, 2, 3)}~{r.choice(['rc', 'beta', 'alpha', 'pre'])}{r.randint(1, 4)}"
    elif x < 0.94:
        ver = f"{r.randint(2, 6)}.{r.randint(0, 19)}.0"
    else:
        ver = f"{_release(r, 2, 3)}{r.choice(['a', 'b', 'p1', 'rc2'])}"
    dist = r.choice(["el7", "el8", "el9", "el8_6", "el9_2", "el9_4", "fc37", "fc38", "fc39",
                     "fc40", "amzn2", "amzn2023", "mga9", "suse"])
    n = r.randint(1, 12)
    rel = r.choice([f"{n}.{dist}", f"{n}.{dist}", f"{n}.{dist}", f"0.{n}.rc1.{dist}",
                    f"{r.randint(100, 500)}.{r.randint(1, 40)}.1.{dist}", f"{n}.{dist}.{r.randint(1, 5)}",
                    f"{n}.module+{dist}.{r.randint(1, 9)}.0+{r.randint(1000, 20000)}+{_hex(r, 8)}",
                    f"{n}"])
    s = f"{ver}-{rel}"
    if r.random() < 0.08:
        s = f"{r.randint(1, 3)}:{s}"
    return s


def gen_maven(r):
    rel = _release(r, 2, 4, weights=[20, 70, 10])
    x = r.random()
    if x < 0.55:
        return rel
    if x < 0.67:
        return rel + "-SNAPSHOT"
    if x < 0.75:
        return rel + f"-RC{r.randint(1, 4)}"
    if x < 0.81:
        return rel + r.choice([".Final", ".RELEASE", ".GA", "-GA", ".Final"])
    if x < 0.86:
        return rel + f"-M{r.randint(1, 8)}"
    if x < 0.91:
        return rel + r.choice(["-alpha-", "-beta-", "-alpha", "-beta", "-cr"]) + str(r.randint(1, 5))
    if x < 0.95:
        return f"{r.randint(20, 33)}.{r.randint(0, 3)}-" + r.choice(["jre", "android"])
    y, m, d = _date(r)
    return f"{rel}-{y}{m:02}{d:02}.{r.randint(0, 23):02}{r.randint(0, 59):02}{r.randint(0, 59):02}-{r.randint(1, 40)}"


def gen_ruby(r):
    rel = _release(r, 2, 4, weights=[20, 65, 15])
    x = r.random()
    if x < 0.78:
        return rel
    if x < 0.90:
        return rel + "." + r.choice(["pre", "beta", "rc", "alpha"]) + str(r.randint(1, 4))
    if x < 0.95:
        return rel + "." + r.choice(["pre", "beta", "rc", "alpha"])
    return rel + "." + r.choice(["alpha", "beta"]) + "." + str(r.randint(1, 4))


def gen_nuget(r):
    rel = _release(r, 2, 4, weights=[5, 75, 20])
    x = r.random()
    if x < 0.70:
        return rel
    if x < 0.80:
        return rel + f"-preview.{r.randint(1, 7)}.{r.randint(21000, 24999)}.{r.randint(1, 20)}"
    if x < 0.90:
        return rel + "-" + r.choice(["beta", "alpha", "rc", "preview"]) + str(r.randint(1, 5))
    if x < 0.96:
        return rel + "-" + r.choice(["beta", "alpha", "rc"]) + "." + str(r.randint(1, 5))
    return rel + "-" + r.choice(["alpha", "beta"]) + f"-{r.randint(1, 99):03}"


def gen_composer(r):
    rel = _release(r, 2, 3, weights=[15, 85])
    if r.random() < 0.25:
        rel = "v" + rel
    x = r.random()
    if x < 0.78:
        return rel
    if x < 0.88:
        return rel + "-" + r.choice(["RC", "beta", "alpha", "BETA", "rc"]) + str(r.randint(1, 4))
    if x < 0.93:
        return rel + "-" + r.choice(["beta", "alpha", "RC"])
    if x < 0.97:
        return rel + "-patch" + str(r.randint(1, 3))
    return f"{_major(r)}.{_minor(r)}.x-dev"


def gen_calver(r):
    y, m, d = _date(r)
    x = r.random()
    if x < 0.30:
        return f"{y}.{m:02}.{d:02}"
    if x < 0.50:
        return f"{y}.{m}.{r.randint(0, 6)}"
    if x < 0.65:
        return f"{y % 100}.{m:02}"
    if x < 0.78:
        return f"{y % 100}.{m}.{r.randint(0, 4)}"
    if x < 0.88:
        return f"{y}.{m}"
    if x < 0.94:
        return f"{y}.{m:02}.{d:02}.{r.randint(1, 9)}"
    return f"{y}{m:02}{d:02}"


def gen_alpine(r):
    rel = _release(r, 1, 4, weights=[4, 36, 52, 8])
    x = r.random()
    if x < 0.10:
        rel += "_" + r.choice(["rc", "alpha", "beta", "pre"]) + str(r.randint(1, 5))
    elif x < 0.15:
        rel += "_p" + str(r.randint(1, 20))
    elif x < 0.19:
        y, m, d = _date(r)
        rel += f"_git{y}{m:02}{d:02}"
    elif x < 0.22:
        rel += r.choice(["a", "b", "c"])
    return f"{rel}-r{r.choice([0, 0, 0, 1, 1, 2, 3, r.randint(4, 20)])}"


DOCKER_VARIANTS = ["alpine", "slim", "bookworm", "bullseye", "slim-bookworm", "jammy", "focal",
                   "alpine3.19", "alpine3.18", "windowsservercore", "jdk", "jre", "debian", "fpm",
                   "apache", "management", "perl", "otp26"]


def gen_docker(r):
    x = r.random()
    if x < 0.02:
        return r.choice(["latest", "stable", "edge", "lts", "mainline"])
    if x < 0.30:
        base = f"{_major(r)}.{_minor(r)}"
    elif x < 0.45:
        base = str(r.randint(1, 25))
    else:
        base = _semver_core(r)
    if r.random() < 0.10:
        base = "v" + base
    if r.random() < 0.45:
        base += "-" + r.choice(DOCKER_VARIANTS)
    if r.random() < 0.05:
        base += "-r" + str(r.randint(0, 5))
    return base


def gen_generic(r):
    x = r.random()
    if x < 0.40:
        return _release(r, 1, 4, weights=[5, 35, 50, 10])
    if x < 0.48:
        return gen_pep440(r)
    if x < 0.56:
        return gen_semver(r)
    if x < 0.62:
        return gen_maven(r)
    if x < 0.67:
        return gen_debian(r)
    if x < 0.71:
        return gen_rpm(r)
    if x < 0.75:
        return gen_alpine(r)
    if x < 0.79:
        return gen_docker(r)
    if x < 0.82:
        return gen_calver(r)
    if x < 0.85:
        return gen_go(r)
    if x < 0.90:
        return f"{_release(r, 2, 3)}{r.choice(['a', 'b', 'c', 'p1', 'p2', 'rc1'])}"
    if x < 0.94:
        return f"{_release(r, 2, 3)}-{r.choice(['beta', 'alpha', 'pre', 'final', 'ga', 'sp'])}{r.randint(1, 3)}"
    if x < 0.97:
        return f"r{r.randint(1, 3000)}"
    return f"{_release(r, 2, 3)}.{r.randint(1000, 99999)}"


GENERATORS = {
    "generic": gen_generic, "semver": gen_semver, "pep440": gen_pep440, "debian": gen_debian,
    "rpm": gen_rpm, "ruby": gen_ruby, "maven": gen_maven, "go": gen_go, "npm": gen_npm,
    "nuget": gen_nuget, "composer": gen_composer, "crates": gen_crates, "hex": gen_hex,
    "swift": gen_swift, "calver": gen_calver, "alpine": gen_alpine, "docker": gen_docker,
}


def generate(ecosystem, count, seed=SEED):
    """`count` version strings of `ecosystem`; the same arguments always give the same list."""
    r = random.Random(f"{seed}:{ecosystem}:{count}")
    gen = GENERATORS[ecosystem]
    return [gen(r) for _ in range(count)]


_STEM = re.compile(r"^(?:\d+[:!])?v?\d+(?:\.\d+)?")


def make_pairs(versions, count, seed=SEED):
    """Pairs as a scanner meets them: a tenth equal, a third from the same major.minor, the rest at random.

    Every string is a distinct object (equal texts are copied), so no comparison
    can answer from object identity.
    """
    r = random.Random(f"{seed}:pairs:{len(versions)}:{count}")
    families = {}
    for v in versions:
        m = _STEM.match(v)
        families.setdefault(m.group(0) if m else v[:2], []).append(v)
    pairs = []
    for _ in range(count):
        a = r.choice(versions)
        x = r.random()
        if x < 0.10:
            b = a
        elif x < 0.45:
            m = _STEM.match(a)
            b = r.choice(families[m.group(0) if m else a[:2]])
        else:
            b = r.choice(versions)
        pairs.append(((a + " ")[:-1], (b + " ")[:-1]))
    return pairs


def corpus_dir():
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), "out", "corpus")


def write(count, directory=None):
    directory = directory or corpus_dir()
    os.makedirs(directory, exist_ok=True)
    for eco in ECOSYSTEMS:
        with open(os.path.join(directory, f"{eco}.txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(generate(eco, count)) + "\n")
    return directory


def read(ecosystem, directory=None):
    with open(os.path.join(directory or corpus_dir(), f"{ecosystem}.txt"), encoding="utf-8") as f:
        return f.read().split()


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--count", type=int, default=5000, help="strings per ecosystem (default 5000)")
    p.add_argument("--out", default=None, help="directory (default bench/out/corpus)")
    args = p.parse_args()
    d = write(args.count, args.out)
    print(f"wrote {args.count} versions for each of {len(ECOSYSTEMS)} ecosystems to {d}")


if __name__ == "__main__":
    main()
