"""Turn the two measuring runs into bench/results.json, bench/RESULTS.md, bench/chart.png
and the table in bench/README.md, and print the tables.

    python bench/report.py --python bench/out/python.json --native bench/out/native.json

Every figure is a ratio side by side with the absolute times: peer time over
tambry time (above 1 means tambry is faster), or tambry time over the floor
(operator.eq for a call, sorted() for a sort).
"""

import argparse
import datetime
import json
import os
import platform

HERE = os.path.dirname(os.path.abspath(__file__))
BEGIN, END = "<!-- results:begin -->", "<!-- results:end -->"

PYTHON_ENV = "bench/.venv"
NATIVE_ENV = "bench/.venv-debian"


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def ns(x):
    if x is None:
        return "–"
    if x >= 10_000:
        return f"{x / 1000:,.1f} µs"
    if x >= 1000:
        return f"{x / 1000:.2f} µs"
    return f"{x:.0f} ns" if x >= 100 else f"{x:.1f} ns"


def ms(x):
    return f"{x * 1e3:,.1f} ms" if x < 10 else f"{x:,.1f} s"


def ratio(x):
    if x is None:
        return "–"
    return f"{x:,.0f}×" if x >= 100 else (f"{x:.1f}×" if x >= 10 else f"{x:.2f}×")


def table(head, rows):
    out = ["| " + " | ".join(head) + " |", "|" + "|".join("---" for _ in head) + "|"]
    out += ["| " + " | ".join(str(c) for c in r) + " |" for r in rows]
    return "\n".join(out)


def env_of(run):
    return NATIVE_ENV if run["set"] == "native" else PYTHON_ENV


# ------------------------------------------------------------------ targets

ENVIRONMENTS = ("python", "native")


def load_json(path):
    if path and os.path.exists(path):
        with open(path) as f:
            return json.load(f)
    return None


def env_label(run, env):
    version = run["interpreter"]["version"] if run else "?"
    return f"{PYTHON_ENV if env == 'python' else NATIVE_ENV} (Python {version})"


def goal_text(goal):
    for denominator in (3, 8, 30):
        if abs(goal - 1 / denominator) < 1e-9:
            return f"≤ 1/{denominator}"
    return f"≤ {goal:g}"


def figure(value):
    if value is None:
        return "–"
    if value >= 10:
        return f"{value:.1f}"
    if value >= 0.1:
        return f"{value:.2f}"
    return f"{value:.3f}"


def measured(entry, kind):
    m = (entry or {}).get(kind) or {}
    return m.get("ratio")


def verdict(entry):
    r = measured(entry, "realistic")
    if r is None:
        return "–"
    return "yes" if r <= entry["goal"] else "**no**"


def target_rows(targets, baselines):
    """One row per target: goal, then per environment the realistic figure, its
    verdict and the second column (best case, or worst shape)."""
    keys = []
    for env in ENVIRONMENTS:
        for entry in (targets.get(env) or {}).get("targets", []):
            if entry["key"] not in keys:
                keys.append(entry["key"])
    rows = []
    for key in keys:
        entries = {env: next((e for e in (targets.get(env) or {}).get("targets", []) if e["key"] == key), None)
                   for env in ENVIRONMENTS}
        first = next(e for e in entries.values() if e)
        row = [first["target"], goal_text(first["goal"])]
        for env in ENVIRONMENTS:
            entry = entries[env]
            base = next((e for e in (baselines.get(env) or {}).get("targets", []) if e["key"] == key), None)
            if baselines.get(env) is not None:
                row.append(figure(measured(base, "realistic")))
            row += [figure(measured(entry, "realistic")), verdict(entry) if entry else "–",
                    figure(measured(entry, "best")) + ("" if not entry or entry["second_column"] == "best case"
                                                       else f" ({entry['second_column']})")]
        rows.append(row)
    return rows


def md_targets(targets, baselines, baseline_revision):
    head = ["Target", "Goal"]
    for env in ENVIRONMENTS:
        label = env_label(targets.get(env), env)
        if baselines.get(env) is not None:
            head.append(f"{label}: before ({baseline_revision})")
        head += [f"{label}: real data", "met", "best case"]
    return table(head, target_rows(targets, baselines))


