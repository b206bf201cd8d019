"""Version objects survive pickle, copy and multiprocessing with their text and ecosystem intact."""

import copy
import multiprocessing
import operator
import pickle
import pickletools

import pytest

import tambry
from helpers import CANONICAL_ECOSYSTEMS
from tambry import Version

# (text, ecosystem given to the constructor, ecosystem the object reports).
# Texts that another ecosystem would be guessed for are labelled explicitly, so
# a round trip that guessed again, or dropped the label, would show.
CASES = [
    ("1.0", None, "generic"),
    ("1.0-SNAPSHOT", None, "maven"),
    ("2:1.2-3+deb12u1", None, "debian"),
    ("1.0~rc1", "generic", "generic"),
    ("1.0~rc1", "rpm", "rpm"),
    ("1!2.0.post1", "docker", "docker"),
    ("abc", "semver", "semver"),  # a label the text does not satisfy is kept as it is
    ("1.0-SNAPSHOT", "NodeJS", "npm"),  # an alias reports its canonical name
    ("", "auto", "generic"),
    ("  1.2.3\t", "crates.io", "crates"),  # surrounding blanks stay in raw
    ("1.0 beta 2", "ruby", "ruby"),
    ("it's \"quoted\" \\ 1.0", "generic", "generic"),
    ("1.0é1", "calver", "calver"),
    ("版本 2.0 \u00a0", "alpine", "alpine"),
    ("v1.0+Build.7\u2028", "go", "go"),
    ("😀1.0\x00\n", "pep440", "pep440"),
    ("99999999999999999999:1.0", "composer", "composer"),
] + [(f"1.2.3-rc.{i}", eco, eco) for i, eco in enumerate(CANONICAL_ECOSYSTEMS)]

IDS = [f"{i}-{eco}" for i, (_, _, eco) in enumerate(CASES)]


def make(text, eco):
    return Version(text) if eco is None else Version(text, eco)


def assert_same(restored, original, text, eco):
    assert type(restored) is Version
    assert restored is not original
    assert restored.raw == text == original.raw
    assert str(restored) == text
    assert repr(restored) == repr(original)
    assert restored.ecosystem == eco
    assert restored == original
    assert not restored != original
    assert hash(restored) == hash(original)
    assert restored.to_dict() == original.to_dict()
    assert restored.segments() == original.segments()
    assert restored.sort_key() == original.sort_key()
    assert restored.compare(original) == 0


def test_every_ecosystem_is_covered():
    assert {eco for _, _, eco in CASES} == set(CANONICAL_ECOSYSTEMS)


@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
@pytest.mark.parametrize(("text", "given", "eco"), CASES, ids=IDS)
def test_pickle_round_trip(protocol, text, given, eco):
    original = make(text, given)
    assert original.ecosystem == eco
    data = pickle.dumps(original, protocol=protocol)
    assert_same(pickle.loads(data), original, text, eco)


@pytest.mark.parametrize(("text", "given", "eco"), CASES, ids=IDS)
def test_copy_and_deepcopy(text, given, eco):
    original = make(text, given)
    assert_same(copy.copy(original), original, text, eco)
    assert_same(copy.deepcopy(original), original, text, eco)


def test_reduce_names_the_module_function_and_the_canonical_ecosystem():
    v = Version(" 1.0 ", "Deb")
    assert v.__reduce__() == (tambry.version, (" 1.0 ", "debian"))
    assert v.__reduce__()[0] is tambry.version


@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
def test_pickle_refers_to_tambry_version_not_the_class(protocol):
    # The class reports the module "builtins", where pickle could not find it;
    # the stream must name the module function instead.
    data = pickle.dumps(Version("1.0", "npm"), protocol=protocol)
    strings = [arg for _, arg, _ in pickletools.genops(data) if isinstance(arg, str)]
    assert "tambry" in " ".join(strings)
    assert "version" in " ".join(strings)
    assert "Version" not in " ".join(strings)
    assert "builtins" not in " ".join(strings)


def test_containers_of_versions():
    versions = [make(text, given) for text, given, _ in CASES]
    payload = {
        "list": versions,
        "set": set(versions),
        "dict": {v: v.ecosystem for v in versions},
        "shared": (versions[0], versions[0]),
    }
    restored = pickle.loads(pickle.dumps(payload))
    assert [v.raw for v in restored["list"]] == [v.raw for v in versions]
    assert [v.ecosystem for v in restored["list"]] == [v.ecosystem for v in versions]
    assert restored["set"] == set(versions)
    assert restored["dict"] == {v: v.ecosystem for v in versions}
    # pickle memoises: one object pickled twice comes back as one object.
    assert restored["shared"][0] is restored["shared"][1]
    deep = copy.deepcopy(payload)
    assert deep["shared"][0] is deep["shared"][1]
    assert [v.ecosystem for v in deep["list"]] == [v.ecosystem for v in versions]


def test_restored_objects_work_with_the_module_functions():
    versions = [Version("1.10", "pep440"), Version("1.9", "pep440"), Version("1.10rc1", "pep440")]
    restored = pickle.loads(pickle.dumps(versions))
    ordered = tambry.sort_versions(restored, "auto")
    assert [v.raw for v in ordered] == ["1.9", "1.10rc1", "1.10"]
    assert all(any(o is r for r in restored) for o in ordered)
    assert tambry.max_version(restored, "auto") is restored[0]


START_METHODS = [m for m in ("spawn", "fork", "forkserver") if m in multiprocessing.get_all_start_methods()]


@pytest.mark.parametrize("method", START_METHODS)
def test_pool_round_trip(method):
    # Each object goes to a worker process and back; the worker's copy of the
    # object, its hash and its attributes all come back from the other process.
    originals = [make(text, given) for text, given, _ in CASES]
    with multiprocessing.get_context(method).Pool(2) as pool:
        copies = pool.map(copy.copy, originals)
        hashes = pool.map(hash, originals)
        fields = pool.map(operator.attrgetter("raw", "ecosystem"), originals)
        sorted_in_worker = pool.apply(tambry.sort_versions, (originals,))
    for restored, original, (text, _, eco) in zip(copies, originals, CASES):
        assert_same(restored, original, text, eco)
    # The hash does not depend on the process or the interpreter's hash seed.
    assert hashes == [hash(v) for v in originals]
    assert fields == [(text, eco) for text, _, eco in CASES]
    assert [v.raw for v in sorted_in_worker] == [v.raw for v in tambry.sort_versions(originals)]


@pytest.mark.parametrize("method", START_METHODS)
def test_process_and_queue(method):
    context = multiprocessing.get_context(method)
    queue = context.Queue()
    originals = [make(text, given) for text, given, _ in CASES]
    # The child puts the objects it was given into the queue: they cross two
    # process boundaries, as arguments and then as queue items.
    children = [context.Process(target=queue.put, args=(v,)) for v in originals[:4]]
    for child in children:
        child.start()
    received = [queue.get(timeout=60) for _ in children]
    for child in children:
        child.join(timeout=60)
        assert child.exitcode == 0
    queue.close()
    queue.join_thread()
    by_key = {(v.raw, v.ecosystem): v for v in received}
    assert len(by_key) == 4
    for (text, _, eco), original in zip(CASES[:4], originals[:4]):
        assert_same(by_key[(text, eco)], original, text, eco)
