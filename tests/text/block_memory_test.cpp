// Large blocks: mapped with room to grow in place, recycled when given back, always holding
// their bytes across a resize; small blocks and foreign ones stay the C library's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "text/block_memory.h"
#include "text/data_buffer.h"
#include "text/string_buffer.h"
#include "text/xstring.h"

namespace vk {
namespace {

constexpr std::size_t kLarge = blocks::kLargeBlock;

// Marks the first and last `size` bytes' ends and a middle byte, which must survive moves.
void mark(void* block, std::size_t size, char tag) {
  auto* bytes = static_cast<char*>(block);
  bytes[0] = tag;
  bytes[size / 2] = static_cast<char>(tag + 1);
  bytes[size - 1] = static_cast<char>(tag + 2);
}

bool marked(const void* block, std::size_t size, char tag) {
  const auto* bytes = static_cast<const char*>(block);
  return bytes[0] == tag && bytes[size / 2] == static_cast<char>(tag + 1) &&
         bytes[size - 1] == static_cast<char>(tag + 2);
}

class LargeBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!blocks::mappingsInUse()) GTEST_SKIP() << "every block is the C library's here";
    blocks::releaseIdle();
    baseline_ = blocks::usage().liveMappings;
  }
  void TearDown() override { blocks::releaseIdle(); }
  // Mappings of this test beyond those other code of the process holds.
  std::size_t live() const { return blocks::usage().liveMappings - baseline_; }

 private:
  std::size_t baseline_ = 0;
};

TEST_F(LargeBlocks, SmallBlocksAreNotMapped) {
  void* block = blocks::allocate(kLarge - 1);
  EXPECT_EQ(live(), 0u);
  blocks::release(block, kLarge - 1);
  EXPECT_EQ(blocks::usage().idleMappings, 0u);
}

TEST_F(LargeBlocks, ResizeKeepsTheBytesWhetherInPlaceOrMoved) {
  struct Step {
    std::size_t newSize;
    bool samePlace;
  };
  // Within the doubled reservation, past it, back down into it, below the large size.
  const Step steps[] = {{kLarge + kLarge / 2, true},
                        {2 * kLarge, true},
                        {5 * kLarge, false},
                        {4 * kLarge, true},
                        {kLarge / 2, false}};
  std::size_t size = kLarge;
  void* block = blocks::allocate(size);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(live(), 1u);
  for (const Step& step : steps) {
    mark(block, std::min(size, step.newSize), 'a');
    void* resized = blocks::resize(block, size, step.newSize);
    ASSERT_NE(resized, nullptr);
    EXPECT_EQ(resized == block, step.samePlace) << step.newSize;
    EXPECT_TRUE(marked(resized, std::min(size, step.newSize), 'a')) << step.newSize;
    block = resized;
    size = step.newSize;
  }
  EXPECT_EQ(live(), 0u);  // the last step went back to the C library
  blocks::release(block, size);
}

TEST_F(LargeBlocks, GivenBackMappingsServeTheNextLargeBlocksUpToTheLimit) {
  void* first = blocks::allocate(kLarge);
  void* second = blocks::allocate(2 * kLarge);
  void* third = blocks::allocate(3 * kLarge);
  mark(first, kLarge, 'x');
  blocks::release(first, kLarge);
  blocks::release(second, 2 * kLarge);
  blocks::release(third, 3 * kLarge);
  blocks::Usage usage = blocks::usage();
  EXPECT_EQ(usage.idleMappings, blocks::kIdleBlocks);  // the oldest went back to the system
  EXPECT_LE(usage.idleBytes, blocks::kIdleBytes);

  // The smallest idle mapping that fits is taken; a zeroed request is zero even there.
  void* again = blocks::allocateZeroed(2 * kLarge);
  EXPECT_EQ(again, second);
  const auto* bytes = static_cast<const unsigned char*>(again);
  EXPECT_EQ(bytes[0] | bytes[kLarge] | bytes[2 * kLarge - 1], 0);
  EXPECT_EQ(blocks::usage().idleMappings, blocks::kIdleBlocks - 1);
  blocks::release(again, 2 * kLarge);
}

TEST_F(LargeBlocks, ForeignLargeBlocksStayTheCLibrarys) {
  // A block of the C library, as adopted from a decompressor, grows into a mapping and is
  // freed by the right owner either way.
  void* foreign = std::malloc(kLarge + 16);
  ASSERT_NE(foreign, nullptr);
  mark(foreign, kLarge + 16, 'f');
  void* grown = blocks::resize(foreign, kLarge + 16, 3 * kLarge);
  ASSERT_NE(grown, nullptr);
  EXPECT_TRUE(marked(grown, kLarge + 16, 'f'));
  EXPECT_EQ(live(), 1u);
  blocks::release(grown, 3 * kLarge);

  void* plain = std::malloc(kLarge + 16);
  blocks::release(plain, kLarge + 16);
  EXPECT_EQ(blocks::usage().idleMappings, 1u);  // only the mapping was kept
}

TEST_F(LargeBlocks, HandedOverBlocksAreFreeable) {
  StringBuffer text;
  std::string large(kLarge + 100, 'q');
  large.back() = 'z';
  text.appendBytes(large.data(), static_cast<std::int64_t>(large.size()));
  EXPECT_GE(live(), 1u);
  std::int32_t length = 0;
  char* block = text.detach(&length);
  ASSERT_EQ(length, static_cast<std::int32_t>(large.size()));
  EXPECT_EQ(std::memcmp(block, large.data(), large.size() + 1), 0);
  std::free(block);  // a mapping handed to free() would crash here
  EXPECT_EQ(live(), 0u);
}

TEST_F(LargeBlocks, ManyThreadsAllocateResizeAndReleaseAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int round = 0; round < 6; ++round) {
        std::size_t size = kLarge + static_cast<std::size_t>(round) * 4096;
        void* block = blocks::allocate(size);
        const char tag = static_cast<char>('A' + t);
        mark(block, size, tag);
        void* grown = blocks::resize(block, size, 3 * size);
        if (!marked(grown, size, tag)) ++failures[static_cast<std::size_t>(t)];
        blocks::release(grown, 3 * size);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
  EXPECT_EQ(live(), 0u);
}

// The members on texts past the large size give what they give on small ones.
TEST(LargeTexts, GrowingAndShrinkingReplacementsMatchAPlainModel) {
  // Without mappings the size proves nothing, and a sanitizer's string checks make every
  // search rescan the whole text, so such builds take a short one.
  const std::size_t size = blocks::mappingsInUse() ? kLarge + kLarge / 4 : 64 * 1024;
  std::string text;
  while (text.size() < size) text += "the cat and the hat, ";
  struct Case {
    const char* find;
    const char* with;
  } cases[] = {{"the", "those"}, {"the", "THE"}, {"the", ""}, {"cat", "caterpillar"}};
  for (const Case& c : cases) {
    std::string expected;
    std::size_t from = 0;
    for (std::size_t at = text.find(c.find); at != std::string::npos; at = text.find(c.find, from)) {
      expected.append(text, from, at - from).append(c.with);
      from = at + std::strlen(c.find);
    }
    expected.append(text, from, std::string::npos);
    XString value;
    value.setFromUtf8(text.c_str(), static_cast<std::uint32_t>(text.size()));
    value.replaceAll(c.find, c.with);
    const StringBuffer& result = value.utf8Buffer();
    ASSERT_EQ(static_cast<std::size_t>(result.length()), expected.size()) << c.with;
    EXPECT_EQ(std::memcmp(result.text(), expected.data(), expected.size()), 0) << c.with;
  }
}

}  // namespace
}  // namespace vk
