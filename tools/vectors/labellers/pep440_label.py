"""Labels PyPI versions with `packaging` itself, one answer per input line (lines
end with "\\n" only; nothing else is stripped; UTF-8):

    python pep440_label.py valid     "1" when packaging.version.Version accepts the line, else "0"
    python pep440_label.py compare   lines "a<TAB>b": -1, 0 or 1
    python pep440_label.py sort      the lines sorted by Version (every line must be valid)
    python pep440_label.py version   packaging's version, alone on one line

Any exception from Version (InvalidVersion, or the ValueError of an integer longer
than Python reads) means the text is not a version.
"""

import sys

import packaging
from packaging.version import Version


def accepted(text):
    try:
        Version(text)
    except Exception:
        return False
    return True


def sign(a, b):
    va, vb = Version(a), Version(b)
    return -1 if va < vb else (1 if va > vb else 0)


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else ""
    if mode == "version":
        print(packaging.__version__)
        return
    data = sys.stdin.buffer.read().decode("utf-8")
    lines = data.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    out = []
    if mode == "valid":
        out = ["1" if accepted(line) else "0" for line in lines]
    elif mode == "compare":
        for line in lines:
            a, b = line.split("\t", 1)
            out.append(str(sign(a, b)))
    elif mode == "sort":
        out = sorted(lines, key=Version)
    else:
        sys.exit("usage: pep440_label.py valid|compare|sort|version < lines")
    sys.stdout.buffer.write("".join(line + "\n" for line in out).encode("utf-8"))


if __name__ == "__main__":
    main()
