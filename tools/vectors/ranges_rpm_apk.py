"""Generate tests/vectors/ranges/rpm.tsv and apk.tsv: relation lists of each
ecosystem, paired with versions near their bounds, labelled by the ecosystem's own
rules (labellers/rpm_relations.py asks rpm itself; labellers/apk_dep_labels.py
transcribes apk-tools, which cannot run here).

Each range is generated as a list of relations and written twice: in tambry's
spelling (the row's text, with the package names left out and white space varied)
and in the tool's (a Requires: line or an apk dependency list on a package "foo"),
which the tool reads. tambry's spelling takes a little more than the tool does
(">=1.0" for rpm's ">= 1.0", ">= 1.0" for apk's ">=1.0"); those rows are labelled
by the tool's spelling of the same relations. Ranges the tool refuses are rows with
no version and the label "rejected".

Rows: range TAB version TAB expected (1, 0, or rejected). Run with Debian's
/usr/bin/python3, which has python3-rpm:

    /usr/bin/python3 tools/vectors/ranges_rpm_apk.py
"""

import functools
import pathlib
import random
import sys

sys.path.insert(0, str(pathlib.Path(__file__).parent / "labellers"))

import apk_dep_labels  # noqa: E402
import apk_labels  # noqa: E402
import rpm_relations  # noqa: E402

OUT = pathlib.Path(__file__).resolve().parents[2] / "tests" / "vectors" / "ranges"

RPM_BOUNDS = [
    "1.0", "1.0-1", "1.0-2", "1.0-1.el8", "1.0-1.fc38", "1.0-1~beta", "1.0~rc1", "1.0~rc1-1", "1.0^git1",
    "1.0^git1-1", "1:1.0", "1:1.0-1", "0:1.0", "0:1.0-1", "2.0", "2.0-0", "2.0~", "2.0~~", "1.0.1", "1.0a",
    "10", "1.01", "2:0", "1.0-", "1.0~", ":1.0", "3.0.0-1",
]
RPM_VERSIONS = [
    "0.9", "0.9-9", "1", "1.0", "1.0-0", "1.0-1", "1.0-1.1", "1.0-1.el8", "1.0-1.el8_4", "1.0-1.fc38", "1.0-1~beta",
    "1.0-1^p", "1.0-2", "1.0-10", "1.0~beta", "1.0~rc1", "1.0~rc1-1", "1.0~rc1-2", "1.0~rc2", "1.0~", "1.0^",
    "1.0^git1", "1.0^git1-1", "1.0^git2", "1.00", "1.0.0", "1.0.1", "1.0.1-1", "1.0a", "1.0a-1", "1.01", "1.1",
    "1.9", "1.99-1", "2", "2.0~~", "2.0~", "2.0~rc1", "2.0", "2.0-0", "2.0-1", "2.0.0", "1:0.1", "1:0.9", "1:1.0",
    "1:1.0-1", "1:1.0-2", "1:2.0-1", "0:1.0", "0:1.0-1", "2:0", "2:0-1", "3", "3.0.0-1", "10", "10.0", "9.9",
    "1.0-1-2", "1.0-1-3", "1.0_1", "1.0+1",
]
RPM_OPERATORS = ["<", "<=", "=<", "=", "==", ">=", "=>", ">"]
RPM_BAD_OPERATORS = ["<>", ">>", "<<", "=>=", "><", "=<>", ">=="]

APK_BOUNDS = [
    "1", "1.2", "1.2.3", "1.2_rc1", "1.2_rc", "1.2_alpha", "1.2-r1", "1.2-r0", "1.2a", "2", "2.0", "1.2.0", "1.02",
    "1.2_p1", "1.2~abc", "1.2_rc_p1", "1.10", "0.9", "1.2.3_pre2-r1",
]
APK_VERSIONS = [
    "0.1", "0.9", "0.9_rc1", "1", "1_rc1", "1.0", "1.1", "1.2", "1.2.0", "1.2.0.1", "1.2.1", "1.2.3", "1.2.3a",
    "1.2.3_pre2", "1.2.3_pre2-r0", "1.2.3_pre2-r1", "1.2.3_pre2-r2", "1.2.3-r5", "1.2.10", "1.2_alpha",
    "1.2_alpha1", "1.2_beta", "1.2_pre", "1.2_rc", "1.2_rc1", "1.2_rc2", "1.2_rc_p1", "1.2_rc1-r1", "1.2_cvs",
    "1.2_p", "1.2_p1", "1.2_p2", "1.2_git20200101", "1.2-r0", "1.2-r1", "1.2-r2", "1.2a", "1.2b", "1.2a-r1",
    "1.2~abc", "1.2~abd", "1.2~abc-r1", "1.20", "1.02", "1.002", "1.3", "1.10", "2_rc1", "2", "2.0", "2.0_rc1",
    "2.0-r1", "2.1", "10", "01.2",
]
APK_OPERATORS = ["<", "<=", "=", ">=", ">", "~", ">~", "<~", "=<", "=>", "==", "=~", "~=", "<<", ">>", "<=>"]
APK_BAD_VERSIONS = ["1.2_foo", "v1", "1..2", "1.2-r", "1.2~xyz", "1.2.", "1.2-1", "1.2_rc1_"]


