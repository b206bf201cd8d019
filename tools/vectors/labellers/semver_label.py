"""Labels version texts with python `semver` 3.0.2 (SemVer 2.0.0 precedence).

    python semver_label.py valid|compare|sort < lines

valid: one text per line -> 1/0 (Version.is_valid); compare: "a<TAB>b" -> -1/0/1
(Version.parse(a).compare(b)); sort: accepted texts -> the same texts in order.
"""
import functools
import sys

from semver import Version


def compare(a: str, b: str) -> int:
    return Version.parse(a).compare(b)


def main() -> None:
    mode = sys.argv[1]
    lines = sys.stdin.buffer.read().decode("utf-8").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if mode == "valid":
        out = ["1" if Version.is_valid(line) else "0" for line in lines]
    elif mode == "compare":
        out = [str(compare(*line.split("\t"))) for line in lines]
    elif mode == "sort":
        out = sorted(lines, key=functools.cmp_to_key(compare))
    else:
        sys.exit("usage: semver_label.py valid|compare|sort")
    sys.stdout.buffer.write("".join(o + "\n" for o in out).encode("utf-8"))


if __name__ == "__main__":
    main()
