"""The tambry command: compare, sort, pick, check and inspect version strings from the shell.

    tambry compare A B [-e ECO]          print -1, 0 or 1
    tambry sort [-e ECO] [-r] [FILE...]  one version per line, oldest first
    tambry max  [-e ECO] [FILE...]       the newest version
    tambry min  [-e ECO] [FILE...]       the oldest version
    tambry check [-e ECO] [FILE...]      every line the ecosystem rejects
    tambry detect VERSION...             the ecosystem guessed for each version
    tambry info VERSION [-e ECO]         the parts of one version, as JSON
    tambry satisfies RANGE VERSION... -e ECO   the versions in the range
    tambry filter RANGE [FILE...] -e ECO       the lines whose version is in the range
    tambry key -e ECO [FILE...]          version TAB hex key, per line
    tambry --version                     the installed release

compare, sort, max, min, check, detect and info follow tambry's own
ecosystem rules; satisfies, filter and key follow each ecosystem's own tool
(tambry.native and tambry.ranges), named by purl type or OSV name.

Files hold one version per line, ended by "\\n", "\\r\\n" or "\\r"; a line of
nothing but white space is skipped; with no FILE, or with "-", standard input
is read. Input and output are UTF-8.

Exit status: 0 on success; 1 when `check` found a rejected line, or when a
version given to `satisfies` is not in the range; 2 for a bad
command line or input, with "tambry: <message>" on standard error, where a
message about one line names it as FILE:LINE and quotes it; 70 for a fault of
tambry itself; 71 when memory ran out; 74 when standard output cannot be
written (closed, or a full disk); 130 when interrupted; 141 when the reader of
the output goes away (as with ``tambry sort big.txt | head -1``), without a
message.
"""

from __future__ import annotations

import argparse
import errno
import importlib.metadata
import json
import os
import re
import sys
from collections.abc import Callable, Iterable, Sequence
from typing import IO, Any, NamedTuple, NoReturn, TypeVar, cast

import tambry
import tambry.native
import tambry.ranges

__all__ = ["main"]

PROG = "tambry"

# Exit statuses.
EXIT_OK = 0
EXIT_REJECTED = 1  # `check` found a line the ecosystem rejects, as grep reports "found";
# also a version that `satisfies` finds outside the range
EXIT_FAILURE = 2
EXIT_INTERNAL_ERROR = 70  # EX_SOFTWARE of sysexits.h
EXIT_OUT_OF_MEMORY = 71  # EX_OSERR: the system could not give what was needed
EXIT_OUTPUT_ERROR = 74  # EX_IOERR: the output could not be written
EXIT_INTERRUPTED = 130  # 128 + SIGINT, as a shell reports a tool stopped by Ctrl-C
EXIT_BROKEN_PIPE = 141  # 128 + SIGPIPE, as a shell reports a tool whose reader left

STDIN_NAME = "(standard input)"

# The white space that tambry itself trims around a version, Unicode's
# White_Space set; a line made only of it holds no version. str.strip() would
# also drop U+001C..U+001F, which tambry reads as part of a version.
WHITE_SPACE = (
    "\t\n\x0b\x0c\r \x85\xa0\u1680"
    + "".join(chr(c) for c in range(0x2000, 0x200B))
    + "\u2028\u2029\u202f\u205f\u3000"
)
_WHITE_SPACE_SET = frozenset(WHITE_SPACE)

_LINE_END_BYTES = re.compile(rb"\r\n|\r|\n")
_BYTE_ORDER_MARK = b"\xef\xbb\xbf"

# Every ecosystem by its name, with the aliases the module also accepts, in the
# order of the module's own list.
ECOSYSTEM_ALIASES: dict[str, tuple[str, ...]] = {
    "generic": (),
    "semver": ("semver_strict", "semver-strict"),
    "pep440": ("pep-440", "python"),
    "debian": ("deb", "dpkg"),
    "rpm": ("redhat",),
    "ruby": ("gem", "rubygems"),
    "maven": ("mvn",),
    "go": ("golang",),
    "npm": ("node", "nodejs"),
    "nuget": ("dotnet",),
    "composer": ("php", "packagist"),
    "crates": ("cargo", "crates.io"),
    "hex": ("elixir", "erlang"),
    "swift": ("swiftpm",),
    "calver": (),
    "alpine": ("apk",),
    "docker": ("oci",),
}

_T = TypeVar("_T")


class Failure(Exception):
    """A problem with the command line or its input, reported as "tambry: <message>"."""


class OutputError(Exception):
    """Standard output did not take the output; the message is the system's reason."""


