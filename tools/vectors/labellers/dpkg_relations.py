"""dpkg's answers for dependency relations, asked of dpkg itself: its own parser
reads the Depends: fields and its own dependency check decides them.

`check(depends_fields, version)` writes a throwaway dpkg database (an admin
directory of its own) in which package "foo" is installed at `version` and one
unpacked package per field depends on it, then runs
`dpkg --admindir DIR --no-act --configure` on all of them: dpkg configures exactly
those whose dependencies are met. A field dpkg cannot parse fails the whole
database, so `refuses(field)` asks about one field alone.

dpkg reads its database leniently (a version with a bad character is a warning), as
`dpkg --compare-versions` does.
"""

import pathlib
import re
import subprocess
import tempfile

STANZA = """Package: {name}
Status: install ok {state}
Version: {version}
Architecture: all
Maintainer: probe <probe@example.org>
Description: probe
"""


def _run(stanzas, packages):
    with tempfile.TemporaryDirectory() as admin:
        root = pathlib.Path(admin)
        for sub in ("info", "updates", "triggers"):
            (root / sub).mkdir()
        (root / "available").write_text("")
        (root / "status").write_text("\n".join(stanzas), encoding="utf-8")
        return subprocess.run(
            ["dpkg", f"--admindir={admin}", "--force-not-root", "--no-act", "--configure", *packages],
            capture_output=True,
            text=True,
            check=False,
        )


def check(fields, version):
    """For each Depends: field, whether foo at `version` satisfies it."""
    stanzas = [STANZA.format(name="foo", state="installed", version=version)]
    names = [f"bar{i}" for i in range(len(fields))]
    for name, field in zip(names, fields):
        stanzas.append(STANZA.format(name=name, state="unpacked", version="1") + f"Depends: {field}\n")
    result = _run(stanzas, names)
    configured = set(re.findall(r"^Setting up (bar\d+) ", result.stdout, re.M))
    refused = set(re.findall(r"dependency problems prevent configuration of (bar\d+)", result.stderr))
    if configured | refused != set(names) or configured & refused:
        raise RuntimeError(f"dpkg answered neither way:\n{result.stdout}\n{result.stderr}")
    return [name in configured for name in names]


def refuses(field):
    """Whether dpkg's parser refuses the Depends: field."""
    stanzas = [STANZA.format(name="foo", state="installed", version="1"),
               STANZA.format(name="bar0", state="unpacked", version="1") + f"Depends: {field}\n"]
    result = _run(stanzas, ["bar0"])
    if "error: parsing file" in result.stderr:
        return True
    if "Setting up bar0" in result.stdout or "dependency problems" in result.stderr:
        return False
    raise RuntimeError(f"dpkg answered neither way:\n{result.stdout}\n{result.stderr}")


# Worked by hand from dpkg's lib/dpkg/fields.c (f_dependency) and version.c.
HAND_CHECKED = [
    ("1.5", "foo (>= 1.0), foo (<< 2.0)", True),
    ("2.0", "foo (>= 1.0), foo (<< 2.0)", False),
    ("2.0~rc1", "foo (>= 1.0), foo (<< 2.0)", True),  # "~" sorts before the end
    ("1.0", "foo (< 1.0)", True),  # the obsolete "<" is "<="
    ("1.0", "foo (1.0)", True),  # a version alone is an exact match
    ("1:0.1", "foo (>> 9)", True),  # the epoch counts first
    ("2", "foo (>= 1.0|2)", True),  # in parentheses the version runs to white space or ")"
    ("3", "foo (= 1) | foo (= 3)", True),
]

HAND_REFUSED = ["foo (<> 1.0)", "foo (>< 1.0)", "foo (>= )", "foo (>= 1.0", "foo (>= 1.0 2.0)", "foo (>= 1:)"]


def self_check():
    for version, field, expected in HAND_CHECKED:
        assert check([field], version) == [expected], (version, field, expected)
    for field in HAND_REFUSED:
        assert refuses(field), field


if __name__ == "__main__":
    self_check()
    print(f"{len(HAND_CHECKED)} relations and {len(HAND_REFUSED)} refusals checked against dpkg")
