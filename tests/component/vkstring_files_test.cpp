#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "ansi_scope.h"
#include "component/vkstring.h"
#include "files/file_test_support.h"
#include "platform/automation.h"
#include "test_bstr.h"

namespace vk {
namespace {

using test::Bytes;
using test::hex;
using test::TempDir;

using test::Bstr;

std::u16string textOf(VkString& object) {
  BSTR text = nullptr;
  object.get_Str(&text);
  std::u16string units(text, SysStringLen(text));
  SysFreeString(text);
  return units;
}

void setText(VkString& object, const std::u16string& text) {
  Bstr value(text);
  object.put_Str(value);
}

// The wide name of a file in the directory ("" stands for an empty name).
std::u16string wideName(const TempDir& dir, const std::u16string& name) {
  if (name.empty()) return u"";
  return test::u16(dir.path() + "/") + name;
}

const std::u16string kGreek = u"\u03C3.txt";
const std::string kGreekUtf8 = "\xCF\x83.txt";

std::string utf8Name(const std::u16string& name) {
  return name == kGreek ? kGreekUtf8 : std::string(name.begin(), name.end());
}

// --- LoadFile

struct LoadCase {
  const char* label;
  std::u16string name;           // in the temporary directory
  std::optional<Bytes> content;  // none: no file
  const char* charset;
  LONG success;
  std::string utf8;  // the value's UTF-8 form afterwards ("keep": the text from before)
};

class LoadFileMember : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadFileMember, ReplacesTheTextOrKeepsIt) {
  const LoadCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  if (c.content) test::writeAll(dir.path() + "/" + utf8Name(c.name), *c.content);
  VkString object;
  setText(object, u"keep");
  Bstr name(wideName(dir, c.name));
  Bstr charset{std::string(c.charset)};
  LONG success = -1;
  EXPECT_EQ(object.LoadFile(name, charset, &success), S_OK);
  EXPECT_EQ(success, c.success);
  // The UTF-8 form is what LoadFile sets: it holds the converted bytes as they are.
  EXPECT_EQ(test::show(test::bytesOf(object.value().getUtf8())), test::show(test::bytesOf(c.utf8)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFileMember,
    ::testing::Values(
        // The mark stays in the text as the character U+FEFF.
        LoadCase{"MarkKeptAsCharacter", u"a.txt", hex("EF BB BF 41"), "utf-8", 1,
                 "\xEF\xBB\xBF"
                 "A"},
        LoadCase{"ZeroEndsText", u"a.txt", hex("61 00 62"), "utf-8", 1, "a"},
        LoadCase{"ZeroLength", u"a.txt", Bytes{}, "utf-8", 1, ""},
        LoadCase{"ShiftJis", u"a.txt", hex("82 A0 41"), "Shift_JIS", 1,
                 "\xE3\x81\x82"
                 "A"},
        LoadCase{"Utf16", u"a.txt", hex("41 00 42 00"), "utf-16", 1, "AB"},
        LoadCase{"OtherName", kGreek, test::bytesOf("x"), "utf-8", 1, "x"},
        LoadCase{"Missing", u"a.txt", std::nullopt, "utf-8", 0, "keep"},
        LoadCase{"EmptyName", u"", std::nullopt, "utf-8", 0, "keep"},
        // A charset that is not known, or that nothing converts, fails and keeps the text.
        LoadCase{"UnknownCharset", u"a.txt", test::bytesOf("x"), "no-such-charset", 0, "keep"},
        LoadCase{"NoConverter", u"a.txt", test::bytesOf("x"), "x-iscii-de", 0, "keep"}),
    [](const auto& info) { return std::string(info.param.label); });

// What Length and Str show after loading a file that begins with a byte-order mark: the
// member itself never strips one, so a mark that the charset's conversion passes through
// (UTF-8 into UTF-8, UTF-7 and UTF-32 decoded to U+FEFF) stays as the character U+FEFF; a
// UTF-16 mark is dropped by the conversion from UTF-16; under a single-byte charset the
// three bytes are three characters.
struct MarkLoadCase {
  const char* label;
  Bytes content;
  const char* charset;
  LONG length;
  std::u16string text;
};

class LoadFileMark : public ::testing::TestWithParam<MarkLoadCase> {};

TEST_P(LoadFileMark, KeepsTheMarkWhereTheConversionPassesItThrough) {
  const MarkLoadCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  test::writeAll(dir.path() + "/m.txt", c.content);
  VkString object;
  Bstr name(wideName(dir, u"m.txt"));
  Bstr charset{std::string(c.charset)};
  LONG success = -1;
  ASSERT_EQ(object.LoadFile(name, charset, &success), S_OK);
  ASSERT_EQ(success, 1);
  LONG length = -1;
  object.Length(&length);
  EXPECT_EQ(length, c.length);
  EXPECT_EQ(textOf(object), c.text);
  // Read again after a UTF-8 operation: the character is still there.
  object.Trim();
  EXPECT_EQ(textOf(object), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFileMark,
    ::testing::Values(MarkLoadCase{"Utf8", hex("EF BB BF 41"), "utf-8", 2,
                                   u"\uFEFF"
                                   u"A"},
                      MarkLoadCase{"Utf8MarkOnly", hex("EF BB BF"), "utf-8", 1, u"\uFEFF"},
                      MarkLoadCase{"Utf7", test::bytesOf("+/v8-A"), "utf-7", 2,
                                   u"\uFEFF"
                                   u"A"},
                      MarkLoadCase{"Utf32", hex("FF FE 00 00 41 00 00 00"), "utf-32", 2,
                                   u"\uFEFF"
                                   u"A"},
                      MarkLoadCase{"Utf16LittleEndian", hex("FF FE 41 00"), "utf-16", 1, u"A"},
                      MarkLoadCase{"Utf16BigEndian", hex("FE FF 00 41"), "unicodeFFFE", 1, u"A"},
                      MarkLoadCase{"Windows1252", hex("EF BB BF 41"), "windows-1252", 4,
                                   u"\u00EF\u00BB\u00BF"
                                   u"A"}),
    [](const auto& info) { return std::string(info.param.label); });

// --- SaveToFile and AppendToFile

struct SaveCase {
  const char* label;
  bool append;
  std::u16string text;
  const char* charset;
  std::u16string name;
  std::optional<Bytes> before;
  LONG success;
  std::optional<Bytes> after;
};

class SaveMembers : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveMembers, WriteTheConvertedBytesOrTouchNothing) {
  const SaveCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  std::string path = dir.path() + "/" + utf8Name(c.name);
  if (c.before) test::writeAll(path, *c.before);
  VkString object;
  setText(object, c.text);
  Bstr name(wideName(dir, c.name));
  Bstr charset{std::string(c.charset)};
  LONG success = -1;
  EXPECT_EQ(
      c.append ? object.AppendToFile(name, charset, &success) : object.SaveToFile(name, charset, &success),
      S_OK);
  EXPECT_EQ(success, c.success);
  if (c.name.empty()) return;
  ASSERT_EQ(test::exists(path), c.after.has_value());
  if (c.after) {
    EXPECT_EQ(test::show(test::readAll(path)), test::show(*c.after));
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{utf8Name(c.name)});
  }
  EXPECT_EQ(textOf(object), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Save, SaveMembers,
    ::testing::Values(
        SaveCase{"ShiftJis", false, u"\u3042A", "shift_jis", u"a.txt", std::nullopt, 1, hex("82 A0 41")},
        SaveCase{"NoMarkWritten", false, u"A", "utf-16", u"a.txt", std::nullopt, 1, hex("41 00")},
        SaveCase{"EmptyTextTruncates", false, u"", "utf-8", u"a.txt", test::bytesOf("old"), 1, Bytes{}},
        SaveCase{"MissingCharacterLeftOut", false, u"\u03B1b", "windows-1252", u"a.txt", std::nullopt, 1,
                 test::bytesOf("b")},
        SaveCase{"EmptyName", false, u"abc", "utf-8", u"", std::nullopt, 0, std::nullopt},
        SaveCase{"OtherName", false, u"abc", "utf-8", kGreek, std::nullopt, 1, test::bytesOf("abc")},
        // Failing charsets create, truncate and touch nothing.
        SaveCase{"UnknownCharsetKeepsFile", false, u"abc", "no-such-charset", u"a.txt", test::bytesOf("old"),
                 0, test::bytesOf("old")},
        SaveCase{"UnknownCharsetCreatesNothing", false, u"abc", "utf8", u"a.txt", std::nullopt, 0,
                 std::nullopt},
        SaveCase{"NoConverterKeepsFile", false, u"abc", "x-iscii-de", u"a.txt", test::bytesOf("old"), 0,
                 test::bytesOf("old")}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Append, SaveMembers,
    ::testing::Values(
        SaveCase{"EmptyTextCreatesNothing", true, u"", "utf-8", u"a.txt", std::nullopt, 1, std::nullopt},
        SaveCase{"Creates", true, u"ab", "utf-8", u"a.txt", std::nullopt, 1, test::bytesOf("ab")},
        SaveCase{"AppendsAtEnd", true, u"\u00E9", "utf-8", u"a.txt", test::bytesOf("12"), 1,
                 hex("31 32 C3 A9")},
        SaveCase{"EmptyName", true, u"ab", "utf-8", u"", std::nullopt, 0, std::nullopt},
        SaveCase{"EmptyNameEmptyText", true, u"", "utf-8", u"", std::nullopt, 0, std::nullopt},
        SaveCase{"OtherName", true, u"ab", "utf-8", kGreek, test::bytesOf("12"), 1, test::bytesOf("12ab")},
        SaveCase{"UnknownCharset", true, u"ab", "no-such-charset", u"a.txt", test::bytesOf("12"), 0,
                 test::bytesOf("12")}),
    [](const auto& info) { return std::string(info.param.label); });

class CharsetRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(CharsetRoundTrip, SavedTextLoadsBackUnchanged) {
  const std::u16string text = u"Grüße \u3042\u30A2 \U0001F600 +x-";
  TempDir dir;
  Bstr name(test::u16(dir.file("round.txt")));
  Bstr charset{std::string(GetParam())};
  VkString saver;
  setText(saver, text);
  LONG success = 0;
  saver.SaveToFile(name, charset, &success);
  ASSERT_EQ(success, 1);
  VkString loader;
  loader.LoadFile(name, charset, &success);
  ASSERT_EQ(success, 1);
  EXPECT_EQ(textOf(loader), text);
}

INSTANTIATE_TEST_SUITE_P(Charsets, CharsetRoundTrip,
                         ::testing::Values("utf-8", "utf-16", "utf-16be", "utf-32", "utf-32be", "utf-7"));

// --- AppendMultibyte and EmitMultibyte

VARIANT plain(VARTYPE vt, std::int64_t bits) {
  VARIANT v;
  v.vt = vt;
  v.llVal = bits;
  return v;
}

struct MultibyteCase {
  const char* label;
  VARIANT (*make)();
  const char* charset;
  std::u16string appended;
};

VARIANT wideHi() {
  VARIANT v = plain(VT_BSTR, 0);
  v.bstrVal = SysAllocString(u"hi");
  return v;
}
VARIANT shiftJisBytes() {
  VARIANT v = plain(VT_ARRAY | VT_UI1, 0);
  v.parray = SafeArrayCreateVector(VT_UI1, 0, 2);
  void* data = nullptr;
  SafeArrayAccessData(v.parray, &data);
  std::memcpy(data, "\x82\xA0", 2);
  SafeArrayUnaccessData(v.parray);
  return v;
}

class AppendMultibyteMember : public ::testing::TestWithParam<MultibyteCase> {};

TEST_P(AppendMultibyteMember, AppendsTheBytesReadInTheCharset) {
  VkString object;
  setText(object, u"\u03B1:");  // outside code page 1252: a pass through the ANSI form would lose it
  test::AnsiCodePageScope ansi(1252);
  VARIANT value = GetParam().make();
  Bstr charset{std::string(GetParam().charset)};
  EXPECT_EQ(object.AppendMultibyte(value, charset), S_OK);
  EXPECT_EQ(textOf(object), u"\u03B1:" + GetParam().appended);
  VariantClear(&value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendMultibyteMember,
    ::testing::Values(MultibyteCase{"StringAsUtf16", wideHi, "utf-16le", u"hi"},
                      MultibyteCase{"StringBytesAsUtf8StopAtZero", wideHi, "utf-8", u"h"},
                      MultibyteCase{"Integer", [] { return plain(VT_I4, 0x64636261); }, "utf-8", u"abcd"},
                      MultibyteCase{"ByteArray", shiftJisBytes, "sjis", u"\u3042"},
                      MultibyteCase{"Empty", [] { return plain(VT_EMPTY, 0); }, "utf-8", u""},
                      MultibyteCase{"UnknownCharset", wideHi, "no-such-charset", u""}),
    [](const auto& info) { return std::string(info.param.label); });

struct EmitCase {
  std::u16string text;
  const char* charset;
  std::optional<Bytes> bytes;  // none: VT_NULL
};

class EmitMultibyteMember : public ::testing::TestWithParam<EmitCase> {};

TEST_P(EmitMultibyteMember, HandsOutAByteArrayOrNull) {
  VkString object;
  setText(object, GetParam().text);
  Bstr charset{std::string(GetParam().charset)};
  VARIANT out = plain(VT_I4, 1);
  EXPECT_EQ(object.EmitMultibyte(charset, &out), S_OK);
  if (!GetParam().bytes) {
    EXPECT_EQ(out.vt, VT_NULL);
  } else {
    ASSERT_EQ(out.vt, VT_ARRAY | VT_UI1);
    LONG lower = -1;
    SafeArrayGetLBound(out.parray, 1, &lower);
    EXPECT_EQ(lower, 0);
    DataBuffer bytes;
    bytes.appendVariant(out);
    EXPECT_EQ(test::contents(bytes), *GetParam().bytes);
  }
  VariantClear(&out);
  EXPECT_EQ(object.EmitMultibyte(charset, nullptr), S_OK);
  EXPECT_EQ(textOf(object), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, EmitMultibyteMember,
                         ::testing::Values(EmitCase{u"", "utf-8", std::nullopt},
                                           EmitCase{u"\u00E9", "utf-8", hex("C3 A9")},
                                           EmitCase{u"\u3042", "shift_jis", hex("82 A0")},
                                           EmitCase{u"A", "utf-16be", hex("00 41")},
                                           EmitCase{u"abc", "no-such-charset", std::nullopt}));

}  // namespace
}  // namespace vk