# ---------------------------------------------------------------------------
# Output


def _binary_write(stream: IO[str], data: bytes) -> None:
    binary = getattr(stream, "buffer", None)
    if binary is None:  # replaced by a text-only object
        stream.write(data.decode("utf-8", "surrogateescape"))
        stream.flush()
        return
    stream.flush()
    # A short write is followed by another: an unbuffered text stream (python -u)
    # drops the rest of a short write silently, so a reader that left would go
    # unnoticed.
    view = memoryview(data)
    while view:
        written = binary.write(view)
        view = view[written or 0 :]
    binary.flush()


def emit(lines: Sequence[object]) -> None:
    """Write one line per item to standard output, as UTF-8, and flush it.

    A file name taken from the command line goes out as the bytes it came in as.
    """
    if not lines:
        return
    text = "\n".join(map(str, lines)) + "\n"
    stream = sys.stdout
    if stream is None:  # started with standard output closed
        raise OutputError(os.strerror(errno.EBADF))
    try:
        _binary_write(stream, text.encode("utf-8", "surrogateescape"))
    except BrokenPipeError:
        raise
    except OSError as exc:
        raise OutputError(exc.strerror or str(exc)) from None


def flush_output() -> None:
    """Flush whatever standard output still holds, so that a failure to write it is
    reported here, not by the interpreter at exit."""
    if sys.stdout is None:
        return
    try:
        sys.stdout.flush()
    except BrokenPipeError:
        raise
    except OSError as exc:
        raise OutputError(exc.strerror or str(exc)) from None


def complain(message: str) -> None:
    """Write "tambry: <message>" on standard error, if it can be written at all."""
    stream = sys.stderr
    if stream is None:
        return
    try:
        _binary_write(stream, f"{PROG}: {message}\n".encode("utf-8", "surrogateescape"))
    except (OSError, ValueError, MemoryError):
        _point_at_null(stream)


def _point_at_null(stream: IO[str] | None) -> None:
    # Point the stream's descriptor at /dev/null, so that the interpreter's own
    # flush at exit does not fail again and print a traceback of its own.
    try:
        fd = stream.fileno() if stream is not None else -1
        if fd >= 0:
            devnull = os.open(os.devnull, os.O_WRONLY)
            os.dup2(devnull, fd)
            os.close(devnull)
    except (OSError, ValueError):
        pass


# ---------------------------------------------------------------------------
# Input


class Source(NamedTuple):
    """One file's lines, blank ones included; a line that is not valid UTF-8 stays bytes."""

    name: str  # as given on the command line, or STDIN_NAME
    lines: list[str | bytes]
    all_text: bool  # no line is bytes


def _read_source(path: str) -> bytes:
    if path == "-":
        stdin = sys.stdin
        if stdin is None:  # started with standard input closed
            raise Failure(f"{STDIN_NAME}: {os.strerror(errno.EBADF)}")
        try:
            return stdin.buffer.read()
        except OSError as exc:
            raise Failure(f"{STDIN_NAME}: {exc.strerror or exc}") from None
    try:
        with open(path, "rb") as handle:
            return handle.read()
    except OSError as exc:
        raise Failure(f"{path}: {exc.strerror or exc}") from None


def _decoded(raw: bytes) -> str | bytes:
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw


def read_source(path: str) -> Source:
    """The lines of a file ("-" for standard input), split at "\n", "\r\n" and "\r"."""
    name = STDIN_NAME if path == "-" else path
    data = _read_source(path).removeprefix(_BYTE_ORDER_MARK)
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        return Source(name, [_decoded(raw) for raw in _LINE_END_BYTES.split(data)], False)
    if "\r" in text:
        text = text.replace("\r\n", "\n").replace("\r", "\n")
    lines: list[str | bytes] = list(text.split("\n"))
    return Source(name, lines, True)


def is_blank(line: str) -> bool:
    # Most lines start with a character that is not white space: a cheap test first.
    return not line or (line[0] in _WHITE_SPACE_SET and not line.strip(WHITE_SPACE))


def placed(sources: Iterable[Source]) -> Iterable[tuple[str, str | bytes]]:
    """(FILE:LINE, line) of every line that is not blank."""
    for source in sources:
        for number, line in enumerate(source.lines, 1):
            if isinstance(line, bytes) or not is_blank(line):
                yield f"{source.name}:{number}", line


