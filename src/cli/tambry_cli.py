"""The tambry command: compare, sort, pick and inspect version strings from the shell.

    tambry compare A B [-e ECO]          print -1, 0 or 1
    tambry sort [-e ECO] [-r] [FILE...]  one version per line, oldest first
    tambry max  [-e ECO] [FILE...]       the newest version
    tambry min  [-e ECO] [FILE...]       the oldest version
    tambry detect VERSION...             the ecosystem guessed for each version
    tambry info VERSION [-e ECO]         the parts of one version, as JSON

Files hold one version per line; blank lines are skipped; with no FILE, or
with "-", standard input is read.  Input and output are UTF-8.

Exit status: 0 on success; 2 for a bad command line or input, with
"tambry: <message>" on standard error; 130 when interrupted; 141 when the
reader of the output goes away (as with ``tambry sort big.txt | head -1``),
without a message.
"""

from __future__ import annotations

import argparse
import json
import os
import sys
from collections.abc import Callable, Iterable, Sequence
from typing import TypeVar

import tambry

__all__ = ["main"]

PROG = "tambry"

# Exit statuses.
EXIT_OK = 0
EXIT_FAILURE = 2
EXIT_INTERRUPTED = 130  # 128 + SIGINT, as a shell reports a tool stopped by Ctrl-C
EXIT_BROKEN_PIPE = 141  # 128 + SIGPIPE, as a shell reports a tool whose reader left

_T = TypeVar("_T")


class Failure(Exception):
    """A problem with the command's input, reported as "tambry: <message>"."""


def _module_call(func: Callable[..., _T], *args: object) -> _T:
    """Call into tambry, turning its ValueError/TypeError into a Failure with the same message."""
    try:
        return func(*args)
    except (ValueError, TypeError) as exc:
        raise Failure(str(exc)) from None


def _check_text(value: str, what: str) -> str:
    # Bytes that are not UTF-8 reach sys.argv as lone surrogates; tambry takes UTF-8 text only.
    try:
        value.encode("utf-8")
    except UnicodeEncodeError:
        raise Failure(f"{what} is not valid UTF-8: {os.fsencode(value)!r}") from None
    return value


def _read_source(path: str) -> bytes:
    if path == "-":
        stdin = sys.stdin
        return stdin.buffer.read() if stdin is not None else b""
    try:
        with open(path, "rb") as handle:
            return handle.read()
    except OSError as exc:
        raise Failure(f"{path}: {exc.strerror or exc}") from None


def read_versions(paths: Sequence[str]) -> list[str]:
    """The versions of the given files (standard input for none or "-"), one per non-blank line."""
    versions: list[str] = []
    for path in paths or ["-"]:
        data = _read_source(path)
        try:
            text = data.decode("utf-8-sig")
        except UnicodeDecodeError as exc:
            name = "standard input" if path == "-" else path
            raise Failure(f"{name}: not valid UTF-8 (byte {exc.start})") from None
        for line in text.split("\n"):
            line = line.removesuffix("\r")
            if line.strip():
                versions.append(line)
    return versions


def emit(lines: Iterable[object]) -> None:
    """Write one line per item to standard output, as UTF-8.

    The bytes go straight to the binary stream, and a short write is followed by
    another: an unbuffered text stream (python -u) drops the rest of a short
    write silently, so a reader that left would go unnoticed.
    """
    text = "".join(f"{line}\n" for line in lines)
    stream = sys.stdout
    binary = getattr(stream, "buffer", None)
    if binary is None:  # standard output replaced by a text-only object
        stream.write(text)
        return
    stream.flush()
    data = memoryview(text.encode("utf-8"))
    while data:
        written = binary.write(data)
        data = data[written or 0 :]


def _cmd_compare(args: argparse.Namespace) -> None:
    a = _check_text(args.a, "version")
    b = _check_text(args.b, "version")
    eco = _check_text(args.ecosystem, "ecosystem")
    emit([_module_call(tambry.compare, a, b, eco)])


def _cmd_sort(args: argparse.Namespace) -> None:
    eco = _check_text(args.ecosystem, "ecosystem")
    ordered = _module_call(tambry.sort_versions, read_versions(args.files), eco)
    if args.reverse:
        ordered.reverse()
    emit(ordered)


def _cmd_max(args: argparse.Namespace) -> None:
    eco = _check_text(args.ecosystem, "ecosystem")
    emit([_module_call(tambry.max_version, read_versions(args.files), eco)])


def _cmd_min(args: argparse.Namespace) -> None:
    eco = _check_text(args.ecosystem, "ecosystem")
    emit([_module_call(tambry.min_version, read_versions(args.files), eco)])


