"""Generates the labelled vectors of the SemVer-family native schemes.

For npm, semver, cargo, hex and golang it builds a pool of version texts (shapes
seen in real releases, and the hard cases: numeric against alphanumeric
identifiers, leading zeros, huge numbers, build metadata, loose prefixes, white
space, length limits, broken shapes), asks each ecosystem's own tool which it
accepts and how it orders them, and writes

    tests/vectors/native/<purl>-valid.tsv   version, valid (1/0)
    tests/vectors/native/<purl>-order.tsv   a, b, expected (-1/0/1): consecutive
                                            pairs of the tool-sorted pool, then
                                            random pairs

The tools (see labellers/): node-semver under node (NODE_PATH=/usr/share/nodejs),
python `semver` 3.0.2 (run this script with a Python that has it), the Rust
`semver` crate built offline, Elixir's Version, golang.org/x/mod/semver built in
GOPATH mode from /usr/share/gocode. The labellers are built in a scratch
directory, never in the tree. The output is deterministic for a given seed.

    python tools/vectors/semver_family_vectors.py [--only npm,cargo] [--out DIR]
"""

from __future__ import annotations

import argparse
import os
import random
import re
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
LABELLERS = HERE / "labellers"
ROOT = HERE.parent.parent
ECOSYSTEMS = ("npm", "semver", "cargo", "hex", "golang")

# Line breaks of any reader (str.splitlines included) and NUL never enter a text.
FORBIDDEN = set("\t\n\r\x0b\x0c\x1c\x1d\x1e\x85\u2028\u2029\x00")

ORDER_ROWS = 5000
VALID_ROWS = 3000


# ---------------------------------------------------------------- labelling tools


class Labellers:
    """Runs each tool's labeller: valid, compare and sort over lines of text."""

    def __init__(self, scratch: Path):
        self.scratch = scratch
        self.commands: dict[str, list[str]] = {}
        self.env = dict(os.environ)
        self.env.setdefault("NODE_PATH", "/usr/share/nodejs")

    def command(self, ecosystem: str) -> list[str]:
        if ecosystem not in self.commands:
            self.commands[ecosystem] = self._build(ecosystem)
        return self.commands[ecosystem]

    def _build(self, ecosystem: str) -> list[str]:
        if ecosystem == "npm":
            return ["node", str(LABELLERS / "npm_label.js")]
        if ecosystem == "semver":
            return [sys.executable, str(LABELLERS / "semver_label.py")]
        if ecosystem == "hex":
            return ["elixir", str(LABELLERS / "hex_label.exs")]
        if ecosystem == "cargo":
            target = self.scratch / "cargo-target"
            subprocess.run(
                ["cargo", "build", "--quiet", "--release", "--offline"],
                cwd=LABELLERS / "cargo_label",
                env={**self.env, "CARGO_TARGET_DIR": str(target), "RUSTFLAGS": "--cap-lints=allow"},
                check=True,
            )
            return [str(target / "release" / "cargo_label")]
        if ecosystem == "golang":
            binary = self.scratch / "golang_label"
            subprocess.run(
                ["go", "build", "-o", str(binary), str(LABELLERS / "golang_label.go")],
                env={
                    **self.env,
                    "GO111MODULE": "off",
                    "GOPATH": "/usr/share/gocode",
                    "GOCACHE": str(self.scratch / "gocache"),
                    "GOFLAGS": "",
                },
                check=True,
            )
            return [str(binary)]
        raise ValueError(ecosystem)

    def run(self, ecosystem: str, mode: str, lines: list[str]) -> list[str]:
        data = "".join(line + "\n" for line in lines).encode("utf-8")
        done = subprocess.run(
            self.command(ecosystem) + [mode], input=data, capture_output=True, env=self.env, check=False
        )
        if done.returncode != 0:
            raise RuntimeError(f"{ecosystem} labeller failed: {done.stderr.decode(errors='replace')}")
        out = done.stdout.decode("utf-8").split("\n")
        if out and out[-1] == "":
            out.pop()
        if len(out) != len(lines):
            raise RuntimeError(f"{ecosystem} labeller gave {len(out)} lines for {len(lines)}")
        return out

    def valid(self, ecosystem: str, texts: list[str]) -> list[bool]:
        return [flag == "1" for flag in self.run(ecosystem, "valid", texts)]

    def compare(self, ecosystem: str, pairs: list[tuple[str, str]]) -> list[int]:
        return [int(sign) for sign in self.run(ecosystem, "compare", [f"{a}\t{b}" for a, b in pairs])]

    def sort(self, ecosystem: str, texts: list[str]) -> list[str]:
        return self.run(ecosystem, "sort", texts)


