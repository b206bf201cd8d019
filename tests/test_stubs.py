"""The type stubs: they match the compiled module, ship in the wheel, and type real code precisely.

mypy runs on the installed distribution, as a user's checker would: it finds
the stub-only package tambry-stubs in site-packages.
"""

import doctest
import importlib.metadata
import os
import re
import subprocess
import sys
import sysconfig
import textwrap
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
SOURCE_STUB = ROOT / "src" / "stubs" / "tambry-stubs" / "__init__.pyi"
CLI_SOURCE = ROOT / "src" / "cli" / "tambry_cli.py"


def run_mypy(args, cwd):
    return subprocess.run(
        [sys.executable, "-m", *args],
        cwd=cwd,
        capture_output=True,
        text=True,
        timeout=600,
    )


def test_installed_stubs_are_the_source_stubs():
    files = {str(f): f for f in importlib.metadata.files("tambry")}
    assert "tambry-stubs/__init__.pyi" in files
    installed = files["tambry-stubs/__init__.pyi"].locate()
    assert Path(installed).read_text(encoding="utf-8") == SOURCE_STUB.read_text(encoding="utf-8")


def test_stubtest_finds_no_mismatch(tmp_path):
    # No allowlist: every runtime name, signature, default and property matches.
    result = run_mypy(["mypy.stubtest", "tambry"], tmp_path)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "Success: no issues found in" in result.stdout


# Code that a checker must accept, with the types it must infer.
ACCEPTED = """
from typing import Literal, Sequence, TypeVar, assert_type
import copy
import pickle

import tambry
from tambry import Version

Ordering = Literal[-1, 0, 1]
EcosystemName = Literal[
    "generic", "semver", "pep440", "debian", "rpm", "ruby", "maven", "go", "npm",
    "nuget", "composer", "crates", "hex", "swift", "calver", "alpine", "docker",
]
T = TypeVar("T", bound=str | Version)

v = Version("1.0")
assert_type(tambry.version("1.0", ecosystem="debian"), Version)
assert_type(tambry.compare("1", v), Ordering)
assert_type(tambry.compare(a=v, b=v, ecosystem="auto"), Ordering)
assert_type(tambry.compare_semver_strict("1.0.0", "2.0.0"), Ordering)
assert_type(tambry.eq("1", "2", "npm"), bool)
assert_type(tambry.lte("1", "2"), bool)
assert_type(tambry.batch_compare([("1", v), (v, "2")]), list[Ordering])

# The collection functions give back the type of the elements.
assert_type(tambry.max_version(["1", "2"]), str)
assert_type(tambry.min_version((v, v), "auto"), Version)
assert_type(tambry.sort_versions(["1", "2"]), list[str])
assert_type(tambry.sort_versions([v]), list[Version])
assert_type(tambry.max_version([v, "2"]), str | Version)
assert_type(tambry.sort_versions([v, "2"]), list[str | Version])
mixed: list[str | Version] = [v, "1"]
assert_type(tambry.min_version(mixed), str | Version)

def newest(items: Sequence[T]) -> T:
    return tambry.max_version(items)

assert_type(newest(["1.0"]), str)

# Version: properties, methods, protocols.
assert_type(v.raw, str)
assert_type(v.ecosystem, EcosystemName)
assert_type(v.epoch, int)
assert_type(v.build, str)
assert_type(v.is_prerelease, bool)
assert_type(v.count, int)
assert_type((v.major, v.minor, v.patch), tuple[int, int, int])
assert_type(v.segments(), tuple[int | str, ...])
assert_type(v.release(), tuple[int, ...])
assert_type(v.compare("2.0"), Ordering)
assert_type(v.compare(other=v, ecosystem="pep440"), Ordering)
assert_type(v.sort_key(), tuple[tuple[int, int, str], ...])
assert_type(v.to_dict()["raw"], str)
assert_type(v.to_dict()["is_postrelease"], bool)
assert_type(v[0], int | str)
assert_type(v[-1], int | str)
assert_type(len(v), int)
assert_type(bool(v), bool)
assert_type(hash(v), int)
assert_type(v < v, bool)
assert_type(v == "1.0", bool)
assert_type(sorted([v, v]), list[Version])
assert_type(sorted(["1.10", "1.9"], key=Version), list[str])
assert_type({v: 1}, dict[Version, int])
assert_type(copy.deepcopy(v), Version)
maker, arguments = v.__reduce__()
assert_type(maker(*arguments), Version)
info = {**v.to_dict(), "ecosystem": v.ecosystem}
"""

