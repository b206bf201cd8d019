"""The hex form of a key, for engines without a binary type: lowercase hex keeps the
bytewise order (each byte becomes two digits from 0-9a-f, which sort as their
values), so text columns sort and compare versions exactly too."""

import pathlib

import pytest

from tambry import native

VECTORS = pathlib.Path(__file__).parent / "vectors" / "native"


def order_rows(path):
    lines = path.read_bytes().decode("utf-8").split("\n")
    return [line.split("\t")[:3] for line in lines[1:] if line]


@pytest.mark.parametrize("path", sorted(VECTORS.glob("*-order.tsv")), ids=lambda p: p.name)
def test_hex_keys_order_as_the_tool_does(path):
    ecosystem = path.name.rsplit("-", 1)[0]
    rows = order_rows(path)
    wrong = []
    for a, b, expected in rows:
        ha, hb = native.key(a, ecosystem).hex(), native.key(b, ecosystem).hex()
        if (ha > hb) - (ha < hb) != int(expected):
            wrong.append((a, b, expected, ha, hb))
    assert not wrong[:20], f"{len(wrong)} rows disagree"
    versions = sorted({v for row in rows for v in row[:2]})
    keys = native.keys(versions, ecosystem)
    assert sorted(k.hex() for k in keys) == [k.hex() for k in sorted(keys)]


@pytest.mark.parametrize(
    "a, b, ecosystem",
    [
        # Keys whose first difference is a byte of 0x00-0x0f against one of
        # 0x10-0xff: a hex form without its leading zero digit would invert these.
        ("1.0.0", "16.0.0", "semver"),
        ("1.0.0-rc.1", "1.0.0-rc.255", "semver"),
        ("1.0.0-a", "1.0.0-b", "npm"),
        ("1.0", "1.0.post1", "pypi"),
        ("1.0a1", "1.0", "pypi"),
        ("v0.0.0-20200101000000-abcdefabcdef", "v0.0.1", "golang"),
    ],
)
def test_hex_keeps_the_order_where_bytes_cross_a_digit(a, b, ecosystem):
    ka, kb = native.key(a, ecosystem), native.key(b, ecosystem)
    assert ka < kb and ka.hex() < kb.hex()
    assert ka.hex() == ka.hex().lower() and len(ka.hex()) == 2 * len(ka)
