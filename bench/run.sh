#!/usr/bin/env bash
# The whole benchmark in one command:
#
#     bash bench/run.sh            # full run, about 10 minutes on 2 cores
#     bash bench/run.sh --quick    # small sizes, to try the script out
#
# Sets itself up on a fresh machine (idempotently):
#   - Debian packages for the native peers: python3-dev, python3-venv,
#     python3-apt, python3-rpm (apt-get; needs root or sudo);
#   - bench/.venv: a virtual environment of the default python3 with the
#     peers written in Python, matplotlib and tambry built from this tree;
#   - bench/.venv-debian: a virtual environment of Debian's own
#     /usr/bin/python3 with --system-site-packages (to see apt_pkg and rpm)
#     and tambry built from this tree;
#   - libversion: tried only if the system offers its C library.
# Then writes the corpus, measures in both environments, and writes
# bench/results.json, bench/RESULTS.md, bench/chart.png and the table in
# bench/README.md.
#
# Environment: PYTHON (default python3) for bench/.venv; TAMBRY_SRC (default
# this repository) for the tambry source tree; SKIP_SETUP=1 to reuse both
# environments as they are, tambry included.
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
[[ "${1:-}" == "--quick" ]] && QUICK=(--quick)
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
    "$DVENV/bin/python" -m pip install -q --disable-pip-version-check --force-reinstall --no-deps "$SRC"
else
    touch "$NOTES"
fi

say "corpus"
"$VENV/bin/python" "$HERE/corpus.py"

say "measuring in bench/.venv: tambry, operator.eq and the Python peers"
"$VENV/bin/python" "$HERE/measure.py" --peers python --out "$OUT/python.json" "${QUICK[@]}"

say "measuring in bench/.venv-debian: tambry, operator.eq, apt_pkg and rpm"
"$DVENV/bin/python" "$HERE/measure.py" --peers native --out "$OUT/native.json" "${QUICK[@]}"

say "report"
REV="$(git -C "$SRC" rev-parse --short HEAD 2>/dev/null || echo unknown)"
if [[ -n "$(git -C "$SRC" status --porcelain -- src 2>/dev/null)" ]]; then REV="$REV+uncommitted changes in src/"; fi
"$VENV/bin/python" "$HERE/report.py" --python "$OUT/python.json" --native "$OUT/native.json" \
    --notes "$NOTES" --revision "$REV"
