"""tambry.ranges from OSV advisories: range objects and whole affected entries, checked
against the OSV schema's evaluation pseudocode transcribed below, and fixed cases."""

import functools

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from helpers import raises_exactly
from tambry import native
from tambry.native import InvalidVersion
from tambry.ranges import VersionRange

PYPI_VERSIONS = ["0.dev0", "0", "0.1", "1.0a1", "1.0", "1.0.post1", "1.1", "1.2rc1", "1.2", "2.0.dev1", "2.0", "3"]
PYPI_PROBES = PYPI_VERSIONS + ["0.0.1", "0.5", "1.0.0", "1.0b2", "1.1.1", "1.3", "2.0.1", "2.5", "10"]
KINDS = ["introduced", "fixed", "last_affected", "limit"]


def is_vulnerable(events, version, ecosystem):
    """The schema's IncludedInRanges for one range, step by step."""
    def cmp(a, b):
        return native.compare(a, b, ecosystem)

    limits = [e["limit"] for e in events if "limit" in e]
    if limits and not any("*" in limit or cmp(version, limit) < 0 for limit in limits):
        return False
    timeline = [e for e in events if "limit" not in e]
    zero = lambda e: e.get("introduced") == "0"  # noqa: E731
    order = functools.cmp_to_key(lambda a, b: -1 if zero(a) and not zero(b) else 1 if zero(b) and not zero(a)
                                 else 0 if zero(a) else cmp(next(iter(a.values())), next(iter(b.values()))))
    vulnerable = False
    for e in sorted(timeline, key=order):
        if "introduced" in e and (zero(e) or cmp(version, e["introduced"]) >= 0):
            vulnerable = True
        elif "fixed" in e and cmp(version, e["fixed"]) >= 0:
            vulnerable = False
        elif "last_affected" in e and cmp(version, e["last_affected"]) > 0:
            vulnerable = False
    return vulnerable


events = st.lists(
    st.one_of(
        st.builds(lambda k, v: {k: v}, st.sampled_from(KINDS), st.sampled_from(PYPI_VERSIONS)),
        st.just({"introduced": "0"}),
        st.just({"limit": "*"}),
    ),
    min_size=1,
    max_size=7,
)


@settings(max_examples=400, deadline=None)
@given(events)
def test_ranges_evaluate_as_the_schema_says(event_list):
    r = VersionRange.from_osv({"type": "ECOSYSTEM", "events": event_list}, "PyPI")
    for v in PYPI_PROBES:
        assert (v in r) == is_vulnerable(event_list, v, "pypi"), (event_list, v, str(r))
    assert VersionRange.from_vers(str(r)) == r


@settings(max_examples=100, deadline=None)
@given(st.lists(events, max_size=3), st.lists(st.sampled_from(PYPI_VERSIONS + ["not a version"]), max_size=3))
def test_an_entry_is_its_versions_and_its_ranges(ranges, versions):
    entry = {
        "package": {"ecosystem": "PyPI", "name": "x"},
        "ranges": [{"type": "ECOSYSTEM", "events": e} for e in ranges] + [{"type": "GIT", "events": []}],
        "versions": versions,
    }
    r = VersionRange.from_affected(entry)
    for v in PYPI_PROBES:
        listed = any(native.is_valid(w, "pypi") and native.compare(v, w, "pypi") == 0 for w in versions)
        assert (v in r) == (listed or any(is_vulnerable(e, v, "pypi") for e in ranges)), (entry, v)


def ecosystem_range(*event_list, kind="ECOSYSTEM"):
    return {"type": kind, "events": list(event_list)}


