// The command-line client's values: arguments made into VARIANTs, results printed from them,
// and the member list of --help.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/vkstring/help.h"
#include "tools/vkstring/values.h"

namespace vk::cli {
namespace {

Argument parsedArgument(const std::string& text) {
  Call call;
  std::string error;
  EXPECT_TRUE(parseCall("F(" + text + ")", &call, &error)) << error;
  return call.arguments.at(0);
}

std::vector<unsigned char> bytesOf(const VARIANT& v) {
  std::vector<unsigned char> bytes;
  if (v.vt != (VT_ARRAY | VT_UI1)) return bytes;
  LONG upper = -1;
  SafeArrayGetUBound(v.parray, 1, &upper);
  void* data = nullptr;
  SafeArrayAccessData(v.parray, &data);
  auto* p = static_cast<unsigned char*>(data);
  bytes.assign(p, p + upper + 1);
  SafeArrayUnaccessData(v.parray);
  return bytes;
}

TEST(ClientValues, ArgumentsBecomeTheirVariants) {
  ByteSources sources;
  VARIANT v;
  std::string error;

  ASSERT_TRUE(makeArgument(parsedArgument("\"h\u00E9 \U0001F600\""), sources, &v, &error));
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal), SysStringLen(v.bstrVal)),
            u"h\u00E9 \U0001F600");
  VariantClear(&v);

  ASSERT_TRUE(makeArgument(parsedArgument("\"\""), sources, &v, &error));
  ASSERT_EQ(v.vt, VT_BSTR);
  ASSERT_NE(v.bstrVal, nullptr);  // an empty string, not a null one
  EXPECT_EQ(SysStringLen(v.bstrVal), 0u);
  VariantClear(&v);

  ASSERT_TRUE(makeArgument(parsedArgument("&HFFFFFFFF"), sources, &v, &error));
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, -1);

  ASSERT_TRUE(makeArgument(parsedArgument("#2024-03-05 18:00#"), sources, &v, &error));
  EXPECT_EQ(v.vt, VT_DATE);
  EXPECT_DOUBLE_EQ(v.date, 45356.75);
}

TEST(ClientValues, FileArgumentsCarryTheFilesBytes) {
  const std::string path = ::testing::TempDir() + "vkstring_values_test.bin";
  const std::vector<unsigned char> written = {0x00, 0x82, 0xA0, 0xFF, 'a', '\n', 0x00};
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(written.data()), written.size());
  const std::string empty = ::testing::TempDir() + "vkstring_values_empty.bin";
  std::ofstream(empty, std::ios::binary).flush();

  ByteSources sources;
  VARIANT v;
  std::string error;
  ASSERT_TRUE(makeArgument(parsedArgument("@\"" + path + "\""), sources, &v, &error)) << error;
  EXPECT_EQ(bytesOf(v), written);
  std::string line;
  ASSERT_TRUE(formatResult(v, &line));
  EXPECT_EQ(line, "0082a0ff610a00");
  VariantClear(&v);

  ASSERT_TRUE(makeArgument(parsedArgument("@" + empty), sources, &v, &error)) << error;
  EXPECT_EQ(v.vt, VT_ARRAY | VT_UI1);
  EXPECT_TRUE(bytesOf(v).empty());
  VariantClear(&v);

  EXPECT_FALSE(makeArgument(parsedArgument("@" + path + ".missing"), sources, &v, &error));
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_NE(error.find("cannot open '" + path + ".missing'"), std::string::npos) << error;
  std::remove(path.c_str());
  std::remove(empty.c_str());
}

TEST(ClientValues, ResultsPrintOneLineEach) {
  struct Case {
    VARIANT value;
    bool printed;
    const char* line;
  };
  std::vector<Case> cases;
  VARIANT v;
  VariantInit(&v);
  cases.push_back({v, false, ""});  // a member without a result
  v.vt = VT_NULL;
  cases.push_back({v, true, ""});  // an empty byte array
  v.vt = VT_I4;
  v.lVal = -2147483647 - 1;
  cases.push_back({v, true, "-2147483648"});
  v.lVal = 1;
  cases.push_back({v, true, "1"});
  v.vt = VT_DATE;
  v.date = 45356.0 + (14 * 3600 + 3 * 60 + 7) / 86400.0;
  cases.push_back({v, true, "2024-03-05T14:03:07"});
  v.date = 0.0;
  cases.push_back({v, true, "1899-12-30T00:00:00"});
  v.date = 1e9;
  cases.push_back({v, true, "(date out of range: 1000000000)"});
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(reinterpret_cast<const OLECHAR*>(u"Gr\u00FC\u00DFe \u3053\U0001F600"));
  cases.push_back({v, true,
                   "Gr\xC3\xBC\xC3\x9F"
                   "e \xE3\x81\x93\xF0\x9F\x98\x80"});
  v.bstrVal = nullptr;
  cases.push_back({v, true, ""});  // a null string reads as empty
  for (Case& c : cases) {
    std::string line = "unchanged";
    EXPECT_EQ(formatResult(c.value, &line), c.printed) << c.line;
    if (c.printed) { EXPECT_EQ(line, c.line); }
    VariantClear(&c.value);
  }
}

TEST(ClientHelp, ListsEveryMemberOfTheTable) {
  std::string help = helpText();
  std::size_t listed = 0;
  for (const MemberInfo& m : kMembers) {
    std::string line = "\n  " + memberSignature(m) + "\n";
    EXPECT_NE(help.find(line), std::string::npos) << m.name;
    ++listed;
  }
  EXPECT_EQ(listed, 53u);
  EXPECT_NE(help.find("Members (53):"), std::string::npos);

  struct Case {
    const char* name;
    bool put;
    const char* signature;
  } cases[] = {
      {"Str", false, "Str As String"},
      {"str", true, "Str = newVal As String"},
      {"LOADFILE", false, "LoadFile(filename As String, charset As String) As Long"},
      {"Trim", false, "Trim"},
      {"AppendMultibyte", false, "AppendMultibyte(mbtext As Variant, charset As String)"},
      {"AppendDateRfc822", false, "AppendDateRfc822(dt As Date)"},
  };
  for (const Case& c : cases) {
    const MemberInfo* m = findMember(c.name, c.put);
    ASSERT_NE(m, nullptr) << c.name;
    EXPECT_EQ(memberSignature(*m), c.signature);
  }
  EXPECT_EQ(findMember("Length", true), nullptr);
  EXPECT_EQ(findMember("Lengths", false), nullptr);
  EXPECT_EQ(findMember("Lengt", false), nullptr);
}

TEST(ClientHelp, StrictAppliesToTheMembersThatReportSuccess) {
  std::vector<std::string> names;
  for (const MemberInfo& m : kMembers) {
    if (reportsSuccess(m)) names.push_back(m.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"LoadFile", "SaveToFile", "AppendToFile"}));
  EXPECT_NE(helpText().find("when LoadFile, SaveToFile or AppendToFile answers 0"), std::string::npos);
}

}  // namespace
}  // namespace vk::cli
