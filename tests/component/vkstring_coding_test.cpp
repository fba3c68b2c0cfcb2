#include <gtest/gtest.h>

#include <string>

#include "ansi_scope.h"
#include "component/vkstring.h"

namespace vk {
namespace {

BSTR wide(const std::u16string& text) {
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}
BSTR wide(const char* ascii) {
  std::string a(ascii);
  return wide(std::u16string(a.begin(), a.end()));
}

std::u16string take(BSTR text) {
  std::u16string units(text, SysStringLen(text));
  SysFreeString(text);
  return units;
}

std::u16string textOf(VkString& object) {
  BSTR text = nullptr;
  object.get_Str(&text);
  return take(text);
}

struct AppendCase {
  const char* label;
  std::u16string argument;
  const char* encoding;
  const char* charset;
  std::u16string appended;
};

class AppendEncodedMember : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendEncodedMember, AppendsTheDecodedText) {
  const AppendCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  VkString object;
  BSTR start = wide(u"\u03B1:");  // outside code page 1252: nothing may pass it through ANSI
  object.put_Str(start);
  BSTR argument = wide(c.argument), encoding = wide(c.encoding), charset = wide(c.charset);
  EXPECT_EQ(object.AppendEncoded(argument, encoding, charset), S_OK);
  EXPECT_EQ(textOf(object), u"\u03B1:" + c.appended);
  if (c.appended.empty()) {
    EXPECT_TRUE(object.value().isWideCurrent());  // nothing changed
  }
  for (BSTR s : {start, argument, encoding, charset}) SysFreeString(s);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendEncodedMember,
    ::testing::Values(AppendCase{"Base64Trimmed", u" YWJj\r\n", "base64", "utf-8", u"abc"},
                      AppendCase{"Base64InnerSpace", u"YW Jj", "Base-64", "utf-8", u"abc"},
                      AppendCase{"Base64Star", u"YW*j", "base64", "utf-8", u""},
                      AppendCase{"Base64Hyphen", u"YW-j", "base64", "utf-8", u""},
                      AppendCase{"Base64StopsAtPad", u"YQ==Yg==", "base64", "utf-8", u"a"},
                      AppendCase{"Base64ZeroByteEnds", u"YQBi", "base64", "utf-8", u"a"},
                      AppendCase{"Base64Utf16", u"6QA=", "base64", "utf-16le", u"\u00E9"},
                      AppendCase{"HexUtf8", u"c3a9", "hex", "utf-8", u"\u00E9"},
                      AppendCase{"HexLatin1", u"E9", "hexidecimal", "iso-8859-1", u"\u00E9"},
                      AppendCase{"HexShiftJis", u" 82A0 ", "HEX", "shift_jis", u"\u3042"},
                      AppendCase{"Url", u"a%2db+c", "url", "utf-8", u"a-b c"},
                      AppendCase{"UrlCut", u"abc%", "url", "utf-8", u"abc"},
                      AppendCase{"UrlCutDigit", u"abc%4", "url", "utf-8", u"abc"},
                      AppendCase{"QuotedPrintable", u"caf=C3=A9=\r\n!", "quoted-printable", "utf-8",
                                 u"caf\u00E9!"},
                      AppendCase{"QuotedPrintableEmpty", u"", "qp", "utf-8", u""},
                      AppendCase{"UnknownCharset", u"YWJj", "base64", "no-such-charset", u""},
                      AppendCase{"NameWithSpace", u"YWJj", " base64", "utf-8", u""},
                      AppendCase{"UnknownCoding", u"YWJj", "base32", "utf-8", u""}),
    [](const auto& info) { return std::string(info.param.label); });

struct GetCase {
  const char* label;
  std::u16string text;
  const char* encoding;
  const char* charset;
  std::u16string coded;
};

class GetEncodedMember : public ::testing::TestWithParam<GetCase> {};

TEST_P(GetEncodedMember, ReturnsTheCodedBytesAndKeepsTheValue) {
  const GetCase& c = GetParam();
  VkString object;
  BSTR start = wide(c.text);
  object.put_Str(start);
  BSTR encoding = wide(c.encoding), charset = wide(c.charset);
  BSTR result = nullptr;
  EXPECT_EQ(object.GetEncoded(encoding, charset, &result), S_OK);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(take(result), c.coded);
  EXPECT_EQ(textOf(object), c.text);
  EXPECT_EQ(object.GetEncoded(encoding, charset, nullptr), S_OK);
  for (BSTR s : {start, encoding, charset}) SysFreeString(s);
}

std::u16string repeated(const std::u16string& unit, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i) out += unit;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetEncodedMember,
    ::testing::Values(GetCase{"Base64", u"abc", "base64", "utf-8", u"YWJj"},
                      GetCase{"Base64UpperName", u"abc", "BASE64", "utf-8", u"YWJj"},
                      // 100 characters give one line of 136, without line breaks.
                      GetCase{"Base64OneLine", repeated(u"a", 100), "base64", "utf-8",
                              repeated(u"YWFh", 33) + u"YQ=="},
                      GetCase{"Base64ShiftJis", u"\u3042", "base64", "shift_jis", u"gqA="},
                      GetCase{"Hex", u"\u00E9", "hex", "utf-8", u"C3A9"},
                      GetCase{"HexLatin1", u"\u00E9", "hex", "iso-8859-1", u"E9"},
                      GetCase{"Url", u"a b-c", "url", "utf-8", u"a+b%2Dc"},
                      GetCase{"QuotedPrintable", u".x \u00E9", "qp", "utf-8", u"=2Ex =C3=A9"},
                      GetCase{"EmptyValue", u"", "base64", "utf-8", u""},
                      GetCase{"NameWithSpace", u"abc", " base64", "utf-8", u""},
                      GetCase{"UnknownCoding", u"abc", "base32", "utf-8", u""},
                      GetCase{"UnknownCharset", u"abc", "base64", "no-such-charset", u""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vk
