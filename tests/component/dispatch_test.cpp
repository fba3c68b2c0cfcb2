// The member dispatcher: name lookup, argument placement, dereferencing and coercion, results
// and the standard errors. A recording IVkString made from the member list shows what each call
// delivered; the real VkString shows its members working through Invoke.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "component/dispatch.h"
#include "component/member_table.h"
#include "component/vkstring.h"
#include "platform/variant_values.h"

namespace vk::test {
namespace {

// Each member records "Name(arg,arg)" and answers fixed results.
#define REC_SET_Nothing(n)
#define REC_SET_BSTR(n) *n = SysAllocString(u"out");
#define REC_SET_LONG(n) *n = 42;
#define REC_SET_DATE(n) *n = 45000.5;
#define REC_SET_VARIANT(n) *n = make(Str(u"variant"));
#define REC_BODY(name, shown, rt, rn)                      \
  {                                                        \
    calls.push_back(#name "(" + std::string(shown) + ")"); \
    if (FAILED(answer)) return answer;                     \
    REC_SET_##rt(rn) return S_OK;                          \
  }
#define REC_M0(id, kind, name, fn, rt, rn) \
  HRESULT STDMETHODCALLTYPE fn(VK_OUT_##rt(rn)) override REC_BODY(name, "", rt, rn)
#define REC_M1(id, kind, name, fn, t1, n1, rt, rn) \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1 VK_AFTER_##rt(rn)) override REC_BODY(name, show(n1), rt, rn)
#define REC_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn)                                        \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2 VK_AFTER_##rt(rn)) override REC_BODY( \
      name, show(n1) + "," + show(n2), rt, rn)
#define REC_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn)                                     \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2, VK_IN_##t3 n3 VK_AFTER_##rt(rn)) override \
  REC_BODY(name, show(n1) + "," + show(n2) + "," + show(n3), rt, rn)

class RecordingString final : public IVkString {
 public:
  ~RecordingString() = default;
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, std::uint32_t count, LCID, DISPID* ids) override {
    return dispatchGetIDsOfNames(riid, names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, std::uint32_t* argError) override {
    return dispatchInvoke(this, id, riid, flags, params, result, exception, argError);
  }
  VK_MEMBER_LIST(REC_M0, REC_M1, REC_M2, REC_M3)

  std::vector<std::string> calls;
  BSTR lastText = nullptr;  // the last string argument as received
  HRESULT answer = S_OK;

 private:
  std::string show(BSTR s) {
    lastText = s;
    return s == nullptr ? "null" : "\"" + describe(std::u16string(s, SysStringLen(s))) + "\"";
  }
  static std::string show(LONG n) { return std::to_string(n); }
  static std::string show(DATE d) { return describe(make(Date(d))).substr(6); }
  static std::string show(VARIANT v) { return describe(v); }
};

// Arguments in their natural order; invoke passes them last to first, the first named.size()
// entries of rgvarg being the named ones.
struct Arg {
  enum Mode { Direct, ByRef, ByRefVariant };
  Value value;
  Mode mode = Direct;
};
Arg ByRef(Value v) { return {std::move(v), Arg::ByRef}; }
Arg ByVariant(Value v) { return {std::move(v), Arg::ByRefVariant}; }
const Arg kMissing = {Error(DISP_E_PARAMNOTFOUND)};
constexpr std::uint32_t kNoArgError = 12345;

struct Outcome {
  HRESULT hr;
  std::uint32_t argError;
};

Outcome invoke(IDispatch* object, DISPID id, WORD flags, const std::vector<Arg>& args, VARIANT* result,
               std::vector<DISPID> named = {}, EXCEPINFO* exception = nullptr) {
  std::vector<VARIANT> held, rgvarg(args.size());
  held.reserve(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    held.push_back(make(args[i].value));
    VARIANT& slot = rgvarg[args.size() - 1 - i];
    slot = held[i];
    if (args[i].mode == Arg::ByRef)
      slot.vt = static_cast<VARTYPE>(VT_BYREF | held[i].vt), slot.byref = &held[i].llVal;
    if (args[i].mode == Arg::ByRefVariant) slot.vt = VT_BYREF | VT_VARIANT, slot.pvarVal = &held[i];
  }
  DISPPARAMS params = {rgvarg.data(), named.data(), static_cast<std::uint32_t>(args.size()),
                       static_cast<std::uint32_t>(named.size())};
  std::uint32_t argError = kNoArgError;
  HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, exception, &argError);
  for (VARIANT& v : held) VariantClear(&v);
  return {hr, argError};
}

DISPID dispidOf(const std::string& name) {
  std::u16string wide(name.begin(), name.end());
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, names, 1, &id), S_OK) << name;
  return id;
}