def read_versions(paths: Sequence[str]) -> tuple[list[str], list[Source]]:
    """The versions of the given files (standard input for none or "-"), one per line that
    is not blank, and the files they came from; a line that is not UTF-8 is a failure."""
    versions: list[str] = []
    sources: list[Source] = []
    for path in paths or ["-"]:
        source = read_source(path)
        if not source.all_text:
            place, raw = next((place, line) for place, line in placed([source]) if isinstance(line, bytes))
            raise Failure(f"{place}: {raw!r}: not valid UTF-8")
        versions.extend([line for line in cast("list[str]", source.lines) if not is_blank(line)])
        sources.append(source)
    return versions, sources


# ---------------------------------------------------------------------------
# Calls into the module


def _module_call(func: Callable[..., _T], *args: object) -> _T:
    """Call into tambry, turning its ValueError/TypeError into a Failure with the same message."""
    try:
        return func(*args)
    except (ValueError, TypeError) as exc:
        raise Failure(str(exc)) from None


def rejection(text: str, ecosystem: str) -> str | None:
    """The ecosystem's message for a text it refuses, or None when it admits the text."""
    try:
        # Comparing a text with itself applies the ecosystem's rules to it.
        tambry.compare(text, text, ecosystem)
    except ValueError as exc:
        return str(exc)
    return None


def _located(error: ValueError, items: Sequence[tuple[str | None, str]], ecosystem: str) -> Failure:
    """The failure of a call that took these (place, text) items, naming the first one refused.

    The module names no element in its message, so each is checked again on its
    own under the ecosystem that ruled them all (the first one's, for "auto").
    """
    try:
        ruling = tambry.Version(items[0][1], ecosystem).ecosystem if items else ecosystem
    except ValueError:  # the ecosystem name itself is refused
        return Failure(str(error))
    for place, text in items:
        message = rejection(text, ruling)
        if message is not None:
            prefix = f"{place}: " if place is not None else ""
            return Failure(f"{prefix}{text!r}: {message}")
    return Failure(str(error))


def _collection_call(func: Callable[[list[str], str], _T], paths: Sequence[str], ecosystem: str) -> _T:
    versions, sources = read_versions(paths)
    try:
        return func(versions, ecosystem)
    except ValueError as exc:
        items = [(place, line) for place, line in placed(sources) if isinstance(line, str)]
        raise _located(exc, items, ecosystem) from None


def _check_text(value: str, what: str) -> str:
    # Bytes that are not UTF-8 reach sys.argv as lone surrogates; tambry takes UTF-8 text only.
    try:
        value.encode("utf-8")
    except UnicodeEncodeError:
        raise Failure(f"{what} is not valid UTF-8: {os.fsencode(value)!r}") from None
    return value


# ---------------------------------------------------------------------------
# The commands


def _cmd_compare(args: argparse.Namespace) -> int:
    a = _check_text(args.a, "version")
    b = _check_text(args.b, "version")
    eco = _check_text(args.ecosystem, "ecosystem")
    try:
        result = tambry.compare(a, b, eco)
    except ValueError as exc:
        raise _located(exc, [(None, a), (None, b)], eco) from None
    emit([result])
    return EXIT_OK


def _cmd_sort(args: argparse.Namespace) -> int:
    eco = _check_text(args.ecosystem, "ecosystem")
    ordered = _collection_call(tambry.sort_versions, args.files, eco)
    if args.reverse:
        ordered.reverse()
    emit(ordered)
    return EXIT_OK


def _cmd_max(args: argparse.Namespace) -> int:
    eco = _check_text(args.ecosystem, "ecosystem")
    emit([_collection_call(tambry.max_version, args.files, eco)])
    return EXIT_OK


def _cmd_min(args: argparse.Namespace) -> int:
    eco = _check_text(args.ecosystem, "ecosystem")
    emit([_collection_call(tambry.min_version, args.files, eco)])
    return EXIT_OK


def _cmd_check(args: argparse.Namespace) -> int:
    eco = _check_text(args.ecosystem, "ecosystem")
    _module_call(tambry.Version, "", eco)  # an unknown name fails the command, not a line
    sources = [read_source(path) for path in args.files or ["-"]]
    report = []
    for place, line in placed(sources):
        message = rejection(line, eco) if isinstance(line, str) else "not valid UTF-8"
        if message is not None:
            report.append(f"{place}: {line!r}: {message}")
    emit(report)
    return EXIT_REJECTED if report else EXIT_OK


def _cmd_detect(args: argparse.Namespace) -> int:
    texts = [_check_text(text, "version") for text in args.versions]
    emit([_module_call(tambry.Version, text).ecosystem for text in texts])
    return EXIT_OK