def md_target_details(targets):
    rows = []
    for env in ENVIRONMENTS:
        run = targets.get(env)
        if not run:
            continue
        for entry in run["targets"]:
            for kind in ("realistic", "best"):
                m = entry.get(kind) or {}
                label = "real data" if kind == "realistic" else entry["second_column"]
                if "skipped" in m:
                    rows.append([entry["target"], env_label(run, env), label, m["skipped"], "", "", ""])
                    continue
                if "ratio" not in m:
                    continue
                unit = m["unit"]
                rows.append([entry["target"], env_label(run, env), label, m.get("data", ""),
                             f"{m['tambry']:,.1f} {unit}" if "memory" not in entry["key"] else f"{m['tambry']:.2f}",
                             f"{m['reference']:,.1f} {unit}" if "memory" not in entry["key"] else "input length",
                             figure(m["ratio"])])
    return table(["Target", "Environment", "Data", "Measured on", "tambry", "reference", "ratio"], rows)


def md_instructions(counts):
    rows = []
    for env in ENVIRONMENTS:
        run = counts.get(env)
        for c in (run or {}).get("counts", []):
            rows.append([c["key"], env_label(None, env).split(" (")[0], f"{c['tambry']:.0f}", f"{c['reference']:.0f}",
                         figure(c["ratio"]), goal_text(c["goal"])])
    if not rows:
        return ""
    return table(["Target (real data)", "Environment", "tambry instructions per element",
                  "reference instructions per element", "ratio", "goal"], rows)


def md_floor(py, nat):
    runs = [r for r in (py, nat) if r]
    calls = []
    for run in runs:
        for r in run["floor"]["rows"]:
            if r["call"] not in calls:
                calls.append(r["call"])
    head = ["Call"]
    for run in runs:
        head += [f"{env_of(run)} (Python {run['interpreter']['version']})", "× operator.eq"]
    rows = []
    for c in calls:
        line = [f"`{c}`" if c.startswith(("tambry", "operator")) else c]
        for run in runs:
            r = next((x for x in run["floor"]["rows"] if x["call"] == c), None)
            line += [ns(r["ns"]), ratio(r["x_eq"])] if r else ["", ""]
        rows.append(line)
    return table(head, rows)


def md_pairwise_tambry(py, nat):
    runs = [r for r in (py, nat) if r]
    head = ["Ecosystem", "pairs"]
    for run in runs:
        head += [f"operator.eq ({env_of(run)})", "tambry.compare", "× operator.eq"]
    rows = []
    for i, row in enumerate(py["pairwise"]):
        line = [row["ecosystem"], f"{row['tambry_accepted']:,}"]
        for run in runs:
            r = run["pairwise"][i]
            line += [ns(r["eq_ns"]), ns(r["tambry_ns"]), ratio(r["tambry_x_eq"])]
        rows.append(line)
    return table(head, rows)


def pairwise_entries(py, nat):
    out = []
    for i, row in enumerate(py["pairwise"]):
        for run in (py, nat):
            if run is None:
                continue
            r = run["pairwise"][i]
            for p in r["peers"]:
                out.append((row["ecosystem"], row["tambry_accepted"], p))
    return out


def md_pairwise_peers(py, nat):
    rows = []
    for eco, total, p in pairwise_entries(py, nat):
        used = f"{p['used']:,}" + ("" if p["used"] == total else f" of {total:,}")
        peer = p["peer"] + (" (native)" if p["native"] else "")
        rows.append([eco, peer, f"`{p['method']}`", used, ns(p.get("peer_ns")),
                     ns(p.get("tambry_ns")), f"**{ratio(p.get('ratio'))}**",
                     f"{p['same_answer']:.0%}" if p.get("same_answer") is not None else "–"])
    return table(["Ecosystem", "Peer", "Called as", "Pairs used", "Peer per pair", "tambry per pair",
                  "Peer ÷ tambry", "Same answer"], rows)


def md_sort(py, nat):
    rows = []
    for run in (py, nat):
        if run is None:
            continue
        for row in run["sort"]:
            rows.append([row["ecosystem"], env_of(run), f"{row['count']:,}", ms(row["sorted_s"]),
                         ms(row["tambry_s"]), ratio(row["tambry_x_sorted"]), "", "", ""])
            for p in row["peers"]:
                used = f"{p['used']:,}" + ("" if p["used"] == row["count"] else f" of {row['count']:,}")
                extra = "" if p["used"] == row["count"] else \
                    f" (tambry {ms(p['tambry_s'])} on the same {p['used']:,})"
                rows.append(["", "", used, "", "", "", f"`{p['method']}`", ms(p["peer_s"]) + extra,
                             f"**{ratio(p['ratio'])}**"])
    return table(["Ecosystem", "Environment", "Versions", "sorted()", "tambry.sort_versions",
                  "÷ sorted()", "Peer", "Peer time", "Peer ÷ tambry"], rows)


