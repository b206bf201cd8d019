"""Writes the labelled PyPI and Composer vectors under tests/vectors/native/.

Generates realistic version shapes and the hard cases of each scheme, and asks
each ecosystem's own tool about them through the labellers beside this script:
`packaging` (run by --packaging-python, which must have it installed) and
composer/semver (run by --php, from Debian's php-composer-semver).

    pypi-order.tsv, composer-order.tsv   a, b, expected (-1, 0, 1): neighbours in
                                         the tool's sorted list, then random pairs
    pypi-valid.tsv, composer-valid.tsv   version, valid (1 or 0)

Composer leaves two different branches ("dev-a", "dev-b") unordered: such pairs
are left out. The output is the same on every run (fixed seeds); no text holds a
tab, a line feed or a NUL.
"""

import argparse
import pathlib
import random
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
FORBIDDEN = ("\t", "\n", "\0")


def run_labeller(command, mode, lines):
    data = "".join(line + "\n" for line in lines).encode("utf-8")
    done = subprocess.run(command + [mode], input=data, capture_output=True, check=True)
    out = done.stdout.decode("utf-8").split("\n")
    if out and out[-1] == "":
        out.pop()
    return out


def clean(texts):
    seen, kept = set(), []
    for text in texts:
        if text not in seen and not any(c in text for c in FORBIDDEN):
            seen.add(text)
            kept.append(text)
    return kept


def mutate(rng, text, alphabet):
    """A near miss of `text`: one to three characters inserted, removed or replaced."""
    chars = list(text)
    for _ in range(rng.randint(1, 3)):
        action = rng.random()
        where = rng.randint(0, len(chars))
        if action < 0.4 or not chars:
            chars.insert(where, rng.choice(alphabet))
        elif action < 0.7:
            del chars[min(where, len(chars) - 1)]
        else:
            chars[min(where, len(chars) - 1)] = rng.choice(alphabet)
    return "".join(chars)


# ---------------------------------------------------------------- PyPI

def pypi_release(rng):
    shape = rng.random()
    if shape < 0.15:
        return f"{rng.randint(2015, 2026)}.{rng.randint(1, 12)}" + (f".{rng.randint(0, 31)}" if rng.random() < 0.5 else "")
    count = rng.choice([1, 2, 2, 3, 3, 3, 3, 4])
    parts = [rng.choice([0, 0, 1, 1, 2, 3, rng.randint(0, 30), rng.randint(0, 300)]) for _ in range(count)]
    return ".".join(str(p) for p in parts)


def pypi_suffix(rng):
    sep = lambda: rng.choice(["", "", "", ".", "-", "_"])  # noqa: E731
    text = ""
    if rng.random() < 0.45:
        word = rng.choice(["a", "b", "rc", "a", "b", "rc", "alpha", "beta", "c", "pre", "preview", "RC", "Alpha", "B"])
        number = rng.choice(["", str(rng.randint(0, 12)), str(rng.randint(0, 3))])
        text += sep() + word + (sep() + number if number else "")
    if rng.random() < 0.25:
        if rng.random() < 0.3:
            text += f"-{rng.randint(0, 9)}"
        else:
            word = rng.choice(["post", "post", "rev", "r", "POST"])
            number = rng.choice(["", str(rng.randint(0, 9))])
            text += sep() + word + (sep() + number if number else "")
    if rng.random() < 0.25:
        number = rng.choice(["", "0", str(rng.randint(0, 20)), str(rng.randint(2020_01_01, 2025_12_31))])
        text += sep() + rng.choice(["dev", "dev", "DEV"]) + (sep() + number if number else "")
    if rng.random() < 0.12:
        segment = lambda: rng.choice(["ubuntu", "cu118", "cpu", "abc", "1", "2", "07", "g" + "%07x" % rng.randrange(16**7), "Local", "x1"])  # noqa: E731
        text += "+" + rng.choice([".", "-", "_"]).join(segment() for _ in range(rng.randint(1, 3)))
    return text


