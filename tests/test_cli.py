"""The tambry command: every subcommand with good and bad input, exit statuses, pipes and signals."""

import importlib.metadata
import json
import os
import signal
import subprocess
import sys
import sysconfig
import time
from pathlib import Path

import pytest

import tambry
from helpers import ECOSYSTEM_LIST

ROOT = Path(__file__).resolve().parent.parent
EXAMPLES = ROOT / "examples" / "versions.txt"



def unsupported(name):
    return f"tambry: unsupported ecosystem '{name}'; expected one of: {ECOSYSTEM_LIST}\n"


def run(args, stdin=b"", cwd=None, command=None, timeout=60):
    """Run the command; give (exit status, stdout, stderr) as text."""
    result = subprocess.run(
        (command or [sys.executable, "-m", "tambry_cli"]) + list(args),
        input=stdin,
        capture_output=True,
        cwd=cwd,
        timeout=timeout,
    )
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def lines(*items):
    return "".join(f"{item}\n" for item in items)


# (id, arguments, standard input, exit status, standard output, standard error)
CASES = [
    # compare
    ("compare-less", ["compare", "1.0.0-rc.1", "1.0.0", "-e", "npm"], b"", 0, "-1\n", ""),
    ("compare-equal", ["compare", "1.0", "1.0.0"], b"", 0, "0\n", ""),
    ("compare-greater", ["compare", "1.10", "1.9"], b"", 0, "1\n", ""),
    ("compare-long-option", ["compare", "--ecosystem", "debian", "1.0~rc1", "1.0"], b"", 0, "-1\n", ""),
    ("compare-auto", ["compare", "-e", "AUTO", "1.0~rc1", "1.0"], b"", 0, "-1\n", ""),
    ("compare-rpm-caret", ["compare", "1.0^git1", "1.0", "-e", "redhat"], b"", 0, "1\n", ""),
    ("compare-blanks-kept", ["compare", " 1.0 ", "1.0"], b"", 0, "0\n", ""),
    ("compare-after-double-dash", ["compare", "--", "-2", "1"], b"", 0, "1\n", ""),
    ("compare-bad-version-a", ["compare", "1.0", "1.0.0", "-e", "semver"], b"", 2, "",
     "tambry: '1.0': Expected 3 parts, got 2\n"),
    ("compare-bad-version-b", ["compare", "1.0.0", "1.0.0-rc.01", "-e", "semver"], b"", 2, "",
     "tambry: '1.0.0-rc.01': leading zero in numeric prerelease identifier: '01'\n"),
    ("compare-both-bad-first-named", ["compare", "1", "2", "-e", "npm"], b"", 2, "",
     "tambry: '1': Expected 3 parts, got 1\n"),
    ("compare-auto-first-rules", ["compare", "-e", "auto", "1.0~rc1", " "], b"", 2, "",
     "tambry: ' ': empty Debian version\n"),
    ("compare-bad-ecosystem", ["compare", "1", "2", "-e", "Foo"], b"", 2, "", unsupported("foo")),
    ("compare-ecosystem-with-blank", ["compare", "1", "2", "-e", " npm"], b"", 2, "", unsupported(" npm")),
    ("compare-maven-prefix", ["compare", "v1.0", "1.0", "-e", "maven"], b"", 2, "",
     "tambry: 'v1.0': Maven version must start with a digit: 'v1.0'\n"),
    ("compare-value-quoted-with-escapes", ["compare", "1.0", "1.0\x1b[2J", "-e", "semver"], b"", 2, "",
     "tambry: '1.0': Expected 3 parts, got 2\n"),
    ("compare-control-character-escaped", ["compare", "1.0.0", "1.0.0-a\tb", "-e", "semver"], b"", 2, "",
     "tambry: '1.0.0-a\\tb': invalid character in prerelease identifier: 'a\tb'\n"),
    # sort
    ("sort-stdin", ["sort"], b"1.10\n1.9\n1.10rc1\n", 0, lines("1.9", "1.10rc1", "1.10"), ""),
    ("sort-dash", ["sort", "-"], b"2\n1\n", 0, lines("1", "2"), ""),
    ("sort-reverse", ["sort", "-r"], b"1.10\n1.9\n1.10rc1\n", 0, lines("1.10", "1.10rc1", "1.9"), ""),
    ("sort-stable", ["sort"], b"1.0.0\n1.0\n0.9\n", 0, lines("0.9", "1.0.0", "1.0"), ""),
    ("sort-blank-lines-skipped", ["sort"], b"\n2.0\n  \n\t\n1.0\n\n", 0, lines("1.0", "2.0"), ""),
    ("sort-crlf", ["sort"], b"2.0\r\n1.0\r\n", 0, lines("1.0", "2.0"), ""),
    ("sort-no-final-newline", ["sort"], b"2.0\n1.0", 0, lines("1.0", "2.0"), ""),
    ("sort-byte-order-mark", ["sort"], b"\xef\xbb\xbf2.0\n1.0\n", 0, lines("1.0", "2.0"), ""),
    ("sort-line-kept-as-written", ["sort"], b" 2.0\t\n1.0 \n", 0, lines("1.0 ", " 2.0\t"), ""),
    ("sort-non-ascii", ["sort"], "2.0é\n1.0é\n".encode(), 0, lines("1.0é", "2.0é"), ""),
    ("sort-debian", ["sort", "-e", "deb"], b"1.0\n1.0~rc1\n1.0+b1\n1:0.1\n", 0,
     lines("1.0~rc1", "1.0", "1.0+b1", "1:0.1"), ""),
    ("sort-auto-first-decides", ["sort", "-e", "auto"], b"1.0.post1\n1.0\n1.0a1\n", 0,
     lines("1.0a1", "1.0", "1.0.post1"), ""),
    ("sort-empty", ["sort"], b"", 0, "", ""),
    ("sort-only-blank-lines", ["sort"], b"\n \n", 0, "", ""),
    ("sort-empty-bad-ecosystem", ["sort", "-e", "nope"], b"", 2, "", unsupported("nope")),
    ("sort-bad-version", ["sort", "-e", "semver"], b"1.0.0\n2.0\n", 2, "",
     "tambry: (standard input):2: '2.0': Expected 3 parts, got 2\n"),
    ("sort-bad-version-after-blank-lines", ["sort", "-e", "semver"], b"\n1.0.0\r\n \r\n2.0.0\rx\n", 2, "",
     "tambry: (standard input):5: 'x': Expected 3 parts, got 1\n"),
    ("sort-first-bad-line-named", ["sort", "-e", "npm"], b"1.0.0\n1\n1.0\n", 2, "",
     "tambry: (standard input):2: '1': Expected 3 parts, got 1\n"),
    ("sort-auto-first-decides-admission", ["sort", "-e", "auto"], b"1.0~rc1\n\x1c\n\xc2\x85\n", 0,
     lines("1.0~rc1", "\x1c"), ""),
    ("sort-auto-first-decides-rejection", ["sort", "-e", "auto"], b"1!2.0\nx1\n", 2, "",
     "tambry: (standard input):2: 'x1': PEP 440 version must start with a digit: 'x1'\n"),
    ("sort-bad-utf8", ["sort"], b"1.0\n\xff\n", 2, "", "tambry: (standard input):2: b'\\xff': not valid UTF-8\n"),
    ("sort-bad-utf8-line-counted-after-cr", ["sort"], b"1.0\r2.0\r\n3\xc3(\n", 2, "",
     "tambry: (standard input):3: b'3\\xc3(': not valid UTF-8\n"),
    ("sort-encoded-surrogate-is-not-utf8", ["sort"], b"\xed\xa0\x80\n", 2, "",
     "tambry: (standard input):1: b'\\xed\\xa0\\x80': not valid UTF-8\n"),
    ("sort-cr-line-ends", ["sort"], b"2.0\r1.0\r1.5", 0, lines("1.0", "1.5", "2.0"), ""),
    ("sort-mixed-line-ends", ["sort"], b"4\r\n3\r2\n\r\n1\n\r", 0, lines("1", "2", "3", "4"), ""),
    ("sort-unicode-line-separators-are-not-line-ends", ["sort"], "1\u20282\n1\x85\n".encode(), 0,
     lines("1\x85", "1\u20282"), ""),
    ("sort-information-separators-are-versions", ["sort", "-e", "debian"], b"\x1c\n\x1d\n\x1e\n\x1f\n", 0,
     lines("\x1c", "\x1d", "\x1e", "\x1f"), ""),
    ("sort-unicode-blank-lines-skipped", ["sort", "-e", "debian"],
     "\u3000\n1\n\xa0\u2003\n\u205f\n\x0b\x0c\n".encode(), 0, "1\n", ""),
    ("sort-missing-file", ["sort", "does-not-exist.txt"], b"", 2, "",
     "tambry: does-not-exist.txt: No such file or directory\n"),
    ("sort-directory", ["sort", "."], b"", 2, "", "tambry: .: Is a directory\n"),
    # max and min
    ("max-stdin", ["max"], b"1.9\n1.10\n1.10rc1\n", 0, "1.10\n", ""),
    ("max-last-of-equals", ["max"], b"1.0\n1.0.0\n", 0, "1.0.0\n", ""),
    ("max-debian", ["max", "-e", "dpkg"], b"1:1.2-1\n1.9-3\n2.0~rc1-1\n", 0, "1:1.2-1\n", ""),
    ("max-empty", ["max"], b"", 2, "", "tambry: empty sequence\n"),
    ("max-blank-only", ["max"], b"\n\n", 2, "", "tambry: empty sequence\n"),
    ("max-empty-bad-ecosystem", ["max", "-e", "nope"], b"", 2, "", "tambry: empty sequence\n"),
    ("max-bad-ecosystem", ["max", "-e", "nope"], b"1\n", 2, "", unsupported("nope")),
    ("max-bad-version", ["max", "-e", "pep440"], b"1.0\n1!\n", 2, "",
     "tambry: (standard input):2: '1!': empty PEP 440 version: '1!'\n"),
    ("max-information-separator", ["max", "-e", "debian"], b"\x1c\n", 0, "\x1c\n", ""),
    ("max-only-white-space", ["max", "-e", "debian"], "\u2028\n\u1680\n".encode(), 2, "", "tambry: empty sequence\n"),
    ("min-stdin", ["min"], b"2.0~beta1\n2.0\n1.9\n", 0, "1.9\n", ""),
    ("min-first-of-equals", ["min"], b"1.0\n1.0.0\n", 0, "1.0\n", ""),
    ("min-debian-tilde", ["min", "-e", "debian"], b"2.0\n2.0~beta1\n", 0, "2.0~beta1\n", ""),
    ("min-empty", ["min"], b"", 2, "", "tambry: empty sequence\n"),
    ("min-bad-version", ["min", "-e", "rpm"], b"1.0\n \n", 0, "1.0\n", ""),  # blank lines are skipped
    ("min-bad-ruby", ["min", "-e", "gem"], b"1.0\nx1\n", 2, "",
     "tambry: (standard input):2: 'x1': Ruby gem version must start with a digit: 'x1'\n"),
    # detect
    ("detect", ["detect", "1.0-SNAPSHOT", "1!2.0", "1.2.3-r2", "2024.01.15", "v1.2.3+incompatible", "1.2.3",
                "2.0.0~rc1", "1.0^1", "1.0-1.el8", "1.0.0.beta2"], b"", 0,
     lines("maven", "pep440", "alpine", "calver", "go", "generic", "debian", "rpm", "rpm", "ruby"), ""),
    ("detect-empty-text", ["detect", ""], b"", 0, "generic\n", ""),
    # info
    ("info-detected", ["info", "1.0rc1"], b"", 0,
     '{\n  "raw": "1.0rc1",\n  "epoch": 0,\n  "major": 1,\n  "minor": 0,\n  "patch": 0,\n  "build": "",\n'
     '  "is_prerelease": true,\n  "is_postrelease": false,\n  "ecosystem": "pep440",\n'
     '  "segments": [1, 0, "rc", 1]\n}\n', ""),
    ("info-named", ["info", "-e", "Cargo", "v1.2.3-beta.1+build.9"], b"", 0,
     '{\n  "raw": "v1.2.3-beta.1+build.9",\n  "epoch": 0,\n  "major": 1,\n  "minor": 2,\n  "patch": 3,\n'
     '  "build": "build.9",\n  "is_prerelease": true,\n  "is_postrelease": false,\n'
     '  "ecosystem": "crates",\n  "segments": [1, 2, 3, "beta", 1]\n}\n', ""),
    ("info-non-ascii", ["info", "1.0-ünï", "-e", "generic"], b"", 0,
     '{\n  "raw": "1.0-ünï",\n  "epoch": 0,\n  "major": 1,\n  "minor": 0,\n  "patch": 0,\n  "build": "",\n'
     '  "is_prerelease": false,\n  "is_postrelease": false,\n  "ecosystem": "generic",\n'
     '  "segments": [1, 0, "n"]\n}\n', ""),
    ("info-rejected-by-named-ecosystem", ["info", "1.0", "-e", "semver"], b"", 2, "",
     "tambry: '1.0': Expected 3 parts, got 2\n"),
    ("info-rejected-by-detected-ecosystem", ["info", "a!1.0"], b"", 2, "",
     "tambry: 'a!1.0': invalid PEP 440 epoch: 'a'\n"),
    ("info-bad-ecosystem", ["info", "1.0", "-e", ""], b"", 2, "", unsupported("")),
    ("info-blank-debian", ["info", " ", "-e", "debian"], b"", 2, "", "tambry: ' ': empty Debian version\n"),
    # satisfies, filter and key: each ecosystem's own tool
    ("satisfies-all", ["satisfies", ">= 1.0, << 2.0", "1.0", "1.9~rc1", "-e", "deb"], b"", 0,
     lines("1.0", "1.9~rc1"), ""),
    ("satisfies-some", ["satisfies", ">= 1.0, << 2.0", "0.9", "1.5", "2.0", "-e", "Debian:12"], b"", 1,
     lines("1.5"), ""),
    ("satisfies-none", ["satisfies", "= 1.0", "1.1", "-e", "deb"], b"", 1, "", ""),
    ("satisfies-vers", ["satisfies", "vers:deb/>=1.0|<2.0", "1.5", "2.0"], b"", 1, lines("1.5"), ""),
    ("satisfies-bad-range", ["satisfies", ">= 1.0 <<", "1.5", "-e", "deb"], b"", 2, "",
     "tambry: invalid deb range '>= 1.0 <<': expected ',' or '|' at position 7\n"),
    ("satisfies-needs-ecosystem", ["satisfies", ">= 1.0", "1.5"], b"", 2, "",
     "tambry: the ecosystem is needed (-e ECO) for a range that is not a vers: URI\n"),
    ("satisfies-bad-version", ["satisfies", ">= 1.0", "1.0", "a b", "-e", "deb"], b"", 2, "",
     "tambry: invalid deb version: 'a b'\n"),
    ("filter-lines", ["filter", "<< 2", "-e", "deb"], b"1.0\r\n\n3.0\r1:0.1\n1.9\n", 0,
     lines("1.0", "1.9"), ""),
    ("filter-bad-line", ["filter", "<< 2", "-e", "deb"], b"1.0\n\n1 0\n", 2, "",
     "tambry: (standard input):3: '1 0': invalid deb version: '1 0'\n"),
    ("filter-bad-ecosystem", ["filter", "<< 2", "-e", "debian"], b"", 2, "",
     "tambry: unsupported ecosystem 'debian'; expected one of: npm, pypi, maven, gem, cargo, golang, nuget, "
     "composer, hex, swift, deb, rpm, apk, semver, PyPI, Maven, RubyGems, crates.io, Go, NuGet, Packagist, "
     "Hex, SwiftURL, Bitnami, Debian, Ubuntu, Alpine, Alpaquita, Chainguard, MinimOS, Wolfi, AlmaLinux, "
     "Mageia, openEuler, openSUSE, Red Hat, Rocky Linux, SUSE\n"),
    ("key-lines", ["key", "-e", "npm"], b"1.0.0\n\n1.0.0-rc.1\n", 0,
     lines("1.0.0\t0101010000ff", "1.0.0-rc.1\t01010100007263000101"), ""),
    ("key-bad-line", ["key", "-e", "npm"], b"1.0.0\nfoo\n", 2, "",
     "tambry: (standard input):2: 'foo': invalid npm version: 'foo'\n"),
]