def md_construct(py, nat):
    rows = []
    for run in (py, nat):
        if run is None:
            continue
        for row in run["construct"]:
            if run is nat and not row["peers"]:
                continue
            rows.append([row["ecosystem"], env_of(run), ns(row["tambry_ns"]), ns(row["tambry_auto_ns"]),
                         "", "", ""])
            for p in row["peers"]:
                used = "" if p["used"] == row["count"] else f" ({p['used']:,} of {row['count']:,} accepted)"
                rows.append(["", "", "", "", f"`{p['method']}`{used}", ns(p["peer_ns"]),
                             f"**{ratio(p['ratio'])}**"])
    return table(["Ecosystem", "Environment", "tambry.Version(s, eco)", "tambry.Version(s) (auto)",
                  "Peer", "Peer per object", "Peer ÷ tambry"], rows)


def md_memory(py):
    rows = []
    for block in py.get("memory", []):
        mine = next(r for r in block["rows"] if r["peer"] == "tambry")
        first = True
        for r in block["rows"]:
            label = f"{block['ecosystem']}, {block['strings']}, {block['count']:,} strings, " \
                    f"mean {block['mean_length']:.1f} characters" if first else ""
            first = False
            rows.append([label, f"`{r['method']}`", f"{r['traced_bytes']:.0f} B",
                         f"{r['shallow_bytes']:.0f} B", ratio(r["traced_bytes"] / mine["traced_bytes"])])
    return table(["Strings", "Object", "Memory per object (tracemalloc)", "sys.getsizeof",
                  "÷ tambry"], rows)


def load_line(py, nat):
    parts = []
    for run in (py, nat):
        la = (run or {}).get("load_average")
        if la:
            parts.append(f"{env_of(run)} {la['before'][0]:.1f} before, {la['after'][0]:.1f} after")
    if not parts:
        return ""
    return ("Load average (1 minute) of the machine around each run: " + "; ".join(parts)
            + ". Times are CPU time of the measuring process, which other work on the machine inflates "
              "much less than wall-clock time (it still shares caches and cores); ratios of contenders "
              "timed in turns in one process hold best.")


TARGETS_INTRO = (
    "Each figure is tambry's time (or memory) over the reference's, taken in one process with the two "
    "timed in turns: many short turns, CPU time of the process, the best turn of each kept. Below 1 means "
    "tambry takes less. The verdict is taken on real data: the published versions in the shared fidelity "
    "files (the rows whose source is a `*-generated.txt` list, a go.sum history or a lockfile) and Debian's "
    "own package list (the package indexes in /var/lib/apt/lists and the installed packages), read when the "
    "benchmark runs (bench/real_versions.py). Collections draw 100,000 (or 1,000,000) of those versions and "
    "shuffle them. The best case is one short pair repeated, or the generated corpus (bench/corpus.py). "
    "Memory is the peak above what was in use before the operation, over the length of a 16 MiB text "
    "(bench/transient_memory.py): realistic is dotted numbers, the other column the worst of six shapes. "
    "A dash: the peer is not importable in that environment (apt_pkg and rpm exist only for Debian's python3).")