constexpr WORD kMethod = DISPATCH_METHOD, kGet = DISPATCH_PROPERTYGET, kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// ---------------------------------------------------------------------------------------------
// Names

class MemberName : public testing::TestWithParam<std::size_t> {};

TEST_P(MemberName, ResolvesToItsDispidInAnyCase) {
  const MemberInfo& member = kMembers[GetParam()];
  std::string name = member.name, lower = name, upper = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& spelling : {name, lower, upper})
    EXPECT_EQ(dispidOf(spelling), member.dispid) << spelling;
}

INSTANTIATE_TEST_SUITE_P(AllMembers, MemberName, testing::Range<std::size_t>(0, kMemberCount));

class Names
    : public testing::TestWithParam<std::tuple<std::vector<std::u16string>, HRESULT, std::vector<DISPID>>> {};

TEST_P(Names, ResolveMembersAndParameterPositions) {
  auto [names, hr, expected] = GetParam();
  std::vector<LPOLESTR> pointers;
  for (auto& n : names) pointers.push_back(n.data());
  std::vector<DISPID> ids(names.size(), 777);
  EXPECT_EQ(
      dispatchGetIDsOfNames(IID_NULL, pointers.data(), static_cast<std::uint32_t>(names.size()), ids.data()),
      hr);
  EXPECT_EQ(ids, expected);
}

using N = std::vector<std::u16string>;
using D = std::vector<DISPID>;
constexpr DISPID kU = DISPID_UNKNOWN;
INSTANTIATE_TEST_SUITE_P(
    Lookups, Names,
    testing::Values(std::make_tuple(N{u"mid", u"NUMCHARS"}, S_OK, D{44, 1}),
                    std::make_tuple(N{u"AppendEncoded", u"charset", u"Str"}, S_OK, D{50, 2, 0}),
                    std::make_tuple(N{u"str", u"newVal"}, S_OK, D{1, 0}),
                    std::make_tuple(N{u"Mid", u"bogus", u"idx"}, DISP_E_UNKNOWNNAME, D{44, kU, 0}),
                    std::make_tuple(N{u"Length", u"Length"}, DISP_E_UNKNOWNNAME,
                                    D{20, kU}),  // results are no parameters
                    std::make_tuple(N{u"Nope", u"idx"}, DISP_E_UNKNOWNNAME, D{kU, kU}),
                    std::make_tuple(N{u""}, DISP_E_UNKNOWNNAME, D{kU}),
                    std::make_tuple(N{u"Appen"}, DISP_E_UNKNOWNNAME, D{kU}),
                    std::make_tuple(N{u"Append "}, DISP_E_UNKNOWNNAME, D{kU}),
                    std::make_tuple(N{u"\u00C4ppend"}, DISP_E_UNKNOWNNAME, D{kU})));

TEST(Names, RefuseAForeignInterfaceAndNullArrays) {
  std::u16string name = u"Length";
  LPOLESTR names[] = {name.data()}, none[] = {nullptr};
  DISPID id = 0;
  EXPECT_EQ(dispatchGetIDsOfNames(IID_IDispatch, names, 1, &id), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, nullptr, 1, &id), E_INVALIDARG);
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, names, 1, nullptr), E_INVALIDARG);
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, none, 1, &id), DISP_E_UNKNOWNNAME);
}

// ---------------------------------------------------------------------------------------------
// Invocation: by name, with flags, arguments (positional or named) and the expected outcome

struct InvokeCase {
  const char* member;
  WORD flags;
  std::vector<Arg> args;
  HRESULT hr;
  std::uint32_t argError;
  const char* call;  // what the member received, "" when it was not called
  Value result = Empty();
  std::vector<DISPID> named = {};
};

void PrintTo(const InvokeCase& c, std::ostream* os) { *os << c.member << " " << c.call; }