@pytest.mark.parametrize(("args", "stdin", "status", "stdout", "stderr"),
                         [case[1:] for case in CASES], ids=[case[0] for case in CASES])
def test_command(args, stdin, status, stdout, stderr):
    assert run(args, stdin, cwd=ROOT) == (status, stdout, stderr)


def test_info_is_json_of_the_version():
    for text in ["2:1.2-3+deb12u1", "1.0-SNAPSHOT", "", "18446744073709551616.1"]:
        status, out, err = run(["info", text, "-e", "docker"])
        assert (status, err) == (0, "")
        v = tambry.Version(text, "docker")
        assert json.loads(out) == {**v.to_dict(), "ecosystem": "docker", "segments": list(v.segments())}
        assert list(json.loads(out)) == [*v.to_dict(), "ecosystem", "segments"]


def test_files_are_read_in_order_and_joined(tmp_path):
    first = tmp_path / "a.txt"
    second = tmp_path / "b.txt"
    first.write_text("3.0\n1.0\n")
    second.write_text("2.0\n\n1.0.0\n")
    assert run(["sort", str(first), str(second)]) == (0, lines("1.0", "1.0.0", "2.0", "3.0"), "")
    assert run(["sort", "-r", str(second), "-", str(first)], b"2.5\n") == (
        0, lines("3.0", "2.5", "2.0", "1.0", "1.0.0"), "")
    assert run(["max", str(first), str(second)]) == (0, "3.0\n", "")
    assert run(["min", str(second), str(first)]) == (0, "1.0.0\n", "")
    # A missing file among good ones is an error, and nothing is printed.
    assert run(["sort", str(first), str(tmp_path / "nope")]) == (
        2, "", f"tambry: {tmp_path / 'nope'}: No such file or directory\n")


