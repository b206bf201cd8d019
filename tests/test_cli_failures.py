"""The installed tambry command when things go wrong, and its `check` command.

Output that cannot be written (closed, or a full disk), memory running out,
bytes that are not UTF-8, the three kinds of line end, lines of white space,
and the exit status, standard output and standard error of each.
"""

import importlib.metadata
import re
import resource
import subprocess
import sys
import sysconfig
from pathlib import Path

import pytest

import tambry
import tambry_cli
from helpers import ECOSYSTEM_LIST, UNDER_ASAN

ROOT = Path(__file__).resolve().parent.parent
TAMBRY = str(Path(sysconfig.get_path("scripts")) / "tambry")

BAD_FD = "tambry: standard output: Bad file descriptor\n"
DISK_FULL = "tambry: standard output: No space left on device\n"


def run(args, stdin=b"", redirect="", cwd=None, memory_limit=None):
    """Run the installed command with a shell redirection such as '>&-' or '>/dev/full';
    give (exit status, stdout, stderr) as text."""

    def limit_memory():
        resource.setrlimit(resource.RLIMIT_AS, (memory_limit, memory_limit))

    result = subprocess.run(
        ["bash", "-c", f'exec "$0" "$@" {redirect}', TAMBRY, *args],
        input=stdin,
        capture_output=True,
        cwd=cwd,
        timeout=120,
        preexec_fn=limit_memory if memory_limit else None,
    )
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def lines(*items):
    return "".join(f"{item}\n" for item in items)


# (id, arguments, standard input, redirection, exit status, standard output, standard error)
OUTPUT_FAILURES = [
    ("sort-stdout-closed", ["sort"], b"2\n1\n", ">&-", 74, "", BAD_FD),
    # The file opened for reading takes descriptor 1; nothing may be written to it.
    ("sort-file-stdout-closed", ["sort", "examples/versions.txt"], b"", ">&-", 74, "", BAD_FD),
    ("sort-disk-full", ["sort"], b"2\n1\n", ">/dev/full", 74, "", DISK_FULL),
    ("sort-big-disk-full", ["sort", "-r"], b"1.0\n" * 100_000, ">/dev/full", 74, "", DISK_FULL),
    ("max-stdout-closed", ["max"], b"1\n", ">&-", 74, "", BAD_FD),
    ("compare-disk-full", ["compare", "1", "2"], b"", ">/dev/full", 74, "", DISK_FULL),
    ("detect-stdout-closed", ["detect", "1.0"], b"", ">&-", 74, "", BAD_FD),
    ("info-disk-full", ["info", "1.0"], b"", ">/dev/full", 74, "", DISK_FULL),
    ("check-report-stdout-closed", ["check", "-e", "npm"], b"1\n", ">&-", 74, "", BAD_FD),
    ("version-stdout-closed", ["--version"], b"", ">&-", 74, "", BAD_FD),
    ("help-disk-full", ["--help"], b"", ">/dev/full", 74, "", DISK_FULL),
    ("command-help-stdout-closed", ["sort", "--help"], b"", ">&-", 74, "", BAD_FD),
    # Nothing to write: nothing fails.
    ("sort-nothing-stdout-closed", ["sort"], b"\n", ">&-", 0, "", ""),
    ("check-nothing-to-report-disk-full", ["check", "-e", "npm"], b"1.0.0\n", ">/dev/full", 0, "", ""),
    # A failure of the input is reported as such, whatever became of the output.
    ("max-empty-stdout-closed", ["max"], b"", ">&-", 2, "", "tambry: empty sequence\n"),
    ("usage-error-stdout-closed", ["sort", "-x"], b"", ">&-", 2, "",
     "usage: tambry [-h] [--version] COMMAND ...\ntambry: error: unrecognized arguments: -x\n"),
    # With standard error gone too, the status still tells.
    ("disk-full-stderr-closed", ["sort"], b"1\n", ">/dev/full 2>&-", 74, "", ""),
    ("disk-full-stderr-full", ["sort"], b"1\n", ">/dev/full 2>/dev/full", 74, "", ""),
    ("bad-input-stderr-closed", ["max"], b"", "2>&-", 2, "", ""),
    # Standard input closed: an error of the input, not an empty one.
    ("stdin-closed", ["sort"], b"", "<&-", 2, "", "tambry: (standard input): Bad file descriptor\n"),
    ("stdin-closed-file-given", ["max", "examples/versions.txt"], b"", "<&-", 0, "1:0.1\n", ""),
]


