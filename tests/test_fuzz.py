"""A short run of the fuzz harness in tests/fuzz: the saved corpus, then fresh inputs.

The harness checks every call against the model of the module's documented
behaviour (exact exception types and messages, exact results) and the promises
that hold for every scheme (antisymmetry, permutations, equal objects hashing
alike). The long runs are described in tests/fuzz/fuzz_tambry.py.
"""

import os
import random
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz"))

import fuzz_tambry  # noqa: E402
import model  # noqa: E402

import tambry  # noqa: E402

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz", "corpus")
FRESH_INPUTS = 4_000
# A fixed seed keeps the suite repeatable; set TAMBRY_FUZZ_SEED to explore further.
SEED = int(os.environ.get("TAMBRY_FUZZ_SEED", "20261207"))


def run(data):
    try:
        fuzz_tambry.check_one(data)
    except fuzz_tambry.FuzzFailure as e:
        raise AssertionError(f"{e}\ninput: bytes.fromhex('{data.hex()}')") from None


def test_saved_corpus():
    inputs = fuzz_tambry.corpus_inputs([CORPUS])
    assert len(inputs) > 100
    for data in inputs:
        run(data)


def test_fresh_inputs():
    print(f"seed {SEED}")
    corpus = fuzz_tambry.corpus_inputs([CORPUS])
    for data in fuzz_tambry.random_inputs(FRESH_INPUTS, SEED, corpus):
        run(data)


def test_harness_finds_a_wrong_answer(monkeypatch):
    """The harness is only worth its run if a wrong answer makes it fail."""
    weights = dict(model.TAG_WEIGHT, m=16)  # one weight off by one
    monkeypatch.setattr(model, "TAG_WEIGHT", weights)
    rng = random.Random(1)
    with pytest.raises(fuzz_tambry.FuzzFailure):
        for _ in range(20_000):
            fuzz_tambry.check_one(rng.randbytes(rng.randrange(1, 300)))


MEGABYTE = 1_000_000
# Long texts with few segments, so that the Python model keeps up.
HUGE_TEXTS = [
    "1" + "0" * MEGABYTE,
    "1.0-" + "\x00" * MEGABYTE,
    "1.0" + "é" * (MEGABYTE // 2),
    " " * MEGABYTE + "1.2.3",
    "1.2.3-" + "a" * MEGABYTE,
]


@pytest.mark.parametrize("index", range(len(HUGE_TEXTS)))
def test_megabyte_texts(index):
    text = HUGE_TEXTS[index]
    other = text[:-1] + "3"
    for eco in model.CANONICAL + ["auto"]:
        outcome, resolved = fuzz_tambry.expected_compare(text, other, eco)
        result = fuzz_tambry.expect_call(outcome, tambry.compare, text, other, eco)
        if result is not fuzz_tambry.FAILED:
            assert result == outcome.value
            assert tambry.compare(other, text, resolved) == -result
    v = tambry.Version(text)
    fuzz_tambry.check_views(v, text, model.detect(text))
    for name in ("sort_versions", "max_version", "min_version"):
        items = [text, other, v, "1.0"]
        outcome, parsed = fuzz_tambry.expected_collection(name, items, None, "generic")
        result = fuzz_tambry.expect_call(outcome, getattr(tambry, name), items)
        fuzz_tambry.check_collection_result(name, items, parsed, result)
