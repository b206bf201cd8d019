#!/usr/bin/python3
"""Labelled vectors for the native deb, rpm and apk schemes.

    /usr/bin/python3 tools/vectors/package_vectors.py [--out DIR] [--only deb,rpm,apk]

Run with Debian's own interpreter, which has python3-rpm and python3-apt, on a
machine with dpkg. For each ecosystem it gathers real versions (Debian's: the apt
package lists, the changelogs of the installed packages and dpkg's database) and
realistic shapes built from them, adds the hard cases of each tool's grammar,
labels everything with the tool (labellers/), and writes to DIR
(tests/vectors/native by default):

    <purl>-order.tsv   a, b, expected: every neighbouring pair of the tool-sorted
                       list, neighbouring pairs of real package histories, and
                       random pairs
    <purl>-valid.tsv   version, valid (1 or 0)

Texts hold no tab, newline or NUL. The choice of inputs is seeded, so a rerun on
the same machine writes the same files.
"""
import argparse
import glob
import gzip
import os
import random
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "labellers"))

SEED = 20240611
FORBIDDEN = ("\t", "\n", "\0")


# ---------------------------------------------------------------- real versions


def _apt_list_versions():
    versions = []
    for path in sorted(glob.glob("/var/lib/apt/lists/*_Packages*")):
        try:
            text = subprocess.run(
                ["/usr/lib/apt/apt-helper", "cat-file", path], check=True, capture_output=True
            ).stdout.decode("utf-8", "replace")
        except (OSError, subprocess.CalledProcessError):
            continue
        versions += re.findall(r"^Version: (\S+)$", text, re.M)
    return versions


def _changelog_histories():
    """Each installed package's own version history, newest first."""
    histories = {}
    heading = re.compile(r"^([a-z0-9][a-z0-9.+-]*) \(([^)\s]+)\) ")
    for path in sorted(glob.glob("/usr/share/doc/*/changelog.Debian.gz")):
        try:
            with gzip.open(path, "rt", encoding="utf-8", errors="replace") as f:
                for line in f:
                    m = heading.match(line)
                    if m:
                        histories.setdefault(m.group(1), []).append(m.group(2))
        except OSError:
            continue
    return histories