# ---------------------------------------------------------------- version shapes

TAGS = (
    "alpha", "beta", "rc", "pre", "dev", "next", "canary", "nightly", "snapshot", "preview",
    "insiders", "experimental", "SNAPSHOT", "RC", "Beta", "Alpha", "M", "b", "a", "test", "build",
)
# Identifiers that sit on the edges of every rule: numeric or not, leading zeros,
# hyphens, case, and numbers around 2^53, 2^63 and 2^64.
HARD_IDENTIFIERS = (
    "0", "00", "01", "007", "1", "2", "9", "10", "11", "99", "100",
    "a", "A", "Z", "z", "-", "--", "-1", "1-", "-a", "a-", "0a", "a0", "1a", "a1", "0-", "1a1",
    "alpha", "Alpha", "ALPHA", "alpha-1", "alpha1", "alpha10", "beta", "rc", "rc1", "x-y-z",
)
BIG_NUMBERS = (
    "9007199254740990", "9007199254740991", "9007199254740992", "9007199254740993",
    "9223372036854775807", "9223372036854775808", "18446744073709551615", "18446744073709551616",
    "99999999999999999999", "100000000000000000000", "123456789012345678901234567890",
)
BUILDS = (
    "build.1", "build.11", "build.2", "001", "01", "1", "0", "00", "sha.5114f85", "exp.sha.5114f85",
    "20130313144700", "x86-64", "git.abc1234", "a", "a.b", "a.1", "1.a", "-", "b-1", "linux.amd64",
    "zstd.1.5.2", "wasi-snapshot-preview1", "incompatible", "0a", "build.01", "build.001",
)
HEX_DIGITS = "0123456789abcdef"


def number(rng: random.Random) -> str:
    roll = rng.random()
    if roll < 0.55:
        return str(rng.randint(0, 5))
    if roll < 0.85:
        return str(rng.randint(0, 30))
    if roll < 0.95:
        return str(rng.choice((99, 100, 101, 999, 1000, 2019, 2024, 65535, 65536, 4294967295, 4294967296)))
    return str(rng.choice((20240101, 20191109021931, 999999999)))


def core(rng: random.Random) -> str:
    return f"{number(rng)}.{number(rng)}.{number(rng)}"


def hex_hash(rng: random.Random, length: int = 12) -> str:
    return "".join(rng.choice(HEX_DIGITS) for _ in range(length))


def timestamp(rng: random.Random) -> str:
    return (
        f"{rng.randint(2015, 2025)}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}"
        f"{rng.randint(0, 23):02d}{rng.randint(0, 59):02d}{rng.randint(0, 59):02d}"
    )


def realistic_prerelease(rng: random.Random) -> str:
    tag = rng.choice(TAGS)
    n = str(rng.randint(0, 12))
    return rng.choice(
        (
            tag,
            f"{tag}.{n}",
            f"{tag}.{n}",
            f"{tag}{n}",
            f"{tag}-{n}",
            f"{tag}.{n}.{rng.randint(0, 3)}",
            n,
            f"{n}.{tag}",
            f"{tag}.{timestamp(rng)[:8]}",
            f"{tag}.{rng.randint(1, 9)}.{hex_hash(rng, 7)}",
            f"0.{timestamp(rng)}-{hex_hash(rng)}",
            f"{timestamp(rng)}-{hex_hash(rng)}",
        )
    )


def hard_prerelease(rng: random.Random, big_last_only: bool) -> str:
    count = rng.choice((1, 1, 2, 2, 3, 4))
    parts = [rng.choice(HARD_IDENTIFIERS) for _ in range(count)]
    if rng.random() < 0.2:
        big = rng.choice(BIG_NUMBERS)
        if big_last_only:
            parts[-1] = big
        else:
            parts[rng.randrange(count)] = big
    return ".".join(parts)


