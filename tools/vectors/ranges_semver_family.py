"""Generates the labelled range vectors of npm, cargo and hex.

For each ecosystem it writes ranges in the shapes real manifests use and the hard
ones (every operator and form, white space in every place the syntax allows or
trips on, partial and loose versions, pre-releases and build metadata, unions,
empty and impossible ranges, ranges the tool rejects), pairs each with versions
near its bounds, and has the ecosystem's own tool label every pair:

    tests/vectors/ranges/npm.tsv     node-semver 7.3.5, loose: satisfies() with the
                                     default pre-release rule, and with
                                     includePrerelease
    tests/vectors/ranges/cargo.tsv   the semver crate 1.0.14: VersionReq::matches
    tests/vectors/ranges/hex.tsv     Elixir 1.14's Version.match? with
                                     allow_pre: false, and with allow_pre: true

Columns: range, version, expected (the default rule), expected_prereleases (the
tool's option that includes pre-releases, "-" where it has none). A label is 1,
0, or "invalid" when the tool rejects the range. Rows whose version the tool
rejects are dropped. The labellers (see labellers/) are built in a scratch
directory; the output is deterministic for a given seed.

    python tools/vectors/ranges_semver_family.py [--only npm,cargo] [--out DIR]
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
ECOSYSTEMS = ("npm", "cargo", "hex")

# Line breaks of any reader (str.splitlines included), tabs and NUL never enter a field.
FORBIDDEN = set("\t\n\r\x0b\x0c\x1c\x1d\x1e\x85\u2028\u2029\x00")

RANGES = {"npm": 900, "cargo": 650, "hex": 650}
VERSIONS_PER_RANGE = 8

# ---------------------------------------------------------------- labelling tools


def run(command: list[str], lines: list[str], env: dict[str, str]) -> list[str]:
    data = "".join(line + "\n" for line in lines).encode("utf-8")
    done = subprocess.run(command, input=data, capture_output=True, env=env, check=False)
    if done.returncode != 0:
        raise RuntimeError(f"{command[0]} failed: {done.stderr.decode(errors='replace')[-2000:]}")
    out = done.stdout.decode("utf-8").split("\n")
    if out and out[-1] == "":
        out.pop()
    if len(out) != len(lines):
        raise RuntimeError(f"{command} gave {len(out)} lines for {len(lines)}")
    return out


def labeller(ecosystem: str, scratch: Path, env: dict[str, str]) -> list[str]:
    if ecosystem == "npm":
        return ["node", str(LABELLERS / "npm_range_label.js")]
    if ecosystem == "hex":
        return ["elixir", str(LABELLERS / "hex_range_label.exs")]
    target = scratch / "cargo-target"
    subprocess.run(
        ["cargo", "build", "--quiet", "--release", "--offline"],
        cwd=LABELLERS / "cargo_range_label",
        env={**env, "CARGO_TARGET_DIR": str(target), "RUSTFLAGS": "--cap-lints=allow"},
        check=True,
    )
    return [str(target / "release" / "cargo_range_label")]


# ---------------------------------------------------------------- versions

PRE_TAGS = ("0", "1", "alpha", "alpha.1", "beta", "beta.2", "rc.1", "rc.10", "pre", "dev", "a", "x.7.z")
BUILDS = ("build.1", "001", "sha.5114f85", "x86-64", "b")


def core_of(text: str) -> tuple[int, int, int] | None:
    match = re.match(r"v?(\d{1,25})(?:\.(\d{1,25}))?(?:\.(\d{1,25}))?", text)
    if not match:
        return None
    return tuple(int(part or 0) for part in match.groups())  # type: ignore[return-value]


def neighbours(core: tuple[int, int, int], pre: str | None) -> list[str]:
    """Versions on both sides of a bound: the release, its pre-releases, the next
    patch, minor and major and their pre-releases, and the ones before."""
    major, minor, patch = core
    plain = f"{major}.{minor}.{patch}"
    out = [plain, f"{plain}-0", f"{plain}-alpha", f"{plain}-rc.1", f"{plain}+build.1"]
    for nxt in (f"{major}.{minor}.{patch + 1}", f"{major}.{minor + 1}.0", f"{major + 1}.0.0"):
        out += [nxt, f"{nxt}-0", f"{nxt}-beta.1"]
    if patch:
        out.append(f"{major}.{minor}.{patch - 1}")
    if minor:
        out += [f"{major}.{minor - 1}.0", f"{major}.{minor - 1}.9"]
    if major:
        out += [f"{major - 1}.9.9", f"{major - 1}.0.0-rc.1"]
    if pre:
        out += [f"{plain}-{pre}", f"{plain}-{pre}.1", f"{plain}-{pre}.0", f"{plain}-{pre}+meta"]
        out += [f"{plain}-{pre}a", f"{plain}-zzz", f"{major}.{minor}.{patch + 1}-{pre}"]
    return out


VERSION_TOKEN = re.compile(r"v?\d+(?:\.(?:\d+|[xX*]))?(?:\.(?:\d+|[xX*]))?(?:-?[0-9A-Za-z][0-9A-Za-z.-]*)?")


def versions_near(rng: random.Random, text: str, pool: list[str]) -> list[str]:
    candidates: list[str] = []
    for token in VERSION_TOKEN.findall(text):
        core = core_of(token.lstrip("v="))
        if core is None:
            continue
        pre = token.split("-", 1)[1] if "-" in token else None
        candidates += neighbours(core, pre or None)
    picked = rng.sample(candidates, min(len(candidates), VERSIONS_PER_RANGE - 2)) if candidates else []
    picked += rng.sample(pool, VERSIONS_PER_RANGE - len(picked))
    return list(dict.fromkeys(picked))


def version_pool(rng: random.Random) -> list[str]:
    pool = []
    for _ in range(200):
        core = (rng.choice([0, 0, 1, 1, 2, 3, 10]), rng.choice([0, 0, 1, 2, 3, 10]), rng.choice([0, 0, 1, 3, 9]))
        version = ".".join(map(str, core))
        if rng.random() < 0.4:
            version += "-" + rng.choice(PRE_TAGS)
        if rng.random() < 0.15:
            version += "+" + rng.choice(BUILDS)
        pool.append(version)
    return pool


# ---------------------------------------------------------------- npm ranges

NPM_HARD = [
    "", " ", "*", "x", "X", "||", " || ", "* || 1.0.0-beta", "1.0.0-beta || *", "x.x.x", "*.*", "1.*.*",
    "latest", "foo", "1.2.3 foo", "foo || 1.2.3", "^1.2.3 garbage ~2", "> = 1.2.3", ">= v 1.2.3", "=v1.2.3",
    "v1.2.3", "vv1.2.3", "==1.2.3", "=1.2.3", "= 1.2.3", "=  v  1.2.3", "1.2.3*", "*1.2.3", ">*1.2.3", "**",
    ">=0a0b0", ">=0a0b0 1.0.0-beta", ">=0.0.0", ">=0.0.0-0", ">=0", ">=0.0", ">=0.0.0-0 0.0.0-beta", "<0.0.0-0",
    "<0.0.0-0 || 1.2.3", "<0.0.0-0 || <0.0.0", ">*", "<*", ">=*", "<=*", "=*", "~*", "^*", "^x.2.3", "~x",
    "1.2.3-12v= 2", "~ > 1.2", "~ 1.2", "~> 1.2", "~>1.2", "~>1.2.3-beta", "^ 1.2", "^  1.2.3", "^1.2.3 ^ 2",
    "^1000000000000000000000", "<=1000000000000000000000.x", ">9007199254740993", ">=9007199254740991.0.0",
    "^9007199254740991", "<=9007199254740990.x", "~1.9007199254740991", "1.2.3 - 2", "= 1.2.3 - 2", "1 - = 2",
    "1.2 - 3.4", "1.2.3 - 3.4.5-beta", "1.2.3-alpha - 1.2.3", "1.2.3+build - 2.0.0", "x - 1.2", "1.2 - x",
    "* - *", "1.2.3 -2.0.0", "1.2.3- 2.0.0", "1.2.3  -  2.0.0", "1.2.3 - 2.0.0 - 3.0.0", "v1.2.3 - v2.0.0",
    "1.2.34.5", ">=1.2.34.5", "1.2.3beta", ">=1.2.3beta", "01.02.03", "^01.2.3", "^00.1.2", "~01.2", "1.2.3-",
    ">1.2.3-", "1.2.3-.4", "1.2.3+", "1.2.3+a+b", "1.2.3-beta+build", "^1.2.3-beta+build", "1.2.x-beta",
    ">1.2.x", "<=1.2.x", "<1.x", ">=1.x", "<=1", ">1", ">1.2", "<1.2", "=1.x", "1.2.3 || >=2 <3 || 4.x",
    ">=1.2.3-beta <2", ">=1.2.3-beta <2 || 3.0.0-rc.1", "^1.2.3-beta.2", "~1.2.3-beta.2", "^0.0.3-beta",
    "^0.2.3-beta", ">1.2.3-beta", "<1.2.3-beta", "<=1.2.3-beta", ">=1.2.3-beta.1 <1.2.3-beta.10",
    "1.2.3-alpha.1 || 1.2.4", "1.2.3 1.2.4", ">=2 <1", ">=1.0.0 <1.0.0", ">1.0.0 <=1.0.0", "<2 >=1 <1.5",
    "1.2.3 | 2.0.0", "1.2.3 ||| 2.0.0", "|| 1.2.3", "1.2.3 ||", ">=1\u00a0<2", "\u3000^1.2.3\ufeff", "^1\u2003|| 2",
    "> 1.2.3 < 1.2.5", "<  2.0.0   >=1.0.0", "<=>1.2.3", "=<1.2.3", "=>1.2.3", "<>1.2.3", "<<1.2.3", ">=>=1.2.3",
    "^~1.2.3", "~^1.2.3", "^^1.2.3", "1.2.3 ~ 1.2", "~1.2.3 ^1.2.3", "=1.2.3 - 2", "1.x - 2.x", "^1.x", "~1.x",
    "^1.2.x", "~1.2.x", "^1.2.*", "1.2.X", "1.X", ">=1.2.3 <=1.2.3", "1.2.3 !=1.2.4", "!1.2.3", "1.2.3.4",
    "1.2.3-beta.1.2", "^0.0", "^0", "~0", "^0.0.0", "~0.0.0", "0.0.0", "^0.0.x", "v", "=", ">", "<", "~", "^",
    "é", ">=1.2.3 é", "^1.2.3 <2.0.0-rc.1", ">=1.0.0-0", ">=1.0.0-0 <1.0.0", "^1.0.0-0", "~1.0.0-0",
]

NPM_OPS = ["", "", "^", "^", "~", ">=", ">", "<", "<=", "=", "~>", "v", "=v"]


def npm_xrange(rng: random.Random, pool_pre: bool) -> str:
    parts = [str(rng.choice([0, 1, 1, 2, 3, 10]))]
    for _ in range(rng.choice([0, 1, 2, 2, 2, 2])):
        parts.append(rng.choice(["0", "1", "2", "3", "x", "*", "X", "10"]) if rng.random() < 0.3 else str(rng.choice([0, 1, 2, 5])))
    text = ".".join(parts)
    if len(parts) == 3 and pool_pre and rng.random() < 0.35:
        text += rng.choice(["-", "-", ""]) + rng.choice(["alpha", "beta.1", "rc.1", "0", "pre"])
    if len(parts) == 3 and rng.random() < 0.08:
        text += "+" + rng.choice(BUILDS)
    return text


def npm_range(rng: random.Random) -> str:
    space = lambda: rng.choice(["", "", "", " ", "  "])  # noqa: E731
    alternatives = []
    for _ in range(rng.choice([1, 1, 1, 1, 2, 2, 3])):
        if rng.random() < 0.12:
            alternatives.append(f"{npm_xrange(rng, True)} - {npm_xrange(rng, True)}")
            continue
        words = []
        for _ in range(rng.choice([1, 1, 2, 2, 3])):
            words.append(rng.choice(NPM_OPS) + space() + npm_xrange(rng, True))
        alternatives.append(rng.choice([" ", " ", "  "]).join(words))
    return rng.choice(["||", " || ", " ||  ", "|| "]).join(alternatives)


# ---------------------------------------------------------------- cargo ranges

U64 = 18446744073709551615
CARGO_HARD = [
    "", " ", "*", "x", "X", " * ", "*,", "*, 1", "1, *", "x1", "**", "1.2.3 ", "  1.2.3", "\u00a01.2.3",
    "1.*", "=1.*", ">=1.*.*", "1.x.3", "1.*.3", "1.2.*", "1.2.x", "1.X.X", "=1.2.*", "<1.*", ">1.*", "~1.*",
    "^1.*", "<=1.*", "01", "1.02", "1.2.03", "1.2.3-01", "1.2.3-0", "1.2.3-00a", "1.2.3+01", "1.2.3+", "1.2.3-",
    "1.2.3-.a", "1.2.3-a.", "1.2.3-a..b", "1.2-beta", "1.2.3beta", ">= 1.2, < 2", ">=1.2 ,<2", ">=1.2,<2",
    "1.2.3,", ",1.2", "1.2.3,,1.2.4", "^ 1.2", "~ 1.2", "= 1.2.3", "> = 1.2.3", "~>1.2", "1.2.3 - 2",
    "1.2.3 || 2", "1.2.3 2.0.0", ">=1, <1.5.0-beta", ">=1.0.0-alpha, <1.0.0", ">=1.0.0-alpha, <2.0.0",
    "^1.2.3-alpha.1", "~1.2.3-alpha.1", "=1.2.3-alpha.1", ">1.2.3-alpha.1", "<1.2.3-alpha.1", "<=1.2.3-alpha.1",
    ">=1.2.3-alpha.1", "^0.0.3-beta", "^0.2.3-beta", "^0.0.3", "^0.0", "^0", "^0.2", "~0", "~0.0", "=0",
    f"{U64}", f"{U64 + 1}", f">{U64}.{U64}.{U64}", f"<={U64}", f"^{U64}", f"~{U64}.{U64}", f"^0.{U64}",
    f">{U64}.{U64}", f"<={U64}.{U64}", f"^0.0.{U64}", f"={U64}.{U64}.{U64}-a", "v1.2.3", "=v1.2.3",
    ",".join(["1"] * 32), ",".join(["1"] * 33), ", ".join([">=1.0.0"] * 31 + ["<2"]), "1.2.3+build.1",
    "=1.2.3+build.1", "^1.2.3+build", ">=1.2.3+a, <1.2.3+b", "1.2.3 ,", "1. 2", "1 .2", "1.2 .3", ">=1.2.3-beta, <1.2.3",
    ">=1.2.3-beta,<=1.2.3-beta", ">1.2.3-beta, <1.2.3", "~1.2.3, ^1.2.3", "=1.2, >=1.2.1-alpha", "<=1.2, >=1.2.0-alpha",
    ">=1.2, <1.2.5-alpha", "^1.2, <1.2.5-alpha", "^1, >=1.0.0-alpha", "~1, >=1.0.0-alpha", "^0.0, >=0.0.0-alpha",
    ">1, <2.0.0-beta", ">1.2, <1.3.0-beta", "<1, >=0.0.0-alpha", "<1.2, >=1.1.9-alpha", "1.2.3-a-b.c-d",
]

CARGO_OPS = ["", "", "^", "~", "=", ">", ">=", "<", "<="]


def cargo_version(rng: random.Random) -> str:
    parts = [str(rng.choice([0, 0, 1, 1, 2, 3, 10]))]
    for _ in range(rng.choice([0, 1, 2, 2, 2, 2])):
        parts.append(rng.choice(["*", "x", "X"]) if rng.random() < 0.1 else str(rng.choice([0, 1, 2, 5])))
    text = ".".join(parts)
    if len(parts) == 3 and "*" not in text and "x" not in text.lower():
        if rng.random() < 0.3:
            text += "-" + rng.choice(["alpha", "alpha.1", "beta.2", "rc.1", "0", "1"])
        if rng.random() < 0.08:
            text += "+" + rng.choice(BUILDS)
    return text


def cargo_range(rng: random.Random) -> str:
    comparators = []
    for _ in range(rng.choice([1, 1, 1, 2, 2, 3])):
        space = rng.choice(["", "", " "])
        comparators.append(rng.choice(CARGO_OPS) + space + cargo_version(rng))
    return rng.choice([", ", ",", " , "]).join(comparators)


# ---------------------------------------------------------------- hex ranges

HEX_HARD = [
    "", " ", "1.0.0", "== 1.0.0", "==1.0.0", "=1.0.0", "= 1.0.0", "== 1.0", "== 1", "~> 1", "~> 1.0", "~>1.0",
    "~> 1.0-beta", "~> 1.0.0-beta", "~> 1.0+build", "~> 1.0.0+build", "~> 1.2.3-rc.1", "~> 0.0", "~> 0.0.1",
    ">=1.0.0 and <2.0.0", ">= 1.0.0 and < 2.0.0", ">= 1.0.0 and< 2.0.0", ">= 1.0.0and < 2.0.0",
    "1.0.0 or 2.0.0", "1.0.0  or  2.0.0", "1.0.0 or", "or 1.0.0", " or 1.0.0", "1.0.0 and", "and 1.0.0",
    "1.0.0 and and 2.0.0", "1.0.0 or or 2.0.0", "1.0.0 2.0.0", ">= >= 1.0.0", "> = 1.0.0", "=> 1.0.0",
    "!= 1.0.0", "!=1.0.0", "! 1.0.0", "!1.0.0", "!== 1.0.0", "!= 1.0.0-rc.1", "< 2.0.0", "<= 2.0.0",
    "< 2.0.0-rc.1", "<= 2.0.0-rc.1", "> 1.0.0", "> 1.0.0-rc.1", ">= 1.0.0-rc.1", "~> 1.2.3 and > 1.2.4-a or 3.0.0",
    "~> 1.0 or ~> 2.0", "~> 1.0 and ~> 1.5", "~> 1.0 and != 1.2.0", "> 1.0.0 and < 1.0.1", ">= 2.0.0 and < 1.0.0",
    "1.0.0 or 2.0.0 and 3.0.0", "1.0.0 and 2.0.0 or 3.0.0", "1.0.0 or 2.0.0 or 3.0.0-rc", "01.0.0", "1.01.0",
    "1.0.01", "1.0.0-01", "1.0.0-0", "1.0.0+01", "1.0.0-", "1.0.0+", "1.0.0-a..b", "1.0.0.0", "1.0", "v1.0.0",
    "1.0.0\u00a0", "1.0.0 or\u00a02.0.0", "é", "1.0.0-é", "~> 99999999999999999999.0", "> 99999999999999999999.0.0",
    "~> 1.99999999999999999999", "~>> 1.0", "~ 1.0", "~>", ">=", "< ", "1.0.0 ", " 1.0.0", "  ~>  1.2.3  ",
    "> 1.0.0-alpha and < 1.0.0", ">= 1.0.0-alpha and < 1.0.0", "~> 1.0.0-alpha and < 1.0.0",
    "!= 1.0.0 and != 1.0.1", "== 1.0.0-alpha", "< 1.0.0 or > 1.0.0", "~> 2.1-dev", "~> 2.1.2-dev",
    ">= 2.1.0", ">= 2.1.0-dev", "<= 1.0.0 and >= 1.0.0",
]

HEX_OPS = ["", "== ", "~> ", "~> ", ">= ", "> ", "< ", "<= ", "!= ", "~>", ">="]


def hex_version(rng: random.Random, approximate: bool) -> str:
    count = rng.choice([2, 3, 3]) if approximate else 3
    text = ".".join(str(rng.choice([0, 1, 1, 2, 3, 10])) for _ in range(count))
    if rng.random() < 0.3:
        text += "-" + rng.choice(["alpha", "alpha.1", "beta.2", "rc.1", "0", "dev"])
    if rng.random() < 0.06:
        text += "+" + rng.choice(BUILDS)
    return text


def hex_range(rng: random.Random) -> str:
    clauses = []
    for _ in range(rng.choice([1, 1, 1, 2, 2, 3])):
        op = rng.choice(HEX_OPS)
        clauses.append(op + hex_version(rng, op.startswith("~>")))
    text = clauses[0]
    for clause in clauses[1:]:
        text += rng.choice([" and ", " and ", " or "]) + clause
    return text


# ---------------------------------------------------------------- assembly

GENERATORS = {
    "npm": (NPM_HARD, npm_range),
    "cargo": (CARGO_HARD, cargo_range),
    "hex": (HEX_HARD, hex_range),
}

LOOSE_NPM = ("v1.2.3", "=1.2.3", "01.02.03", "1.2.3beta", "1.2.3-beta.01", " 1.2.3", "v 2.0.0")
BIG = ("9007199254740991.0.0", "1.9007199254740991.0", f"{U64}.{U64}.{U64}", f"{U64}.0.0", "99999999999999999999.0.0")


def rows_for(ecosystem: str, rng: random.Random) -> list[tuple[str, str]]:
    hard, generate = GENERATORS[ecosystem]
    pool = version_pool(rng) + list(BIG)
    if ecosystem == "npm":
        pool += list(LOOSE_NPM)
    texts = list(dict.fromkeys(hard + [generate(rng) for _ in range(RANGES[ecosystem])]))
    pairs = []
    for text in texts:
        if FORBIDDEN & set(text):
            continue
        for version in versions_near(rng, text, pool):
            if not FORBIDDEN & set(version):
                pairs.append((text, version))
    return pairs


def generate(ecosystem: str, scratch: Path, env: dict[str, str], seed: int) -> list[str]:
    rng = random.Random(f"{seed}-{ecosystem}")
    pairs = rows_for(ecosystem, rng)
    labels = run(labeller(ecosystem, scratch, env), [f"{r}\t{v}" for r, v in pairs], env)
    lines = ["range\tversion\texpected\texpected_prereleases"]
    invalid_seen: dict[str, int] = {}
    for (text, version), label in zip(pairs, labels):
        fields = label.split("\t")
        if fields[0] != "1":
            continue
        expected = fields[1]
        included = fields[2] if len(fields) > 2 else "-"
        if expected == "invalid" and included in ("invalid", "-"):
            # A rejected range needs a row or two, not one per version.
            invalid_seen[text] = invalid_seen.get(text, 0) + 1
            if invalid_seen[text] > 2:
                continue
        lines.append(f"{text}\t{version}\t{expected}\t{included}")
    return lines


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--only", default=",".join(ECOSYSTEMS))
    parser.add_argument("--out", default=str(ROOT / "tests" / "vectors" / "ranges"))
    parser.add_argument("--seed", type=int, default=20261208)
    args = parser.parse_args()
    env = dict(os.environ)
    env.setdefault("NODE_PATH", "/usr/share/nodejs")
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        for ecosystem in args.only.split(","):
            lines = generate(ecosystem, Path(scratch), env, args.seed)
            (out / f"{ecosystem}.tsv").write_text("\n".join(lines) + "\n", encoding="utf-8")
            print(f"{ecosystem}: {len(lines) - 1} rows", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