def test_sort_of_the_example_file():
    status, out, err = run(["sort", str(EXAMPLES)])
    given = [line for line in EXAMPLES.read_text().split("\n") if line.strip()]
    assert (status, err) == (0, "")
    assert out == lines(*tambry.sort_versions(given))
    assert run(["sort", "-r", str(EXAMPLES)])[1] == lines(*reversed(tambry.sort_versions(given)))
    assert run(["max", str(EXAMPLES)])[1] == f"{tambry.max_version(given)}\n"
    assert run(["min", str(EXAMPLES)])[1] == f"{tambry.min_version(given)}\n"


@pytest.mark.parametrize("args", [["compare", b"1\xff", "1"], ["compare", "1", "2", "-e", b"n\xffpm"],
                                  ["detect", "1.0", b"\xfe"], ["info", b"\xff"]])
def test_arguments_that_are_not_utf8(args):
    argv = [os.fsdecode(a) if isinstance(a, bytes) else a for a in args]
    status, out, err = run(argv)
    bad = next(a for a in args if isinstance(a, bytes))
    what = "ecosystem" if "-e" in args else "version"
    assert (status, out, err) == (2, "", f"tambry: {what} is not valid UTF-8: {bad!r}\n")


HELP_FIRST_LINES = {
    "compare": "usage: tambry compare [-h] [-e ECO] A B",
    "sort": "usage: tambry sort [-h] [-e ECO] [-r] [FILE ...]",
    "max": "usage: tambry max [-h] [-e ECO] [FILE ...]",
    "min": "usage: tambry min [-h] [-e ECO] [FILE ...]",
    "detect": "usage: tambry detect [-h] VERSION [VERSION ...]",
    "info": "usage: tambry info [-h] [-e ECO] VERSION",
    "check": "usage: tambry check [-h] [-e ECO] [FILE ...]",
    "satisfies": "usage: tambry satisfies [-h] [-e ECO] RANGE VERSION [VERSION ...]",
    "filter": "usage: tambry filter [-h] [-e ECO] RANGE [FILE ...]",
    "key": "usage: tambry key [-h] -e ECO [FILE ...]",
}


