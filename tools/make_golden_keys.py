"""Writes tests/golden/keys.tsv: versions of every native ecosystem with their keys
in hex, which tests/test_keys_golden.py checks row by row. The file pins the key
format: keys stored in databases must stay valid, so a change to any key must raise
KEY_FORMAT (src/core/native/native_scheme.hpp) before this file is written again.

    python tools/make_golden_keys.py          # with tambry built from this tree

The versions come from the labelled vectors under tests/vectors/native/ (swift,
which has none of its own, reads SemVer's) and the hard cases below. An ecosystem
whose scheme accepts none of them is left out and named (a scheme not yet written):
run this again once it lands; rows of ecosystems already in the file must keep
their keys unless KEY_FORMAT was raised, or nothing is written.

Rows are sorted by ecosystem (in native.ECOSYSTEMS order), then key, then version.
Versions hold no tab, line feed or carriage return, and are valid UTF-8.
"""

import argparse
import pathlib
import sys

from tambry import native

ROOT = pathlib.Path(__file__).resolve().parent.parent
VECTORS = ROOT / "tests" / "vectors" / "native"
GOLDEN = ROOT / "tests" / "golden" / "keys.tsv"
HEADER = "ecosystem\tversion\tkey"
# Versions drawn from the vectors per ecosystem, spread evenly over the key order;
# the hard cases come on top.
PER_ECOSYSTEM = 1300
VECTOR_SOURCE = {"swift": "semver"}
FORBIDDEN = ("\t", "\n", "\r")