@pytest.mark.parametrize(("args", "stdin", "redirect", "status", "stdout", "stderr"),
                         [case[1:] for case in OUTPUT_FAILURES], ids=[case[0] for case in OUTPUT_FAILURES])
def test_output_and_input_that_fail(args, stdin, redirect, status, stdout, stderr):
    assert run(args, stdin, redirect, cwd=ROOT) == (status, stdout, stderr)


@pytest.mark.skipif(UNDER_ASAN, reason="the sanitizer reserves more address space than the limit")
@pytest.mark.parametrize("where", ["reading", "sorting"])
def test_out_of_memory(tmp_path, where):
    big = tmp_path / "big.txt"
    if where == "reading":
        with open(big, "wb") as f:  # a sparse gibibyte: no disk is used
            f.truncate(1 << 30)
    else:
        big.write_bytes(b"".join(b"%d.%d.%d\n" % (i // 1000, i % 1000, i % 7) for i in range(2_000_000)))
    assert run(["sort", str(big)], memory_limit=160 << 20) == (71, "", "tambry: out of memory\n")


def test_internal_error_has_no_traceback(monkeypatch, capsys):
    def broken(*args):
        raise RuntimeError("broken")

    monkeypatch.setattr(tambry_cli.tambry, "compare", broken)
    assert tambry_cli.main(["compare", "1", "2"]) == 70
    assert capsys.readouterr() == ("", "tambry: internal error: RuntimeError: broken\n")


def test_invalid_utf8_names_file_and_line(tmp_path):
    good = tmp_path / "good.txt"
    bad = tmp_path / "bad.txt"
    good.write_bytes(b"1.0\n")
    bad.write_bytes(b"1.0\r\n\r\n2.0 \xe9t\xe9\r\n3.0\xff\r\n")
    # The first bad line of the first bad file, before a later file is even opened.
    assert run(["sort", str(good), str(bad), "missing.txt"], cwd=tmp_path) == (
        2, "", f"tambry: {bad}:3: b'2.0 \\xe9t\\xe9': not valid UTF-8\n")
    assert run(["max", "missing.txt", str(bad)], cwd=tmp_path) == (
        2, "", "tambry: missing.txt: No such file or directory\n")


def test_cr_line_ends_in_a_file(tmp_path):
    classic = tmp_path / "classic.txt"
    classic.write_bytes(b"1.10\r1.9\r\r1.10rc1\r")
    assert run(["sort", str(classic)]) == (0, lines("1.9", "1.10rc1", "1.10"), "")
    assert run(["check", "-e", "semver", str(classic)]) == (1, lines(
        f"{classic}:1: '1.10': Expected 3 parts, got 2",
        f"{classic}:2: '1.9': Expected 3 parts, got 2",
        f"{classic}:4: '1.10rc1': Expected 3 parts, got 2",
    ), "")


def white_space_of_the_library():
    """Every character that the library trims: the text of it alone is blank to Debian."""
    found = []
    for code in range(sys.maxunicode + 1):
        if 0xD800 <= code <= 0xDFFF:
            continue
        try:
            tambry.compare(chr(code), chr(code), "debian")
        except ValueError:
            found.append(chr(code))
    return found


def test_blank_lines_are_those_of_the_library_white_space(tmp_path):
    white = white_space_of_the_library()
    assert sorted(tambry_cli.WHITE_SPACE) == white
    # Not white space to the library, though str.strip() drops some of them.
    others = ["\x1c", "\x1d", "\x1e", "\x1f", "\u200b", "\u180e", "\ufeff", "\x00"]
    assert not set(others) & set(white)
    text = "x\n" + "".join(f"{c}\n" for c in white if c not in "\r\n") + "".join(f"{c}\n" for c in others)
    listing = tmp_path / "chars.txt"
    listing.write_text(text, encoding="utf-8", newline="")
    assert run(["sort", "-e", "debian", str(listing)]) == (
        0, lines(*tambry.sort_versions(["x", *others], "debian")), "")


# (id, arguments, standard input, exit status, standard output, standard error)
CHECK_CASES = [
    ("all-admitted", ["-e", "npm"], b"1.0.0\nv2.0.0-rc.1\n", 0, "", ""),
    ("rejected-lines", ["-e", "semver"], b"1.0.0\n2.0\n\n1.0.0-rc.01\nv1\n", 1, lines(
        "(standard input):2: '2.0': Expected 3 parts, got 2",
        "(standard input):4: '1.0.0-rc.01': leading zero in numeric prerelease identifier: '01'",
        "(standard input):5: 'v1': Expected 3 parts, got 1",
    ), ""),
    ("generic-admits-everything", [], b"anything\n\x1c\n-\n", 0, "", ""),
    ("auto-guesses-each-line", ["-e", "AUTO"], b"1!2.0\nx1\na!1\n1.0~rc1\n", 1,
     "(standard input):3: 'a!1': invalid PEP 440 epoch: 'a'\n", ""),
    ("not-utf8-reported-and-checking-goes-on", ["-e", "semver"], b"1.0.0\n\xff\xfe\n01.0.0\n", 1, lines(
        "(standard input):2: b'\\xff\\xfe': not valid UTF-8",
        "(standard input):3: '01.0.0': leading zero in major: '01'",
    ), ""),
    ("line-ends-counted", ["-e", "maven"], b"1\r\nv2\r3\nx\n", 1, lines(
        "(standard input):2: 'v2': Maven version must start with a digit: 'v2'",
        "(standard input):4: 'x': Maven version must start with a digit: 'x'",
    ), ""),
    ("blank-lines-skipped-separators-checked", ["-e", "semver"], "\u3000\n \t\n\x1c\n".encode(), 1,
     "(standard input):3: '\\x1c': Expected 3 parts, got 1\n", ""),
    ("byte-order-mark", ["-e", "semver"], b"\xef\xbb\xbf1.0.0\n", 0, "", ""),
    ("empty-input", ["-e", "semver"], b"", 0, "", ""),
    ("bad-ecosystem", ["-e", "nope"], b"1\n", 2, "",
     f"tambry: unsupported ecosystem 'nope'; expected one of: {ECOSYSTEM_LIST}\n"),
    ("bad-ecosystem-empty-input", ["-e", "nope"], b"", 2, "",
     f"tambry: unsupported ecosystem 'nope'; expected one of: {ECOSYSTEM_LIST}\n"),
    ("missing-file", ["missing.txt"], b"", 2, "", "tambry: missing.txt: No such file or directory\n"),
]


@pytest.mark.parametrize(("args", "stdin", "status", "stdout", "stderr"),
                         [case[1:] for case in CHECK_CASES], ids=[case[0] for case in CHECK_CASES])
def test_check(args, stdin, status, stdout, stderr, tmp_path):
    assert run(["check", *args], stdin, cwd=tmp_path) == (status, stdout, stderr)


def test_check_names_each_file(tmp_path):
    (tmp_path / "a.txt").write_text("1.0.0\n1.0\n")
    (tmp_path / "b c.txt").write_text("2\n\n2.0.0\n")
    assert run(["check", "-e", "crates", "a.txt", "-", "b c.txt"], b"3.0.0\nthree\n", cwd=tmp_path) == (1, lines(
        "a.txt:2: '1.0': Expected 3 parts, got 2",
        "(standard input):2: 'three': Expected 3 parts, got 1",
        "b c.txt:1: '2': Expected 3 parts, got 1",
    ), "")


def test_version():
    assert run(["--version"]) == (0, f"tambry {importlib.metadata.version('tambry')}\n", "")


def readme_ecosystem_names():
    """Each ecosystem of the README's table with its aliases."""
    text = (ROOT / "README.md").read_text(encoding="utf-8")
    table = text.split("| Ecosystem | Also accepted |", 1)[1].split("\n\n", 1)[0]
    names = {}
    for row in table.split("\n")[2:]:
        cells = row.split("|")
        names[re.findall(r"`([^`]+)`", cells[1])[0]] = re.findall(r"`([^`]+)`", cells[2])
    return names


@pytest.mark.parametrize("command", ["compare", "sort", "max", "min", "check", "info"])
def test_ecosystem_help_lists_every_accepted_name(command):
    status, out, err = run([command, "--help"])
    assert (status, err) == (0, "")
    listing = re.search(r"any letter case: (.*?); or auto", " ".join(out.split())).group(1)
    shown = {name: aliases.split(", ") if aliases else []
             for name, aliases in re.findall(r"(\S+?)(?: \(([^)]*)\))?(?:, |$)", listing)}
    assert shown == readme_ecosystem_names()
    assert ", ".join(shown) == ECOSYSTEM_LIST
    for name, aliases in shown.items():
        for alias in [name, *aliases]:
            assert tambry.Version("1", alias.upper()).ecosystem == name
