#!/usr/bin/env bash
# The whole benchmark in one command:
#
#     bash bench/run.sh                     # full run, about 20 minutes on 2 cores
#     bash bench/run.sh --quick             # small sizes, to try the script out
#     bash bench/run.sh --baseline REV      # also measure the targets on git revision REV
#
# Sets itself up on a fresh machine (idempotently):
#   - Debian packages for the native peers: python3-dev, python3-venv,
#     python3-apt, python3-rpm (apt-get; needs root or sudo);
#   - bench/.venv: a virtual environment of the default python3 with the
#     peers written in Python, matplotlib and tambry built from this tree;
#   - bench/.venv-debian: a virtual environment of Debian's own
#     /usr/bin/python3 with --system-site-packages (to see apt_pkg and rpm),
#     packaging, and tambry built from this tree;
#   - libversion: tried only if the system offers its C library.
# Then, in each environment, measures the targets on real version lists
# (bench/targets.py) and the peers on the generated corpus (bench/measure.py),
# and writes bench/results.json, bench/RESULTS.md, bench/chart.png and the table
# in bench/README.md. With --baseline, the extension of revision REV is built
# (with cmake, beside the environments) and timed on the same targets, so that
# RESULTS.md shows before and after side by side.
#
# Environment: PYTHON (default python3) for bench/.venv; TAMBRY_SRC (default
# this repository) for the tambry source tree; SKIP_SETUP=1 to reuse both
# environments as they are, tambry included; TAMBRY_FIDELITY for the directory
# of the labelled real pairs (bench/real_versions.py says where it looks).
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(dirname "$HERE")"
SRC="${TAMBRY_SRC:-$ROOT}"
PY="${PYTHON:-python3}"
DEBIAN_PY=/usr/bin/python3
VENV="$HERE/.venv"
DVENV="$HERE/.venv-debian"
OUT="$HERE/out"
QUICK=()
BASELINE=""
while (($#)); do
    case "$1" in
        --quick) QUICK=(--quick) ;;
        --baseline) BASELINE="$2"; shift ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
    shift
done
PEERS=(packaging semver python-debian rpm-vercmp univers matplotlib)

say() { printf '\n== %s\n' "$*"; }
mkdir -p "$OUT"
NOTES="$OUT/install-notes.txt"
note() { printf '%s\n' "$*" | tee -a "$NOTES"; }

SUDO=()
[[ "$(id -u)" != 0 ]] && SUDO=(sudo)

if [[ "${SKIP_SETUP:-0}" != 1 ]]; then
    : > "$NOTES"
    say "Debian packages for the native peers"
    missing=()
    for pkg in python3-dev python3-venv python3-apt python3-rpm pkg-config; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    have_libversion=0
    pkg-config --exists libversion 2>/dev/null && have_libversion=1
    if ((${#missing[@]})) || ((have_libversion == 0)); then
        "${SUDO[@]}" apt-get update -q >/dev/null
    fi
    if ((${#missing[@]})); then
        "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
    fi
    echo "installed: python3-dev python3-venv python3-apt python3-rpm"
    if ((have_libversion == 0)); then
        if apt-cache show libversion-dev >/dev/null 2>&1; then
            "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q libversion-dev >/dev/null \
                && have_libversion=1
        else
            note "libversion: not measured. Its Python binding builds only against the libversion C" \
                 "library; this system's package lists have no libversion-dev (nor any libversion" \
                 "package), and the binding is published as source only, so pip cannot build it."
        fi
    fi

    say "bench/.venv ($PY) with the Python peers"
    [[ -x "$VENV/bin/python" ]] || "$PY" -m venv "$VENV"
    "$VENV/bin/python" -m pip install -q --disable-pip-version-check "${PEERS[@]}"
    if ((have_libversion)); then
        "$VENV/bin/python" -m pip install -q --disable-pip-version-check libversion \
            || note "libversion: the C library is there but the Python binding failed to build"
    fi
    "$VENV/bin/python" -m pip install -q --disable-pip-version-check --force-reinstall --no-deps "$SRC"

    say "bench/.venv-debian ($DEBIAN_PY, system site packages) for apt_pkg and rpm"
    [[ -x "$DVENV/bin/python" ]] || "$DEBIAN_PY" -m venv --system-site-packages "$DVENV"
    "$DVENV/bin/python" -m pip install -q --disable-pip-version-check packaging
    "$DVENV/bin/python" -m pip install -q --disable-pip-version-check --force-reinstall --no-deps "$SRC"
else
    touch "$NOTES"
fi

# Builds revision $1 of the extension for interpreter $2 into $3 and prints the
# directory to put on PYTHONPATH for it.
build_baseline() {
    local rev="$1" python="$2" dir="$3"
    rm -rf "$dir" && mkdir -p "$dir/src"
    git -C "$SRC" archive "$rev" | tar -x -C "$dir/src"
    cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAMBRY_WERROR=OFF \
        -DPython_EXECUTABLE="$python" >/dev/null
    cmake --build "$dir/build" >/dev/null
    # Older trees build one module named tambry; newer ones a package whose
    # __init__ is the module.
    if compgen -G "$dir/build/tambry.*.so" >/dev/null; then
        echo "$dir/build"
    else
        mkdir -p "$dir/pkg/tambry"
        ln -sf "$dir"/build/*.so "$dir/pkg/tambry/"
        echo "$dir/pkg"
    fi
}

say "real version lists"
"$VENV/bin/python" "$HERE/real_versions.py"

say "corpus"
"$VENV/bin/python" "$HERE/corpus.py"

for env in python native; do
    if [[ $env == python ]]; then py="$VENV/bin/python"; else py="$DVENV/bin/python"; fi
    say "targets in $( [[ $env == python ]] && echo bench/.venv || echo bench/.venv-debian )"
    "$py" "$HERE/targets.py" --out "$OUT/targets-$env.json" "${QUICK[@]}"
    if [[ -n "$BASELINE" ]]; then
        say "targets of $BASELINE in the same environment"
        path="$(build_baseline "$BASELINE" "$("$py" -c 'import sys; print(sys.executable)')" "$OUT/baseline-$env")"
        PYTHONPATH="$path" "$py" "$HERE/targets.py" --out "$OUT/targets-$env-baseline.json" "${QUICK[@]}"
    fi
    if ((${#QUICK[@]} == 0)); then
        say "instruction counts of the close calls"
        "$py" "$HERE/instructions.py" --close-to-goal "$OUT/targets-$env.json" --out "$OUT/instructions-$env.json"
    fi
    say "peers on the generated corpus"
    "$py" "$HERE/measure.py" --peers "$env" --out "$OUT/$env.json" "${QUICK[@]}"
done

say "report"
REV="$(git -C "$SRC" rev-parse --short HEAD 2>/dev/null || echo unknown)"
if [[ -n "$(git -C "$SRC" status --porcelain -- src 2>/dev/null)" ]]; then REV="$REV+uncommitted changes in src/"; fi
BASE_ARGS=()
[[ -n "$BASELINE" ]] && BASE_ARGS=(--baseline-revision "$(git -C "$SRC" rev-parse --short "$BASELINE")")
"$VENV/bin/python" "$HERE/report.py" --python "$OUT/python.json" --native "$OUT/native.json" \
    --targets "$OUT/targets-python.json" "$OUT/targets-native.json" \
    --instructions "$OUT/instructions-python.json" "$OUT/instructions-native.json" \
    --notes "$NOTES" --revision "$REV" "${BASE_ARGS[@]}"
