"""What several test files share: the rejection message and an exact-raise check."""

import pytest

ECOSYSTEM_LIST = (
    "generic, semver, pep440, debian, rpm, ruby, maven, go, npm, nuget, "
    "composer, crates, hex, swift, calver, alpine, docker"
)


def unsupported(name):
    return f"unsupported ecosystem '{name}'; expected one of: {ECOSYSTEM_LIST}"


def raises_exactly(exc_type, message):
    """pytest.raises pinned to one exception type and one whole message."""
    ctx = pytest.raises(exc_type)

    class _Check:
        def __enter__(self):
            self.info = ctx.__enter__()
            return self.info

        def __exit__(self, *exc):
            handled = ctx.__exit__(*exc)
            if handled:
                assert type(self.info.value) is exc_type
                assert str(self.info.value) == message
            return handled

    return _Check()


def _under_address_sanitizer():
    with open("/proc/self/maps") as f:
        return "libasan" in f.read()


# The sanitizer's allocator keeps freed memory in quarantine, so the resident set
# grows under it whatever the module does; tracemalloc still measures there.
UNDER_ASAN = _under_address_sanitizer()
