#!/usr/bin/env bash
# Builds tools/range_check (the range machinery checked over a scheme of its own,
# without Python) into build-range-check/ and runs it with the given arguments.
# Each source is compiled once into its own object; RANGE_CHECK_FLAGS adds flags
# (for instance "-fsanitize=address,undefined") and keeps its objects apart.
set -euo pipefail
cd "$(dirname "$0")/.."
flags=${RANGE_CHECK_FLAGS:-}
out=build-range-check/$(printf '%s' "$flags" | tr -c 'a-zA-Z0-9' '_')
mkdir -p "$out"
sources=(src/core/*.cpp src/core/native/*.cpp src/core/ranges/*.cpp tools/range_check.cpp)
headers=(src/core/*.hpp src/core/native/*.hpp src/core/ranges/*.hpp)
newest_header=$(ls -t "${headers[@]}" | head -1)
objects=()
for source in "${sources[@]}"; do
    object="$out/$(printf '%s' "$source" | tr '/' '_').o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ] || [ "$newest_header" -nt "$object" ]; then
        g++ -std=c++20 -O1 -g -Wall -Wextra -Werror -Wno-maybe-uninitialized $flags -Isrc/core -c "$source" -o "$object"
    fi
    objects+=("$object")
done
g++ $flags "${objects[@]}" -o "$out/range_check"
exec "$out/range_check" "$@"
