// The string object through its interface (vtable calls), as a compiled client uses it.
#include <gtest/gtest.h>

#include "test_bstr.h"

#include <string>

#include "ansi_scope.h"
#include "component/vkstring.h"

namespace vk {
namespace {

using test::Bstr;

class VkStringTest : public ::testing::Test {
 protected:
  VkStringTest() : object_(new VkString) { object_->AddRef(); }
  ~VkStringTest() override { object_->Release(); }

  IVkString* object() { return object_; }
  std::u16string str() {
    Bstr result;
    EXPECT_EQ(object_->get_Str(result.out()), S_OK);
    EXPECT_NE(result.get(), nullptr);
    return result.text();
  }
  void put(const std::u16string& text) {
    Bstr value(text);
    EXPECT_EQ(object_->put_Str(value.get()), S_OK);
  }
  LONG length() {
    LONG n = -1;
    EXPECT_EQ(object_->Length(&n), S_OK);
    return n;
  }

  VkString* object_;
};

TEST_F(VkStringTest, NewObjectIsEmptyButNotNull) {
  EXPECT_EQ(str(), u"");
  EXPECT_EQ(length(), 0);
}

TEST_F(VkStringTest, PuttingNullGivesEmpty) {
  put(u"abc");
  EXPECT_EQ(object()->put_Str(nullptr), S_OK);
  EXPECT_EQ(str(), u"");
}

TEST_F(VkStringTest, EmbeddedZeroUnitsRoundTrip) {
  put(std::u16string(u"a\0b\0", 4));
  EXPECT_EQ(str(), std::u16string(u"a\0b\0", 4));
  EXPECT_EQ(length(), 4);
}

TEST_F(VkStringTest, EmptyArgumentsLeaveTheTextEmpty) {
  Bstr empty(u"");
  EXPECT_EQ(object()->Append(empty.get()), S_OK);
  EXPECT_EQ(object()->Prepend(empty.get()), S_OK);
  EXPECT_EQ(object()->Append(nullptr), S_OK);
  EXPECT_EQ(object()->Clear(), S_OK);
  EXPECT_EQ(str(), u"");
}

TEST_F(VkStringTest, PrependThenAppend) {
  put(u"cd");
  Bstr ab(u"ab"), ef(u"ef");
  object()->Prepend(ab.get());
  EXPECT_EQ(str(), u"abcd");
  object()->Append(ef.get());
  EXPECT_EQ(str(), u"abcdef");
}

// Appending nothing must not push the text through the ANSI code page.
TEST_F(VkStringTest, AppendingNothingKeepsCharactersOutsideTheAnsiCodePage) {
  test::AnsiCodePageScope ansi(1252);
  put(u"\u03A9\u65E5");
  Bstr empty(u"");
  object()->Append(empty.get());
  object()->Append(nullptr);
  EXPECT_EQ(str(), u"\u03A9\u65E5");
  Bstr more(u"\u0416");
  object()->Append(more.get());
  EXPECT_EQ(str(), u"\u03A9\u65E5\u0416");
}

TEST_F(VkStringTest, PrependOntoAnAnsiValueKeepsTheArgument) {
  test::AnsiCodePageScope ansi(1252);
  put(u"abc");
  object_->value().shorten(0);  // leaves the ANSI form alone current
  Bstr omega(u"\u03A9");
  object()->Prepend(omega.get());
  EXPECT_EQ(str(), u"\u03A9abc");
}

TEST_F(VkStringTest, LengthCountsAnsiBytesOnlyWhileTheAnsiFormIsCurrent) {
  test::AnsiCodePageScope ansi(932);
  put(u"\u3042\u3044");
  EXPECT_EQ(length(), 2);
  object_->value().shorten(0);
  EXPECT_EQ(length(), 4);
  put(u"\u3042\u3044");
  EXPECT_EQ(length(), 2);
}

TEST_F(VkStringTest, NullArgumentsBehaveAsEmptyOnes) {
  put(u"xy");
  object()->Prepend(nullptr);
  object()->Append(nullptr);
  EXPECT_EQ(str(), u"xy");
}

TEST_F(VkStringTest, QueryInterfaceAnswersItsInterfaces) {
  void* out = nullptr;
  EXPECT_EQ(object()->QueryInterface(IID_IDispatch, &out), S_OK);
  EXPECT_EQ(out, static_cast<IVkString*>(object_));
  static_cast<IUnknown*>(out)->Release();
  EXPECT_EQ(object()->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object()->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
}  // namespace vk