const InvokeCase kInvokeCases[] = {
    {"Length", kGet, {}, S_OK, kNoArgError, "Length()", I4(42)},
    {"Length", kMethod, {}, S_OK, kNoArgError, "Length()", I4(42)},
    {"Str", kCall, {}, S_OK, kNoArgError, "Str()", Str(u"out")},
    {"NumAscii", kGet, {}, S_OK, kNoArgError, "NumAscii()", I4(42)},
    {"ParseDateRfc822", kCall, {}, S_OK, kNoArgError, "ParseDateRfc822()", Date(45000.5)},
    {"EmitMultibyte",
     kCall,
     {{Str(u"utf-8")}},
     S_OK,
     kNoArgError,
     "EmitMultibyte(\"utf-8\")",
     Str(u"variant")},
    // strings: exact, referenced, coerced
    {"Append", kMethod, {ByRef(Str(u"ab"))}, S_OK, kNoArgError, "Append(\"ab\")"},
    {"Append", kMethod, {ByVariant(Str(u"ab"))}, S_OK, kNoArgError, "Append(\"ab\")"},
    {"Append", kMethod, {{I4(5)}}, S_OK, kNoArgError, "Append(\"5\")"},
    {"Append", kMethod, {ByVariant(R8(1.5))}, S_OK, kNoArgError, "Append(\"1.5\")"},
    {"Append", kMethod, {{Empty()}}, S_OK, kNoArgError, "Append(\"\")"},
    {"Append", kMethod, {{Null()}}, DISP_E_TYPEMISMATCH, 0, ""},
    {"Append", kMethod, {kMissing}, DISP_E_PARAMNOTOPTIONAL, 0, ""},
    {"Append", kMethod, {}, DISP_E_BADPARAMCOUNT, kNoArgError, ""},
    {"Append", kMethod, {{Str(u"a")}, {Str(u"b")}}, DISP_E_BADPARAMCOUNT, kNoArgError, ""},
    {"Length", kCall, {{I4(1)}}, DISP_E_BADPARAMCOUNT, kNoArgError, ""},
    // longs
    {"Shorten", kMethod, {{I2(5)}}, S_OK, kNoArgError, "Shorten(5)"},
    {"Shorten", kMethod, {{R8(5.5)}}, S_OK, kNoArgError, "Shorten(6)"},
    {"Shorten", kMethod, {{R8(4.5)}}, S_OK, kNoArgError, "Shorten(4)"},
    {"Shorten", kMethod, {{Str(u"5")}}, S_OK, kNoArgError, "Shorten(5)"},
    {"Shorten", kMethod, {ByRef(Str(u"&H10"))}, S_OK, kNoArgError, "Shorten(16)"},
    {"Shorten", kMethod, {ByRef(I4(-7))}, S_OK, kNoArgError, "Shorten(-7)"},
    {"Shorten", kMethod, {{Str(u"abc")}}, DISP_E_TYPEMISMATCH, 0, ""},
    {"Shorten", kMethod, {{R8(1e10)}}, DISP_E_OVERFLOW, 0, ""},
    {"Mid", kCall, {{I4(2)}, {I2(3)}}, S_OK, kNoArgError, "Mid(2,3)", Str(u"out")},
    {"Mid", kCall, {{I4(2)}, {Str(u"x")}}, DISP_E_TYPEMISMATCH, 0, ""},
    {"Mid", kCall, {{Str(u"x")}, {I4(3)}}, DISP_E_TYPEMISMATCH, 1, ""},
    {"Mid", kCall, {kMissing, {I4(3)}}, DISP_E_PARAMNOTOPTIONAL, 1, ""},
    {"AppendEncoded",
     kMethod,
     {{Str(u"a")}, {Str(u"b")}, {I4(3)}},
     S_OK,
     kNoArgError,
     "AppendEncoded(\"a\",\"b\",\"3\")"},
    {"AppendEncoded", kMethod, {{Str(u"a")}, {Null()}, {Str(u"c")}}, DISP_E_TYPEMISMATCH, 1, ""},
    // dates and variants
    {"AppendDateRfc822", kMethod, {{Date(45000.5)}}, S_OK, kNoArgError, "AppendDateRfc822(45000.5)"},
    {"AppendDateRfc3339", kMethod, {{Str(u"2023-03-15")}}, S_OK, kNoArgError, "AppendDateRfc3339(45000)"},
    {"AppendDateRfc3339", kMethod, {ByRef(I4(2))}, S_OK, kNoArgError, "AppendDateRfc3339(2)"},
    {"AppendDateRfc3339", kMethod, {{Str(u"soon")}}, DISP_E_TYPEMISMATCH, 0, ""},
    {"AppendMultibyte", kMethod, {{I4(7)}, {Str(u"x")}}, S_OK, kNoArgError, "AppendMultibyte(vt 3: 7,\"x\")"},
    {"AppendMultibyte",
     kMethod,
     {ByRef(I4(7)), {Str(u"x")}},
     S_OK,
     kNoArgError,
     "AppendMultibyte(vt 3: 7,\"x\")"},
    {"AppendMultibyte",
     kMethod,
     {ByVariant(Str(u"z")), {Str(u"x")}},
     S_OK,
     kNoArgError,
     "AppendMultibyte(vt 8: \"z\",\"x\")"},
    {"AppendMultibyte", kMethod, {kMissing, {Str(u"x")}}, DISP_E_PARAMNOTOPTIONAL, 1, ""},
    // directions
    {"Append", kPut, {{Str(u"a")}}, DISP_E_MEMBERNOTFOUND, kNoArgError, "", Empty(), {DISPID_PROPERTYPUT}},
    {"Length", kPut, {{I4(1)}}, DISP_E_MEMBERNOTFOUND, kNoArgError, "", Empty(), {DISPID_PROPERTYPUT}},
    {"Length", 0, {}, DISP_E_MEMBERNOTFOUND, kNoArgError, ""},
    {"Str", kPut, {{Str(u"x")}}, S_OK, kNoArgError, "Str(\"x\")", Empty(), {DISPID_PROPERTYPUT}},
    {"Str", kPut, {ByVariant(I4(5))}, S_OK, kNoArgError, "Str(\"5\")", Empty(), {DISPID_PROPERTYPUT}},
    {"Str", kPut, {{Str(u"x")}}, DISP_E_PARAMNOTFOUND, 0, ""},
    {"Str", kPut, {{Str(u"x")}}, DISP_E_PARAMNOTFOUND, 0, "", Empty(), {0}},
    {"Str",
     kPut,
     {{Str(u"x")}, {Str(u"y")}},
     DISP_E_BADPARAMCOUNT,
     kNoArgError,
     "",
     Empty(),
     {DISPID_PROPERTYPUT}},
    {"Str", kPut, {kMissing}, DISP_E_PARAMNOTOPTIONAL, 0, "", Empty(), {DISPID_PROPERTYPUT}},
    // named arguments give parameter positions (Mid(idx, numChars))
    {"Mid", kCall, {{I4(3)}, {I4(2)}}, S_OK, kNoArgError, "Mid(2,3)", Str(u"out"), {0, 1}},
    {"Mid", kCall, {{I4(3)}, {I4(2)}}, S_OK, kNoArgError, "Mid(3,2)", Str(u"out"), {1, 0}},
    {"Mid", kCall, {{I4(2)}, {I4(3)}}, S_OK, kNoArgError, "Mid(2,3)", Str(u"out"), {1}},
    {"Mid", kCall, {{I4(2)}, {Str(u"x")}}, DISP_E_TYPEMISMATCH, 0, "", Empty(), {1}},
    {"Mid", kCall, {{I4(2)}, {I4(3)}}, DISP_E_PARAMNOTFOUND, 1, "", Empty(), {1, 1}},
    {"Mid", kCall, {{I4(2)}, {I4(3)}}, DISP_E_PARAMNOTFOUND, 0, "", Empty(), {0}},
    {"Mid", kCall, {{I4(2)}, {I4(3)}}, DISP_E_PARAMNOTFOUND, 0, "", Empty(), {2}},
    {"Append", kMethod, {{Str(u"x")}}, DISP_E_PARAMNOTFOUND, 0, "", Empty(), {DISPID_PROPERTYPUT}},
};