@pytest.mark.parametrize("command", sorted(HELP_FIRST_LINES))
def test_help_of_each_command(command):
    status, out, err = run([command, "--help"])
    assert (status, err) == (0, "")
    assert out.split("\n")[0] == HELP_FIRST_LINES[command]
    default = "auto" if command == "info" else "generic"
    if "[-e ECO]" in HELP_FIRST_LINES[command] and command not in ("satisfies", "filter"):
        assert f"(default: {default})" in " ".join(out.split())


def test_help_of_the_command():
    status, out, err = run(["--help"])
    assert (status, err) == (0, "")
    assert out.startswith("usage: tambry [-h] [--version] COMMAND ...\n")
    for command in HELP_FIRST_LINES:
        assert f"\n    {command} " in out or f"\n    {command}\n" in out
    assert run(["-h"])[1] == out


@pytest.mark.parametrize(("args", "message"), [
    ([], "tambry: error: the following arguments are required: COMMAND"),
    (["frob"], "tambry: error: argument COMMAND: invalid choice: 'frob'"),
    (["compare", "1"], "tambry compare: error: the following arguments are required: B"),
    (["compare", "1", "2", "3"], "tambry: error: unrecognized arguments: 3"),
    (["sort", "-x"], "tambry: error: unrecognized arguments: -x"),
    (["detect"], "tambry detect: error: the following arguments are required: VERSION"),
    (["info"], "tambry info: error: the following arguments are required: VERSION"),
    (["info", "1", "2"], "tambry: error: unrecognized arguments: 2"),
    (["compare", "1", "2", "-e"], "tambry compare: error: argument -e/--ecosystem: expected one argument"),
])
def test_usage_errors(args, message):
    status, out, err = run(args)
    assert (status, out) == (2, "")
    assert err.startswith("usage: tambry")
    assert err.split("\n")[-2].startswith(message)


