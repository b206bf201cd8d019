"""rpm's answers for RPM versions: python3-rpm's version objects, rpm.ver, which
split "[epoch:]version[-release]" and compare with rpm's own rpmverCmp. A version
is valid when rpm.ver accepts it. Run with the interpreter that has python3-rpm
(Debian's /usr/bin/python3).
"""
import functools

import rpm


def is_valid(version):
    try:
        rpm.ver(version)
    except ValueError:
        return False
    return True


def compare(a, b):
    x, y = rpm.ver(a), rpm.ver(b)
    return (x > y) - (x < y)


def sort(versions):
    return sorted(versions, key=functools.cmp_to_key(compare))
