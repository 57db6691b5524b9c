#!/usr/bin/env bash
# Builds Velmora three ways and runs every test: a release build (all tests), an AddressSanitizer +
# UndefinedBehaviorSanitizer build (all tests) and a ThreadSanitizer build (the tests labelled
# "thread"). Stops at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VELMORA_JOBS:-$(nproc)}

section() { printf '\n=== %s ===\n' "$*"; }

build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DVELMORA_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
}

section "release build"
build build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build --output-on-failure -j "$jobs"

section "kernel instruction sets (SSE2 kernels carry no SSSE3 instruction)"
tools/check-kernel-isa.sh --self-test
tools/check-kernel-isa.sh build/render/kernels/libtavelo_kernels.a

section "kernel tests on a processor without SSSE3 (qemu64: the SSE2 set runs, the SSSE3 one is skipped)"
for test in build/tests/render/kernels/*/*_tests; do
  if [[ -x $test ]]; then
    qemu-x86_64 -cpu qemu64 "$test" --gtest_brief=1 > build/qemu64.log 2>&1 || { cat build/qemu64.log; false; }
    tail -n 3 build/qemu64.log
  fi
done

section "AddressSanitizer + UndefinedBehaviorSanitizer build"
build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=address -DVELMORA_BENCH=OFF
ctest --test-dir build-asan --output-on-failure -j "$jobs"

section "ThreadSanitizer build (thread tests)"
build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=thread -DVELMORA_BENCH=OFF
ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L thread

section "fuzz targets (clang, libFuzzer, ASan+UBSan)"
CC=clang CXX=clang++ build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=address \
  -DVELMORA_FUZZ=ON -DBUILD_TESTING=OFF -DVELMORA_BENCH=OFF
ctest --test-dir build-fuzz --output-on-failure -j "$jobs" -L fuzz --no-tests=ignore

section "all tests passed"
