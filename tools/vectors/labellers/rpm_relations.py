"""rpm's answers for dependency relations, asked of rpm itself (python3-rpm 4.18,
Debian's /usr/bin/python3):

- rpm reads a Requires: line: `parse_requires` writes it into a spec file and has
  rpm's spec parser read it (rpm.spec), so the operators, the separators and the
  version checks are rpm's; a line rpm refuses raises Rejected.
- A package satisfies a relation as rpm's dependency check decides between the
  package's "= EVR" and the relation: rpm.ds(...).Compare, which is rpmdsCompare.
"""

import os
import tempfile

import rpm

SENSE_MASK = rpm.RPMSENSE_LESS | rpm.RPMSENSE_GREATER | rpm.RPMSENSE_EQUAL

# rpm reports a refused line on its log as well as by raising: keep the log quiet.
_QUIET = open(os.devnull, "w")  # noqa: SIM115
rpm.setLogFile(_QUIET)

SPEC = """Name: probe
Version: 1
Release: 1
Summary: probe
License: MIT
Requires: {requires}
%description
probe
"""


class Rejected(ValueError):
    """rpm refuses the Requires: line."""


def parse_requires(line):
    """The (name, flags, evr) relations rpm reads from a Requires: line."""
    if "\n" in line or "%" in line:
        raise ValueError("a line without macros, please")
    with tempfile.NamedTemporaryFile("w", suffix=".spec", delete=False) as spec:
        spec.write(SPEC.format(requires=line))
    try:
        parsed = rpm.spec(spec.name)
    except ValueError as error:
        raise Rejected(line) from error
    finally:
        os.unlink(spec.name)
    requires = rpm.ds(parsed.packages[0].header, "requires")
    return [(d.N(), d.Flags() & SENSE_MASK, d.EVR()) for d in requires]


def satisfies(version, relations):
    """Whether a package of this version satisfies every relation on its name."""
    provide = rpm.ds(("foo", rpm.RPMSENSE_EQUAL, version), "provides")
    for name, flags, evr in relations:
        if name != "foo":
            raise ValueError(f"a relation on {name!r}")
        if not provide.Compare(rpm.ds((name, flags, evr), "requires")):
            return False
    return True


# Worked by hand from rpmds.c and rpmver.c (rpmverOverlap), each for a reason named beside it.
HAND_CHECKED = [
    ("1.0-5", "foo = 1.0", True),  # a bound without a release holds every release
    ("1.0-5", "foo <= 1.0", True),
    ("1.0-5", "foo > 1.0", False),
    ("1.0-5", "foo < 1.0", False),
    ("1.0", "foo > 1.0-5", True),  # a package without a release meets every bound of its version
    ("1.0", "foo < 1.0-5", True),
    ("1:1.0", "foo = 1.0", False),  # a missing epoch is 0
    ("1.0", "foo = 0:1.0", True),
    ("1.0~rc1", "foo < 1.0", True),
    ("1.0^git1", "foo > 1.0", True),
    ("1.0-1", "foo >= 1.0-1, foo < 2", True),
    ("2.0-1", "foo >= 1.0-1, foo < 2", False),
    ("1.0", "foo => 1.0", True),  # rpm's other spellings
    ("1.0", "foo =< 1.0", True),
    ("1.0", "foo == 1.0", True),
]

HAND_REJECTED = ["foo <> 1.0", "foo >= ", "foo >=1.0", "foo >> 1.0", "foo >= 1.0-1-2"]


def self_check():
    for version, line, expected in HAND_CHECKED:
        assert satisfies(version, parse_requires(line)) == expected, (version, line, expected)
    for line in HAND_REJECTED:
        try:
            parse_requires(line)
        except Rejected:
            continue
        raise AssertionError(f"{line!r} should be rejected")


if __name__ == "__main__":
    self_check()
    print(f"{len(HAND_CHECKED)} matches and {len(HAND_REJECTED)} rejections checked against rpm")