SEMVER_CASES = [
    "0.0.0", "0.0.1", "1.0.0", "10.20.30", "1.1.2-prerelease+meta", "1.0.0-alpha", "1.0.0-alpha.1",
    "1.0.0-alpha.beta", "1.0.0-alpha.beta.1", "1.0.0-beta", "1.0.0-beta.2", "1.0.0-beta.11", "1.0.0-rc.1",
    "1.0.0-0", "1.0.0-0A.is.legal", "1.0.0-alpha0.valid", "1.0.0-alpha.0valid", "1.0.0--", "1.0.0-a-b",
    "1.0.0+20130313144700", "1.0.0-beta+exp.sha.5114f85", "1.0.0+21AF26D3----117B344092BD",
    "1.2.3----RC-SNAPSHOT.12.9.1--.12+788", "1.2.3----R-S.12.9.1--.12+meta", "1.0.0-x.7.z.92",
    "1.0.0-239", "1.0.0-240", "1.0.0-255", "1.0.0-256", "1.0.0-65535", "1.0.0-65536",
    "1.0.0-18446744073709551615", "1.0.0-18446744073709551616", "239.240.255", "4294967296.0.0",
    "18446744073709551615.0.0", "18446744073709551616.0.0", "99999999999999999999999.999999999999999999.99999999999999999",
    "1.0.0-Z", "1.0.0-a", "1.0.0-A", "1.0.0-~", "1.0.0+a", "1.0.0+b", "1.0.0+01", "1.0.0+1", "1.0.0+1.a",
]
CASES = {
    "npm": SEMVER_CASES + [
        "v1.2.3", "=1.2.3", "v=1.2.3", " 1.2.3", "1.2.3 ", "1.2.3-01", "01.2.3", "1.2.3-alpha.01",
        "9007199254740991.0.0", "9007199254740992.0.0", "1.0.0-9007199254740991", "1.0.0-9007199254740992",
        "1.0.0-9007199254740993", "1.0.0-1e3", "1.2.3beta", "1.2.3-beta.1+build.2",
    ],
    "semver": SEMVER_CASES,
    "swift": SEMVER_CASES,
    "cargo": SEMVER_CASES + ["1.0.0+a.b", "1.0.0+a-b", "1.0.0+0", "1.0.0+00", "1.0.0-alpha+001"],
    "hex": SEMVER_CASES + ["1.0.0-dev", "0.0.1-dev.1", "1.0.0-rc.0+build.1", "1.0.0-01"],
    "golang": [
        "v0.0.0", "v1.2.3", "v1.2", "v1", "v1.0.0-rc.1", "v1.0.0-rc.1+meta", "v1.0.0+meta", "v2.0.0+incompatible",
        "v0.0.0-20200101000000-abcdefabcdef", "v0.0.0-20191109021931-daa7c04131f5",
        "v1.2.4-0.20200101000000-abcdef123456", "v1.2.4-pre.0.20200101000000-abcdef123456",
        "v1.0.0-0", "v1.0.0-alpha.beta.1", "v18446744073709551616.0.0", "v1.0.0-18446744073709551616",
    ],
    "pypi": [
        "0", "1", "1.0", "1.0.0", "1.0.0.0.0", "1.0a1", "1.0a", "1.0alpha1", "1.0b2", "1.0beta2", "1.0c1",
        "1.0rc1", "1.0pre1", "1.0preview1", "1.0_RC1", "1.0-rc.1", "1.0.post1", "1.0post", "1.0-1", "1.0.rev1",
        "1.0r1", "1.0.dev1", "1.0dev", "1.0-dev", "1.0a1.post2.dev3", "1.0a1.dev1", "1.0.post1.dev1", "1!1.0",
        "0!1.0", "2!0.1", "1.0+local.1", "1.0+abc", "1.0+ABC", "1.0+local-version_x", "1.0+1", "1.0+01",
        "1.0+1.a", "v1.0", "V1.0", " 1.0 ", "1.0.POST", "2014.04", "1.0.0a0", "1.0.0.dev0",
        "1.18446744073709551616", "1.0a18446744073709551616", "00.01", "1.0+0", "1.0+a.0",
    ],
    "composer": [
        "1.0.0", "v1.0.0", "1.0", "1", "1.0.0.0", "1.0.0-beta1", "1.0.0-beta.2", "1.0.0-b1", "1.0.0-RC2",
        "1.0.0-rc.2", "1.0.0-alpha", "1.0.0-a1", "1.0.0-patch1", "1.0.0-pl1", "1.0.0-p1", "1.0.0-stable",
        "1.0.0-dev", "1.0-dev", "1.0.x-dev", "1.x-dev", "dev-master", "dev-main", "dev-feature/x", "2010-01-02",
        "20100102", "2010.01.02", "1.0.0.0-beta2", "1.0.0-beta2-dev", "1.0.0-RC1-dev", "v2.0.0-alpha.3",
    ],
    "maven": [
        "1", "1.0", "1.0.0", "1-1", "1.0-1", "1.0-SNAPSHOT", "1.0-alpha-1", "1.0-alpha1", "1.0a1", "1.0-beta",
        "1.0-b2", "1.0-milestone-1", "1.0-m1", "1.0-rc-1", "1.0-rc1", "1.0-cr-1", "1.0-sp-1", "1.0.0.Final",
        "1.0-final", "1.0-ga", "1.0.0.RELEASE", "1.0-foo", "1.0-foo-bar", "1.0.0-20200101.123456-1", "1.0.0.0.0",
        "1.0-0", "1-0.1", "2.0.1-xyz", "1.0-1.1", "1.0-SP1", "1.0-sp.1", "1.0.final.1",
    ],
    "gem": [
        "0", "1", "1.0", "1.0.0", "1.0.0.pre", "1.0.0.rc1", "1.0.a", "1.0.0-rc1", "1.0.0.beta.2",
        "2.0.0.pre.1", "1.0.0.a10", "1.0.0.b1", "1.0.0.0", "0.0.1.a", "1.A", "1.0.0 ", " 1.0.0",
    ],
    "nuget": [
        "1.0", "1.0.0", "1.0.0.0", "1.0.0.1", "1.0.0-beta", "1.0.0-Beta", "1.0.0-beta.1", "1.0.0-beta.11",
        "1.0.0-rc.1+build", "1.0.0+meta", "1.0.0-alpha-1", "1.0.01", "1.0.0-0", "1.0.0-1a",
    ],
    "deb": [
        "0", "0.9", "1.0", "1.0-1", "1:1.0-1", "0:1.0-1", "1.0~rc1-1", "1.0~~", "1.0~", "1.0+dfsg-1",
        "1.0-1ubuntu1", "2.30-0ubuntu0.1~esm1", "1.0.0+git20200101.abcdef-2", "1.0-1+b1", "1.0a", "1.0-a",
        "1.0.1", "1.00", "1.0-0", "1:0", "2:1.0~beta-3.1",
    ],
    "rpm": [
        "1", "1.0", "1.0-1", "1.0-1.el8", "1:1.0-1", "0:1.0-1", "1.0~rc1-1", "1.0^post1-1", "1.0-1.fc35",
        "2.0.1-3.el9_2", "1.0a", "1.0.1", "1.00", "1.0-0", "a", "1..0", "1.0~", "1.0^", "1.0_1",
    ],
    "apk": [
        "1", "1.0", "1.0-r0", "1.0-r1", "1.0_rc1-r1", "1.0_alpha", "1.0_beta2", "1.0_pre1", "1.0_p1", "1.0a-r2",
        "1.0.1_git20200101-r0", "1.0_svn", "1.0_cvs", "1.0_hg", "1.0_rc1_p2", "1.2.3a_beta1-r3", "0.0.1",
    ],
}