def family(rng: random.Random, base: str) -> list[str]:
    """Versions next to `base`: its pre-releases, its build variants, its neighbours."""
    major, minor, patch = base.split(".")
    out = [base]
    for _ in range(rng.randint(1, 4)):
        out.append(f"{base}-{realistic_prerelease(rng)}")
    if rng.random() < 0.5:
        out.append(f"{base}+{rng.choice(BUILDS)}")
    if rng.random() < 0.3:
        out.append(f"{base}-{realistic_prerelease(rng)}+{rng.choice(BUILDS)}")
    out.append(f"{major}.{minor}.{int(patch) + 1}")
    out.append(f"{major}.{int(minor) + 1}.0")
    return out


def semver_candidates(rng: random.Random, big_last_only: bool) -> list[str]:
    """SemVer-shaped texts, mostly valid under strict SemVer 2.0.0, some not."""
    texts: list[str] = []
    for _ in range(260):
        texts.extend(family(rng, core(rng)))
    # Release trains of one package.
    for _ in range(12):
        major = rng.randint(0, 4)
        for minor in range(rng.randint(2, 6)):
            for patch in range(rng.randint(1, 5)):
                texts.append(f"{major}.{minor}.{patch}")
        texts.extend(f"{major + 1}.0.0-{tag}.{n}" for tag in ("alpha", "beta", "rc") for n in range(3))
    # Hard pre-releases and builds on few cores, so that they meet each other.
    cores = ("1.0.0", "0.0.0", "1.2.3", "0.0.1", "10.20.30")
    for _ in range(700):
        text = f"{rng.choice(cores)}-{hard_prerelease(rng, big_last_only)}"
        if rng.random() < 0.25:
            text += f"+{rng.choice(BUILDS)}"
        texts.append(text)
    for _ in range(220):
        texts.append(f"{rng.choice(cores)}+{rng.choice(BUILDS)}")
        texts.append(f"{rng.choice(cores)}+{rng.choice(BUILDS)}.{rng.choice(BUILDS)}")
    # Huge and edge numbers in the core.
    for big in BIG_NUMBERS + ("0", "1", "4294967296"):
        texts.extend((f"{big}.0.0", f"1.{big}.0", f"1.0.{big}", f"{big}.{big}.{big}-{big}"))
        texts.append(f"1.0.0-{big}")
        texts.append(f"1.0.0-rc.{big}")
    texts.append("1." + "9" * 40 + ".0")
    texts.append("1.0.0-" + "1" * 60)
    # Leading zeros, in every place.
    for text in ("01.2.3", "1.02.3", "1.2.03", "00.0.0", "0.00.0", "0.0.00", "1.2.3-01", "1.2.3-00",
                 "1.2.3-rc.01", "1.2.3-0.01", "1.2.3-0a", "1.2.3-00a", "1.2.3+01", "1.2.3+00.0",
                 "1.2.3-0", "1.2.3-0.0", "1.2.3-a.0"):
        texts.append(text)
    # Long texts around the 256-character mark and beyond.
    for length in (200, 254, 255, 256, 257, 300, 600):
        for head in ("1.2.3-", "1.2.3+"):
            texts.append(head + ("a" * (length - len(head))))
        texts.append("1.2.3-" + ".".join(["a1"] * 200)[: length - 6].rstrip("."))
    # Broken shapes.
    texts.extend(
        (
            "", "1", "1.2", "1.2.3.4", "1..2", ".1.2.3", "1.2.3.", "1.2.3-", "1.2.3+", "1.2.3-+", "1.2.3-+b",
            "1.2.3-a..b", "1.2.3-a.", "1.2.3-.a", "1.2.3+a..b", "1.2.3+.a", "1.2.3++a", "1.2.3-a+b+c",
            "a.b.c", "1.2.c", "1.2.3 4", "1.2.-3", "-1.2.3", "+1.2.3", "1.2.3_4", "1.2.3-a_b", "1.2.3-ä",
            "1.2.3+ä", "\uff11.\uff12.\uff13", "\u0661.\u0662.\u0663", "1.2.3\u0663", "1.2.3-\u0663",
            "1.2.3-1\u0660", "1.2.3~1", "1.2.3-a b", "1.2.3 ", " 1.2.3", "1.2.3#", "1,2,3", "1.2.3-a/b",
            "x", "latest", "*", "1.x", "1.2.x", "^1.2.3", "~1.2.3", ">=1.2.3", "1.2.3 - 2.0.0", "1.2.3.*",
        )
    )
    return texts


