// Bulk UTF-8 <-> UTF-16LE passes over code units: a scalar pass that defines the results, and
// vector kernels (SSE2, AVX2, AVX-512) that convert whole blocks and hand any block they do
// not settle (a malformed or cut sequence, anything outside their fast cases) to the scalar
// pass from the block's start. Every path gives the scalar pass's bytes.
//
// A pass converts the sequences that start before `stop`, reading at most up to `end`
// (a sequence may finish a few bytes past `stop`), writes at `out` and moves it on, and
// answers the position reached. The caller reserves the worst-case output of [p, stop) plus
// the slack below, which covers over-wide block stores and a sequence finished past `stop`.
#pragma once
#include <cstdint>

#include "unicode/simd/cpu_paths.h"

namespace vk::simd {

// The shape every pass has; the passes below are declared by it.
using TranscodeFunction = const std::uint8_t*(const std::uint8_t* p, const std::uint8_t* stop,
                                              const std::uint8_t* end, std::uint8_t*& out);
using TranscodePass = TranscodeFunction*;

// UTF-8 to UTF-16LE: at most 2 output bytes per input byte.
constexpr std::uint64_t kUtf8To16Slack = 160;
// UTF-16LE to UTF-8 over an even byte count: at most 3 output bytes per 2 input bytes.
constexpr std::uint64_t kUtf16To8Slack = 160;

TranscodeFunction utf8ToUtf16Scalar, utf16ToUtf8Scalar;

// The widest kernel at or below `path` (the AVX-512 kernels need VBMI2 as well; without it
// the AVX2 ones run).
TranscodePass utf8ToUtf16Kernel(Path path);
TranscodePass utf16ToUtf8Kernel(Path path);

// The kernels themselves, for the selection above; each exists only in builds for x86-64
// (the baseline one also on 32-bit x86 with SSE2).
TranscodeFunction utf8ToUtf16Sse2, utf16ToUtf8Sse2;
TranscodeFunction utf8ToUtf16Avx2, utf16ToUtf8Avx2;
TranscodeFunction utf8ToUtf16Avx512, utf16ToUtf8Avx512;

}  // namespace vk::simd

// Which kernels this build compiles. The wide ones use GCC/Clang target attributes, so no
// command-line option decides them; 32-bit x86 keeps to the baseline.
#if !defined(VK_UNICODE_NO_SIMD) && (defined(__x86_64__) || defined(_M_X64)) && \
    (defined(__GNUC__) || defined(__clang__))
#define VK_SIMD_WIDE_KERNELS 1
#else
#define VK_SIMD_WIDE_KERNELS 0
#endif
#if !defined(VK_UNICODE_NO_SIMD) && \
    (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#define VK_SIMD_SSE2_KERNELS 1
#else
#define VK_SIMD_SSE2_KERNELS 0
#endif
