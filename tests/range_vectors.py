"""The committed range vectors (tests/vectors/ranges/*.tsv) and the checks every
ecosystem's range tests make of them."""

import pathlib

from tambry.ranges import VersionRange

VECTORS = pathlib.Path(__file__).parent / "vectors" / "ranges"


def range_rows(name):
    """The rows of one vector file under its header. Lines are split at line feeds
    alone: ranges may hold other control characters, and a rejected range may be
    empty."""
    lines = (VECTORS / name).read_text(encoding="utf-8").split("\n")
    assert lines[-1] == ""
    return [line.split("\t") for line in lines[1:-1]]


def assert_all_rejected(texts, ecosystem):
    """Every one of the range texts the tool rejects is rejected here too."""
    accepted = []
    for text in texts:
        try:
            accepted.append((text, str(VersionRange.from_native(text, ecosystem))))
        except ValueError:
            pass
    assert not accepted


def assert_read_back_from_vers(probes, ecosystem, **options):
    """Each range (a text mapped to versions to try) equals the range read back
    from its vers URI, and both answer alike on its versions."""
    for text, versions in probes.items():
        r = VersionRange.from_native(text, ecosystem, **options)
        back = VersionRange.from_vers(str(r))
        assert back == r, (text, options)
        assert [back.contains(v) for v in versions] == [r.contains(v) for v in versions], (text, options)


def probes_of(rows):
    """The versions of (range, version, ...) rows, grouped by range."""
    probes = {}
    for text, version, *_ in rows:
        probes.setdefault(text, []).append(version)
    return probes
