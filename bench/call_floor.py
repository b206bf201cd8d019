"""How close a comparison comes to the cost of the Python call itself.

Times each call on the same two short strings and prints it as a ratio to
operator.eq, the cheapest two-argument builtin call there is.

    python bench/call_floor.py
"""

import operator
import timeit

import tambry

A, B = "1.2.3", "1.2.4"
CALLS = {
    "operator.eq(a, b)": operator.eq,
    "compare_semver_strict(a, b)": tambry.compare_semver_strict,
    "compare(a, b)": tambry.compare,
    "lt(a, b)": tambry.lt,
    "eq(a, b)": tambry.eq,
    "compare(a, b, 'semver')": lambda a, b: tambry.compare(a, b, "semver"),
}


def best_ns(function, number=200_000, repeat=7):
    timer = timeit.Timer("f(a, b)", globals={"f": function, "a": A, "b": B})
    return min(timer.repeat(repeat, number)) / number * 1e9


def main():
    floor = best_ns(operator.eq)
    print(f"{'call':32} {'ns/call':>8} {'x eq':>6}")
    for name, function in CALLS.items():
        ns = best_ns(function)
        print(f"{name:32} {ns:8.1f} {ns / floor:6.2f}")


if __name__ == "__main__":
    main()
