"""Equal versions keep their input order, however many there are.

The sort orders short runs in place and then merges runs pairwise, so ties that
meet only in a merge (more than one run's worth of equal elements) need lists
longer than a run: 17, 33 and 1000 elements here. Every list is built from
distinct spellings of a few versions, so the expected order is simply Python's
own stable sort by which version each text spells.
"""

import random

import pytest

from tambry import Version, max_version, min_version, sort_versions


# Distinct texts that a scheme holds equal to version k, for every j.
SPELLINGS = {
    "generic": lambda k, j: f"{k}{'.0' * (j % 3)}+{j}",  # trailing zeros, and a build that is ignored
    "pep440": lambda k, j: f"v{k}.0+{j}",
    "semver": lambda k, j: f"{k}.0.0+{j}",
    # Leading zeros of a number never count, nor does a revision of zeros.
    "debian": lambda k, j: f"{'0' * (j % 10)}{k}.0-{'0' * (j // 10 + 1)}",
    "rpm": lambda k, j: f"{'0' * (j % 10)}{k}.0-{'0' * (j // 10 + 1)}",
}
SIZES = [16, 17, 32, 33, 1000]


def same_objects(got, expected):
    return len(got) == len(expected) and all(g is e for g, e in zip(got, expected))


@pytest.mark.parametrize("kind", ["str", "Version"])
@pytest.mark.parametrize("size", SIZES)
@pytest.mark.parametrize("ecosystem", SPELLINGS)
def test_equal_spellings_keep_input_order(ecosystem, size, kind):
    texts = [SPELLINGS[ecosystem](1, j) for j in range(size)]
    assert len(set(texts)) == size
    items = texts if kind == "str" else [Version(t, ecosystem) for t in texts]
    assert same_objects(sort_versions(items, ecosystem), items)
    assert max_version(items, ecosystem) is items[-1]
    assert min_version(items, ecosystem) is items[0]


@pytest.mark.parametrize(
    "items, ecosystem",
    [
        (["1"] * 16 + ["1.0"], "generic"),
        (["1.0"] * 16 + ["1.0.0"] + ["1"] * 16, "generic"),
        (["1.0"] * 16 + ["1.00"], "debian"),
        (["1.0"] * 32 + ["01.0"], "rpm"),
    ],
)
def test_a_tie_across_runs_keeps_the_earlier_text_first(items, ecosystem):
    assert sort_versions(items, ecosystem) == items


@pytest.mark.parametrize("size", SIZES)
@pytest.mark.parametrize("ecosystem", SPELLINGS)
def test_interleaved_ties_sort_like_a_stable_sort(ecosystem, size):
    rng = random.Random(size)
    ranks = [rng.randrange(4) for _ in range(size)]
    items = [SPELLINGS[ecosystem](k + 1, j) for j, k in enumerate(ranks)]
    expected = [items[j] for j in sorted(range(size), key=ranks.__getitem__)]
    assert same_objects(sort_versions(items, ecosystem), expected)
    backwards = items[::-1]  # every tie then spans the merges the other way round
    expected = [backwards[j] for j in sorted(range(size), key=ranks[::-1].__getitem__)]
    assert same_objects(sort_versions(backwards, ecosystem), expected)
    greatest, least = max(ranks), min(ranks)
    assert max_version(items, ecosystem) is items[len(ranks) - 1 - ranks[::-1].index(greatest)]
    assert min_version(items, ecosystem) is items[ranks.index(least)]
