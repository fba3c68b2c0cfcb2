// The ANSI code page as a setting: which texts are accepted, and which source decides
// (VK_ANSI_CODEPAGE over the registry's ACP value over 1252), a refused value never used.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/code_page.h"
#include "platform/registry.h"

namespace vk::platform {
namespace {

TEST(AnsiCodePageText, OnlyAnsiCodePagesWrittenAsPlainNumbersAreAccepted) {
  const struct {
    const char* text;
    std::int32_t codePage;  // 0: refused
  } cases[] = {
      {"932", 932}, {"1252", 1252}, {"1250", 1250},  {"1258", 1258}, {"874", 874}, {"936", 936},
      {"949", 949}, {"950", 950},   {"01252", 1252}, {"1249", 0},    {"1259", 0},  {"65001", 0},
      {"1200", 0},  {"437", 0},     {"850", 0},      {"20127", 0},   {"0", 0},     {"", 0},
      {"abc", 0},   {"932x", 0},    {" 932", 0},     {"-932", 0},    {"+932", 0},  {"4294968228", 0},
  };
  for (const auto& c : cases) {
    std::string problem = "left over";
    EXPECT_EQ(parseAnsiCodePage(c.text, &problem), c.codePage) << c.text;
    EXPECT_EQ(problem.empty(), c.codePage != 0) << c.text << ": " << problem;
  }
}

class AnsiCodePageSource : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* saved = getenv("VK_ANSI_CODEPAGE");
    hadVariable_ = saved != nullptr;
    if (hadVariable_) saved_ = saved;
    registryUseMemory();
  }
  void TearDown() override {
    if (hadVariable_) setenv("VK_ANSI_CODEPAGE", saved_.c_str(), 1);
    else unsetenv("VK_ANSI_CODEPAGE");
    registryUseMemory();
  }
  static void setRegistry(const char16_t* value) {
    ASSERT_EQ(registryCreateKey(RegistryRoot::LocalMachine, kCodePageKey), kRegistryOk);
    ASSERT_EQ(registrySetString(RegistryRoot::LocalMachine, kCodePageKey, kAnsiCodePageValue, value),
              kRegistryOk);
  }

  bool hadVariable_ = false;
  std::string saved_;
};

TEST_F(AnsiCodePageSource, TheVariableOverTheRegistryOverTheDefault) {
  const struct {
    const char* variable;      // null: unset
    const char16_t* registry;  // null: no ACP value
    std::int32_t codePage;
    const char* problem;  // a text the problems hold; null: none
  } cases[] = {
      {nullptr, nullptr, 1252, nullptr},
      {nullptr, u"932", 932, nullptr},
      {"936", u"932", 936, nullptr},
      {"", u"949", 949, nullptr},  // an empty variable sets nothing
      {"65001", u"932", 932, "VK_ANSI_CODEPAGE is refused: 65001 is not an ANSI code page"},
      {"65001", nullptr, 1252, "the ANSI code page is 1252"},
      {nullptr, u"65001", 1252, "ACP value is refused: 65001"},
      {nullptr, u"\u65e5", 1252, "ACP value is refused"},
      {"bad", u"bad", 1252, "VK_ANSI_CODEPAGE is refused: \"bad\" is not a code page number"},
  };
  for (const auto& c : cases) {
    registryUseMemory();
    if (c.registry != nullptr) setRegistry(c.registry);
    if (c.variable != nullptr) setenv("VK_ANSI_CODEPAGE", c.variable, 1);
    else unsetenv("VK_ANSI_CODEPAGE");
    AnsiCodePageSetting setting = readAnsiCodePageSetting();
    std::string what = std::string(c.variable != nullptr ? c.variable : "(unset)");
    EXPECT_EQ(setting.codePage, c.codePage) << what;
    if (c.problem == nullptr) {
      EXPECT_EQ(setting.problems, "") << what;
    } else {
      EXPECT_NE(setting.problems.find(c.problem), std::string::npos) << what << ": " << setting.problems;
    }
  }
}

}  // namespace
}  // namespace vk::platform
