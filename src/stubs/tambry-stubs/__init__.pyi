# Type information for the tambry extension module.
#
# The module is one compiled file, so its types ship as the stub-only
# package tambry-stubs inside the same wheel.

from collections.abc import Callable, Sequence
from typing import Literal, SupportsIndex, TypeAlias, TypedDict, TypeVar, final, overload

__all__ = [
    "Version",
    "version",
    "compare",
    "compare_semver_strict",
    "sort_versions",
    "batch_compare",
    "gt",
    "ge",
    "gte",
    "lt",
    "le",
    "lte",
    "eq",
    "ne",
    "max_version",
    "min_version",
]

# The result of every ordering: a is less than, equal to or greater than b.
_Ordering: TypeAlias = Literal[-1, 0, 1]

# The canonical ecosystem names, the only ones the module ever reports.
# Arguments accept any of the aliases in any letter case, or "auto", so
# they are typed as plain str.
_EcosystemName: TypeAlias = Literal[
    "generic",
    "semver",
    "pep440",
    "debian",
    "rpm",
    "ruby",
    "maven",
    "go",
    "npm",
    "nuget",
    "composer",
    "crates",
    "hex",
    "swift",
    "calver",
    "alpine",
    "docker",
]

# Anything that compare(), the collection functions and Version.compare() take.
_VersionLike: TypeAlias = str | Version

# Collection functions hand back the caller's own objects.
_V = TypeVar("_V", bound=str | Version)

class _VersionDict(TypedDict):
    raw: str
    epoch: int
    major: int
    minor: int
    patch: int
    build: str
    is_prerelease: bool
    is_postrelease: bool

# One triple of a sort key: (kind, number, text).
_SortKeyItem: TypeAlias = tuple[int, int, str]

@final
class Version:
    def __new__(cls, version: str, ecosystem: str = "auto") -> Version: ...
    @property
    def raw(self) -> str: ...
    @property
    def ecosystem(self) -> _EcosystemName: ...
    @property
    def epoch(self) -> int: ...
    @property
    def build(self) -> str: ...
    @property
    def is_prerelease(self) -> bool: ...
    @property
    def is_postrelease(self) -> bool: ...
    @property
    def count(self) -> int: ...
    @property
    def major(self) -> int: ...
    @property
    def minor(self) -> int: ...
    @property
    def patch(self) -> int: ...
    def segments(self) -> tuple[int | str, ...]: ...
    def release(self) -> tuple[int, ...]: ...
    def compare(self, other: _VersionLike, ecosystem: str = "generic") -> _Ordering: ...
    def to_dict(self) -> _VersionDict: ...
    def sort_key(self) -> tuple[_SortKeyItem, ...]: ...
    def __reduce__(self) -> tuple[Callable[[str, str], Version], tuple[str, _EcosystemName]]: ...
    # == and != accept any object (a Version never equals anything else);
    # the four order operators are defined between Version objects only.
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    def __lt__(self, other: Version, /) -> bool: ...
    def __le__(self, other: Version, /) -> bool: ...
    def __gt__(self, other: Version, /) -> bool: ...
    def __ge__(self, other: Version, /) -> bool: ...
    def __hash__(self) -> int: ...
    def __len__(self) -> int: ...
    def __getitem__(self, idx: SupportsIndex, /) -> int | str: ...
    def __bool__(self) -> bool: ...

def version(s: str, ecosystem: str = "auto") -> Version: ...
def compare(a: _VersionLike, b: _VersionLike, ecosystem: str = "generic") -> _Ordering: ...
def compare_semver_strict(a: str, b: str) -> _Ordering: ...

# The collection functions give back the caller's own objects: a sequence of
# str gives str, a sequence of Version gives Version.  A list display that
# mixes both is joined to object by the checker, so a second overload gives it
# the union.  The checker deems that overload unreachable, as it compares the
# declared parameter types only, yet it is the one such a display matches:
# hence the ignore comments.  A plain str is a sequence of str too; the
# functions refuse it at run time with TypeError, which no annotation can say
# without hiding the code after such a call from the checker.
@overload
def sort_versions(versions: Sequence[_V], ecosystem: str = "generic") -> list[_V]: ...
@overload
def sort_versions(  # type: ignore[overload-cannot-match]
    versions: Sequence[_VersionLike], ecosystem: str = "generic"
) -> list[_VersionLike]: ...
def batch_compare(
    pairs: Sequence[tuple[_VersionLike, _VersionLike]], ecosystem: str = "generic"
) -> list[_Ordering]: ...
def gt(a: str, b: str, ecosystem: str = "generic") -> bool: ...
def ge(a: str, b: str, ecosystem: str = "generic") -> bool: ...
def gte(a: str, b: str, ecosystem: str = "generic") -> bool: ...
def lt(a: str, b: str, ecosystem: str = "generic") -> bool: ...
def le(a: str, b: str, ecosystem: str = "generic") -> bool: ...
def lte(a: str, b: str, ecosystem: str = "generic") -> bool: ...
def eq(a: str, b: str, ecosystem: str = "generic") -> bool: ...
def ne(a: str, b: str, ecosystem: str = "generic") -> bool: ...
@overload
def max_version(versions: Sequence[_V], ecosystem: str = "generic") -> _V: ...
@overload
def max_version(  # type: ignore[overload-cannot-match]
    versions: Sequence[_VersionLike], ecosystem: str = "generic"
) -> _VersionLike: ...
@overload
def min_version(versions: Sequence[_V], ecosystem: str = "generic") -> _V: ...
@overload
def min_version(  # type: ignore[overload-cannot-match]
    versions: Sequence[_VersionLike], ecosystem: str = "generic"
) -> _VersionLike: ...