def _cmd_detect(args: argparse.Namespace) -> None:
    texts = [_check_text(text, "version") for text in args.versions]
    emit([_module_call(tambry.Version, text).ecosystem for text in texts])


def _cmd_info(args: argparse.Namespace) -> None:
    text = _check_text(args.version, "version")
    eco = _check_text(args.ecosystem, "ecosystem")
    v = _module_call(tambry.Version, text, eco)
    # A Version holds any text; comparing it with itself under its own ecosystem
    # applies that ecosystem's rules, so a text they reject is reported here.
    _module_call(v.compare, v, "auto")
    info = {**v.to_dict(), "ecosystem": v.ecosystem, "segments": list(v.segments())}
    # One member per line, the segments kept on one line.
    members = (
        f"  {json.dumps(key)}: {json.dumps(value, ensure_ascii=False)}" for key, value in info.items()
    )
    emit(["{\n" + ",\n".join(members) + "\n}"])


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog=PROG,
        description="Compare, sort and inspect version strings under the rules of "
        "seventeen software ecosystems.",
        epilog="Exit status: 0 on success, 2 for a bad command line or input "
        "(message on standard error), 130 when interrupted, 141 when the reader "
        "of the output goes away. Run 'tambry COMMAND --help' for each command.",
    )
    commands = parser.add_subparsers(dest="command", metavar="COMMAND", required=True)

    def ecosystem_option(sub: argparse.ArgumentParser, default: str) -> None:
        sub.add_argument(
            "-e",
            "--ecosystem",
            metavar="ECO",
            default=default,
            help=f"ecosystem name or alias, or 'auto' to guess it (default: {default})",
        )

    def files_argument(sub: argparse.ArgumentParser) -> None:
        sub.add_argument(
            "files",
            nargs="*",
            metavar="FILE",
            help="files with one version per line (default: standard input; '-' also reads it)",
        )

    sub = commands.add_parser(
        "compare",
        help="compare two versions: print -1, 0 or 1",
        description="Print -1 if A is older than B, 0 if they are equal, 1 if A is newer.",
    )
    sub.add_argument("a", metavar="A", help="first version")
    sub.add_argument("b", metavar="B", help="second version")
    ecosystem_option(sub, "generic")
    sub.set_defaults(handler=_cmd_compare)

    sub = commands.add_parser(
        "sort",
        help="sort versions, oldest first",
        description="Print the versions read, one per line, oldest first. Blank lines "
        "are skipped; versions that compare equal keep their input order. With "
        "'-e auto' the first version decides the ecosystem for all of them.",
    )
    ecosystem_option(sub, "generic")
    sub.add_argument("-r", "--reverse", action="store_true", help="newest first")
    files_argument(sub)
    sub.set_defaults(handler=_cmd_sort)

    for name, which, func in (("max", "newest", _cmd_max), ("min", "oldest", _cmd_min)):
        sub = commands.add_parser(
            name,
            help=f"print the {which} version",
            description=f"Print the {which} of the versions read (one per line, blank "
            "lines skipped). No version at all is an error.",
        )
        ecosystem_option(sub, "generic")
        files_argument(sub)
        sub.set_defaults(handler=func)

    sub = commands.add_parser(
        "detect",
        help="guess the ecosystem of each version",
        description="Print, for each VERSION, the ecosystem guessed from its text.",
    )
    sub.add_argument("versions", nargs="+", metavar="VERSION", help="a version string")
    sub.set_defaults(handler=_cmd_detect)

    sub = commands.add_parser(
        "info",
        help="show the parts of one version as JSON",
        description="Check VERSION under the ecosystem's rules and print its parts as a "
        "JSON object: raw, epoch, major, minor, patch, build, is_prerelease, "
        "is_postrelease, ecosystem and segments.",
    )
    sub.add_argument("version", metavar="VERSION", help="a version string")
    ecosystem_option(sub, "auto")
    sub.set_defaults(handler=_cmd_info)

    return parser


def _silence_stdout() -> None:
    # Point standard output at /dev/null so that the final flush at exit does not fail again.
    try:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        os.close(devnull)
    except (OSError, ValueError):
        pass


def main(argv: Sequence[str] | None = None) -> int:
    """Run the command line ``argv`` (default: ``sys.argv[1:]``); return the exit status."""
    try:
        args = build_parser().parse_args(argv)
        try:
            args.handler(args)
        except Failure as exc:
            sys.stdout.flush()
            print(f"{PROG}: {exc}", file=sys.stderr)
            return EXIT_FAILURE
        sys.stdout.flush()
        return EXIT_OK
    except BrokenPipeError:
        _silence_stdout()
        return EXIT_BROKEN_PIPE
    except KeyboardInterrupt:
        return EXIT_INTERRUPTED


if __name__ == "__main__":
    sys.exit(main())