def _cmd_info(args: argparse.Namespace) -> int:
    text = _check_text(args.version, "version")
    eco = _check_text(args.ecosystem, "ecosystem")
    v = _module_call(tambry.Version, text, eco)
    # A Version holds any text; comparing it with itself under its own ecosystem
    # applies that ecosystem's rules, so a text they reject is reported here.
    message = rejection(text, v.ecosystem)
    if message is not None:
        raise Failure(f"{text!r}: {message}")
    info = {**v.to_dict(), "ecosystem": v.ecosystem, "segments": list(v.segments())}
    # One member per line, the segments kept on one line.
    members = (
        f"  {json.dumps(key)}: {json.dumps(value, ensure_ascii=False)}" for key, value in info.items()
    )
    emit(["{\n" + ",\n".join(members) + "\n}"])
    return EXIT_OK


def _native_range(args: argparse.Namespace) -> tambry.ranges.VersionRange:
    """The range argument: the ecosystem's own syntax, or a vers: URI, which names its own."""
    text = _check_text(args.range, "range")
    if text.startswith("vers:"):
        return _module_call(tambry.ranges.VersionRange.from_vers, text)
    if args.ecosystem is None:
        raise Failure("the ecosystem is needed (-e ECO) for a range that is not a vers: URI")
    eco = _check_text(args.ecosystem, "ecosystem")
    return _module_call(tambry.ranges.VersionRange.from_native, text, eco)


def _native_lines(paths: Sequence[str], ecosystem: str) -> Iterable[tuple[str, str]]:
    """(FILE:LINE, version) of every line that is not blank, each checked by the
    ecosystem's own tool; the first one it rejects fails the command."""
    _module_call(tambry.native.is_valid, "", ecosystem)  # an unknown name fails before any line
    for place, line in placed([read_source(path) for path in paths or ["-"]]):
        if isinstance(line, bytes):
            raise Failure(f"{place}: {line!r}: not valid UTF-8")
        try:
            tambry.native.key(line, ecosystem)
        except tambry.native.InvalidVersion as exc:
            raise Failure(f"{place}: {line!r}: {exc}") from None
        yield place, line


def _cmd_satisfies(args: argparse.Namespace) -> int:
    allowed = _native_range(args)
    versions = [_check_text(text, "version") for text in args.versions]
    inside = [v for v in versions if _module_call(allowed.contains, v)]
    emit(inside)
    return EXIT_OK if len(inside) == len(versions) else EXIT_REJECTED


def _cmd_filter(args: argparse.Namespace) -> int:
    allowed = _native_range(args)
    emit([line for _, line in _native_lines(args.files, allowed.ecosystem) if allowed.contains(line)])
    return EXIT_OK


def _cmd_key(args: argparse.Namespace) -> int:
    eco = _check_text(args.ecosystem, "ecosystem")
    emit([f"{line}\t{tambry.native.key(line, eco).hex()}" for _, line in _native_lines(args.files, eco)])
    return EXIT_OK


# ---------------------------------------------------------------------------
# The command line


class _Parser(argparse.ArgumentParser):
    """An argument parser whose help reaches standard output through emit(), errors and all."""

    # Typeshed has typed `file` differently over the years; Any fits every version.
    def print_help(self, file: Any = None) -> None:
        if file is None:
            emit([self.format_help().rstrip("\n")])
        else:
            super().print_help(file)


class _VersionAction(argparse.Action):
    """--version, written through emit() like any other output."""

    def __init__(self, option_strings: Sequence[str], dest: str, **kwargs: object) -> None:
        super().__init__(option_strings, dest, nargs=0, help="print the release of tambry and exit")

    def __call__(
        self,
        parser: argparse.ArgumentParser,
        namespace: argparse.Namespace,
        values: object,
        option_string: str | None = None,
    ) -> NoReturn:
        try:
            release = importlib.metadata.version("tambry")
        except importlib.metadata.PackageNotFoundError:
            release = "(release unknown)"
        emit([f"{PROG} {release}"])
        parser.exit()


def _ecosystem_help(default: str) -> str:
    names = ", ".join(
        f"{name} ({', '.join(aliases)})" if aliases else name for name, aliases in ECOSYSTEM_ALIASES.items()
    )
    return (
        f"the ecosystem whose rules apply, by name or alias in any letter case: {names}; "
        f"or auto, to guess it from the text (default: {default})"
    )


