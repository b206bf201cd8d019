#!/usr/bin/env bash
# Builds tools/native_check (the native schemes checked against labelled vectors,
# without Python) into build-native-check/ and runs it with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-native-check
mkdir -p "$out"
sources=(src/core/*.cpp src/core/native/*.cpp tools/native_check.cpp)
newest=$(ls -t "${sources[@]}" src/core/*.hpp src/core/native/*.hpp | head -1)
if [ ! -x "$out/native_check" ] || [ "$newest" -nt "$out/native_check" ]; then
    g++ -std=c++20 -O2 -g -Wall -Wextra -Werror ${NATIVE_CHECK_FLAGS:-} -Isrc/core "${sources[@]}" -o "$out/native_check"
fi
exec "$out/native_check" "$@"
