# Type information for tambry.native: each ecosystem's versions in its own
# tool's order.

from collections.abc import Iterable
from typing import Final, Literal, TypeAlias, TypeVar

from tambry import Version

__all__ = [
    "InvalidVersion",
    "ECOSYSTEMS",
    "compare",
    "is_valid",
    "is_prerelease",
    "sort_versions",
    "max_version",
    "min_version",
    "key",
    "keys",
]

_Ordering: TypeAlias = Literal[-1, 0, 1]
_VersionLike: TypeAlias = str | Version
# Collection functions hand back the caller's own objects.
_V = TypeVar("_V", bound=str | Version)

# The purl types, in key-id order. Ecosystem arguments also take OSV names
# ("PyPI", "Debian:12", ...), so they are typed as plain str.
ECOSYSTEMS: Final[tuple[str, ...]]

class InvalidVersion(ValueError):
    """A version text that the ecosystem's own tool rejects."""

    version: str
    ecosystem: str
    index: int | None

def compare(a: _VersionLike, b: _VersionLike, ecosystem: str) -> _Ordering: ...
def is_valid(version: _VersionLike, ecosystem: str) -> bool: ...
def is_prerelease(version: _VersionLike, ecosystem: str) -> bool: ...
def sort_versions(versions: Iterable[_V], ecosystem: str) -> list[_V]: ...
def max_version(versions: Iterable[_V], ecosystem: str) -> _V: ...
def min_version(versions: Iterable[_V], ecosystem: str) -> _V: ...
def key(version: _VersionLike, ecosystem: str) -> bytes: ...
def keys(
    versions: Iterable[_VersionLike], ecosystem: str, invalid: Literal["raise", "null"] = "raise"
) -> list[bytes | None]: ...
