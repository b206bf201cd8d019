"""Property tests draw the same examples on every run unless asked otherwise."""

import os

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st


def examples_drawn():
    drawn = []

    # Set the way the suite's own property tests set theirs: the rest comes from the profile.
    @settings(max_examples=30)
    @given(st.text(), st.integers())
    def probe(text, number):
        drawn.append((text, number))

    probe()
    return drawn


def test_two_runs_draw_the_same_examples(request):
    asked = request.config.getoption("--hypothesis-profile") or os.environ.get("TAMBRY_HYPOTHESIS_PROFILE", "ci")
    if asked != "ci":
        pytest.skip(f"the {asked!r} profile draws fresh examples")
    first = examples_drawn()
    assert len(set(first)) > 1
    assert examples_drawn() == first
