"""Hypothesis profiles for the property tests.

"ci", the default: every run draws the same examples (derandomised, with no
example database to replay from), so a result never depends on the run; a
failure prints the blob that reproduces it. "long": fresh random examples, many
more of them, with failures kept in the local example database; choose it with

    TAMBRY_HYPOTHESIS_PROFILE=long pytest

A test's own @settings fixes only what it names (usually max_examples) and
takes everything else from the profile loaded here, which is why this runs
before any test module is imported.
"""

import os

from hypothesis import HealthCheck, settings

PROFILE_VARIABLE = "TAMBRY_HYPOTHESIS_PROFILE"

settings.register_profile(
    "ci",
    derandomize=True,
    database=None,
    max_examples=100,
    deadline=None,
    print_blob=True,
    suppress_health_check=[HealthCheck.too_slow],
)
settings.register_profile("long", max_examples=2_000, deadline=None, print_blob=True)
settings.load_profile(os.environ.get(PROFILE_VARIABLE, "ci"))
