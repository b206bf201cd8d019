"""Generate tests/vectors/ranges/deb.tsv: Debian relation ranges and versions,
labelled by dpkg itself (labellers/dpkg_relations.py: dpkg's own parser reads each
range as a Depends: field on a package "foo", and its own dependency check decides
it for foo installed at each version).

Each range is a conjunction (",") of alternatives ("|") of relations, written in the
spellings dpkg reads: with or without spaces inside the parentheses, the obsolete
"<" and ">", a version alone, and versions that only parentheses end ("1.0|2").
tambry also reads a relation without parentheses; such a relation is written in
parentheses for dpkg. Bounds carry epochs and revisions, and every bound has
versions with "~" just below it. Ranges dpkg refuses are rows with no version and
the label "rejected".

    python3 tools/vectors/deb_range_vectors.py
"""

import functools
import pathlib
import random
import sys

sys.path.insert(0, str(pathlib.Path(__file__).parent / "labellers"))

import dpkg_labels  # noqa: E402
import dpkg_relations  # noqa: E402

OUT = pathlib.Path(__file__).resolve().parents[2] / "tests" / "vectors" / "ranges" / "deb.tsv"

BOUNDS = [
    "0", "1.0", "1.0-1", "1.0-2", "1.0~rc1", "1.0~rc1-1", "1.0+dfsg-1", "1.0.1", "1.2", "1:0.9", "2.0~~", "2.0~",
    "2.0", "2.0-0ubuntu1", "2.0.0", "1:1.0", "10", "2:0", "0.9a", "1.0a", "1.0-1~bpo11+1", "1.0-1~", "1:1.0~rc1",
    "1:1.0-1", "0:1.0", "1:0", "2.0~beta1", "1.0-1+b1", "1.0+really0.9", "1.0-0",
]
# Spellings only parentheses end: dpkg takes them, with a warning, as versions.
PARENTHESISED_BOUNDS = ["1.0|2", "1.0,1", "1.0|"]
SUFFIXES = ["~", "~~", "~rc1", "-0~", "-1~", "+b1", ".0", "a"]
VERSIONS = sorted(
    {*BOUNDS, "0.1", "0.9", "1.0-1.1", "1.0-1ubuntu0.1", "1.0~beta", "1.0~rc1-2", "1.0+b1", "1.0.0", "1.1", "1.9",
     "2.0~rc1", "2.0-1", "2.0+really1.9", "1:0.1", "1:2.0", "3.0", "9.9", "2:0~", "1:0.9~", "0~", "0:0",
     "1.0~rc1~1", "1.0-1+deb12u1", "1:1.0~", "1:1.0-0"}
    | {bound + suffix for bound in BOUNDS for suffix in SUFFIXES}
)
OPERATORS = ["<<", "<=", "=", ">=", ">>", "<", ">", ""]


def valid(version):
    return "|" not in version and dpkg_labels.is_valid(version)


def relation(rng):
    """(tambry's text, dpkg's text) of one relation."""
    op = rng.choice(OPERATORS)
    parenthesised = rng.random() < 0.6
    bound = rng.choice(BOUNDS + PARENTHESISED_BOUNDS if parenthesised else BOUNDS)
    gap = rng.choice(["", " ", " ", "  "])
    inner = f"{op}{gap}{bound}" if op else bound
    if parenthesised:
        inner = rng.choice(["({})", "({})", "( {} )", "({} )"]).format(inner)
    return inner, f"foo ({op} {bound})", bound


def clause_text(relations, rng):
    return rng.choice([" | ", " | ", "|", " |"]).join(relations)


def near(bound, ordered, rng):
    """Versions just below and above a bound in dpkg's order, and two from anywhere."""
    if "|" in bound or "," in bound:
        return rng.sample(ordered, 4)
    position = sum(1 for v in ordered if dpkg_labels.compare(v, bound) < 0)
    return ordered[max(0, position - 3) : position + 3] + rng.sample(ordered, 2)


def corrupted(rng):
    """(tambry's text, dpkg's field) of a range with one relation broken in a way
    dpkg's parser may refuse."""
    breaks = ["(<> {})", "(>< {})", "(>= )", "(>= {}", "(>= {} 2.0)", "(>= {}))", "(>= {}(x))", "(>= 1:)",
              "(>= -{})", "(>= {}-)", "(= {}:)", "((>= {}))", "(>=> {})", "(>= {}) (<< 9)"]
    broken = rng.choice(breaks).format(rng.choice(BOUNDS))
    text, field = broken, f"foo {broken}"
    if rng.random() < 0.3:
        text, field = f"(>= 0), {text}", f"foo (>= 0), {field}"
    elif rng.random() < 0.4:
        text, field = f"{text} | (<< 9)", f"{field} | foo (<< 9)"
    return text, field


def main():
    rng = random.Random(20261211)
    ordered = dpkg_labels.sort([v for v in VERSIONS if valid(v)])
    ranges = []  # (text, dpkg field, versions)
    for _ in range(380):
        clauses = [[relation(rng) for _ in range(rng.choice([1, 1, 1, 2]))] for _ in range(rng.choice([1, 1, 2, 2, 3]))]
        text = rng.choice([", ", ", ", ",", " , "]).join(clause_text([r[0] for r in c], rng) for c in clauses)
        field = ", ".join(" | ".join(r[1] for r in c) for c in clauses)
        versions = []
        for clause in clauses:
            for _, _, bound in clause:
                versions += near(bound, ordered, rng)
        ranges.append((text, field, list(dict.fromkeys(versions))[:10]))
    by_version = {}
    for index, (_, _, versions) in enumerate(ranges):
        for version in versions:
            by_version.setdefault(version, []).append(index)
    labels = {}
    for version, indices in by_version.items():
        answers = dpkg_relations.check([ranges[i][1] for i in indices], version)
        labels.update({(i, version): answer for i, answer in zip(indices, answers)})
    rows = []
    for index, (text, _, versions) in enumerate(ranges):
        rows += [(text, version, str(int(labels[index, version]))) for version in versions]
    refused = {text for text, field in (corrupted(rng) for _ in range(80)) if dpkg_relations.refuses(field)}
    rows += [(text, "", "rejected") for text in sorted(refused)]
    rows = list(dict.fromkeys(rows))
    for row in rows:
        assert not any(c in field for field in row for c in "\t\n\0"), row
    OUT.write_text("\n".join(["range\tversion\texpected"] + ["\t".join(row) for row in rows]) + "\n", encoding="utf-8")
    print(f"{OUT.name}: {len(rows)} rows, {len(ranges)} ranges, {len(refused)} refused")


if __name__ == "__main__":
    sys.exit(main())
