// Running the same input through each vector path the machine has, for the differential tests
// of the kernels.
#pragma once
#include <vector>

#include "unicode/simd/cpu_paths.h"

namespace vk::test {

// Every path this build and machine can run, narrowest first (the scalar path always).
inline std::vector<simd::Path> availablePaths() {
  std::vector<simd::Path> paths;
  for (int i = 0; i < simd::kPathCount; ++i) {
    if (simd::pathAvailable(static_cast<simd::Path>(i))) paths.push_back(static_cast<simd::Path>(i));
  }
  return paths;
}

// Forces a path for the scope's lifetime.
class PathScope {
 public:
  explicit PathScope(simd::Path path) : previous_(simd::forcePath(path)) {}
  ~PathScope() { simd::forcePath(previous_); }
  PathScope(const PathScope&) = delete;
  PathScope& operator=(const PathScope&) = delete;

 private:
  simd::Path previous_;
};

}  // namespace vk::test
