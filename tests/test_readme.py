"""Every example of README.md runs and prints what the README says it prints.

The ```python blocks are doctest sessions, run in file order with one shared
namespace. The ```console blocks are shell sessions: each "$ " line runs in
bash from the repository root, and the lines up to the next "$ " line are its
standard output and standard error together.
"""

import doctest
import os
import re
import subprocess
import sys
import sysconfig
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
README = ROOT / "README.md"

FENCE = re.compile(r"^```(\w*)\n(.*?)^```\n", re.MULTILINE | re.DOTALL)


def blocks(language):
    """(first line number, text) of each fenced block of the given language."""
    text = README.read_text(encoding="utf-8")
    found = []
    for match in FENCE.finditer(text):
        if match.group(1) == language:
            first_line = text.count("\n", 0, match.start(2)) + 1
            found.append((first_line, match.group(2)))
    return found


def python_blocks():
    return blocks("python")


def test_every_python_block_is_a_checked_session():
    found = python_blocks()
    assert len(found) >= 10
    for line, block in found:
        # A block starts with an example, and has no blank line: after a blank
        # line doctest would take further text for prose and check nothing.
        assert block.startswith(">>> "), f"README.md line {line}"
        assert "\n\n" not in block, f"README.md line {line}"


def test_no_session_outside_python_blocks():
    text = README.read_text(encoding="utf-8")
    outside = FENCE.sub(lambda m: "" if m.group(1) == "python" else m.group(0), text)
    assert ">>>" not in outside


# Runs in a child interpreter: the README's engine examples start the thread pools
# and allocators of pyarrow and DuckDB, which must not stay in the test process.
DOCTEST_RUNNER = """
import doctest, sys
document, path = sys.stdin.read(), sys.argv[1]
test = doctest.DocTestParser().get_doctest(document, {}, "README.md", path, 0)
runner = doctest.DocTestRunner(optionflags=doctest.REPORT_NDIFF)
report = []
runner.run(test, out=report.append)
print(runner.failures, runner.tries)
print("".join(report), end="")
"""


def test_python_examples():
    # One document made of the README with everything but the python blocks
    # blanked out, so that a failure names the README's own line numbers.
    text = README.read_text(encoding="utf-8")
    lines = ["" for _ in text.split("\n")]
    for first_line, block in python_blocks():
        for offset, line in enumerate(block.split("\n")[:-1]):
            lines[first_line - 1 + offset] = line
    document = "\n".join(lines)
    result = subprocess.run(
        [sys.executable, "-c", DOCTEST_RUNNER, str(README)],
        input=document, capture_output=True, text=True, cwd=ROOT, timeout=300,
    )
    assert result.returncode == 0, result.stderr
    counts, _, report = result.stdout.partition("\n")
    failures, tries = map(int, counts.split())
    assert failures == 0, report
    assert tries == len(doctest.DocTestParser().get_examples(document)) >= 40


def console_sessions():
    sessions = []
    for first_line, block in blocks("console"):
        command = None
        for offset, line in enumerate(block.split("\n")[:-1]):
            if line.startswith("$ "):
                command = [first_line + offset, line[2:], []]
                sessions.append(command)
            else:
                assert command is not None, f"README.md line {first_line + offset}: output before any command"
                command[2].append(line)
    return [pytest.param(cmd, "".join(f"{x}\n" for x in out), id=f"line{line}") for line, cmd, out in sessions]


@pytest.mark.parametrize(("command", "expected"), console_sessions())
def test_console_examples(command, expected):
    scripts = sysconfig.get_path("scripts")
    assert os.path.exists(os.path.join(scripts, "tambry")), "the tambry command is not installed"
    env = dict(os.environ, PATH=scripts + os.pathsep + os.environ.get("PATH", ""))
    result = subprocess.run(
        ["bash", "-c", command],
        cwd=ROOT,
        env=env,
        stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT,
        text=True,
        timeout=60,
    )
    assert result.stdout == expected


def test_console_examples_cover_every_command():
    used = {word for param in console_sessions() for word in re.findall(r"\btambry (\w+)", param.values[0])}
    assert used == {"compare", "sort", "max", "detect", "info", "check", "satisfies", "filter", "key"}


def test_set_up_section_has_exactly_the_two_commands():
    text = README.read_text(encoding="utf-8")
    section = text.split("\n## Set-up\n", 1)[1].split("\n## ", 1)[0]
    commands = [line.strip() for line in section.split("\n") if line.startswith("    ")]
    assert commands == [
        "python -m pip install . && tambry sort examples/versions.txt",
        'python -m pip install ".[test]" && python -m pytest',
    ]
    # CI runs the very same test command.
    ci = (ROOT / ".ci" / "run").read_text(encoding="utf-8")
    assert commands[1] in ci.split("\n")


def test_first_set_up_command_sorts_the_example_file():
    # What a new user sees after the install step of the first command.
    scripts = sysconfig.get_path("scripts")
    result = subprocess.run(
        [os.path.join(scripts, "tambry"), "sort", "examples/versions.txt"],
        cwd=ROOT,
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert (result.returncode, result.stderr) == (0, "")
    given = [line for line in (ROOT / "examples" / "versions.txt").read_text().split("\n") if line.strip()]
    shown = result.stdout.split("\n")
    assert shown[-1] == ""
    assert sorted(shown[:-1]) == sorted(given)
    assert len(given) == 15  # the README tells of fifteen versions
    assert "the fifteen versions of\n`examples/versions.txt`" in README.read_text(encoding="utf-8")
    import tambry

    assert shown[:-1] == tambry.sort_versions(given)
    # Several ecosystems' notations meet in the file.
    assert len({tambry.Version(v).ecosystem for v in given}) >= 3
