"""Generate tests/vectors/ranges/deb-ranges.tsv: Debian relation ranges and versions,
labelled by dpkg itself.

Each range is a conjunction (",") of alternatives ("|") of relations, written in the
spellings dpkg reads: with or without parentheses and spaces, the obsolete "<" and
">", and a bare version. Every relation of a row is labelled by
`dpkg --compare-versions VERSION OP BOUND` (dpkg reads "<" and ">" as in control
files), and the row by combining those answers.

    python3 tools/vectors/deb_range_vectors.py > tests/vectors/ranges/deb-ranges.tsv
"""

import random
import subprocess
import sys

BOUNDS = [
    "0", "1.0", "1.0-1", "1.0-2", "1.0~rc1", "1.0~rc1-1", "1.0+dfsg-1", "1.0.1", "1.2", "1:0.9",
    "2.0~~", "2.0~", "2.0", "2.0-0ubuntu1", "2.0.0", "1:1.0", "10", "2:0", "0.9a", "1.0a",
]
VERSIONS = BOUNDS + [
    "0.1", "0.9", "1.0-0", "1.0-1.1", "1.0-1ubuntu0.1", "1.0~beta", "1.0~rc1-2", "1.0+b1", "1.0.0", "1.1",
    "1.2~", "1.9", "2.0~rc1", "2.0-1", "2.0+really1.9", "1:0.1", "1:2.0", "3.0", "9.9", "2:0~",
]
OPERATORS = ["<<", "<=", "=", ">=", ">>", "<", ">", ""]

_labels = {}


def holds(version, op, bound):
    key = (version, op or "=", bound)
    if key not in _labels:
        result = subprocess.run(["dpkg", "--compare-versions", version, op or "=", bound],
                                capture_output=True, check=False)
        _labels[key] = result.returncode == 0
    return _labels[key]


def relation(rng):
    op = rng.choice(OPERATORS)
    bound = rng.choice(BOUNDS)
    space = rng.choice(["", " "])
    text = f"{op}{space}{bound}" if op else bound
    if rng.random() < 0.5:
        text = f"({text})"
    return text, (op, bound)


def main():
    rng = random.Random(20261208)
    print("range\tversion\texpected")
    for _ in range(320):
        clauses = []
        for _ in range(rng.choice([1, 1, 2, 2, 3])):
            clauses.append([relation(rng) for _ in range(rng.choice([1, 1, 1, 2]))])
        text = ", ".join(" | ".join(t for t, _ in clause) for clause in clauses)
        for version in rng.sample(VERSIONS, 8):
            expected = all(any(holds(version, op, bound) for _, (op, bound) in clause) for clause in clauses)
            print(f"{text}\t{version}\t{int(expected)}")


if __name__ == "__main__":
    sys.exit(main())