@pytest.mark.parametrize(
    "range_object, ecosystem, vers",
    [
        # The schema's own examples.
        (ecosystem_range({"introduced": "0"}), "npm", "vers:npm/*"),
        (ecosystem_range({"introduced": "0"}, {"fixed": "1.0.2"}, kind="SEMVER"), "npm", "vers:npm/<1.0.2"),
        (ecosystem_range({"introduced": "1.0.0"}, {"fixed": "1.0.2"}, {"introduced": "3.0.0"}, {"fixed": "3.2.5"},
                         kind="SEMVER"), "crates.io", "vers:cargo/>=1.0.0|<1.0.2|>=3.0.0|<3.2.5"),
        (ecosystem_range({"introduced": "0"}, {"last_affected": "2.1.214"}), "npm", "vers:npm/<=2.1.214"),
        # Unsorted events are sorted first.
        (ecosystem_range({"fixed": "3.2.5"}, {"introduced": "3.0.0"}, {"fixed": "1.0.2"}, {"introduced": "1.0.0"}),
         "npm", "vers:npm/>=1.0.0|<1.0.2|>=3.0.0|<3.2.5"),
        # Limits cut the timeline off; "*" is no limit; several limits unite.
        (ecosystem_range({"introduced": "1.0.0"}, {"limit": "2.0.0"}), "npm", "vers:npm/>=1.0.0|<2.0.0"),
        (ecosystem_range({"introduced": "1.0.0"}, {"limit": "*"}), "npm", "vers:npm/>=1.0.0"),
        (ecosystem_range({"introduced": "1.0.0"}, {"limit": "2.0.0"}, {"limit": "3.0.0"}), "npm",
         "vers:npm/>=1.0.0|<3.0.0"),
        (ecosystem_range({"limit": "2.0.0"}), "npm", "vers:npm/none"),
        # "0" comes before every version, even those below the version "0".
        (ecosystem_range({"introduced": "0"}, {"fixed": "0.1"}), "PyPI", "vers:pypi/<0.1"),
        (ecosystem_range({"introduced": "0.0"}, {"fixed": "0.1"}), "PyPI", "vers:pypi/>=0.0|<0.1"),
        # Events at one version act in the order given.
        (ecosystem_range({"introduced": "1.0.0"}, {"fixed": "1.0.0"}), "npm", "vers:npm/none"),
        (ecosystem_range({"fixed": "1.0.0"}, {"introduced": "1.0.0"}), "npm", "vers:npm/>=1.0.0"),
        (ecosystem_range({"introduced": "1.0.0"}, {"last_affected": "1.0.0"}), "npm", "vers:npm/1.0.0"),
        # OSV writes Go versions without their "v".
        (ecosystem_range({"introduced": "0"}, {"fixed": "1.20.3"}, kind="SEMVER"), "Go", "vers:golang/<v1.20.3"),
        (ecosystem_range({"introduced": "v1.2.0"}), "Go", "vers:golang/>=v1.2.0"),
        # Pre-releases count like any version.
        (ecosystem_range({"introduced": "2.0.0-rc.1"}, {"fixed": "2.0.0"}), "npm", "vers:npm/>=2.0.0-rc.1|<2.0.0"),
    ],
)
def test_fixed_ranges(range_object, ecosystem, vers):
    r = VersionRange.from_osv(range_object, ecosystem)
    assert str(r) == vers


def test_an_advisory_checked_against_installed_versions():
    # GHSA-r9p9-mrjm-926w as the OSV schema shows it.
    affected = {
        "package": {"ecosystem": "npm", "name": "elliptic"},
        "ranges": [{"type": "ECOSYSTEM", "events": [{"introduced": "0"}, {"fixed": "6.5.4"}]}],
    }
    r = VersionRange.from_affected(affected)
    assert "6.5.3" in r and "6.5.4-beta.1" in r and "6.5.4" not in r and "7.0.0" not in r
    assert r.max_satisfying(["6.4.0", "6.5.3", "6.5.4"]) == "6.5.3"


def test_entry_lists_versions_and_skips_git_ranges_and_unknown_texts():
    affected = {
        "package": {"ecosystem": "PyPI", "name": "pikepdf"},
        "ranges": [{"type": "GIT", "repo": "https://example.invalid/x", "events": [{"introduced": "abc"}]}],
        "versions": ["2.8.0", "2.9.0", "2.9.2", "v-unknown"],
    }
    r = VersionRange.from_affected(affected)
    assert str(r) == "vers:pypi/2.8.0|2.9.0|2.9.2"
    assert "2.9.2" in r and "2.9.1" not in r and "2.9.0.0" in r
    empty = VersionRange.from_affected({"package": {"ecosystem": "crates.io", "name": "x"}})
    assert str(empty) == "vers:cargo/none"