def _installed_versions():
    try:
        out = subprocess.run(["dpkg-query", "-W", "-f=${Version}\\n"], check=True, capture_output=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return []
    return out.decode("utf-8", "replace").split()


def real_debian():
    histories = _changelog_histories()
    flat = set(_apt_list_versions()) | set(_installed_versions())
    for history in histories.values():
        flat.update(history)
    flat = {v for v in flat if v and not any(c in v for c in FORBIDDEN)}
    return sorted(flat), histories


def upstream_parts(debian_versions):
    """The upstream versions inside real Debian versions, for shapes of other ecosystems."""
    parts = set()
    for v in debian_versions:
        v = v.split(":", 1)[-1]
        parts.add(v.rsplit("-", 1)[0] if "-" in v else v)
    return sorted(parts)


# ---------------------------------------------------------------- hard cases

DEB_HARD = [
    "0", "00", "0:0", "1", "1.0", "1.00", "1.000", "0:1.0", "00:1.0", "1:1.0", "1.0-0", "1.0-00", "1.0-1", "1.0-1.0",
    "1.", "1.0.", "1..0", "1~", "1~~", "1~~a", "1~a", "1~rc1", "1.0~rc1", "1.0~rc1-1", "1.0~~rc1", "1.0+1", "1.0+b1",
    "1.0.1", "1.0a", "1.0A", "1.0Z", "1.0z", "1.0.a", "1.0+", "1.0-1+b1", "1.0-1~bpo1", "1.0-1~", "1.0-~",
    "1.0-a", "1.0-A", "1.0-+", "1.0-.", "1a", "1aa", "1a~", "1:1", "2:0", "10:0", "2147483647:0",
    "1:1:1", "1:1-1:1", "1-1-1", "1.0-1-1", "a", "A", "~", "~1", ".", "+", "a1", "1.0~", "9", "10", "99", "100",
    "18446744073709551615", "18446744073709551616", "99999999999999999999999", "1.099999999999999999999999",
    "0001", "01.01", "1.01", "1.001", "1.0001a", "1+a", "1.a", "1-a", "1-0", "1-00", "1:1.0-0",
    "1.0é", "1.0ä", "1.0ß-1", "1a.", "1a+", "1aé", "1é", "1.2.3", "1.2.3-4", "1.2.3-4ubuntu1", "1.2.3-4+deb12u1",
    "1.2.3+dfsg-1", "1.2.3+dfsg1-1", "1.2.3~dfsg-1", "1.2.3+really1.2.2-1", "+1:0", "-0:1", " 1.0", "1.0 ", "  1:2-3  ",
    "1.0!", "1.0#", "1.0$", "1.0%", "1.0&", "1.0'", "1.0(", "1.0*", "1.0,", "1.0/", "1.0;", "1.0<", "1.0=", "1.0>",
    "1.0?", "1.0@", "1.0[", "1.0\\", "1.0]", "1.0^", "1.0_", "1.0`", "1.0{", "1.0|", "1.0}", "1.0\x7f", "1.0\x01",
    "1.0\x1b", "1.0\r", "1.0\x0b", "\x0b1:0", "\x0c\x0b+1:0", "\x0b", "\x0b ", "\r-0:1",
]

DEB_HARD_INVALID = [
    " ", "  ", "1 0", "1.0 1", ":", ":1", "1:", "a:1", "1a:1", "-1", "1-", "1.0-", "-", "-1:1", "2147483648:1",
    "99999999999999999999:1", "+:1", "-:1", "1:-1", "1:-", "0x1:1", "1 :1", " :1", "1.0 -1", "1:1 1",
    "\x0b 7:1", "\x0b 1.0", "+ 1:0", "- 0:1",
]

RPM_HARD = [
    "1", "1-", "1-.", "1-0", "1-00", "1-~", "1-^", "1^", "1~", "1~~", "1^^", "1^~", "1~^", "1.^", "1.~", "~", "^",
    ".", "-", "--", ":", "1:", ":1", "0:1", "00:1", "1:1", "2:0", "10:0", "a:1", "1a:1", "1:2:3", "1-2:3", "1:2-3:4",
    "-1", "-1-1", "1-1-1", "1.0", "1.00", "1.0.0", "1.0a", "1.0.a", "1.a", "1a", "a1", "a", "A", "a.1", "a1.1",
    "1.0_1", "1_0", "1.0+1", "1+0", "1..0", "1.0.", ".1", "1.0~rc1", "1.0~rc1-1", "1.0^post1", "1.0^20230101git1",
    "1.0~rc1^post1", "1.01", "1.001", "01", "001.1", "1.0abc", "1.0ABC", "1.0aBc", "1.0Z", "1.0z", "1.0é", "1.0ä",
    "é", "1 0", " 1", "1 ", "1.0 1", "1.0-1 ", "18446744073709551615", "18446744073709551616",
    "99999999999999999999999", "1.099999999999999999999999", "99999999999999999999999:1",
    "1.0-1.el8", "1.0-1.el8_5", "1.0-1.el8_5.1", "1.0-1.fc39", "1:1.0-1.el8", "1.0-0.1.rc1.el8",
]

RPM_HARD_INVALID = [""]

APK_HARD = [
    "0", "00", "0.0", "0.00", "0.000", "0.01", "0.010", "0.1", "0.10", "1", "1.0", "1.00", "1.0.0", "1.01", "1.001",
    "1.05", "1.4", "1.5", "1.0a", "1.0z", "1.0.2k", "1.0.2l", "1.0.2m", "1.0.2za"[:-1], "1.0_alpha", "1.0_alpha1",
    "1.0_alpha_pre", "1.0_beta", "1.0_beta2", "1.0_pre", "1.0_pre1", "1.0_rc", "1.0_rc1", "1.0_rc10", "1.0_cvs",
    "1.0_svn", "1.0_git", "1.0_git20230101", "1.0_hg", "1.0_p", "1.0_p1", "1.0_p1_p2", "1.0_p1_rc1", "1.0_rc1_p1",
    "1.0-r0", "1.0-r1", "1.0-r10", "1.0_p1-r1", "1.0_rc1-r1", "1.0a-r1", "1.0a_p1-r1", "1.0~0", "1.0~00", "1.0~a",
    "1.0~abc", "1.0~abd", "1.0~abc1", "1.0~abc-r1", "1.0_rc1~abc-r1", "1.0_p1~abc", "1.0a~abc", "6.0", "6.0_pre1",
    "6.0_p1", "8.2.0", "8.2.001", "8.2.0015", "8.2.002", "9.6p1", "9.6p2", "9.6p1-r1", "9.6p01", "9.6p10",
    "1.2p3.4", "1.2p3b", "1.2p3_p1", "18446744073709551615", "18446744073709551616", "18446744073709551617",
    "1.18446744073709551617", "1.0_p18446744073709551617", "1.0-r18446744073709551617", "20230101", "2023.01.01",
    "2023.1.1", "1.0.0.0.0.0", "1.2.3.4.5.6.7.8.9.10",
]

APK_HARD_INVALID = [
    "", "a", ".1", "1.", "1..0", "1.a", "1ab", "1a1a1a"[:-1] + "A", "1_", "1_foo", "1_alphabeta", "1_pre.1", "1-r",
    "1-r1-r2", "1-r1_p1", "1-r1a", "1-1", "1~", "1~xyz", "1~ab_p1", "1~ab~cd", "1~AB", "1.0A", "1.0 ", " 1.0",
    "v1.0", "1.0-r1~ab", "1.0_P1", "1.0-R1", "1,0", "1.0+1", "1:1.0", "1.0é",
]


# ---------------------------------------------------------------- shapes


def rpm_shapes(rng, upstreams, count):
    releases = [
        lambda: f"{rng.randint(1, 30)}.el{rng.choice([6, 7, 8, 9])}",
        lambda: f"{rng.randint(1, 30)}.el{rng.choice([7, 8, 9])}_{rng.randint(0, 9)}",
        lambda: f"{rng.randint(1, 30)}.el{rng.choice([8, 9])}_{rng.randint(0, 9)}.{rng.randint(1, 5)}",
        lambda: f"{rng.randint(1, 9)}.fc{rng.randint(30, 40)}",
        lambda: f"0.{rng.randint(1, 9)}.rc{rng.randint(1, 4)}.fc{rng.randint(30, 40)}",
        lambda: f"{rng.randint(1, 9)}.module+el8.{rng.randint(1, 9)}.0+{rng.randint(1000, 20000)}+{rng.getrandbits(32):08x}",
        lambda: f"{rng.randint(150000, 150600)}.{rng.randint(1, 40)}.{rng.randint(1, 9)}",
        lambda: f"lp15{rng.randint(1, 6)}.{rng.randint(1, 9)}.{rng.randint(1, 9)}",
        lambda: f"{rng.randint(1, 9)}.git{rng.randint(2015, 2024)}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}.{rng.getrandbits(28):07x}.el9",
        lambda: f"{rng.randint(1, 9)}",
        lambda: f"{rng.randint(1, 9)}.{rng.randint(1, 9)}",
        lambda: f"{rng.randint(1, 9)}.amzn2.0.{rng.randint(1, 5)}",
        lambda: f"{rng.randint(1, 9)}.mga{rng.randint(8, 9)}",
    ]
    versions = set()
    while len(versions) < count:
        up = rng.choice(upstreams)
        roll = rng.random()
        if roll < 0.1:
            up += f"~rc{rng.randint(1, 3)}"
        elif roll < 0.15:
            up += f"^{rng.randint(2015, 2024)}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}git{rng.getrandbits(28):07x}"
        text = up if rng.random() < 0.1 else f"{up}-{rng.choice(releases)()}"
        roll = rng.random()
        if roll < 0.15:
            text = f"{rng.choice([0, 1, 1, 2, 3, 10])}:{text}"
        if not any(c in text for c in FORBIDDEN):
            versions.add(text)
    return sorted(versions)


def apk_shapes(rng, upstreams, count):
    numeric = [u for u in upstreams if re.fullmatch(r"[0-9]+(\.[0-9]+)*", u) and len(u) < 40]
    versions = set()
    while len(versions) < count:
        text = rng.choice(numeric)
        roll = rng.random()
        if roll < 0.08:
            text += rng.choice("abcdefghijklmnopqrstuvwxyz")
        elif roll < 0.11:
            text += rng.choice("ps") + str(rng.randint(1, 3))  # apk-tools 2's "9.6p1"
        for _ in range(rng.choice([0, 0, 0, 0, 1, 1, 2])):
            suffix = rng.choice(["alpha", "beta", "pre", "rc", "cvs", "svn", "git", "hg", "p"])
            number = rng.choice(["", str(rng.randint(0, 12)), f"{rng.randint(2015, 2024)}{rng.randint(1, 12):02d}{rng.randint(1, 28):02d}"])
            text += f"_{suffix}{number}"
        if rng.random() < 0.04:
            text += f"~{rng.getrandbits(28):07x}"
        if rng.random() < 0.85:
            text += f"-r{rng.choice([0, 0, 0, 1, 1, 2, 3, 5, 10, 12])}"
        versions.add(text)
    return sorted(versions)


def mutations(rng, texts, palette, count):
    out = set()
    while len(out) < count:
        text = list(rng.choice(texts))
        for _ in range(rng.randint(1, 2)):
            where = rng.randint(0, len(text))
            what = rng.choice(palette)
            roll = rng.random()
            if roll < 0.4:
                text.insert(where, what)
            elif roll < 0.8 and text:
                text[min(where, len(text) - 1)] = what
            elif text:
                del text[min(where, len(text) - 1)]
        out.add("".join(text))
    return sorted(t for t in out if not any(c in t for c in FORBIDDEN))


# ---------------------------------------------------------------- rows


def order_rows(labels, versions, histories, rng, random_pairs):
    ordered = labels.sort(versions)
    rows = []
    for a, b in zip(ordered, ordered[1:]):
        rows.append((a, b, labels.compare(a, b)))
    for history in histories:
        for newer, older in zip(history, history[1:]):
            rows.append((older, newer, labels.compare(older, newer)))
    for _ in range(random_pairs):
        a, b = rng.sample(ordered, 2)
        rows.append((a, b, labels.compare(a, b)))
    # Both directions of a pair are checked by every reader; keep each once.
    seen = set()
    unique = []
    for a, b, expected in rows:
        if (a, b) not in seen and (b, a) not in seen:
            seen.add((a, b))
            unique.append((a, b, expected))
    return unique


def write_tsv(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\t".join(header) + "\n")
        for row in rows:
            fields = [str(x) for x in row]
            assert not any(c in field for field in fields for c in FORBIDDEN), row
            f.write("\t".join(fields) + "\n")
    print(f"{path}: {len(rows)} rows")


def build_deb(out, rng, real, histories):
    import dpkg_labels

    sample = rng.sample(real, 1800)
    chains = [h for _, h in sorted(histories.items()) if len(h) >= 4]
    chains = [c[:12] for c in rng.sample(chains, min(60, len(chains)))]
    valid_hard = [v for v in DEB_HARD if dpkg_labels.is_valid(v)]
    versions = sorted(set(sample) | set(valid_hard) | {v for c in chains for v in c if dpkg_labels.is_valid(v)})
    chains = [[v for v in c if dpkg_labels.is_valid(v)] for c in chains]
    write_tsv(os.path.join(out, "deb-order.tsv"), ("a", "b", "expected"),
              order_rows(dpkg_labels, versions, chains, rng, 1600))
    palette = list(" :-~+.a0Z9é!_/") + ["", "-", ":", " "]
    texts = sorted(set(rng.sample(real, 250)) | set(DEB_HARD) | set(DEB_HARD_INVALID)
                   | set(mutations(rng, rng.sample(real, 400) + DEB_HARD, palette, 700)))
    texts = [t for t in texts if t != ""]
    write_tsv(os.path.join(out, "deb-valid.tsv"), ("version", "valid"),
              [(t, int(dpkg_labels.is_valid(t))) for t in texts])


def build_rpm(out, rng, upstreams):
    import rpm_labels

    versions = sorted(set(rpm_shapes(rng, upstreams, 2600)) | {v for v in RPM_HARD if rpm_labels.is_valid(v)})
    write_tsv(os.path.join(out, "rpm-order.tsv"), ("a", "b", "expected"),
              order_rows(rpm_labels, versions, [], rng, 2000))
    palette = list(" :-~^+._a0Z9é") + [""]
    texts = sorted(set(RPM_HARD) | set(RPM_HARD_INVALID) | set(mutations(rng, versions, palette, 500)))
    write_tsv(os.path.join(out, "rpm-valid.tsv"), ("version", "valid"),
              [(t, int(rpm_labels.is_valid(t))) for t in texts])


def build_apk(out, rng, upstreams):
    import apk_labels

    apk_labels.self_check()
    versions = sorted(set(apk_shapes(rng, upstreams, 2600)) | {v for v in APK_HARD if apk_labels.is_valid(v)})
    write_tsv(os.path.join(out, "apk-order.tsv"), ("a", "b", "expected"),
              order_rows(apk_labels, versions, [], rng, 2000))
    palette = list("._-r~ap0159zA") + ["_p", "-r", "_rc", "~", ""]
    texts = sorted(set(APK_HARD) | set(APK_HARD_INVALID) | set(mutations(rng, versions, palette, 900)))
    write_tsv(os.path.join(out, "apk-valid.tsv"), ("version", "valid"),
              [(t, int(apk_labels.is_valid(t))) for t in texts])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "..", "tests", "vectors", "native"))
    parser.add_argument("--only", default="deb,rpm,apk")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    real, histories = real_debian()
    upstreams = upstream_parts(real)
    print(f"{len(real)} real Debian versions, {len(histories)} package histories, {len(upstreams)} upstream versions")
    only = set(args.only.split(","))
    # Each ecosystem draws from its own generator, so one can be rebuilt alone.
    if "deb" in only:
        build_deb(args.out, random.Random(SEED), real, histories)
    if "rpm" in only:
        build_rpm(args.out, random.Random(SEED + 1), upstreams)
    if "apk" in only:
        build_apk(args.out, random.Random(SEED + 2), upstreams)


if __name__ == "__main__":
    main()
