#!/usr/bin/env bash
# Builds Velmora three ways and runs every test: a release build (all tests), an AddressSanitizer +
# UndefinedBehaviorSanitizer build (all tests, with the program's sixty-second soak) and a
# ThreadSanitizer build (the tests labelled "thread", and the soak). The tests labelled "gui" run the
# program end to end, each in an X server of its own. Stops at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VELMORA_JOBS:-$(nproc)}

section() { printf '\n=== %s ===\n' "$*"; }

# build <dir> [--target <targets>...] [cmake options...]: configures and builds the named targets, or all.
build() {
  local dir=$1
  shift
  local targets=()
  if [[ ${1:-} == --target ]]; then
    shift
    while [[ $# -gt 0 && $1 != -D* ]]; do
      targets+=("$1")
      shift
    done
  fi
  cmake -S . -B "$dir" -G Ninja -DVELMORA_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs" ${targets[@]:+--target "${targets[@]}"}
}

section "release build"
build build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build --output-on-failure -j "$jobs"

section "kernel instruction sets (SSE2 kernels carry no SSSE3 instruction)"
tools/check-kernel-isa.sh --self-test
tools/check-kernel-isa.sh build/render/kernels/libtavelo_kernels.a

section "kernel tests on a processor without SSSE3 (qemu64: the SSE2 set runs, the SSSE3 one is skipped)"
# The run proves something only if qemu64 really lacks SSSE3: a PSHUFB probe must die there with SIGILL,
# and the program's own processor test must choose the SSE2 set.
printf '%s\n' '#include <tmmintrin.h>' \
  '__attribute__((target("ssse3"))) int shuffle(int x) {' \
  '  const __m128i v = _mm_cvtsi32_si128(x);' \
  '  return _mm_cvtsi128_si32(_mm_shuffle_epi8(v, v));' \
  '}' \
  'int main(int argc, char**) { return shuffle(argc) == 256 ? 0 : 1; }' > build/ssse3-probe.cpp
"${CXX:-c++}" -O2 build/ssse3-probe.cpp -o build/ssse3-probe
probe_status=$(sh -c 'ulimit -c 0; qemu-x86_64 -cpu qemu64 build/ssse3-probe 2> /dev/null; echo $?')
if [[ $probe_status -ne 132 ]]; then
  echo "qemu64 ran PSHUFB without SIGILL (exit $probe_status): it would not show the SSE2 set at work" >&2
  exit 1
fi
echo "qemu64 refuses SSSE3: PSHUFB raised SIGILL"
VELMORA_EXPECT_SSSE3=0 qemu-x86_64 -cpu qemu64 build/tests/core/core_tests --gtest_filter='CpuTest.*' \
  --gtest_brief=1 > build/qemu64.log 2>&1 || { cat build/qemu64.log; false; }
echo "qemu64: the processor test answers no SSSE3, so the dispatchers choose the SSE2 set"
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
build build-tsan --target thread_tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=thread -DVELMORA_BENCH=OFF
ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L thread

section "ThreadSanitizer build (the running program, sixty seconds)"
ctest --test-dir build-tsan --output-on-failure -L soak

section "fuzz targets (clang, libFuzzer, ASan+UBSan)"
CC=clang CXX=clang++ build build-fuzz --target png_loader_fuzzer wav_fuzzer -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=address \
  -DVELMORA_FUZZ=ON -DBUILD_TESTING=OFF -DVELMORA_BENCH=OFF
ctest --test-dir build-fuzz --output-on-failure -j "$jobs" -L fuzz --no-tests=ignore

section "all tests passed"