@pytest.mark.parametrize(
    "range_object, message",
    [
        ({"type": "GIT", "events": [{"introduced": "0"}]},
         "type: 'GIT' ranges place versions by the repository's commit graph, which only the repository has; "
         "tambry reads ECOSYSTEM and SEMVER ranges"),
        ({"type": "ecosystem", "events": []}, "type: unsupported range type 'ecosystem'"),
        ({"events": []}, "type is missing"),
        ({"type": 1, "events": []}, "type must be a string"),
        ({"type": "SEMVER"}, "events is missing"),
        ({"type": "SEMVER", "events": {"introduced": "0"}}, "events must be an array"),
        ({"type": "SEMVER", "events": ["0"]}, "events[0] must be an object"),
        ({"type": "SEMVER", "events": [{"introduced": "0"}, {}]},
         "events[1] holds none of 'introduced', 'fixed', 'last_affected', 'limit'"),
        ({"type": "SEMVER", "events": [{"introduced": "1.0.0", "fixed": "1.0.2"}]},
         "events[0] holds more than one of 'introduced', 'fixed', 'last_affected', 'limit'"),
        ({"type": "SEMVER", "events": [{"fixed": 2}]}, "events[0].fixed must be a string"),
    ],
)
def test_malformed_ranges(range_object, message):
    with raises_exactly(ValueError, f"invalid OSV range: {message}"):
        VersionRange.from_osv(range_object, "npm")


def test_a_version_the_ecosystem_rejects_names_its_event():
    bad = {"type": "ECOSYSTEM", "events": [{"introduced": "0"}, {"fixed": "1.x"}]}
    message = "invalid OSV range: events[1].fixed is not a valid npm version: '1.x'"
    with raises_exactly(InvalidVersion, message) as info:
        VersionRange.from_osv(bad, "npm")
    assert (info.value.version, info.value.ecosystem, info.value.index) == ("1.x", "npm", None)
    entry = {"package": {"ecosystem": "npm"}, "ranges": [{"type": "SEMVER", "events": [{"limit": "x"}]}]}
    with raises_exactly(InvalidVersion, "invalid OSV affected entry: ranges[0].events[0].limit is not a valid npm "
                                        "version: 'x'"):
        VersionRange.from_affected(entry)


@pytest.mark.parametrize(
    "entry, message",
    [
        ({}, "invalid OSV affected entry: package must be an object"),
        ({"package": {"name": "x"}}, "invalid OSV affected entry: package.ecosystem must be a string"),
        ({"package": {"ecosystem": "npm"}, "ranges": {}}, "invalid OSV affected entry: ranges must be an array"),
        ({"package": {"ecosystem": "npm"}, "ranges": [{"events": []}]},
         "invalid OSV affected entry: ranges[0].type is missing"),
        ({"package": {"ecosystem": "npm"}, "versions": [1]},
         "invalid OSV affected entry: versions[0] must be a string"),
    ],
)
def test_malformed_entries(entry, message):
    with raises_exactly(ValueError, message):
        VersionRange.from_affected(entry)


def test_entry_ecosystem_must_be_known_and_arguments_must_be_dicts():
    with pytest.raises(ValueError, match="^unsupported ecosystem 'OSS-Fuzz'; expected one of: npm, pypi, "):
        VersionRange.from_affected({"package": {"ecosystem": "OSS-Fuzz"}})
    with raises_exactly(TypeError, "argument 'affected': 'list' object is not an instance of 'dict'"):
        VersionRange.from_affected([])
    with raises_exactly(TypeError, "argument 'range_object': 'str' object is not an instance of 'dict'"):
        VersionRange.from_osv("introduced 0", "npm")
