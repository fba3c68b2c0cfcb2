// A test that leaks on purpose, disabled in normal runs. The CI runs it alone in the
// sanitizer build and expects LeakSanitizer to fail it: that proves the leak check of the
// whole suite is live (a sanitizer runtime that cannot start its leak checker reports
// nothing at all).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

void* volatile gLastBlock = nullptr;

TEST(LeakCanary, DISABLED_LeaksOneBlock) {
  void* block = std::malloc(4096);
  ASSERT_NE(block, nullptr);
  std::memset(block, 0x5A, 4096);
  gLastBlock = block;
  gLastBlock = nullptr;  // the only pointer is gone: a leak
  SUCCEED();
}

}  // namespace
