"""Peak memory of one operation on a huge version, over the length of its text.

    python bench/transient_memory.py views "dotted numbers"
    python bench/transient_memory.py construct "worst shape"

Run in a process of its own for each figure. The peak resident size is reset
(/proc/self/clear_refs) just before the operation and read (VmHWM) just after
it, so the figure is everything the operation touched at its peak above what
was resident before: the core's C++ allocations included, which tracemalloc
cannot see. "views" is the worst of len(v), v[0], v[-1] and hash(v) on a
Version made beforehand; "construct" is Version(s) itself, the new object
included. "worst shape" reports the shape with the largest figure. Each shape
is measured in a fresh process. Prints one JSON object.
"""

import json
import re
import subprocess
import sys

import tambry

SIZE = 16 * 1024 * 1024
KIB = 1024


def shapes(size):
    n = size // 4
    return {
        "dotted numbers": "1." + ".".join(["123"] * n),
        "digit run": "1" + "0" * size,
        "words": "1.0-" + "rc" * (size // 2),
        "separators": "1" + "." * size + "2",
        "mixed": "1.0" + "a1.b-2_c~3^" * (size // 11),
        "tildes": "1.0" + "~" * size,
    }


def _status(field):
    with open("/proc/self/status") as f:
        return int(re.search(rf"{field}:\s+(\d+) kB", f.read()).group(1)) * KIB


def peak_of(operation):
    """Bytes by which the peak resident size rose above the resident size while `operation` ran."""
    before = _status("VmRSS")
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")
    result = operation()
    peak = _status("VmHWM")
    del result
    return max(0, peak - before)


def measure(operation, text):
    if operation == "construct":
        return peak_of(lambda: tambry.Version(text))
    v = tambry.Version(text)
    return max(peak_of(lambda: len(v)), peak_of(lambda: v[0]), peak_of(lambda: v[-1]), peak_of(lambda: hash(v)))


def figure_in_child(operation, shape, size):
    """One shape in a fresh process: memory that an earlier shape freed could stay
    resident in this one and hide the next peak."""
    out = subprocess.run([sys.executable, __file__, operation, shape, "--one", str(size)], capture_output=True,
                         text=True, check=True)
    return float(out.stdout)


def main():
    operation, shape = sys.argv[1], sys.argv[2]
    size = SIZE // 8 if "--quick" in sys.argv else SIZE
    if "--one" in sys.argv:
        size = int(sys.argv[sys.argv.index("--one") + 1])
    texts = shapes(size)
    if "--one" in sys.argv:
        print(measure(operation, texts[shape]) / len(texts[shape]))
        return
    names = list(texts) if shape == "worst shape" else [shape]
    figures = {name: figure_in_child(operation, name, size) for name in names}
    worst = max(figures, key=figures.get)
    print(json.dumps({"tambry": figures[worst], "reference": 1.0, "ratio": figures[worst], "count": len(texts[worst]),
                      "unit": "bytes per input byte", "data": f"{len(texts[worst]) / 2**20:.0f} MiB text, {worst}",
                      "shapes": figures}))


if __name__ == "__main__":
    main()
