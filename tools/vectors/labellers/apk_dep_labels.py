"""apk's answers for dependency constraints, where no apk can be run: a line-by-line
reading of apk-tools 3's apk_dep_parse and apk_blob_pull_deps (src/package.c), its
character classes (src/ctype.c), and apk_version_result_mask_blob,
apk_version_compare_fuzzy and apk_version_match (src/version.c), on top of the
tokenizer that apk_labels.py transcribes.

A dependency list is split at spaces and line feeds; each dependency is
"[!]name[operator version]", the operator being the run of "<", ">", "=" and "~"
after the name. A package of version V satisfies a dependency on its name when
apk_version_match(V, op, version) holds. Run as a script, it checks itself on
hand-worked cases.
"""

import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).parent))

from apk_labels import END, SUFFIX, SUFFIX_NONE, _first, _next, _token_cmp, is_valid  # noqa: E402

EQUAL, LESS, GREATER, FUZZY, CONFLICT = 1, 2, 4, 8, 16
DEPMASK_ANY = EQUAL | LESS | GREATER
DEPMASK_CHECKSUM = LESS | GREATER
COMPARERS = "<>=~"
SEPARATORS = " \n"


class Rejected(ValueError):
    """apk refuses the dependency: its format, or a version it does not take."""


def result_mask(op):
    mask = 0
    for c in op:
        mask |= {"<": LESS, ">": GREATER, "=": EQUAL, "~": FUZZY | EQUAL}[c]
    return mask


def compare_fuzzy(a, b, fuzzy):
    """LESS, EQUAL or GREATER: how version a stands to dependency version b."""
    ta, pa = _first(a)
    tb, pb = _first(b)
    while ta.token == tb.token and ta.token < END:
        r = _token_cmp(ta, tb)
        if r:
            return LESS if r < 0 else GREATER
        pa = _next(ta, a, pa)
        pb = _next(tb, b, pb)
    if ta.token == tb.token:
        return EQUAL
    if tb.token == END and fuzzy:
        return EQUAL
    if ta.token == SUFFIX and ta.suffix < SUFFIX_NONE:
        return LESS
    if tb.token == SUFFIX and tb.suffix < SUFFIX_NONE:
        return GREATER
    return LESS if ta.token > tb.token else GREATER


def version_match(a, op, b):
    ok = (op & DEPMASK_ANY) == DEPMASK_ANY or bool(compare_fuzzy(a, b, bool(op & FUZZY)) & op)
    return not ok if op & CONFLICT else ok


def parse_dep(spec):
    """(name, op, version) of one dependency; version is None without an operator."""
    op = 0
    if spec.startswith("!"):
        op |= CONFLICT
        spec = spec[1:]
    cut = next((i for i, c in enumerate(spec) if c in COMPARERS), None)
    if cut is None:
        return spec, op | DEPMASK_ANY, None
    name, rest = spec[:cut], spec[cut:]
    end = next((i for i, c in enumerate(rest) if c not in COMPARERS), None)
    if end is None:
        raise Rejected(f"no version after {rest!r}")
    op |= result_mask(rest[:end])
    version = rest[end:]
    if (op & DEPMASK_CHECKSUM) != DEPMASK_CHECKSUM and not is_valid(version):
        raise Rejected(f"apk rejects the version {version!r}")
    return name, op, version


def parse_deps(text):
    deps = []
    rest = text
    while rest:
        end = next((i for i, c in enumerate(rest) if c in SEPARATORS), len(rest))
        token, rest = rest[:end], rest[end:].lstrip(SEPARATORS)
        deps.append(parse_dep(token))
    return deps


def satisfies(version, deps):
    """Whether a package of this version satisfies every dependency on its name."""
    for _name, op, dep_version in deps:
        if (op & DEPMASK_CHECKSUM) == DEPMASK_CHECKSUM and not (op & EQUAL):
            raise ValueError("a checksum dependency names no version")
        if dep_version is None:
            if op & CONFLICT:
                return False
            continue
        if not version_match(version, op, dep_version):
            return False
    return True


# Worked by hand from version.c and package.c, each for a reason named beside it.
HAND_CHECKED = [
    ("1.2.3", "foo~1.2", True),  # a fuzzy match is a match of leading tokens
    ("1.2", "foo~1.2", True),
    ("1.20", "foo~1.2", False),  # ... by value, not by characters
    ("1.3", "foo~1.2", False),
    ("1.2_rc1", "foo~1.2", True),  # a pre-release suffix is a token like any other
    ("1.2-r4", "foo~1.2", True),
    ("1.2a", "foo~1.2", True),
    ("1.02", "foo~1.2", False),  # a leading zero makes the component text
    ("1.2_rc1", "foo>=1.2", False),
    ("1.2_rc1", "foo>~1.2", True),  # ">~" is ">=" plus the family
    ("1.1", "foo>~1.2", False),
    ("1.2.3", "foo<=1.2", False),
    ("1.2.3", "foo<~1.2", True),
    ("1.3", "foo<~1.2", False),
    ("1.2", "foo=~1.2", True),  # the characters of an operator only add up
    ("1.2.3", "foo~=1.2", True),
    ("1.2", "foo=<1.2", True),
    ("1.2", "foo==1.2", True),
    ("1.1", "foo<<1.2", True),
    ("0.1", "foo<=>1.2", True),  # every answer: any version
    ("1.2", "!foo=1.2", False),  # a conflict holds where the constraint does not
    ("1.3", "!foo=1.2", True),
    ("1.2.3", "!foo~1.2", False),
    ("1.3", "!foo~1.2", True),
    ("1.5", "foo>=1.2 foo<2", True),  # a list: every dependency holds
    ("2.0", "foo>=1.2 foo<2", False),
    ("2_rc1", "foo>=1.2 foo<2", True),  # 2_rc1 sorts below 2
    ("1.0", "!foo", False),
    ("1.0", "foo", True),
    ("1.2-r3", "foo~1.2-r3", True),
    ("1.2-r03", "foo~1.2-r3", True),  # a revision is a number
    ("1.2~ab", "foo~1.2", True),
]

HAND_REJECTED = ["foo>=", "foo>=1.2_foo", "foo=v1", "foo<", "foo~1..2", "foo=1.2 foo>"]


def self_check():
    for version, text, expected in HAND_CHECKED:
        assert satisfies(version, parse_deps(text)) == expected, (version, text, expected)
    for text in HAND_REJECTED:
        try:
            parse_deps(text)
        except Rejected:
            continue
        raise AssertionError(f"{text!r} should be rejected")


if __name__ == "__main__":
    self_check()
    print(f"{len(HAND_CHECKED)} matches and {len(HAND_REJECTED)} rejections as worked by hand")
