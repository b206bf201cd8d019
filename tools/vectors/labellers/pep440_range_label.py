"""Labels PyPI specifier sets with `packaging` itself, one answer per input line
(lines end with "\\n" only; nothing else is stripped; UTF-8):

    python pep440_range_label.py < lines     lines "specifiers<TAB>version"
    python pep440_range_label.py version     packaging's version, alone on one line

For each line: "!" when SpecifierSet(specifiers) raises; "ok" when it does not and
the version is empty; otherwise three answers separated by tabs, 1 or 0, of a fresh
SpecifierSet(specifiers).contains(version) with prereleases=None, True and False,
or "e" when contains raises (packaging reads a specifier's version only when it is
first used, so a number Python cannot read fails there).
The answers of a set that has already answered once (packaging caches its
intervals after the first use) must agree with the fresh ones; a line where they
do not is labelled "?" so that it is looked into rather than written.
"""

import sys

import packaging
from packaging.specifiers import SpecifierSet


def answers(text, version):
    fresh = [SpecifierSet(text).contains(version, prereleases=p) for p in (None, True, False)]
    warm = SpecifierSet(text)
    warm.contains("0")
    if [warm.contains(version, prereleases=p) for p in (None, True, False)] != fresh:
        return "?"
    return "\t".join("1" if a else "0" for a in fresh)


def label(line):
    text, version = line.split("\t", 1)
    try:
        SpecifierSet(text)
    except Exception:
        return "!"
    if version == "":
        return "ok"
    try:
        return answers(text, version)
    except Exception:
        return "e"


def main():
    if sys.argv[1:] == ["version"]:
        print(packaging.__version__)
        return
    lines = sys.stdin.buffer.read().decode("utf-8").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    sys.stdout.buffer.write("".join(label(line) + "\n" for line in lines).encode("utf-8"))


if __name__ == "__main__":
    main()