def pypi_hard_cases():
    big = "1" + "0" * 25
    return [
        "1.0", "1.0.0", "1", "1.0.0.0.0", "0", "0.0", "00", "0.0.1", "1.01", "1.1", "01.1",
        "1.0a", "1.0a0", "1.0.a", "1.0-a", "1.0_a", "1.0alpha", "1.0ALPHA0", "1.0.alpha.0", "1.0a.", "1.0a-",
        "1.0b1", "1.0beta1", "1.0c1", "1.0rc1", "1.0pre1", "1.0preview1", "1.0RC1", "1.0-rc.1",
        "1.0-1", "1.0.post1", "1.0post1", "1.0-post1", "1.0_post_1", "1.0.rev1", "1.0r1", "1.0-r-1", "1.0.post",
        "1.0.post.", "1.0post-", "1.0-0", "1.0.post0",
        "1.0.dev0", "1.0dev", "1.0.dev", "1.0-dev-0", "1.0.dev.", "1.0a1.dev1", "1.0a1.post1.dev1",
        "1.0.post1.dev1", "1.0-1.dev1", "1.0rc1-1", "1.0a..dev", "1.0a.-1", "1.0a--1",
        "1.0+local", "1.0+LOCAL", "1.0+a", "1.0+a.1", "1.0+a-1", "1.0+a_1", "1.0+1", "1.0+01", "1.0+1.0",
        "1.0+1.a", "1.0+a.a", "1.0+abc.5", "1.0+5.abc", "1.0+0a", "1.0+1a", "1.0+z", "1.0+10",
        "1!1.0", "01!1.0", "1!0", "0!1.0", "2!0.1", "v1!1.0", "v1.0", "V1.0", "  1.0  ", "\u00a01.0\u3000",
        "\x1c1.0\x1f", "\u20281.0\u2029", "\x0b1.0\x0c",
        big, big + ".1", "1." + big, "1.0a" + big, "1.0.post" + big, "1.0.dev" + big, "1.0+" + big,
        "18446744073709551615", "18446744073709551616", "1!" + big, "0" * 30 + "1",
    ]


def pypi_invalid_cases():
    return [
        "", " ", "v", "vv1.0", "1.", ".1", "1..0", "1.0-", "1.0+", "1.0+a..b", "1.0+.a", "1.0+a.", "1.0+-a",
        "1.0++a", "1.0a1b1", "1.0.dev1.post1", "1.0rc1.a1", "!1", "1!", "1!!1", "a1.0", "1.0x", "1.0prev",
        "1.0-1-1", "1.0.post1-1", "1.0_1", "1.0.1-", "1.0 1", "1.0\u200b", "\u200b1.0", "1.0+\u017f", "1.0+\u212a",
        "\uff11.0", "1.\u0661", "1.0\u00e9", "1,0", "1.0@1", "1.0 +a", "1.0+ a", "1.0-dev-1-2", "1.0 rc1",
        "1." + "1" * 4301, "1" * 4301, "1.0+" + "2" * 4301, "1.0a" + "3" * 4301, "1!" * 2 + "1",
    ]


# Different spellings that the tool may call equal; labelled like every other pair.
PYPI_SPELLING_PAIRS = [
    ("1.0", "1.0.0"), ("1", "1.0.0.0"), ("0", "0.0"), ("1.01", "1.1"), ("v1.0", "1.0"), (" 1.0", "1.0 "),
    ("1.0a", "1.0.alpha.0"), ("1.0A1", "1.0a1"), ("1.0c1", "1.0rc1"), ("1.0pre1", "1.0-rc-1"), ("1.0preview", "1.0rc0"),
    ("1.0-1", "1.0.post1"), ("1.0r1", "1.0.post1"), ("1.0rev", "1.0post0"), ("1.0dev", "1.0.dev0"),
    ("1.0+a.1", "1.0+A-01"), ("1.0+1", "1.0+01"), ("1!1.0", "01!1.0.0"), ("1.0a1.dev1", "1.0.0-a-1-dev-1"),
    ("1.0+abc", "1.0+abc.0"), ("1.0.post1.dev1", "1.0-1.dev1"),
]


def pypi_versions(rng):
    versions = list(pypi_hard_cases())
    for _ in range(170):
        base = pypi_release(rng)
        versions.append(base)
        versions.extend(base + pypi_suffix(rng) for _ in range(rng.randint(3, 12)))
    for _ in range(60):
        text = pypi_release(rng) + pypi_suffix(rng)
        if rng.random() < 0.3:
            text = f"{rng.randint(0, 3)}!" + text
        if rng.random() < 0.2:
            text = rng.choice(["v", "V"]) + text
        if rng.random() < 0.1:
            text = rng.choice([" ", "\u00a0", "\x0c"]) + text + rng.choice(["", " ", "\u3000"])
        versions.append(text)
    return clean(versions)


PYPI_ALPHABET = list("0123456789....---___+++!vVabcdeilnoprstvwxyzABCPRV ") + ["\u00a0", "\u200b", "\u0661", "\u017f"]


# ---------------------------------------------------------------- Composer

def composer_numbers(rng):
    count = rng.choice([1, 2, 2, 3, 3, 3, 3, 3, 4])
    parts = [rng.choice([0, 0, 1, 1, 2, 3, rng.randint(0, 30), rng.randint(0, 300)]) for _ in range(count)]
    return ".".join(str(p) for p in parts)


