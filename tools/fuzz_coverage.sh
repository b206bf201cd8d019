#!/usr/bin/env bash
# Shows how much of the C++ code the fuzz harness reaches: builds the extension
# with coverage instrumentation into its own directory, replays the saved corpus
# and runs COUNT more inputs through tests/fuzz/fuzz_tambry.py, then prints the
# line coverage of every file under src/core/ and src/module/.
#
#   tools/fuzz_coverage.sh [COUNT]        (COUNT defaults to 50000)
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-50000}
build_dir=${TAMBRY_COVERAGE_BUILD:-build-coverage}
python=$(python -c 'import sys; print(sys.executable)')

cmake -S . -B "$build_dir" -G Ninja -DTAMBRY_COVERAGE=ON -DCMAKE_BUILD_TYPE=Debug \
    -DPython_EXECUTABLE="$python" > /dev/null
cmake --build "$build_dir" > /dev/null
find "$build_dir" -name '*.gcda' -delete

PYTHONPATH="$build_dir" "$python" tests/fuzz/fuzz_tambry.py --many "$count" 1 tests/fuzz/corpus

objects="$build_dir/CMakeFiles"
printf '%-40s %8s %8s\n' file lines covered
for source in src/core/*.cpp src/core/*.hpp src/module/*.cpp src/module/*.hpp; do
    name=$(basename "$source")
    case "$source" in
        src/core/*.cpp) gcda="$objects/tambry_core.dir/$source.gcda" ;;
        src/module/*.cpp) gcda="$objects/tambry.dir/$source.gcda" ;;
        *) continue ;;
    esac
    [ -f "$gcda" ] || { printf '%-40s %8s %8s\n' "$source" '?' 'not run'; continue; }
    # gcov names each file it reports on; keep the line for this source file.
    (cd "$(dirname "$gcda")" && gcov -n "$gcda" 2>/dev/null) |
        awk -v want="$(realpath "$source")" -v shown="$source" '
            /^File / { file = substr($2, 2, length($2) - 2) }
            /^Lines executed:/ && file == want {
                split($2, parts, ":"); sub("%", "", parts[2]);
                printf "%-40s %8s %7s%%\n", shown, $4, parts[2] }'
done
