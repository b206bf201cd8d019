"""The data engines' tests run in an interpreter of their own (tests/test_engines.py
starts it): the engines start thread pools and allocators of their own, which the
leak and thread tests of the main run must not see. They share the main tests' helpers."""

import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))