def npm_candidates(rng: random.Random) -> list[str]:
    texts = semver_candidates(rng, big_last_only=True)
    prefixes = ("v", "=", "v=", "=v", "vv", "==", "v ", "= ", " ", "  ", " v", " = ", "v\u00a0", "\u00a0",
                "\u3000", "\ufeff", "\u2000", "\u200a", "\u205f", "\u1680", "\u202f", "V", "v.", " V")
    bases = ["1.2.3", "1.2.3-0", "1.2.3-beta", "0.0.0", "1.2.3+b", "1.2.3-rc.1+build.5", "10.2.0"]
    bases += [core(rng) for _ in range(40)]
    for base in bases:
        texts.extend(prefix + base for prefix in rng.sample(prefixes, 6))
        texts.append(rng.choice((base + " ", base + "\u00a0", "v" + base + " ", " " + base + " ")))
    # The loose pattern: optional "-", leading zeros, backtracking into the patch.
    loose = (
        "1.2.3alpha", "1.2.3beta.1", "1.2.3rc1", "1.2.3-", "1.2.3--", "1.2.3---", "1.2.3-.x", "1.2.3-.1",
        "1.2.3-+b", "1.2.3-.+b", "1.2.34.5", "1.2.34.x-y+b", "1.2.34.", "1.2.3.4", "1.2.10.0", "1.2.100.7.a",
        "01.02.03", "001.2.3-01", "1.2.3-00.01", "1.2.3-0001", "1.2.3-1", "1.2.3a.1", "1.2.3a-1",
        "1.2.3-a-1", "1.2.3a1", "1.2.3A", "1.2.3-A", "0.0.0-0", "0.0.0--0", "1.2.3-alpha", "1.2.3-alpha.01",
        "9007199254740991.0.0", "9007199254740992.0.0", "0.9007199254740991.9007199254740991",
        "09007199254740991.0.0", "0.0.90071992547409915.x", "0.0.90071992547409925.x",
        "1.0.0-9007199254740990", "1.0.0-9007199254740991", "1.0.0-09007199254740991",
        "1.0.0-9007199254740992", "1.0.0-9007199254740993", "1.0.0-009007199254740993",
        "1.0.0-a.9007199254740993", "1.0.0-a.18446744073709551616", "1.0.0-a.18446744073709551617",
        "1.0.0-123456789012345678901234567890", "1.0.0-123456789012345678901234567891",
    )
    texts.extend(loose)
    for base in ("1.2.3", "1.2.3-beta.2", "0.1.0alpha"):
        texts.extend(rng.choice(prefixes[:14]) + base for _ in range(3))
    # Numeric pre-release identifiers far past 2^53, where node-semver compares doubles.
    for _ in range(60):
        digits = rng.randint(17, 120)
        texts.append("1.0.0-" + str(rng.randint(1, 9)) + "".join(rng.choice("0123456789") for _ in range(digits)))
    # The 256-unit limit counts each white-space character once, whatever its bytes.
    for length in (255, 256, 257):
        body = "1.2.3-" + "a" * (length - 6)
        texts.append(body)
        texts.append("\u3000" + body[1:])
        texts.append("\u3000" + body)
        texts.append(" " * (length - 5) + "1.2.3")
        texts.append("\u00a0" * (length - 5) + "1.2.3")
    return texts