def rows_of(path):
    lines = path.read_bytes().decode("utf-8").split("\n")
    return [line.split("\t") for line in lines[1:] if line]


def vector_versions(ecosystem):
    """Every version that a labelled vector of `ecosystem` holds, accepted or not."""
    source = VECTOR_SOURCE.get(ecosystem, ecosystem)
    found = set()
    for path in sorted(VECTORS.glob(f"{source}-*.tsv")):
        if path.name.endswith("-order.tsv"):
            found.update(v for row in rows_of(path) for v in row[:2])
        elif path.name.endswith("-valid.tsv"):
            found.update(row[0] for row in rows_of(path))
    return found


def writable(version):
    if any(c in version for c in FORBIDDEN):
        return False
    try:
        version.encode("utf-8")
    except UnicodeEncodeError:
        return False
    return True


def accepted(versions, ecosystem):
    return {v for v in versions if writable(v) and native.is_valid(v, ecosystem)}


def spread(versions, ecosystem, count):
    """`count` of `versions` spread evenly over their key order (all when fewer)."""
    ordered = sorted(versions, key=lambda v: (native.key(v, ecosystem), v))
    if len(ordered) <= count:
        return ordered
    return [ordered[i * len(ordered) // count] for i in range(count)]


def golden_rows():
    """(rows, skipped ecosystems) for every native ecosystem."""
    rows, skipped = [], []
    for ecosystem in native.ECOSYSTEMS:
        drawn = accepted(vector_versions(ecosystem), ecosystem)
        hard = accepted(CASES.get(ecosystem, []), ecosystem)
        if not drawn and not hard:
            skipped.append(ecosystem)
            continue
        chosen = set(spread(drawn, ecosystem, PER_ECOSYSTEM)) | hard
        keyed = sorted((native.key(v, ecosystem), v) for v in chosen)
        rows.extend((ecosystem, v, key.hex()) for key, v in keyed)
    return rows, skipped


def read_golden(path):
    """{(ecosystem, version): hex key} of an existing golden file."""
    if not path.exists():
        return {}
    lines = path.read_bytes().decode("utf-8").split("\n")
    return {(e, v): k for e, v, k in (line.split("\t") for line in lines if line and line != HEADER)}


def changed_without_new_format(old, rows):
    """Rows whose key changed while the format byte (each key's first) stayed."""
    changed = []
    for ecosystem, version, key in rows:
        before = old.get((ecosystem, version))
        if before is not None and before != key and before[:2] == key[:2]:
            changed.append((ecosystem, version, before, key))
    return changed


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--out", type=pathlib.Path, default=GOLDEN)
    args = p.parse_args()
    rows, skipped = golden_rows()
    changed = changed_without_new_format(read_golden(args.out), rows)
    if changed:
        for ecosystem, version, before, key in changed[:10]:
            print(f"{ecosystem} {version!r}: {before} -> {key}", file=sys.stderr)
        print(f"{len(changed)} keys changed but KEY_FORMAT did not: raise it first; nothing written",
              file=sys.stderr)
        return 1
    args.out.parent.mkdir(parents=True, exist_ok=True)
    text = "".join(f"{e}\t{v}\t{k}\n" for e, v, k in rows)
    args.out.write_bytes((HEADER + "\n" + text).encode("utf-8"))
    counts = {}
    for ecosystem, _, _ in rows:
        counts[ecosystem] = counts.get(ecosystem, 0) + 1
    print(f"wrote {len(rows)} rows to {args.out}: " + ", ".join(f"{e} {n}" for e, n in counts.items()))
    for ecosystem in skipped:
        print(f"left out {ecosystem}: its scheme accepts none of its versions (not written yet?); "
              "run this again once it lands")
    return 0


if __name__ == "__main__":
    sys.exit(main())
