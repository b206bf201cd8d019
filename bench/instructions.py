"""Instructions per element of a target's workloads, counted by callgrind.

    python bench/instructions.py compare_eq_pep440
    python bench/instructions.py compare_apt_pkg --kind best
    python bench/instructions.py --close-to-goal bench/out/targets-python.json --out counts.json

The time ratios of bench/targets.py are taken on a shared machine; where one
is close to its goal, the instruction counts of the same workloads decide,
since other work on the machine cannot change them. Each contender's loop (or
call) runs under `valgrind --tool=callgrind` inside functools.reduce, and only
what runs there is counted (where the interpreter keeps its symbols; Debian's
python3 does not, and there the difference between whole runs of 3 passes and
of 1 is taken instead), with the hash seed fixed and the garbage collector off. The count per element includes the loop's own overhead, as the timings do. Instructions are not time (a
cache miss costs nothing here), so this settles close calls between
contenders of the same kind of work rather than replacing the timings.
"""

import argparse
import functools
import gc
import json
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import targets  # noqa: E402
import timing  # noqa: E402


def run_child(key, kind, contender, repeats):
    w = targets.targets_by_key()[key][3](kind)
    if "calls" in w:
        call = w["calls"][contender]
        step = lambda _, __: call()  # noqa: E731
    else:
        expr, names, A, B = w["contenders"][contender]
        run = timing.compile_loop(expr, names, w["template"])
        step = lambda _, __: run(A, B)  # noqa: E731
    gc.collect()
    gc.disable()
    # Only what runs inside functools.reduce is counted (--toggle-collect), where the
    # interpreter has the symbol; elsewhere the whole process is.
    functools.reduce(step, range(repeats), None)


def collected(key, kind, contender, repeats, toggle):
    cmd = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"]
    if toggle:
        cmd.append("--toggle-collect=functools_reduce")
    cmd += [sys.executable, __file__, "--child", key, "--kind", kind, "--contender", contender,
            "--repeats", str(repeats)]
    out = subprocess.run(cmd, capture_output=True, text=True, check=False, env={**os.environ, "PYTHONHASHSEED": "0"})
    m = re.search(r"Collected : (\d+)", out.stderr)
    if out.returncode != 0 or not m:
        raise RuntimeError(out.stderr[-2000:])
    return int(m.group(1))


def per_element(key, kind, contender):
    w = targets.targets_by_key()[key][3](kind)
    count = w["count"] if "contenders" in w else 1
    # Counting inside reduce sees the work and nothing else, when the symbol is there.
    inside = collected(key, kind, contender, 2, toggle=True)
    if inside > 1000 * count:
        return inside / (2 * count)
    # Otherwise the difference between two runs of the whole process, of 1 and 3 passes.
    return (collected(key, kind, contender, 3, False) - collected(key, kind, contender, 1, False)) / (2 * count)


# A time ratio within this fraction of its goal is a close call.
CLOSE = 0.10


def count_target(key, kind):
    counts = {c: per_element(key, kind, c) for c in ("tambry", "reference")}
    goal = targets.targets_by_key()[key][2]
    ratio = counts["tambry"] / counts["reference"]
    print(f"{key} ({kind}): tambry {counts['tambry']:.0f}, reference {counts['reference']:.0f} "
          f"instructions per element; ratio {ratio:.3f} (goal {goal:.3f})", flush=True)
    return {"key": key, "kind": kind, "tambry": counts["tambry"], "reference": counts["reference"],
            "ratio": ratio, "goal": goal}


def close_calls(timings_path):
    """The loop targets whose realistic time ratio lies within CLOSE of the goal."""
    with open(timings_path) as f:
        timings = json.load(f)
    keys = []
    for entry in timings["targets"]:
        measured = entry.get("realistic", {})
        if "ratio" in measured and measured.get("unit") == "ns per element" and \
                abs(measured["ratio"] / entry["goal"] - 1) <= CLOSE:
            keys.append(entry["key"])
    return keys


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("keys", nargs="*")
    p.add_argument("--kind", default="realistic", choices=targets.KINDS)
    p.add_argument("--close-to-goal", metavar="TARGETS_JSON",
                   help="count the targets whose time ratio in this file of bench/targets.py is close to its goal")
    p.add_argument("--out", help="write the counts to this JSON file")
    p.add_argument("--contender")
    p.add_argument("--child", action="store_true")
    p.add_argument("--repeats", type=int, default=1)
    args = p.parse_args()
    if args.child:
        run_child(args.keys[0], args.kind, args.contender, args.repeats)
        return
    keys = list(args.keys) + (close_calls(args.close_to_goal) if args.close_to_goal else [])
    if keys and not shutil.which("valgrind"):
        print("valgrind is not installed: no instruction counts", flush=True)
        keys = []
    results = [count_target(key, args.kind) for key in keys]
    if args.out:
        with open(args.out, "w") as f:
            json.dump({"interpreter": sys.executable, "counts": results}, f, indent=1)


if __name__ == "__main__":
    main()