# Code that a checker must refuse: each line, and the error code it must get.
REFUSED = [
    ('tambry.eq(v, "1.0")', "arg-type"),  # the relations take str only
    ('tambry.compare(1, "1.0")', "arg-type"),
    ('tambry.compare("1", "2", None)', "arg-type"),
    ('tambry.compare_semver_strict(v, "1.0.0")', "arg-type"),
    ('Version("1.0", ecosystem=None)', "arg-type"),
    ('Version(b"1.0")', "arg-type"),
    ('tambry.version(s="1.0", eco="npm")', "call-arg"),
    ('v < "1.0"', "operator"),  # order operators take Version objects only
    ("v.major = 2", "misc"),  # read-only property
    ('v["a"]', "index"),
    ('v.to_dict()["ecosystem"]', "typeddict-item"),
    ("for segment in v: pass", "attr-defined"),  # not iterable
    ('n: int = tambry.max_version(["1"])', "assignment"),
    ('r: list[str] = tambry.batch_compare([("1", "2")])', "assignment"),
    ('o: Literal[0, 1] = tambry.compare("1", "2")', "assignment"),
    ('tambry.batch_compare([("1", "2", "3")])', "list-item"),
    ("tambry.sort_versions([1, 2])", None),  # any error: no overload matches
    ('e: Literal["npm"] = v.ecosystem', "assignment"),
    ("class Sub(Version): pass", "misc"),  # final
]


def mypy_errors(output):
    """{(file name, line): [error codes]} from mypy's output."""
    errors = {}
    for match in re.finditer(r"^(\S+?):(\d+): error: .*?(?:\[([\w-]+)\])?$", output, re.MULTILINE):
        errors.setdefault((Path(match.group(1)).name, int(match.group(2))), []).append(match.group(3))
    return errors


def readme_examples():
    """The source of the README's examples, in order, and the lines of those that show a TypeError."""
    text = (ROOT / "README.md").read_text(encoding="utf-8")
    parser = doctest.DocTestParser()
    source, type_error_lines = "", set()
    for block in re.findall(r"^```python\n(.*?)^```\n", text, re.MULTILINE | re.DOTALL):
        for example in parser.get_examples(block):
            first = source.count("\n") + 1
            source += example.source
            if (example.exc_msg or "").startswith("TypeError: "):
                type_error_lines.update(range(first, source.count("\n") + 1))
    return source, type_error_lines


@pytest.fixture(scope="module")
def checked(tmp_path_factory):
    """Run mypy --strict once over the README examples, the two tables above and the command's module."""
    directory = tmp_path_factory.mktemp("typing")
    (directory / "readme_examples.py").write_text(readme_examples()[0], encoding="utf-8")
    (directory / "accepted.py").write_text(ACCEPTED, encoding="utf-8")
    (directory / "cli_module.py").write_text(CLI_SOURCE.read_text(encoding="utf-8"), encoding="utf-8")
    # pyarrow ships no type information; a user checking the examples treats it as untyped.
    (directory / "mypy.ini").write_text("[mypy]\n[mypy-pyarrow.*]\nignore_missing_imports = True\n", encoding="utf-8")
    header = "from typing import Literal\nimport tambry\nfrom tambry import Version\nv = Version('1.0')\n"
    first = header.count("\n") + 1
    (directory / "refused.py").write_text(header + "".join(f"{code}\n" for code, _ in REFUSED), encoding="utf-8")
    result = run_mypy(
        ["mypy", "--strict", "--config-file", "mypy.ini", "--cache-dir", str(directory / ".cache"),
         "readme_examples.py", "accepted.py", "refused.py", "cli_module.py"],
        directory,
    )
    assert "error: Cannot find implementation or library stub" not in result.stdout
    return mypy_errors(result.stdout), result.stdout + result.stderr, first


def test_readme_examples_pass_mypy_strict(checked):
    errors, output, _ = checked
    source, type_error_lines = readme_examples()
    assert "tambry." in source
    flagged = {line for name, line in errors if name == "readme_examples.py"}
    # The examples that show a TypeError at run time are the ones the checker
    # refuses beforehand; every other example passes.
    assert len(type_error_lines) >= 2
    assert flagged == type_error_lines, output


def test_command_module_passes_mypy_strict(checked):
    errors, output, _ = checked
    assert not [key for key in errors if key[0] == "cli_module.py"], output


def test_accepted_code_and_inferred_types(checked):
    errors, output, _ = checked
    assert not [key for key in errors if key[0] == "accepted.py"], output


@pytest.mark.parametrize(("index", "code", "error_code"), [(i, c, e) for i, (c, e) in enumerate(REFUSED)])
def test_refused_code(checked, index, code, error_code):
    errors, output, first = checked
    codes = errors.get(("refused.py", first + index))
    assert codes, f"mypy accepted: {code}\n{output}"
    if error_code is not None:
        assert error_code in codes, output


def test_refused_code_has_no_stray_errors(checked):
    errors, output, first = checked
    lines = {line for name, line in errors if name == "refused.py"}
    assert lines <= set(range(first, first + len(REFUSED))), output