@functools.cache
def rpm_order(a, b):
    x, y = rpm_relations.rpm.ver(a), rpm_relations.rpm.ver(b)
    return (x > y) - (x < y)


def near(bound, pool, order, rng, count=7):
    """Versions around a bound in the tool's order, and a few from anywhere."""
    ordered = sorted(pool, key=functools.cmp_to_key(order))
    below = [v for v in ordered if order(v, bound) < 0]
    above = [v for v in ordered if order(v, bound) >= 0]
    picks = below[-3:] + above[: count - 3]
    return picks + rng.sample(pool, 2)


def rpm_text(relations, rng):
    separator = rng.choice([", ", ", ", ",", " ", "  ", " , ", ",  "])
    pieces = []
    for op, bound in relations:
        gap = rng.choice([" ", " ", " ", "", "  "])
        pieces.append(f"{op}{gap}{bound}")
    text = separator.join(pieces)
    if rng.random() < 0.1:
        text = f"  {text} "
    return text


def rpm_rows(rng):
    rows = []
    for _ in range(360):
        relations = [(rng.choice(RPM_OPERATORS), rng.choice(RPM_BOUNDS)) for _ in range(rng.choice([1, 1, 2, 2, 3]))]
        parsed = rpm_relations.parse_requires(", ".join(f"foo {op} {bound}" for op, bound in relations))
        text = rpm_text(relations, rng)
        versions = []
        for _, bound in relations:
            versions += near(bound, RPM_VERSIONS, rpm_order, rng, 6 if len(relations) > 1 else 8)
        for version in dict.fromkeys(versions):
            rows.append((text, version, str(int(rpm_relations.satisfies(version, parsed)))))
    for _ in range(60):
        relations = [(rng.choice(RPM_OPERATORS), rng.choice(RPM_BOUNDS)) for _ in range(rng.choice([1, 2]))]
        broken = rng.randrange(len(relations))
        op, bound = relations[broken]
        relations[broken] = rng.choice([(rng.choice(RPM_BAD_OPERATORS), bound), (op, "")])
        line = ", ".join(f"foo {op} {bound}".rstrip() for op, bound in relations)
        try:
            rpm_relations.parse_requires(line)
        except rpm_relations.Rejected:
            rows.append((", ".join(f"{op} {bound}".rstrip() for op, bound in relations), "", "rejected"))
            continue
        raise AssertionError(f"rpm takes {line!r}")
    return rows


def apk_order(a, b):
    return apk_labels.compare(a, b)


def apk_text(constraints, rng):
    pieces = []
    for conflict, op, bound in constraints:
        gap = rng.choice(["", "", "", "", " "])
        pieces.append(f"{'!' if conflict else ''}{op}{gap}{bound}")
    text = rng.choice([" ", " ", "  "]).join(pieces)
    if rng.random() < 0.1:
        text = f" {text}  "
    return text


def apk_rows(rng):
    rows = []
    for _ in range(360):
        constraints = [
            (rng.random() < 0.12, rng.choice(APK_OPERATORS), rng.choice(APK_BOUNDS))
            for _ in range(rng.choice([1, 1, 2, 2, 3]))
        ]
        deps = apk_dep_labels.parse_deps(" ".join(f"{'!' if c else ''}foo{op}{b}" for c, op, b in constraints))
        text = apk_text(constraints, rng)
        versions = []
        for _, _, bound in constraints:
            versions += near(bound, APK_VERSIONS, apk_order, rng, 6 if len(constraints) > 1 else 8)
        for version in dict.fromkeys(versions):
            rows.append((text, version, str(int(apk_dep_labels.satisfies(version, deps)))))
    for _ in range(50):
        constraints = [(False, rng.choice(APK_OPERATORS), rng.choice(APK_BOUNDS)) for _ in range(rng.choice([1, 2]))]
        broken = rng.randrange(len(constraints))
        conflict, op, bound = constraints[broken]
        constraints[broken] = rng.choice([(conflict, op, rng.choice(APK_BAD_VERSIONS)), (conflict, op, "")])
        line = " ".join(f"{'!' if c else ''}foo{op}{b}" for c, op, b in constraints)
        text = " ".join(f"{'!' if c else ''}{op}{b}" for c, op, b in constraints)
        try:
            deps = apk_dep_labels.parse_deps(line)
        except apk_dep_labels.Rejected:
            rows.append((text, "", "rejected"))
            continue
        # "<=>" takes any version text, even one apk refuses.
        for version in rng.sample(APK_VERSIONS, 4):
            rows.append((text, version, str(int(apk_dep_labels.satisfies(version, deps)))))
    return rows


def write(name, rows):
    rows = list(dict.fromkeys(rows))
    for row in rows:
        assert not any(c in field for field in row for c in "\t\n\0"), row
    lines = ["range\tversion\texpected"] + ["\t".join(row) for row in rows]
    (OUT / name).write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"{name}: {len(rows)} rows, {len({row[0] for row in rows})} ranges")


def main():
    rpm_relations.self_check()
    apk_dep_labels.self_check()
    write("rpm.tsv", rpm_rows(random.Random(20261209)))
    write("apk.tsv", apk_rows(random.Random(20261210)))


if __name__ == "__main__":
    main()