def build_parser() -> argparse.ArgumentParser:
    parser = _Parser(
        prog=PROG,
        description="Compare, sort, check and inspect version strings under the rules of "
        "seventeen software ecosystems.",
        epilog="Exit status: 0 on success, 1 when 'check' found a rejected line, 2 for a "
        "bad command line or input (message on standard error), 70 for a fault of tambry "
        "itself, 71 when memory ran out, 74 when standard output cannot be written, 130 "
        "when interrupted, 141 when the reader of the output goes away. Run "
        "'tambry COMMAND --help' for each command.",
    )
    parser.add_argument("--version", action=_VersionAction)
    commands = parser.add_subparsers(dest="command", metavar="COMMAND", required=True)

    def ecosystem_option(sub: argparse.ArgumentParser, default: str) -> None:
        sub.add_argument("-e", "--ecosystem", metavar="ECO", default=default, help=_ecosystem_help(default))

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
        "check",
        help="report every line the ecosystem rejects",
        description="Print FILE:LINE: 'VERSION': MESSAGE for every line that the ecosystem "
        "rejects (or that is not UTF-8), and exit with status 1 if there was one, 0 if "
        "not. Blank lines are skipped. With '-e auto' each line is checked under the "
        "ecosystem guessed from it.",
    )
    ecosystem_option(sub, "generic")
    files_argument(sub)
    sub.set_defaults(handler=_cmd_check)

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

    def native_ecosystem_option(sub: argparse.ArgumentParser, required: bool) -> None:
        sub.add_argument(
            "-e",
            "--ecosystem",
            metavar="ECO",
            required=required,
            help="the ecosystem whose own tool's rules apply: "
            + ", ".join(tambry.native.ECOSYSTEMS)
            + ", or an OSV ecosystem name such as PyPI, RubyGems, crates.io or Debian:12"
            + ("" if required else " (a vers: URI names its own)"),
        )

    sub = commands.add_parser(
        "satisfies",
        help="print the versions that are in a range",
        description="Print each VERSION that is in RANGE, written in the ecosystem's own "
        "range syntax (or as a vers: URI), and exit with status 0 if every one is, 1 if not.",
    )
    sub.add_argument("range", metavar="RANGE", help="a range, e.g. '^1.2' for npm or '>=1.0,<2' for PyPI")
    sub.add_argument("versions", nargs="+", metavar="VERSION", help="a version string")
    native_ecosystem_option(sub, required=False)
    sub.set_defaults(handler=_cmd_satisfies)

    sub = commands.add_parser(
        "filter",
        help="print the lines whose version is in a range",
        description="Print the versions read (one per line, blank lines skipped) that are "
        "in RANGE, in their input order. A line the ecosystem rejects is an error.",
    )
    sub.add_argument("range", metavar="RANGE", help="a range in the ecosystem's own syntax, or a vers: URI")
    native_ecosystem_option(sub, required=False)
    files_argument(sub)
    sub.set_defaults(handler=_cmd_filter)

    sub = commands.add_parser(
        "key",
        help="print each version with its order-preserving key",
        description="Print VERSION, a tab and the version's key in lowercase hex, for every "
        "version read: sorting the keys as text sorts the versions as the ecosystem's own "
        "tool does. A line the ecosystem rejects is an error.",
    )
    native_ecosystem_option(sub, required=True)
    files_argument(sub)
    sub.set_defaults(handler=_cmd_key)

    return parser


def _run(argv: Sequence[str] | None) -> int:
    try:
        args = build_parser().parse_args(argv)
    except SystemExit as exc:  # --help, --version, or a usage error already reported
        return exc.code if isinstance(exc.code, int) else EXIT_FAILURE
    try:
        status: int = args.handler(args)
    except Failure as exc:
        complain(str(exc))
        return EXIT_FAILURE
    return status


def main(argv: Sequence[str] | None = None) -> int:
    """Run the command line ``argv`` (default: ``sys.argv[1:]``); return the exit status."""
    try:
        status = _run(argv)
        flush_output()
        return status
    except BrokenPipeError:
        _point_at_null(sys.stdout)
        return EXIT_BROKEN_PIPE
    except OutputError as exc:
        _point_at_null(sys.stdout)
        complain(f"standard output: {exc}")
        return EXIT_OUTPUT_ERROR
    except KeyboardInterrupt:
        return EXIT_INTERRUPTED
    except MemoryError:
        pass  # reported below, once the frames that hold the data are freed
    except Exception as exc:  # a fault of tambry itself: say what it was, without a traceback
        complain(f"internal error: {type(exc).__name__}: {exc}")
        return EXIT_INTERNAL_ERROR
    complain("out of memory")
    return EXIT_OUT_OF_MEMORY


if __name__ == "__main__":
    sys.exit(main())