def test_installed_console_script():
    script = Path(sysconfig.get_path("scripts")) / "tambry"
    assert script.exists()
    entry_points = importlib.metadata.entry_points(group="console_scripts")
    assert [ep.value for ep in entry_points if ep.name == "tambry"] == ["tambry_cli:main"]
    assert run(["compare", "1.0.0-rc.1", "1.0.0", "-e", "npm"], command=[str(script)]) == (0, "-1\n", "")
    assert run(["max"], b"", command=[str(script)]) == (2, "", "tambry: empty sequence\n")
    status, out, _ = run(["sort", "-r", str(EXAMPLES)], command=[str(script)])
    assert status == 0 and out == run(["sort", "-r", str(EXAMPLES)])[1]


def test_the_module_is_shipped_beside_the_extension():
    files = {str(f) for f in importlib.metadata.files("tambry")}
    assert "tambry_cli.py" in files
    assert any(f.startswith("tambry/__init__.") and f.endswith(".so") for f in files)


def test_main_returns_the_status_in_process(capsys):
    import tambry_cli

    assert tambry_cli.main(["compare", "2", "1"]) == 0
    assert capsys.readouterr() == ("1\n", "")
    assert tambry_cli.main(["compare", "1", "2", "-e", "x"]) == 2
    assert capsys.readouterr() == ("", unsupported("x"))
    assert tambry_cli.main(["detect", "1.0~1"]) == 0
    assert capsys.readouterr().out == "debian\n"