class Invocation : public testing::TestWithParam<InvokeCase> {};

TEST_P(Invocation, DeliversCoercedArgumentsAndTheResult) {
  const InvokeCase& c = GetParam();
  RecordingString object;
  VARIANT result = make(Str(u"overwritten, not freed"));
  VARIANT previous = result;
  Outcome outcome = invoke(&object, dispidOf(c.member), c.flags, c.args, &result, c.named);
  EXPECT_EQ(outcome.hr, c.hr);
  EXPECT_EQ(outcome.argError, c.argError);
  EXPECT_EQ(object.calls, c.call[0] == 0 ? std::vector<std::string>{} : std::vector<std::string>{c.call});
  EXPECT_TRUE(holds(result, c.result));
  VariantClear(&result);
  VariantClear(&previous);
}

INSTANTIATE_TEST_SUITE_P(Members, Invocation, testing::ValuesIn(kInvokeCases));

// Every entry of the member list reaches the C++ method of its name, with its arity, and its
// result comes back in its declared type.
class EveryMember : public testing::TestWithParam<std::size_t> {};

TEST_P(EveryMember, ReachesItsMethod) {
  const MemberInfo& member = kMembers[GetParam()];
  RecordingString object;
  std::vector<Arg> args;
  std::string expected = std::string(member.name) + "(";
  for (int p = 0; p < member.parameterCount; ++p) {
    args.push_back({I4(p + 1)});
    ValueType type = member.parameters[p].type;
    std::string n = std::to_string(p + 1);
    expected += (p > 0 ? "," : "") + (type == ValueType::BSTR      ? "\"" + n + "\""
                                      : type == ValueType::VARIANT ? "vt 3: " + n
                                                                   : n);
  }
  bool put = member.kind == MemberKind::PropertyPut;
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(
      invoke(&object, member.dispid, put ? kPut : kCall, args, &result, put ? D{DISPID_PROPERTYPUT} : D{}).hr,
      S_OK);
  EXPECT_EQ(object.calls, std::vector<std::string>{expected + ")"});
  const VARTYPE kResultTypes[] = {VT_EMPTY, VT_BSTR, VT_I4, VT_DATE, VT_BSTR};  // by ValueType
  EXPECT_EQ(result.vt, kResultTypes[static_cast<int>(member.resultType)]);
  VariantClear(&result);
}

