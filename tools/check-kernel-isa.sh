#!/usr/bin/env bash
# Proves that one binary runs on every x86-64 processor: in the given objects or archives (the kernel
# library), SSSE3 instructions may appear only in functions of a `ssse3` namespace, and no function
# may use anything beyond SSSE3 (SSE4, AVX). Fails with the offending functions listed.
#
#   tools/check-kernel-isa.sh build/render/kernels/libtavelo_kernels.a
#   tools/check-kernel-isa.sh --self-test     # shows that the scan catches a misplaced PSHUFB
set -euo pipefail

ssse3_only='^(pshufb|pmaddubsw|pmulhrsw|palignr|phadd|phsub|psign|pabs)'
beyond_ssse3='^(v[a-z]|pmovzx|pmovsx|pmulld|pblend|ptest|packusdw|pminu[dw]|pmaxu[dw]|pmins[bd]|pmaxs[bd]|pextr[bdq]|pinsr[bdq]|pcmpeqq|pcmpgtq|round[ps][sd]|dpp[sd]|insertps|extractps|mpsadbw|phminposuw|pcmp[ei]str)'

scan() {
  objdump -d --no-show-raw-insn "$@" | awk -v ssse3_only="$ssse3_only" -v beyond="$beyond_ssse3" '
    /^[0-9a-f]+ <.*>:$/ { symbol = $2; next }
    $1 ~ /^[0-9a-f]+:$/ && NF >= 2 {
      instructions++
      # Mangled names spell the namespace as 5ssse3.
      if (($2 ~ ssse3_only && symbol !~ /5ssse3/) || $2 ~ beyond) {
        print "  " $2 " in " symbol
        bad++
      }
    }
    END {
      if (instructions == 0) { print "  no instructions found: nothing was scanned"; exit 1 }
      exit bad > 0
    }'
}

self_test() {
  local dir
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' RETURN
  cat > "$dir/probe.cpp" <<'PROBE'
#include <tmmintrin.h>
namespace tavelo::PROBE_NAMESPACE {
__attribute__((target("ssse3"))) __m128i probe(__m128i a, __m128i b) { return _mm_shuffle_epi8(a, b); }
}
PROBE
  "${CXX:-c++}" -O2 -c -DPROBE_NAMESPACE=ssse3 "$dir/probe.cpp" -o "$dir/inside.o"
  "${CXX:-c++}" -O2 -c -DPROBE_NAMESPACE=sse2 "$dir/probe.cpp" -o "$dir/outside.o"
  scan "$dir/inside.o" > /dev/null || { echo "self-test: PSHUFB in an ssse3 function was refused"; return 1; }
  if scan "$dir/outside.o" > /dev/null; then
    echo "self-test: PSHUFB in an sse2 function was not caught"
    return 1
  fi
  echo "kernel instruction-set scan: self-test passed"
}

if [[ $# -eq 1 && $1 == --self-test ]]; then
  self_test
  exit
fi
if [[ $# -eq 0 ]]; then
  echo "usage: $0 <object or archive>... | --self-test" >&2
  exit 2
fi
if ! scan "$@"; then
  echo "SSE2 kernels carry instructions their processors may lack (see above)" >&2
  exit 1
fi
echo "kernel instruction-set scan: $* clean"