def cargo_candidates(rng: random.Random) -> list[str]:
    texts = semver_candidates(rng, big_last_only=False)
    # Build metadata takes part in the order: variants of one version meet.
    for base in ("1.0.0", "1.0.0-alpha", "0.3.0", "2.0.1"):
        for build in BUILDS:
            texts.append(f"{base}+{build}")
        for _ in range(15):
            texts.append(f"{base}+{rng.choice(BUILDS)}.{rng.choice(HARD_IDENTIFIERS)}")
    texts.extend(("1.0.0+0", "1.0.0+00", "1.0.0+000", "1.0.0+1", "1.0.0+01", "1.0.0+001", "1.0.0+2",
                  "1.0.0+02", "1.0.0+10", "1.0.0+0.0", "1.0.0+0.00", "1.0.0+0-", "1.0.0+-0", "v1.0.0"))
    return texts


def golang_candidates(rng: random.Random) -> list[str]:
    texts = ["v" + text for text in semver_candidates(rng, big_last_only=False)]
    texts += rng.sample(semver_candidates(rng, big_last_only=False), 200)  # without the "v"
    for _ in range(300):
        stamp, commit = timestamp(rng), hex_hash(rng)
        major = rng.randint(0, 3)
        texts.append(rng.choice((
            f"v0.0.0-{stamp}-{commit}",
            f"v{major}.{rng.randint(0, 9)}.{rng.randint(1, 9)}-0.{stamp}-{commit}",
            f"v{major}.{rng.randint(0, 9)}.{rng.randint(1, 9)}-rc.1.0.{stamp}-{commit}",
            f"v{major + 2}.0.0-{stamp}-{commit}+incompatible",
            f"v{major + 2}.{rng.randint(0, 5)}.{rng.randint(0, 5)}+incompatible",
        )))
    for text in ("v0", "v1", "v2", "v10", "v01", "v1.2", "v1.0", "v0.0", "v1.02", "v1.2-pre", "v1.2+b", "v1-pre",
                 "v1+b", "v1.", "v1.2.", "v", "V1.2.3", "vv1.2.3", "v 1.2.3", "v1.2.3.4", "v1.2.0", "v1.0.0",
                 "v1.2.0+meta", "v1.0.0+incompatible", "v2.0.0+incompatible", "v" + "9" * 30,
                 "v" + "9" * 30 + ".1", "v1." + "1" * 25):
        texts.append(text)
    return texts


MUTATIONS = (
    lambda t, r: "v" + t,
    lambda t, r: "V" + t,
    lambda t, r: "=" + t,
    lambda t, r: " " + t,
    lambda t, r: t + " ",
    lambda t, r: "0" + t,
    lambda t, r: t.replace(".", ".0", 1),
    lambda t, r: t.replace(".", "..", 1),
    lambda t, r: t.replace(".", "", 1),
    lambda t, r: t.replace("-", "", 1),
    lambda t, r: t.replace("-", "_", 1),
    lambda t, r: t.replace("+", "-", 1),
    lambda t, r: t.replace("-", "+", 1),
    lambda t, r: t.replace("-", "-0", 1),
    lambda t, r: t.replace("-", "-.", 1),
    lambda t, r: t + ".",
    lambda t, r: t + "-",
    lambda t, r: t + "+",
    lambda t, r: t + ".0",
    lambda t, r: t + "+a+b",
    lambda t, r: t + "-0" + str(r.randint(0, 9)),
    lambda t, r: t + r.choice("!#$%&*/:;<=>?@[]^_`{|}~é\u00a0\u3000"),
    lambda t, r: t[: r.randrange(1, max(2, len(t)))],
)


def mutated(rng: random.Random, texts: list[str], count: int) -> list[str]:
    """Near misses of accepted shapes; the tools decide which still pass. Texts with
    numbers of 16 digits or more are left alone: npm's big numeric identifiers stay
    last in their pre-release, out of the part of its order that is not transitive."""
    plain = [t for t in texts if not re.search(r"[0-9]{16}", t)]
    return [rng.choice(MUTATIONS)(rng.choice(plain), rng) for _ in range(count)]


def with_near_misses(candidates):
    def build(rng: random.Random) -> list[str]:
        texts = candidates(rng)
        return texts + mutated(rng, texts, 1500)

    return build