def markdown(res):
    py, nat = res["runs"]["python"], res["runs"].get("native")
    m = res["machine"]
    parts = [
        f"Measured {m['date']} on {m['cpu']} ({m['cores']} cores), Linux {m['kernel']}; "
        f"tambry at {m['revision']}. "
        f"{PYTHON_ENV}: Python {py['interpreter']['version']} ({py['interpreter']['executable']}); "
        + (f"{NATIVE_ENV}: Debian's Python {nat['interpreter']['version']}. " if nat else "")
        + "Peers: " + ", ".join(f"{k} {v.get('version') or ''}".strip()
                                for run in (py, nat) if run for k, v in run["peers"].items()
                                if v["status"] == "ok") + ".",
        "",
        load_line(py, nat),
        "",
        "### Targets",
        "",
        TARGETS_INTRO,
        "",
        md_targets(res["targets"], res.get("baselines", {}), res["machine"].get("baseline_revision")),
        "",
        "#### What each figure is measured on",
        "",
        md_target_details(res["targets"]),
        "",
    ]
    instructions = md_instructions(res.get("instructions", {}))
    if instructions:
        parts += [
            "#### Instruction counts of the close calls",
            "",
            "Where a time ratio on real data lies within 10 % of its goal, bench/instructions.py counts the "
            "instructions per element of both loops under callgrind, which other work on the machine cannot "
            "change (a cache miss costs nothing there, so this settles close calls rather than replacing "
            "the times).",
            "",
            instructions,
            "",
        ]
    parts += [
        f"### The floor of a call: `{py['floor']['pair'][0]}` against `{py['floor']['pair'][1]}`",
        "",
        "Each call is timed in a plain Python loop on the same two strings; operator.eq is the cheapest "
        "two-argument call there is. Peers are called as a new user would call them (rpm.labelCompare "
        "gets its (epoch, version, release) tuples ready-made).",
        "",
        md_floor(py, nat),
        "",
        "### Pairwise comparison of realistic pairs: tambry against the floor",
        "",
        "Pairs come from the generated corpus (bench/corpus.py): a tenth equal, a third from the same "
        "major.minor, the rest at random. Times are per pair, loop included, for `tambry.compare(a, b, eco)` "
        "and `operator.eq(a, b)` over the same pairs.",
        "",
        md_pairwise_tambry(py, nat),
        "",
        "### Pairwise comparison against the peers",
        "",
        "Each peer is timed in turns with tambry on exactly the pairs that the peer accepts (\"pairs used\"; "
        "a peer that raises on a version is not given that pair). A peer called with `<` answers one "
        "relation, while tambry.compare gives the full three-way answer. \"Same answer\" is how often the "
        "peer's answer agrees with tambry's (the schemes differ in places, e.g. rpm_vercmp compares the "
        "whole text without splitting off the release, univers' GenericVersion has rules of its own).",
        "",
        md_pairwise_peers(py, nat),
        "",
        "### Sorting",
        "",
        "`tambry.sort_versions(versions, eco)` against `sorted(versions)` of the same strings (the floor: "
        "plain string order) and against `sorted(versions, key=peer)`. Best of five for tambry and "
        "sorted(), one run for peers slower than 3 s. Times are CPU time of the measuring process.",
        "",
        md_sort(py, nat),
        "",
        "### Construction of version objects (per object, corpus strings)",
        "",
        md_construct(py, nat),
        "",
        "### Memory per object",
        "",
        "tracemalloc over 100,000 objects built from fresh copies of the strings (the strings themselves "
        "are not counted); sys.getsizeof is the object alone, without what it points to.",
        "",
        md_memory(py),
    ]
    if res["notes"]:
        parts += ["", "### Not measured", ""] + [f"- {n}" for n in res["notes"]]
    return "\n".join(parts) + "\n"


# ------------------------------------------------------------------ chart

PEER_COLOURS = {"packaging": "#4c72b0", "semver": "#dd8452", "python-debian": "#55a868",
                "rpm-vercmp": "#c44e52", "univers": "#8172b3", "libversion": "#937860",
                "apt_pkg": "#da8bc3", "rpm": "#8c8c8c", "tambry": "#222222", "floor": "#bbbbbb"}


def short_call(call):
    call = call.split(": ", 1)[-1].replace("tambry.", "")
    if "labelCompare" in call:
        return "rpm.labelCompare(evr_a, evr_b)"
    return call


