#!/usr/bin/env bash
# Builds the extension with AddressSanitizer and UndefinedBehaviorSanitizer into its
# own directory (the installed package is left alone) and runs a command against
# that build with the sanitizer runtimes preloaded into the interpreter. With no
# command it runs the whole test suite.
#
#   tools/sanitize.sh
#   tools/sanitize.sh python -m pytest tests/test_fuzz.py
#   tools/sanitize.sh python tests/fuzz/fuzz_tambry.py --many 1000000 1 tests/fuzz/corpus
#
# Any sanitizer report ends the process with a failure status.
#
# TAMBRY_LEAKS=1 also runs LeakSanitizer at exit, reporting blocks that the
# extension allocated and never freed (tools/lsan.supp sets the interpreter's own
# aside); the allocation stacks in every report are then only two frames deep.
set -euo pipefail
cd "$(dirname "$0")/.."

# Absolute, whether given relative to the project or not, so that the import check
# below can compare it with the modules' own paths.
build_dir=$(realpath -m "${TAMBRY_SANITIZE_BUILD:-build-asan}")
# The interpreter itself rather than a wrapper script, so that the preloaded
# runtimes are not also loaded into a shell.
python=$(python -c 'import sys; print(sys.executable)')

cmake -S . -B "$build_dir" -G Ninja -DTAMBRY_SANITIZE=ON -DTAMBRY_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPython_EXECUTABLE="$python" > /dev/null
cmake --build "$build_dir"
# The extensions form the package tambry (its __init__ and submodules): install
# them into a folder of the build's own, which goes first on the import path.
cmake --install "$build_dir" --prefix "$build_dir/site" > /dev/null

if [ $# -eq 0 ]; then
    set -- python -m pytest
fi
if [ "$1" = python ]; then
    shift
    set -- "$python" "$@"
fi

# CPython does not free everything at exit, so by default leak detection is off
# and the leak tests measure the module's memory instead.
export LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)"
export ASAN_OPTIONS=detect_leaks=0:check_initialization_order=1:strict_init_order=1
if [ "${TAMBRY_LEAKS:-0}" = 1 ]; then
    export ASAN_OPTIONS=detect_leaks=1:malloc_context_size=2:check_initialization_order=1:strict_init_order=1
    export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
fi
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export PYTHONPATH="$build_dir/site${PYTHONPATH:+:$PYTHONPATH}"
# A run that imported an installed, uninstrumented tambry would prove nothing.
"$python" -c "import sys, tambry, tambry.native, tambry.ranges
sys.exit(any(not m.__file__.startswith('$build_dir/site/') for m in (tambry, tambry.native, tambry.ranges)))" ||
    { echo "tools/sanitize.sh: tambry is not imported from $build_dir/site" >&2; exit 1; }
exec "$@"