def composer_suffix(rng):
    text = ""
    if rng.random() < 0.45:
        word = rng.choice(["alpha", "beta", "RC", "rc", "a", "b", "alpha", "beta", "RC", "pl", "p", "patch", "stable",
                           "STABLE", "Beta", "ALPHA"])
        number = rng.choice(["", str(rng.randint(0, 12)), f".{rng.randint(0, 9)}", f"-{rng.randint(0, 9)}",
                             f"{rng.randint(0, 3)}.{rng.randint(0, 9)}"])
        text += rng.choice(["-", "-", "-", ".", "_", ""]) + word + number
    if rng.random() < 0.15:
        text += rng.choice(["-dev", "-dev", ".dev", "dev", "-DEV"])
    if rng.random() < 0.08:
        text += "+" + rng.choice(["build.1", "sha.5114f85", "20130313144700", "exp.sha.5114f85", "001"])
    if rng.random() < 0.05:
        text += rng.choice(["@dev", "@stable", "@beta", "@RC", "@alpha"])
    return text


def composer_hard_cases():
    return [
        "1.0", "1.0.0", "1.0.0.0", "1", "v1.0.0", "V1.0.0", "01.0", "1.00", "1.0.0.00", "00001",
        "1.0.0-alpha", "1.0.0-a", "1.0.0a", "1.0.0-alpha1", "1.0.0-alpha.1", "1.0.0-alpha-1", "1.0.0alpha1",
        "1.0.0-beta", "1.0.0-b", "1.0.0-beta2", "1.0.0-beta2.1", "1.0.0-b.2.1", "1.0.0beta2-1", "1.0.0-beta02",
        "1.0.0-RC", "1.0.0-rc", "1.0.0-RC1", "1.0.0-rc.1", "1.0.0RC1", "1.0.0-Rc1",
        "1.0.0-pl", "1.0.0-pl1", "1.0.0pl1", "1.0.0-p", "1.0.0-p1", "1.0.0-patch", "1.0.0-patch1", "1.0.0.p1",
        "1.0.0-stable", "1.0.0-STABLE", "1.0.0-Stable", "1.0.0-stable1", "1.0.0-stable-dev", "1.0.0-STABLE-dev",
        "1.0.0-dev", "1.0-dev", "1.0.dev", "1.0dev", "1.0.0-alpha-dev", "1.0.0-beta1-dev", "1.0.0RC1dev",
        "1.0.0-bdev", "1.0.0-pldev", "1.0.0.", "1.0-", "1.0_", "1.0.0-.dev", "1.0.0_-dev",
        "1.0.0+build", "1.0.0+build.1", "1.0.0-beta+exp.sha.5114f85", "1.0.0+a+b", "1.0.0@dev", "1.0.0@stable",
        "1.0.0-beta@beta", "1.0 as 2.0", "1.0  as  2.0", "dev-master as 1.0",
        "dev-master", "dev-trunk", "dev-default", "master", "trunk", "default", "DEV-master", "dev-main",
        "dev-feature/foo", "dev-feature/bar", "dev-1.0", "dev-", "dev-Foo", "dev-foo bar", "master@dev",
        "1.x-dev", "1.X-dev", "1.*-dev", "1.0.x-dev", "1.0.*-dev", "v1.x-dev", "2.1.x-dev", "1.2.3.x-dev",
        "123456.x-dev", "1.x.dev", "1.xdev", "9999999-dev", "9999999", "10000000",
        "20200101", "2020-01-01", "2020.01.01", "2020-01-01-12", "20200101123045", "2020-01-01-beta",
        "2020-01-01-dev", "2020-01-01.12:30", "2020:01:01", "2020-01-01-", "v2020-01-01", "202001011230451",
        "2020010112304512", "123456", "1234567", "12345", "123456.1", "2020-1-1", "2020-01-1",
        "1.9223372036854775807", "1.9223372036854775808", "1.99999999999999999999", "1.0.0-beta9223372036854775808",
        "1.18446744073709551616", " 1.0 ", "\x0b1.0\r",
    ]


def composer_invalid_cases():
    return [
        "", " ", "v", "foo", "dev", "-dev", "1.0.0.0.0", "1.0-foo", "1.0+", "1.0 as", "1.0 as ", ",1.0", "1.0@foo",
        "@dev", "1.0.0-beta_1", "1.0.0-alpha.beta", "1.0-rc_1", "x.1", "1.0,1.1", "1.0 1.1", "123456-1",
        "2020--01", "2020-01-01:", "1.0-dev-dev", "dev-master@stable@dev", "1.0.0-beta-1-dev-1", "1.0\x0c",
        "1.0.0-Î", "1.0\u00a0", "v.1", "1.2.3.4.5-dev", "1.y-dev", "1.0.x.x.x-dev", "1,x-dev", "foo-dev",
    ]


