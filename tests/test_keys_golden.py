"""The key format, pinned: every row of tests/golden/keys.tsv must still give its
key. Keys are stored in databases and compared there for years, so a change to any
key must raise KEY_FORMAT (src/core/native/native_scheme.hpp) and rewrite the file
with `python tools/make_golden_keys.py`."""

import collections
import importlib.util
import pathlib

import pytest

from tambry import native

ROOT = pathlib.Path(__file__).resolve().parent.parent
GOLDEN = ROOT / "tests" / "golden" / "keys.tsv"
REGENERATE = "raise KEY_FORMAT, then run: python tools/make_golden_keys.py"


def golden_rows():
    lines = GOLDEN.read_bytes().decode("utf-8").split("\n")
    assert lines[0] == "ecosystem\tversion\tkey"
    return [tuple(line.split("\t")) for line in lines[1:] if line]


ROWS = golden_rows()
BY_ECOSYSTEM = collections.defaultdict(list)
for _ecosystem, _version, _key in ROWS:
    BY_ECOSYSTEM[_ecosystem].append((_version, _key))


@pytest.mark.parametrize("ecosystem", sorted(BY_ECOSYSTEM))
def test_every_golden_version_keeps_its_key(ecosystem):
    rows = BY_ECOSYSTEM[ecosystem]
    got = native.keys([v for v, _ in rows], ecosystem)
    changed = [(v, key, new.hex()) for (v, key), new in zip(rows, got) if new.hex() != key]
    assert not changed[:10], f"{len(changed)} keys changed: {REGENERATE}"


def test_golden_file_covers_every_written_scheme():
    assert len(ROWS) >= 10_000
    probes = ["1.0.0", "1.0", "1", "v1.0.0", "1.0-1", "1.0-r0"]
    written = {e for e in native.ECOSYSTEMS if any(native.is_valid(v, e) for v in probes)}
    missing = sorted(written - set(BY_ECOSYSTEM))
    assert not missing, f"no golden rows for {missing}: run python tools/make_golden_keys.py"
    assert all(len(BY_ECOSYSTEM[e]) >= 1000 for e in written)


def test_golden_keys_carry_the_format_byte_and_their_ecosystems_id():
    format_byte = native.key("1.0.0", "semver")[:1].hex()
    ids = {}
    for ecosystem, _, key in ROWS:
        assert key[:2] == format_byte, REGENERATE
        assert ids.setdefault(ecosystem, key[2:4]) == key[2:4]
    assert len(set(ids.values())) == len(ids)


def load_generator():
    spec = importlib.util.spec_from_file_location("make_golden_keys", ROOT / "tools" / "make_golden_keys.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


@pytest.mark.parametrize(
    "before, after, refused",
    [
        ("0101aa00", "0101aa00", False),
        ("0101aa00", "0101ab00", True),  # changed under the same format byte
        ("0101aa00", "0201ab00", False),  # changed with a new format byte
        (None, "0101ab00", False),  # a new row
    ],
)
def test_generator_refuses_changed_keys_under_the_same_format(before, after, refused):
    generator = load_generator()
    old = {} if before is None else {("npm", "1.0.0"): before}
    assert bool(generator.changed_without_new_format(old, [("npm", "1.0.0", after)])) == refused


@pytest.mark.parametrize("ecosystem", sorted(BY_ECOSYSTEM))
def test_keys_are_about_as_long_as_their_texts(ecosystem):
    # Keys are stored next to the versions: the median key takes at most four bytes
    # more than its text.
    extra = sorted(len(key) // 2 - len(version.encode()) for version, key in BY_ECOSYSTEM[ecosystem])
    assert extra[len(extra) // 2] <= 4