@pytest.mark.parametrize("unbuffered", ["", "1"])
def test_broken_pipe_exits_quietly(tmp_path, unbuffered):
    # Far more output than a pipe holds, so that writes fail once the reader has
    # gone; with python -u too, where a text stream drops a short write silently.
    big = tmp_path / "big.txt"
    big.write_text("".join(f"{i // 1000}.{i % 1000}.{i % 7}\n" for i in range(200_000)))
    process = subprocess.Popen(
        [sys.executable, "-m", "tambry_cli", "sort", "-r", str(big)],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        env=dict(os.environ, PYTHONUNBUFFERED=unbuffered),
    )
    first = process.stdout.readline()
    process.stdout.close()  # the reader goes away, as `head -1` does
    status = process.wait(timeout=60)
    err = process.stderr.read()
    process.stderr.close()
    assert first == b"199.999.2\n"
    assert (status, err) == (141, b"")


def test_broken_pipe_in_a_shell_pipeline(tmp_path):
    big = tmp_path / "big.txt"
    big.write_text("".join(f"1.{i}\n" for i in range(100_000)))
    result = subprocess.run(
        ["bash", "-c", f'set -o pipefail; "{sys.executable}" -m tambry_cli sort "{big}" | head -1; '
                       'echo "status ${PIPESTATUS[0]}"'],
        capture_output=True, text=True, timeout=60,
    )
    assert result.stdout == "1.0\nstatus 141\n"
    assert result.stderr == ""


def blocked_reading_stdin(pid):
    """True once the process waits in read(2) on file descriptor 0."""
    try:
        fields = Path(f"/proc/{pid}/syscall").read_text().split()
    except OSError:
        return False
    return len(fields) > 1 and fields[0] == "0" and int(fields[1], 16) == 0


def test_interrupt_exits_quietly_with_130():
    # A job started in the background by a script inherits SIGINT ignored, and
    # Python then leaves it ignored: give the command the default back.
    process = subprocess.Popen(
        [sys.executable, "-m", "tambry_cli", "sort"],
        stdin=subprocess.PIPE,
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL),
    )
    try:
        process.stdin.write(b"1.0\n")
        process.stdin.flush()
        deadline = time.monotonic() + 30
        while not blocked_reading_stdin(process.pid):
            if time.monotonic() > deadline:
                pytest.skip("cannot see the command waiting for input")
            time.sleep(0.01)
        process.send_signal(signal.SIGINT)
        out, err = process.communicate(timeout=30)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    assert (process.returncode, out, err) == (130, b"", b"")
