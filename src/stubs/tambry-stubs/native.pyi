# Type information for tambry.native: each ecosystem's versions in its own tool's order.

from collections.abc import Iterable
from typing import Literal, TypeAlias, TypeVar, overload

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

# Versions are str, or tambry.Version objects standing for their raw text.
_VersionLike: TypeAlias = str | Version
_V = TypeVar("_V", bound=str | Version)

# The purl types; `ecosystem` arguments also take OSV names ("PyPI", "Debian:12").
ECOSYSTEMS: tuple[str, ...]

class InvalidVersion(ValueError):
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
@overload
def keys(versions: Iterable[_VersionLike], ecosystem: str, invalid: Literal["raise"] = "raise") -> list[bytes]: ...
@overload
def keys(versions: Iterable[_VersionLike], ecosystem: str, invalid: Literal["null"]) -> list[bytes | None]: ...