COMPOSER_SPELLING_PAIRS = [
    ("1.0", "1.0.0.0"), ("v1.0", "1.0"), ("01.0", "1.0"), ("1.00", "1.0"), ("1.0.0-beta1.2", "1.0.0-beta1-2"),
    ("1.0.0-beta01", "1.0.0-beta1"), ("1.0.0-b.2", "1.0.0-beta2"), ("1.0.0a1", "1.0.0-alpha.1"), ("1.0pl1", "1.0-patch1"),
    ("1.0p1", "1.0-pl1"), ("1.0-RC1", "1.0-rc.1"), ("1.0-stable", "1.0"), ("1.0-STABLE", "1.0"), ("1.0+b", "1.0"),
    ("1.0@dev", "1.0"), ("1.0 as 2.0", "1.0"), ("dev-master", "master"), ("dev-master", "9999999-dev"),
    ("DEV-foo", "dev-foo"), ("2020-01-01", "2020.01.01"), ("20200101", "2020.01.01"), ("2020.01.01.00", "2020.1.1.0"),
    ("1.9223372036854775807", "1.9223372036854775808"), ("1.x-dev", "1.9999999.9999999.9999999-dev"),
]


def composer_versions(rng):
    versions = list(composer_hard_cases())
    for _ in range(220):
        base = composer_numbers(rng)
        prefix = "v" if rng.random() < 0.4 else ""
        versions.append(prefix + base)
        versions.extend(prefix + base + composer_suffix(rng) for _ in range(rng.randint(3, 12)))
        if rng.random() < 0.1:
            versions.append(base.rsplit(".", 1)[0] + ".x-dev")
    for _ in range(40):
        versions.append("dev-" + rng.choice(["feature", "fix", "release", "Bugfix", "main"]) + "/" +
                        "".join(rng.choice("abcdefgh-_1") for _ in range(rng.randint(1, 8))))
    return clean(versions)


COMPOSER_ALPHABET = list("0123456789....---___+++@@ ,vVxX*abdeilprstvAB:") + ["\x0b", "\x0c", "\r", "\u00e9"]


# ---------------------------------------------------------------- shared

def order_rows(rng, versions, sorted_versions, label, random_pairs, spelling_pairs):
    pairs = list(zip(sorted_versions, sorted_versions[1:])) + spelling_pairs
    pairs += [tuple(rng.sample(versions, 2)) for _ in range(random_pairs)]
    pairs = [(a, b) if rng.random() < 0.5 else (b, a) for a, b in pairs]
    labels = label([f"{a}\t{b}" for a, b in pairs])
    seen, rows = set(), []
    for (a, b), expected in zip(pairs, labels):
        if expected in ("-1", "0", "1") and (a, b) not in seen:
            seen.add((a, b))
            rows.append((a, b, expected))
    return rows


def write_tsv(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("\t".join(header) + "\n")
        for row in rows:
            out.write("\t".join(row) + "\n")
    print(f"{path.relative_to(ROOT)}: {len(rows)} rows")


def build(name, rng, versions, spelling_pairs, invalid, alphabet, labeller, out_dir):
    valid_flags = labeller("valid", versions)
    accepted = [v for v, ok in zip(versions, valid_flags) if ok == "1"]
    sorted_versions = labeller("sort", accepted)
    rows = order_rows(rng, accepted, sorted_versions, lambda lines: labeller("compare", lines), 2 * len(accepted),
                      spelling_pairs)
    write_tsv(out_dir / f"{name}-order.tsv", ("a", "b", "expected"), rows)

    candidates = versions[::2] + invalid + [mutate(rng, rng.choice(versions), alphabet) for _ in range(1500)]
    candidates = clean(candidates)
    flags = labeller("valid", candidates)
    write_tsv(out_dir / f"{name}-valid.tsv", ("version", "valid"), list(zip(candidates, flags)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--packaging-python", default=sys.executable)
    parser.add_argument("--php", default="php")
    parser.add_argument("--out", type=pathlib.Path, default=ROOT / "tests" / "vectors" / "native")
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)

    pep440 = [args.packaging_python, str(HERE / "labellers" / "pep440_label.py")]
    composer = [args.php, str(HERE / "labellers" / "composer_label.php")]
    print("packaging", run_labeller(pep440, "version", [])[0])

    rng = random.Random(440)
    build("pypi", rng, pypi_versions(rng), PYPI_SPELLING_PAIRS, pypi_invalid_cases(), PYPI_ALPHABET,
          lambda mode, lines: run_labeller(pep440, mode, lines), args.out)
    rng = random.Random(3_3_2)
    build("composer", rng, composer_versions(rng), COMPOSER_SPELLING_PAIRS, composer_invalid_cases(), COMPOSER_ALPHABET,
          lambda mode, lines: run_labeller(composer, mode, lines), args.out)


if __name__ == "__main__":
    main()
