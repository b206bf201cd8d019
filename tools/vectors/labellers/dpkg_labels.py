"""dpkg's answers for Debian versions, asked of `dpkg --compare-versions` itself.

A version is valid when `dpkg --compare-versions V eq V` ends without an error
(dpkg's warnings, such as a first character that is not a digit, are allowed).
dpkg takes a leading "-" for an option, so such texts are passed after a blank,
which dpkg trims before it reads the version. The empty text is not asked: the
command reads it as "no version" rather than as a version.

Each answer costs a process, so answers are cached, and `sort` orders with
python3-apt's comparison (when it is installed) only to start from a nearly
sorted list, then checks and repairs every neighbouring pair with dpkg.
"""
import functools
import subprocess


def _argument(version):
    return " " + version if version.startswith("-") else version


def _run(a, op, b):
    return subprocess.run(
        ["dpkg", "--compare-versions", _argument(a), op, _argument(b)],
        stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.PIPE,
    )


@functools.lru_cache(maxsize=None)
def is_valid(version):
    if version == "":
        raise ValueError("dpkg reads the empty text as no version at all")
    result = _run(version, "eq", version)
    if result.returncode not in (0, 2):
        raise RuntimeError(f"dpkg answered {result.returncode} for {version!r}")
    return result.returncode == 0


@functools.lru_cache(maxsize=None)
def _holds(a, op, b):
    result = _run(a, op, b)
    if result.returncode == 2:
        raise ValueError(f"dpkg rejects {a!r} or {b!r}: {result.stderr.decode(errors='replace').strip()}")
    return result.returncode == 0


def compare(a, b):
    if a == b:
        return 0
    if _holds(a, "lt", b):
        return -1
    return 1 if _holds(a, "gt", b) else 0


def _presorted(versions):
    try:
        import apt_pkg
    except ImportError:
        return sorted(versions)
    apt_pkg.init_system()
    return sorted(versions, key=functools.cmp_to_key(apt_pkg.version_compare))


def sort(versions):
    ordered = _presorted(versions)
    # Insertion repair: cheap when the start is nearly right, exact either way.
    for i in range(1, len(ordered)):
        j = i
        while j > 0 and compare(ordered[j - 1], ordered[j]) > 0:
            ordered[j - 1], ordered[j] = ordered[j], ordered[j - 1]
            j -= 1
    return ordered
