#include "unicode/simd/cpu_paths.h"

#include <atomic>

#if !defined(VK_UNICODE_NO_SIMD) && \
    (defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86))
#define VK_SIMD_X86 1
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#else
#define VK_SIMD_X86 0
#endif

namespace vk::simd {

namespace {

#if VK_SIMD_X86
struct Registers {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
};

Registers cpuid(unsigned leaf, unsigned subleaf) {
  Registers r;
#if defined(_MSC_VER)
  int out[4];
  __cpuidex(out, static_cast<int>(leaf), static_cast<int>(subleaf));
  r.eax = static_cast<unsigned>(out[0]);
  r.ebx = static_cast<unsigned>(out[1]);
  r.ecx = static_cast<unsigned>(out[2]);
  r.edx = static_cast<unsigned>(out[3]);
#else
  __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
#endif
  return r;
}

// Which register sets the operating system saves on a context switch (XCR0).
unsigned long long savedStates() {
#if defined(_MSC_VER)
  return _xgetbv(0);
#else
  unsigned lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (static_cast<unsigned long long>(hi) << 32) | lo;
#endif
}

inline bool bit(unsigned value, int n) { return ((value >> n) & 1u) != 0; }

CpuFeatures detect() {
  CpuFeatures f;
  unsigned maxLeaf = cpuid(0, 0).eax;
  if (maxLeaf < 1) return f;
  Registers l1 = cpuid(1, 0);
  f.sse2 = bit(l1.edx, 26);
  // Without OSXSAVE the wider registers may not survive a context switch.
  if (!bit(l1.ecx, 27) || !bit(l1.ecx, 28) || maxLeaf < 7) return f;
  unsigned long long xcr0 = savedStates();
  bool ymmSaved = (xcr0 & 0x6) == 0x6;                // SSE and AVX state
  bool zmmSaved = ymmSaved && (xcr0 & 0xE0) == 0xE0;  // opmask and both ZMM halves
  Registers l7 = cpuid(7, 0);
  bool bmi1 = bit(l7.ebx, 3), avx2 = bit(l7.ebx, 5), bmi2 = bit(l7.ebx, 8);
  f.avx2 = ymmSaved && avx2 && bmi1 && bmi2;
  bool avx512f = bit(l7.ebx, 16), avx512bw = bit(l7.ebx, 30), avx512vl = bit(l7.ebx, 31);
  f.avx512 = f.avx2 && zmmSaved && avx512f && avx512bw && avx512vl;
  f.avx512vbmi = f.avx512 && bit(l7.ecx, 1);
  f.avx512vbmi2 = f.avx512 && bit(l7.ecx, 6);
  return f;
}
#else
CpuFeatures detect() { return {}; }
#endif

Path widestAvailable() {
  const CpuFeatures& f = cpuFeatures();
  if (f.avx512) return Path::Avx512;
  if (f.avx2) return Path::Avx2;
  if (f.sse2) return Path::Baseline;
  return Path::Scalar;
}

// -1 until the first call; then the path in force.
std::atomic<int> chosen{-1};

}  // namespace

const CpuFeatures& cpuFeatures() {
  static const CpuFeatures features = detect();
  return features;
}

bool pathAvailable(Path path) { return path <= widestAvailable(); }

Path activePath() {
  int value = chosen.load(std::memory_order_relaxed);
  if (value < 0) {
    value = static_cast<int>(widestAvailable());
    int expected = -1;
    if (!chosen.compare_exchange_strong(expected, value, std::memory_order_relaxed)) { value = expected; }
  }
  return static_cast<Path>(value);
}

Path forcePath(Path path) {
  Path previous = activePath();
  Path widest = widestAvailable();
  chosen.store(static_cast<int>(path <= widest ? path : widest), std::memory_order_relaxed);
  return previous;
}

const char* pathName(Path path) {
  switch (path) {
    case Path::Scalar: return "scalar";
    case Path::Baseline: return "baseline (SSE2)";
    case Path::Avx2: return "AVX2";
    case Path::Avx512: return "AVX-512";
  }
  return "?";
}

}  // namespace vk::simd
