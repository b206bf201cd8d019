# Type information for tambry.native: each ecosystem's versions in its own
# tool's order.

from collections.abc import Iterable
from typing import Final, Literal, TypeAlias, TypeVar, final

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
    "key_array",
    "KeyArray",
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
def key_array(
    versions: Iterable[_VersionLike], ecosystem: str, invalid: Literal["raise", "null"] = "raise"
) -> KeyArray: ...
@final
class KeyArray:
    """The keys of many versions as one Arrow binary column (the Arrow PyCapsule
    interface), handed to pyarrow, Polars or DuckDB without a copy."""

    @property
    def ecosystem(self) -> str: ...
    @property
    def null_count(self) -> int: ...
    @property
    def nbytes(self) -> int: ...
    def __len__(self) -> int: ...
    def __getitem__(self, index: int, /) -> bytes | None: ...
    def to_pylist(self) -> list[bytes | None]: ...
    def __arrow_c_array__(self, requested_schema: object | None = None) -> tuple[object, object]: ...
    def __arrow_c_stream__(self, requested_schema: object | None = None) -> object: ...