CANDIDATES = {
    "npm": with_near_misses(npm_candidates),
    "semver": with_near_misses(lambda rng: semver_candidates(rng, big_last_only=False)),
    "cargo": with_near_misses(cargo_candidates),
    "hex": with_near_misses(lambda rng: semver_candidates(rng, big_last_only=False)),
    "golang": with_near_misses(golang_candidates),
}


# ---------------------------------------------------------------- vectors


def unique(texts: list[str]) -> list[str]:
    seen: set[str] = set()
    out = []
    for text in texts:
        if FORBIDDEN.isdisjoint(text) and text not in seen:
            seen.add(text)
            out.append(text)
    return out


def validity_rows(rng: random.Random, texts: list[str], flags: list[bool]) -> list[tuple[str, int]]:
    valid = [t for t, ok in zip(texts, flags) if ok]
    invalid = [t for t, ok in zip(texts, flags) if not ok]
    take_invalid = min(len(invalid), VALID_ROWS * 2 // 5)
    take_valid = min(len(valid), VALID_ROWS - take_invalid)
    rows = [(t, 1) for t in rng.sample(valid, take_valid)] + [(t, 0) for t in rng.sample(invalid, take_invalid)]
    rng.shuffle(rows)
    return rows


def order_pairs(rng: random.Random, ordered: list[str]) -> list[tuple[str, str]]:
    pairs = list(zip(ordered, ordered[1:]))
    seen = set(pairs)
    while len(pairs) < ORDER_ROWS:
        i = rng.randrange(len(ordered))
        if rng.random() < 0.6:  # near neighbours differ late, where the rules are subtle
            j = min(len(ordered) - 1, max(0, i + rng.randint(-12, 12)))
        else:
            j = rng.randrange(len(ordered))
        pair = (ordered[i], ordered[j])
        if i != j and pair not in seen and pair[::-1] not in seen:
            seen.add(pair)
            pairs.append(pair)
    # Each pair either way round, so that all three answers appear.
    return [(b, a) if rng.random() < 0.5 else (a, b) for a, b in pairs[:ORDER_ROWS]]


def write_tsv(path: Path, header: str, rows: list[tuple]) -> None:
    with path.open("w", encoding="utf-8", newline="\n") as out:
        out.write(header + "\n")
        for row in rows:
            out.write("\t".join(str(field) for field in row) + "\n")


def has_unicode_digit(text: str) -> bool:
    return any(c.isdecimal() and not c.isascii() for c in text)


# Python's `semver` matches \d in its patterns against every Unicode decimal digit
# (they lack re.ASCII), so it takes "1.2.3\u0663" as 1.2.33. SemVer 2.0.0's digits are
# ASCII, and so are the semver scheme's: such texts are left out, not mislabelled.
LEFT_OUT = {"semver": has_unicode_digit}


def generate(ecosystem: str, labellers: Labellers, out_dir: Path, seed: int) -> None:
    rng = random.Random(f"{seed}:{ecosystem}")
    texts = unique(CANDIDATES[ecosystem](rng))
    if ecosystem in LEFT_OUT:
        texts = [t for t in texts if not LEFT_OUT[ecosystem](t)]
    flags = labellers.valid(ecosystem, texts)
    write_tsv(out_dir / f"{ecosystem}-valid.tsv", "version\tvalid", validity_rows(rng, texts, flags))

    accepted = [t for t, ok in zip(texts, flags) if ok]
    ordered = labellers.sort(ecosystem, accepted)
    pairs = order_pairs(rng, ordered)
    signs = labellers.compare(ecosystem, pairs)
    write_tsv(out_dir / f"{ecosystem}-order.tsv", "a\tb\texpected", [(a, b, s) for (a, b), s in zip(pairs, signs)])
    print(f"{ecosystem}: {len(texts)} texts, {len(accepted)} accepted, {len(pairs)} pairs")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", default=",".join(ECOSYSTEMS))
    parser.add_argument("--out", type=Path, default=ROOT / "tests" / "vectors" / "native")
    parser.add_argument("--seed", type=int, default=14)
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="semver-family-labellers-") as scratch:
        labellers = Labellers(Path(scratch))
        for ecosystem in args.only.split(","):
            generate(ecosystem, labellers, args.out, args.seed)


if __name__ == "__main__":
    main()