def chart(res, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from matplotlib.patches import Patch

    py, nat = res["runs"]["python"], res["runs"].get("native")
    fig = plt.figure(figsize=(19, 15), dpi=100)
    gs = fig.add_gridspec(3, 2, width_ratios=[1.15, 1], hspace=0.42, wspace=0.42)
    fig.suptitle(f"tambry benchmark — {res['machine']['cpu']}, {res['machine']['date']}, "
                 f"tambry {res['machine']['revision']}", fontsize=14, fontweight="bold")

    # pairwise: peer ÷ tambry
    ax = fig.add_subplot(gs[:, 0])
    entries = [(eco, p) for eco, _, p in pairwise_entries(py, nat) if p.get("ratio")]
    def pair_label(eco, p):
        if p["peer"] == "univers":
            return f"{eco}: univers {p['method'].split('(')[0]}"
        if p["peer"] in ("rpm", "apt_pkg"):
            return f"{eco}: {p['method'].split('(')[0]}"
        return f"{eco}: {p['peer']}"

    labels = [pair_label(eco, p) for eco, p in entries]
    vals = [p["ratio"] for _, p in entries]
    y = range(len(entries))[::-1]
    bars = ax.barh(list(y), vals, color=[PEER_COLOURS.get(p["peer"], "#999") for _, p in entries],
                   hatch=None)
    for b, (_, p) in zip(bars, entries):
        if p["native"]:
            b.set_hatch("//")
            b.set_edgecolor("black")
    ax.set_yticks(list(y))
    ax.set_yticklabels(labels, fontsize=8.5)
    ax.set_xscale("log")
    ax.axvline(1, color="red", lw=1.5)
    ax.text(1.05, len(entries) - 0.2, "parity", color="red", fontsize=9, va="bottom")
    for yy, v in zip(y, vals):
        ax.text(v * 1.08, yy, ratio(v), va="center", fontsize=7.5)
    ax.set_xlim(0.5, max(vals) * 4)
    ax.set_xlabel("peer time ÷ tambry time per comparison (log scale; right of the red line = tambry faster)")
    ax.set_title("Pairwise comparison of realistic pairs, by ecosystem\n(hatched: native peers on "
                 "Debian's python3)", fontsize=11)
    ax.legend(handles=[Patch(color=c, label=k) for k, c in PEER_COLOURS.items()
                       if any(p["peer"] == k for _, p in entries)], loc="lower right", fontsize=8)

    # floor
    ax = fig.add_subplot(gs[0, 1])
    rows = []
    for run in (py, nat):
        if run is None:
            continue
        tag = "" if run is py else " [Debian py]"
        for r in run["floor"]["rows"]:
            keep = r["call"] in ("tambry.compare(a, b)", "tambry.lt(a, b)",
                                 "tambry.compare_semver_strict(a, b)", "tambry.compare(a, b, 'semver')") \
                or (r["peer"] not in ("tambry", "floor") and (run is nat or r["peer"] in ("packaging",)))
            if keep:
                rows.append((short_call(r["call"]) + tag, r["x_eq"], r["peer"]))
    rows.sort(key=lambda t: t[1])
    ax.barh(range(len(rows)), [r[1] for r in rows], color=[PEER_COLOURS.get(r[2], "#999") for r in rows])
    ax.set_yticks(range(len(rows)))
    ax.set_yticklabels([r[0] for r in rows], fontsize=8)
    ax.set_xscale("log")
    for i, r in enumerate(rows):
        ax.text(r[1] * 1.08, i, ratio(r[1]), va="center", fontsize=7.5)
    ax.set_xlim(0.8, max(r[1] for r in rows) * 3)
    ax.set_xlabel("time per call ÷ operator.eq on the same two strings (log)")
    ax.set_title(f"Floor of a call: '{py['floor']['pair'][0]}' vs '{py['floor']['pair'][1]}'", fontsize=11)

    # sorting
    ax = fig.add_subplot(gs[1, 1])
    groups = []
    for run in (py, nat):
        if run is None:
            continue
        for row in run["sort"]:
            if run is nat and not row["peers"]:
                continue
            items = [("sorted()", row["sorted_s"], "floor"), ("tambry", row["tambry_s"], "tambry")]
            for p in row["peers"]:
                name = p["method"].split("key=", 1)[1][:-1]
                name = name.replace("univers ", "").replace("debian_support.", "").replace(
                    "packaging.version.", "").replace(", tuples split beforehand", "")
                items.append((name.replace("cmp_to_key(", "cmp_to_key(\n"), p["peer_s"], p["peer"]))
            groups.append((row["ecosystem"] + ("\n[Debian py]" if run is nat else ""), items))
    x = 0
    ticks, ticklabels = [], []
    for eco, items in groups:
        start = x
        for name, t, peer in items:
            ax.bar(x, t * 1e3, color=PEER_COLOURS.get(peer, "#999"), width=0.85)
            ax.text(x, t * 1e3 * 1.15, name, rotation=90, ha="center", va="bottom", fontsize=6.5,
                    linespacing=0.9)
            x += 1
        ticks.append((start + x - 1) / 2)
        ticklabels.append(eco)
        x += 1
    ax.set_yscale("log")
    ax.set_ylim(top=ax.get_ylim()[1] * 60)
    ax.set_xticks(ticks)
    ax.set_xticklabels(ticklabels, fontsize=8.5)
    ax.set_ylabel("ms to sort (log)")
    gen = next(r for r in py["sort"] if r["ecosystem"] == "generic")
    ax.set_title(f"Sorting {gen['count']:,} generated versions: sorted() (the floor), tambry.sort_versions, "
                 f"sorted(key=peer)\ngeneric: sort_versions = {gen['tambry_x_sorted']:.2f}× sorted()", fontsize=10)

    # memory
    ax = fig.add_subplot(gs[2, 1])
    block = next((b for b in py.get("memory", []) if b["strings"].startswith("short")), None)
    if block:
        rows = block["rows"]
        names = [r["method"].replace("packaging.version.", "packaging\n").replace(
            " after one comparison", "\nafter a comparison").replace("univers ", "univers\n").replace(
            "tambry.Version(s, ", "tambry.Version\n(s, ") for r in rows]
        vals = [r["traced_bytes"] for r in rows]
        ax.bar(range(len(rows)), vals, color=[PEER_COLOURS.get(r["peer"], "#999") for r in rows])
        for i, v in enumerate(vals):
            ax.text(i, v * 0.5, f"{v:.0f} B", ha="center", va="center", fontsize=9, color="white",
                    fontweight="bold")
        ax.set_xticks(range(len(rows)))
        ax.set_xticklabels(names, fontsize=8)
        ax.set_ylabel("bytes per object (tracemalloc)")
        ax.set_title(f"Memory per version object, {block['count']:,} short PEP 440 texts "
                     f"(mean {block['mean_length']:.1f} characters)", fontsize=11)
    fig.savefig(path, bbox_inches="tight")
    plt.close(fig)


# ------------------------------------------------------------------ main

def update_readme(path, md):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if BEGIN not in text or END not in text:
        return False
    head, rest = text.split(BEGIN, 1)
    _, tail = rest.split(END, 1)
    with open(path, "w", encoding="utf-8") as f:
        f.write(head + BEGIN + "\n" + md + END + tail)
    return True


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--python", required=True)
    p.add_argument("--native")
    p.add_argument("--targets", nargs=2, metavar=("PYTHON_JSON", "NATIVE_JSON"), required=True)
    p.add_argument("--instructions", nargs=2, metavar=("PYTHON_JSON", "NATIVE_JSON"))
    p.add_argument("--baseline-revision")
    p.add_argument("--notes")
    p.add_argument("--revision", default="unknown")
    p.add_argument("--outdir", default=HERE)
    args = p.parse_args()
    with open(args.python) as f:
        py = json.load(f)
    nat = None
    if args.native and os.path.exists(args.native):
        with open(args.native) as f:
            nat = json.load(f)
    notes = []
    if args.notes and os.path.exists(args.notes):
        with open(args.notes) as f:
            notes = [line.strip() for line in f if line.strip()]
    for run in (py, nat):
        for name, st in (run or {}).get("peers", {}).items():
            if st["status"] != "ok" and not any(n.startswith(name + ":") for n in notes):
                notes.append(f"{name}: not importable in {env_of(run)} ({st['reason']})")
    res = {
        "machine": {"cpu": cpu_model(), "cores": os.cpu_count(), "kernel": platform.release(),
                    "date": datetime.date.today().isoformat(), "revision": args.revision},
        "notes": notes,
        "runs": {"python": py, **({"native": nat} if nat else {})},
    }
    res["targets"] = {env: load_json(path) for env, path in zip(ENVIRONMENTS, args.targets)}
    if args.baseline_revision:
        res["machine"]["baseline_revision"] = args.baseline_revision
        res["baselines"] = {env: load_json(path.replace(".json", "-baseline.json"))
                            for env, path in zip(ENVIRONMENTS, args.targets)}
    if args.instructions:
        res["instructions"] = {env: load_json(path) for env, path in zip(ENVIRONMENTS, args.instructions)}
    with open(os.path.join(args.outdir, "results.json"), "w") as f:
        json.dump(res, f, indent=1)
    md = markdown(res)
    with open(os.path.join(args.outdir, "RESULTS.md"), "w", encoding="utf-8") as f:
        f.write("# Benchmark results\n\nWritten by `bash bench/run.sh`; see bench/README.md for how to "
                "read it.\n\n" + md)
    chart(res, os.path.join(args.outdir, "chart.png"))
    readme = os.path.join(args.outdir, "README.md")
    updated = os.path.exists(readme) and update_readme(readme, md)
    print(md)
    print(f"wrote {os.path.join(args.outdir, 'results.json')}, RESULTS.md, chart.png"
          + (", and the table in README.md" if updated else ""))
    verdicts = [verdict(entry) for env in ENVIRONMENTS for entry in (res["targets"].get(env) or {}).get("targets", [])]
    print(f"targets met on real data: {verdicts.count('yes')} of {len(verdicts) - verdicts.count('–')} "
          f"figures ({verdicts.count('–')} not measurable in one of the environments)")


if __name__ == "__main__":
    main()
