// Which vector code paths this process may use. The CPU is asked once (cpuid), at first use,
// so one binary runs the widest kernels the machine has; nothing at build time decides it.
// Builds with VK_UNICODE_NO_SIMD, and targets other than x86, only ever take the scalar path.
#pragma once

namespace vk::simd {

// Ordered from narrowest to widest: a kernel runs the widest variant it has at or below the
// active path.
enum class Path { Scalar = 0, Baseline = 1, Avx2 = 2, Avx512 = 3 };
constexpr int kPathCount = 4;

struct CpuFeatures {
  bool sse2 = false;
  bool avx2 = false;    // with BMI1/BMI2, and the OS saving the YMM state
  bool avx512 = false;  // F, BW, VL, and the OS saving the ZMM state
  bool avx512vbmi = false;
  bool avx512vbmi2 = false;
};

// What cpuid reports, read once.
const CpuFeatures& cpuFeatures();

// Whether this build and this CPU can run `path`.
bool pathAvailable(Path path);

// The path in force: the widest available one, unless a test has chosen another.
Path activePath();

// Makes every kernel take `path` (or the widest available one below it) from now on, so
// that tests can run the same input through each path. Answers the path it replaces.
Path forcePath(Path path);

const char* pathName(Path path);

// For kernels that come in an AVX-512 form needing VBMI and an AVX2 form: which of the three
// the path in force runs (AVX-512 without VBMI runs the AVX2 form).
template <class T>
T byVbmiPath(T avx512Vbmi, T avx2, T scalar) {
  Path path = activePath();
  if (path == Path::Avx512) return cpuFeatures().avx512vbmi ? avx512Vbmi : avx2;
  return path == Path::Avx2 ? avx2 : scalar;
}

}  // namespace vk::simd