INSTANTIATE_TEST_SUITE_P(AllMembers, EveryMember, testing::Range<std::size_t>(0, kMemberCount));

TEST(Invocation, RefusesUnknownDispidsForeignInterfacesAndMalformedParameters) {
  RecordingString object;
  for (DISPID id : {0, -1, 9, 11, 27, 58, 1000, DISPID_PROPERTYPUT}) {
    EXPECT_EQ(invoke(&object, id, kCall, {}, nullptr).hr, DISP_E_MEMBERNOTFOUND) << id;
  }
  EXPECT_EQ(object.Invoke(20, IID_IDispatch, 0, kCall, nullptr, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(object.Invoke(20, IID_NULL, 0, kCall, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  VARIANT argument = make(I4(1));
  DISPID named[] = {0, 1};
  DISPPARAMS noVector = {nullptr, nullptr, 1, 0}, tooManyNames = {&argument, named, 1, 2},
             noNames = {&argument, nullptr, 1, 1};
  for (DISPPARAMS* params : {&noVector, &tooManyNames, &noNames}) {
    EXPECT_EQ(object.Invoke(2, IID_NULL, 0, kCall, params, nullptr, nullptr, nullptr), E_INVALIDARG);
  }
  EXPECT_TRUE(object.calls.empty());
}

TEST(Invocation, PassesAStringOfTheExactTypeWithoutACopyAndDiscardsUnwantedResults) {
  RecordingString object;
  BSTR text = SysAllocString(u"same");
  VARIANT argument, reference;
  argument.vt = VT_BSTR;
  argument.bstrVal = text;
  reference.vt = VT_BYREF | VT_BSTR;
  reference.pbstrVal = &text;
  for (VARIANT* a : {&argument, &reference}) {
    DISPPARAMS params = {a, nullptr, 1, 0};
    EXPECT_EQ(object.Invoke(2, IID_NULL, 0, kMethod, &params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(object.lastText, text);
  }
  SysFreeString(text);
  EXPECT_EQ(invoke(&object, 1, kGet, {}, nullptr).hr, S_OK);               // the BSTR is freed
  EXPECT_EQ(invoke(&object, 41, kCall, {{Str(u"x")}}, nullptr).hr, S_OK);  // the VARIANT is cleared
}

TEST(Invocation, AFailingMemberReturnsItsResultCodeAndFillsTheException) {
  RecordingString object;
  object.answer = E_NOTIMPL;
  VARIANT result;
  EXCEPINFO exception;
  exception.scode = 0;
  Outcome outcome = invoke(&object, 42, kCall, {{Str(u"5")}}, &result, {}, &exception);
  EXPECT_EQ(outcome.hr, E_NOTIMPL);
  EXPECT_EQ(outcome.argError, kNoArgError);
  EXPECT_EQ(exception.scode, E_NOTIMPL);
  EXPECT_EQ(exception.bstrDescription, nullptr);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(object.calls, std::vector<std::string>{"Left(5)"});  // coerced before the call
}

// ---------------------------------------------------------------------------------------------
// The string object through its IDispatch

class StringObject : public testing::Test {
 protected:
  StringObject() { object->AddRef(); }
  ~StringObject() override { object->Release(); }
  HRESULT call(const std::string& name, std::vector<Arg> args, WORD flags = kCall) {
    bool put = flags == kPut;
    return invoke(object, dispidOf(name), flags, args, nullptr, put ? D{DISPID_PROPERTYPUT} : D{}).hr;
  }
  testing::AssertionResult reads(const std::u16string& text, LONG length) {
    VARIANT value, count;
    invoke(object, 1, kGet, {}, &value);
    invoke(object, 20, kCall, {}, &count);
    testing::AssertionResult same = holds(value, Str(text));
    VariantClear(&value);
    return same ? holds(count, I4(length)) : same;
  }
  VkString* object = new VkString;
};

TEST_F(StringObject, EditsThroughLateBoundCalls) {
  std::uint32_t count = 9;
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(object);
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(object->GetTypeInfo(0, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);

  EXPECT_TRUE(reads(u"", 0));
  ASSERT_EQ(call("Str", {{Str(u"cd")}}, kPut), S_OK);
  ASSERT_EQ(call("prepend", {ByVariant(Str(u"ab"))}), S_OK);
  ASSERT_EQ(call("APPEND", {ByRef(Str(u"ef"))}), S_OK);
  ASSERT_EQ(call("Append", {{I4(5)}}), S_OK);
  ASSERT_EQ(call("Append", {{R8(0.25)}}), S_OK);
  EXPECT_TRUE(reads(u"abcdef50.25", 11));
  EXPECT_EQ(call("Append", {{Null()}}), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(call("Clear", {}), S_OK);
  EXPECT_TRUE(reads(u"", 0));
  const std::u16string withNul(u"a\0b", 3);
  ASSERT_EQ(call("Str", {{Str(withNul)}}, kPut), S_OK);
  EXPECT_TRUE(reads(withNul, 3));
}

// Every member answers a well-typed late-bound call with success or, while its subsystem is
// unfinished, E_NOTIMPL; a result comes back in its declared type.
class StringMember : public testing::TestWithParam<std::size_t> {};

TEST_P(StringMember, AnswersAWellTypedCall) {
  const MemberInfo& member = kMembers[GetParam()];
  VkString* object = new VkString;
  object->AddRef();
  std::vector<Arg> args;
  for (int p = 0; p < member.parameterCount; ++p) {
    ValueType type = member.parameters[p].type;
    args.push_back({type == ValueType::BSTR   ? Str(u"")
                    : type == ValueType::LONG ? I4(0)
                    : type == ValueType::DATE ? Date(45000)
                                              : Empty()});
  }
  bool put = member.kind == MemberKind::PropertyPut;
  VARIANT result;
  HRESULT hr =
      invoke(object, member.dispid, put ? kPut : kCall, args, &result, put ? D{DISPID_PROPERTYPUT} : D{}).hr;
  EXPECT_TRUE(hr == S_OK || hr == E_NOTIMPL) << member.name << " answered " << hr;
  const VARTYPE kResultTypes[] = {VT_EMPTY, VT_BSTR, VT_I4, VT_DATE};
  if (hr == S_OK && member.resultType != ValueType::VARIANT) {
    EXPECT_EQ(result.vt, kResultTypes[static_cast<int>(member.resultType)]) << member.name;
  }
  VariantClear(&result);
  object->Release();
}

INSTANTIATE_TEST_SUITE_P(AllMembers, StringMember, testing::Range<std::size_t>(0, kMemberCount));

}  // namespace
}  // namespace vk::test
