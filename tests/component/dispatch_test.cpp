// The member dispatcher: name lookup, argument placement, dereferencing and coercion, results,
// and the standard errors. A recording IVkString (made from the member list) shows exactly what
// each call delivered; the real VkString shows the members that exist working through Invoke.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "component/dispatch.h"
#include "component/member_table.h"
#include "component/vkstring.h"
#include "platform/variant_values.h"

namespace vk::test {
namespace {

// ---------------------------------------------------------------------------------------------
// A recording implementation: each member writes "Name(arg,arg)" and answers fixed results.

#define REC_SET_Nothing(n)
#define REC_SET_BSTR(n) *n = SysAllocString(u"out");
#define REC_SET_LONG(n) *n = 42;
#define REC_SET_DATE(n) *n = 45000.5;
#define REC_SET_VARIANT(n) \
  n->vt = VT_BSTR;         \
  n->bstrVal = SysAllocString(u"variant");

#define REC_BODY(name, shown, rt, rn) \
  {                                   \
    record(#name, shown);             \
    if (FAILED(answer)) return answer; \
    REC_SET_##rt(rn) return S_OK;     \
  }
#define REC_M0(id, kind, name, fn, rt, rn) \
  HRESULT STDMETHODCALLTYPE fn(VK_OUT_##rt(rn)) override REC_BODY(name, "", rt, rn)
#define REC_M1(id, kind, name, fn, t1, n1, rt, rn) \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1 VK_AFTER_##rt(rn)) override REC_BODY(name, show(n1), rt, rn)
#define REC_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn)                                  \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2 VK_AFTER_##rt(rn)) override \
      REC_BODY(name, show(n1) + "," + show(n2), rt, rn)
#define REC_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn)                                        \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2, VK_IN_##t3 n3 VK_AFTER_##rt(rn)) override \
      REC_BODY(name, show(n1) + "," + show(n2) + "," + show(n3), rt, rn)

class RecordingString final : public IVkString {
 public:
  ~RecordingString() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(std::uint32_t* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, std::uint32_t count, LCID,
                                          DISPID* dispids) override {
    return dispatchGetIDsOfNames(riid, names, count, dispids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) override {
    return dispatchInvoke(this, member, riid, flags, params, result, exception, argError);
  }

  VK_MEMBER_LIST(REC_M0, REC_M1, REC_M2, REC_M3)

  std::vector<std::string> calls;
  BSTR lastText = nullptr;  // the last BSTR argument as received
  HRESULT answer = S_OK;

 private:
  void record(const char* name, const std::string& shown) { calls.push_back(std::string(name) + "(" + shown + ")"); }
  std::string show(BSTR s) {
    lastText = s;
    if (s == nullptr) return "null";
    return "\"" + describe(std::u16string(s, SysStringLen(s))) + "\"";
  }
  static std::string show(LONG n) { return std::to_string(n); }
  static std::string show(DATE d) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", d);
    return buffer;
  }
  static std::string show(VARIANT v) { return describe(v); }
};

// ---------------------------------------------------------------------------------------------
// Calling through IDispatch

struct Arg {
  enum Mode { Direct, ByRef, ByRefVariant, Missing };
  Value value;
  Mode mode = Direct;
};

Arg ByRef(Value v) { return {std::move(v), Arg::ByRef}; }
Arg ByRefVariant(Value v) { return {std::move(v), Arg::ByRefVariant}; }
Arg Missing() { return {Error(DISP_E_PARAMNOTFOUND), Arg::Missing}; }

DISPID dispidOf(IDispatch* object, const std::u16string& name) {
  std::u16string copy = name;
  LPOLESTR names[] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << describe(name);
  return id;
}

// Invokes with the arguments in their natural order (passed last to first); named gives the
// identifiers of the first named.size() entries of rgvarg.
struct Outcome {
  HRESULT hr;
  std::uint32_t argError;
};

Outcome invoke(IDispatch* object, DISPID id, WORD flags, const std::vector<Arg>& args, VARIANT* result,
               std::vector<DISPID> named = {}, EXCEPINFO* exception = nullptr) {
  std::vector<VARIANT> held;
  held.reserve(args.size());
  for (const Arg& a : args) held.push_back(make(a.value));
  std::vector<VARIANT> rgvarg(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    VARIANT& slot = rgvarg[args.size() - 1 - i];
    slot.llVal = 0;
    switch (args[i].mode) {
      case Arg::ByRef:
        slot.vt = static_cast<VARTYPE>(VT_BYREF | held[i].vt);
        slot.byref = &held[i].llVal;
        break;
      case Arg::ByRefVariant:
        slot.vt = VT_BYREF | VT_VARIANT;
        slot.pvarVal = &held[i];
        break;
      default:
        slot = held[i];
        break;
    }
  }
  DISPPARAMS params = {rgvarg.data(), named.data(), static_cast<std::uint32_t>(args.size()),
                       static_cast<std::uint32_t>(named.size())};
  std::uint32_t argError = 12345;
  HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result, exception, &argError);
  for (VARIANT& v : held) VariantClear(&v);
  return {hr, argError};
}

constexpr WORD kMethod = DISPATCH_METHOD;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr std::uint32_t kNoArgError = 12345;

// ---------------------------------------------------------------------------------------------
// Names

class MemberName : public testing::TestWithParam<std::size_t> {};

TEST_P(MemberName, ResolvesToItsDispidInAnyCase) {
  const MemberInfo& member = kMembers[GetParam()];
  std::string name = member.name;
  std::string lower = name, upper = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& spelling : {name, lower, upper}) {
    std::u16string wide(spelling.begin(), spelling.end());
    LPOLESTR names[] = {wide.data()};
    DISPID id = 0;
    EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, names, 1, &id), S_OK) << spelling;
    EXPECT_EQ(id, member.dispid) << spelling;
  }
}

INSTANTIATE_TEST_SUITE_P(AllMembers, MemberName, testing::Range<std::size_t>(0, kMemberCount));

struct NamesCase {
  std::vector<std::u16string> names;
  HRESULT hr;
  std::vector<DISPID> dispids;
};

void PrintTo(const NamesCase& c, std::ostream* os) {
  for (const auto& n : c.names) *os << describe(n) << " ";
}

const NamesCase kNamesCases[] = {
    {{u"Mid", u"idx"}, S_OK, {44, 0}},
    {{u"mid", u"NUMCHARS"}, S_OK, {44, 1}},
    {{u"AppendEncoded", u"charset", u"Str"}, S_OK, {50, 2, 0}},
    {{u"str", u"newVal"}, S_OK, {1, 0}},
    {{u"Mid", u"bogus", u"idx"}, DISP_E_UNKNOWNNAME, {44, DISPID_UNKNOWN, 0}},
    {{u"Length", u"Length"}, DISP_E_UNKNOWNNAME, {20, DISPID_UNKNOWN}},  // a result is no parameter
    {{u"Nope", u"idx"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}},
    {{u"Lenght"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
    {{u""}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
    {{u"Appen"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
    {{u"Append "}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
    {{u"Str2"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
    {{u"\u00C4ppend"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
};

class Names : public testing::TestWithParam<NamesCase> {};

TEST_P(Names, ResolveMembersAndParameterPositions) {
  std::vector<std::u16string> copies = GetParam().names;
  std::vector<LPOLESTR> names;
  for (auto& n : copies) names.push_back(n.data());
  std::vector<DISPID> ids(names.size(), 777);
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, names.data(), static_cast<std::uint32_t>(names.size()), ids.data()),
            GetParam().hr);
  EXPECT_EQ(ids, GetParam().dispids);
}

INSTANTIATE_TEST_SUITE_P(Lookups, Names, testing::ValuesIn(kNamesCases));

TEST(Names, RefuseAForeignInterfaceAndNullArrays) {
  std::u16string name = u"Length";
  LPOLESTR names[] = {name.data()};
  DISPID id = 0;
  EXPECT_EQ(dispatchGetIDsOfNames(IID_IDispatch, names, 1, &id), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, nullptr, 1, &id), E_INVALIDARG);
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, names, 1, nullptr), E_INVALIDARG);
  LPOLESTR nullName[] = {nullptr};
  EXPECT_EQ(dispatchGetIDsOfNames(IID_NULL, nullName, 1, &id), DISP_E_UNKNOWNNAME);
}

// ---------------------------------------------------------------------------------------------
// Invocation through the recording object

struct InvokeCase {
  const char* label;
  const char* member;
  WORD flags;
  std::vector<Arg> args;
  HRESULT hr;
  std::uint32_t argError;
  const char* call;  // what the member received, "" when it was not called
  Value result;
};

void PrintTo(const InvokeCase& c, std::ostream* os) { *os << c.label; }

const InvokeCase kInvokeCases[] = {
    {"property get", "Length", kGet, {}, S_OK, kNoArgError, "Length()", I4(42)},
    {"method", "Length", kMethod, {}, S_OK, kNoArgError, "Length()", I4(42)},
    {"method or get", "Length", kCall, {}, S_OK, kNoArgError, "Length()", I4(42)},
    {"string property", "Str", kCall, {}, S_OK, kNoArgError, "Str()", Str(u"out")},
    {"count property", "NumAscii", kGet, {}, S_OK, kNoArgError, "NumAscii()", I4(42)},
    {"date result", "ParseDateRfc822", kCall, {}, S_OK, kNoArgError, "ParseDateRfc822()", Date(45000.5)},
    {"variant result", "EmitMultibyte", kCall, {{Str(u"utf-8")}}, S_OK, kNoArgError,
     "EmitMultibyte(\"utf-8\")", Str(u"variant")},
    {"string", "Append", kMethod, {{Str(u"ab")}}, S_OK, kNoArgError, "Append(\"ab\")", Empty()},
    {"string by reference", "Append", kMethod, {ByRef(Str(u"ab"))}, S_OK, kNoArgError, "Append(\"ab\")", Empty()},
    {"string in a variant reference", "Append", kMethod, {ByRefVariant(Str(u"ab"))}, S_OK, kNoArgError,
     "Append(\"ab\")", Empty()},
    {"number as string", "Append", kMethod, {{I4(5)}}, S_OK, kNoArgError, "Append(\"5\")", Empty()},
    {"real as string", "Append", kMethod, {ByRefVariant(R8(1.5))}, S_OK, kNoArgError, "Append(\"1.5\")", Empty()},
    {"boolean as string", "Append", kMethod, {{Bool(true)}}, S_OK, kNoArgError, "Append(\"-1\")", Empty()},
    {"empty as string", "Append", kMethod, {{Empty()}}, S_OK, kNoArgError, "Append(\"\")", Empty()},
    {"null string", "Append", kMethod, {{Null()}}, DISP_E_TYPEMISMATCH, 0, "", Empty()},
    {"omitted", "Append", kMethod, {Missing()}, DISP_E_PARAMNOTOPTIONAL, 0, "", Empty()},
    {"no arguments", "Append", kMethod, {}, DISP_E_BADPARAMCOUNT, kNoArgError, "", Empty()},
    {"too many", "Append", kMethod, {{Str(u"a")}, {Str(u"b")}}, DISP_E_BADPARAMCOUNT, kNoArgError, "", Empty()},
    {"argument to a getter", "Length", kCall, {{I4(1)}}, DISP_E_BADPARAMCOUNT, kNoArgError, "", Empty()},
    {"short", "Shorten", kMethod, {{I2(5)}}, S_OK, kNoArgError, "Shorten(5)", Empty()},
    {"real rounds up", "Shorten", kMethod, {{R8(5.5)}}, S_OK, kNoArgError, "Shorten(6)", Empty()},
    {"real rounds to even", "Shorten", kMethod, {{R8(4.5)}}, S_OK, kNoArgError, "Shorten(4)", Empty()},
    {"digits", "Shorten", kMethod, {{Str(u"5")}}, S_OK, kNoArgError, "Shorten(5)", Empty()},
    {"hex digits", "Shorten", kMethod, {ByRef(Str(u"&H10"))}, S_OK, kNoArgError, "Shorten(16)", Empty()},
    {"long by reference", "Shorten", kMethod, {ByRef(I4(-7))}, S_OK, kNoArgError, "Shorten(-7)", Empty()},
    {"empty as long", "Shorten", kMethod, {{Empty()}}, S_OK, kNoArgError, "Shorten(0)", Empty()},
    {"letters as long", "Shorten", kMethod, {{Str(u"abc")}}, DISP_E_TYPEMISMATCH, 0, "", Empty()},
    {"too large for long", "Shorten", kMethod, {{R8(1e10)}}, DISP_E_OVERFLOW, 0, "", Empty()},
    {"two longs", "Mid", kCall, {{I4(2)}, {I2(3)}}, S_OK, kNoArgError, "Mid(2,3)", Str(u"out")},
    {"second bad", "Mid", kCall, {{I4(2)}, {Str(u"x")}}, DISP_E_TYPEMISMATCH, 0, "", Empty()},
    {"first bad", "Mid", kCall, {{Str(u"x")}, {I4(3)}}, DISP_E_TYPEMISMATCH, 1, "", Empty()},
    {"first omitted", "Mid", kCall, {Missing(), {I4(3)}}, DISP_E_PARAMNOTOPTIONAL, 1, "", Empty()},
    {"three in order", "AppendEncoded", kMethod, {{Str(u"a")}, {Str(u"b")}, {I4(3)}}, S_OK, kNoArgError,
     "AppendEncoded(\"a\",\"b\",\"3\")", Empty()},
    {"middle of three bad", "AppendEncoded", kMethod, {{Str(u"a")}, {Null()}, {Str(u"c")}}, DISP_E_TYPEMISMATCH,
     1, "", Empty()},
    {"date", "AppendDateRfc822", kMethod, {{Date(45000.5)}}, S_OK, kNoArgError, "AppendDateRfc822(45000.5)",
     Empty()},
    {"date text", "AppendDateRfc3339", kMethod, {{Str(u"2023-03-15")}}, S_OK, kNoArgError,
     "AppendDateRfc3339(45000)", Empty()},
    {"number as date", "AppendDateRfc3339", kMethod, {ByRef(I4(2))}, S_OK, kNoArgError, "AppendDateRfc3339(2)",
     Empty()},
    {"not a date", "AppendDateRfc3339", kMethod, {{Str(u"soon")}}, DISP_E_TYPEMISMATCH, 0, "", Empty()},
    {"variant as is", "AppendMultibyte", kMethod, {{I4(7)}, {Str(u"utf-8")}}, S_OK, kNoArgError,
     "AppendMultibyte(vt 3: 7,\"utf-8\")", Empty()},
    {"variant dereferenced", "AppendMultibyte", kMethod, {ByRef(I4(7)), {Str(u"x")}}, S_OK, kNoArgError,
     "AppendMultibyte(vt 3: 7,\"x\")", Empty()},
    {"variant reference dereferenced", "AppendMultibyte", kMethod, {ByRefVariant(Str(u"z")), {Str(u"x")}}, S_OK,
     kNoArgError, "AppendMultibyte(vt 8: \"z\",\"x\")", Empty()},
    {"variant omitted", "AppendMultibyte", kMethod, {Missing(), {Str(u"x")}}, DISP_E_PARAMNOTOPTIONAL, 1, "",
     Empty()},
    {"put on a method", "Append", kPut, {{Str(u"a")}}, DISP_E_MEMBERNOTFOUND, kNoArgError, "", Empty()},
    {"put on a getter", "Length", kPut, {{I4(1)}}, DISP_E_MEMBERNOTFOUND, kNoArgError, "", Empty()},
    {"no direction", "Length", 0, {}, DISP_E_MEMBERNOTFOUND, kNoArgError, "", Empty()},
};

class Invocation : public testing::TestWithParam<InvokeCase> {};

TEST_P(Invocation, DeliversCoercedArgumentsAndTheResult) {
  const InvokeCase& c = GetParam();
  RecordingString object;
  std::string name = c.member;
  VARIANT result = make(Str(u"overwritten, not freed"));
  VARIANT previous = result;
  Outcome outcome = invoke(&object, dispidOf(&object, std::u16string(name.begin(), name.end())), c.flags, c.args,
                           &result);
  EXPECT_EQ(outcome.hr, c.hr);
  EXPECT_EQ(outcome.argError, c.argError);
  EXPECT_EQ(object.calls, c.call[0] == 0 ? std::vector<std::string>{} : std::vector<std::string>{c.call});
  EXPECT_TRUE(holds(result, c.result));
  VariantClear(&result);
  VariantClear(&previous);
}

INSTANTIATE_TEST_SUITE_P(Members, Invocation, testing::ValuesIn(kInvokeCases));

// Every entry of the member list reaches the C++ method of the same name with its arity.
class EveryMember : public testing::TestWithParam<std::size_t> {};

TEST_P(EveryMember, ReachesItsMethod) {
  const MemberInfo& member = kMembers[GetParam()];
  RecordingString object;
  std::vector<Arg> args;
  std::string expected = std::string(member.name) + "(";
  for (std::uint8_t p = 0; p < member.parameterCount; ++p) {
    args.push_back({I4(p + 1)});
    ValueType type = member.parameters[p].type;
    if (p > 0) expected += ",";
    expected += type == ValueType::BSTR      ? "\"" + std::to_string(p + 1) + "\""
                : type == ValueType::VARIANT ? "vt 3: " + std::to_string(p + 1)
                                             : std::to_string(p + 1);
  }
  expected += ")";
  std::vector<DISPID> named;
  WORD flags = kCall;
  if (member.kind == MemberKind::PropertyPut) {
    named.push_back(DISPID_PROPERTYPUT);
    flags = kPut;
  }
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(invoke(&object, member.dispid, flags, args, &result, named).hr, S_OK);
  EXPECT_EQ(object.calls, std::vector<std::string>{expected});
  const VARTYPE kResultTypes[] = {VT_EMPTY, VT_BSTR, VT_I4, VT_DATE, VT_BSTR};  // by ValueType
  EXPECT_EQ(result.vt, kResultTypes[static_cast<int>(member.resultType)]);
  VariantClear(&result);
}

INSTANTIATE_TEST_SUITE_P(AllMembers, EveryMember, testing::Range<std::size_t>(0, kMemberCount));

TEST(Invocation, UnknownDispidsAreNotFound) {
  RecordingString object;
  for (DISPID id : {0, -1, 9, 11, 12, 13, 27, 58, 1000, DISPID_PROPERTYPUT}) {
    EXPECT_EQ(invoke(&object, id, kCall, {}, nullptr).hr, DISP_E_MEMBERNOTFOUND) << id;
  }
  EXPECT_TRUE(object.calls.empty());
}

TEST(Invocation, AStringOfTheExactTypeIsPassedWithoutACopy) {
  RecordingString object;
  BSTR text = SysAllocString(u"same");
  VARIANT argument;
  argument.vt = VT_BSTR;
  argument.bstrVal = text;
  DISPPARAMS params = {&argument, nullptr, 1, 0};
  EXPECT_EQ(object.Invoke(2, IID_NULL, 0, kMethod, &params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(object.lastText, text);
  VARIANT reference;
  reference.vt = VT_BYREF | VT_BSTR;
  reference.pbstrVal = &text;
  params.rgvarg = &reference;
  EXPECT_EQ(object.Invoke(2, IID_NULL, 0, kMethod, &params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(object.lastText, text);
  SysFreeString(text);
}

TEST(Invocation, ANullResultPointerDiscardsTheResult) {
  RecordingString object;
  EXPECT_EQ(invoke(&object, 1, kGet, {}, nullptr).hr, S_OK);                     // BSTR freed
  EXPECT_EQ(invoke(&object, 41, kCall, {{Str(u"x")}}, nullptr).hr, S_OK);       // VARIANT cleared
  EXPECT_EQ(invoke(&object, 20, kCall, {}, nullptr).hr, S_OK);
  EXPECT_EQ(object.calls.size(), 3u);
}

TEST(Invocation, AFailingMemberReturnsItsResultCodeAndFillsTheException) {
  RecordingString object;
  object.answer = E_NOTIMPL;
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception;
  exception.scode = 0;
  exception.bstrDescription = nullptr;
  Outcome outcome = invoke(&object, 42, kCall, {{Str(u"5")}}, &result, {}, &exception);
  EXPECT_EQ(outcome.hr, E_NOTIMPL);
  EXPECT_EQ(outcome.argError, kNoArgError);
  EXPECT_EQ(exception.scode, E_NOTIMPL);
  EXPECT_EQ(exception.bstrDescription, nullptr);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(object.calls, std::vector<std::string>{"Left(5)"});  // coerced before the call
}

TEST(Invocation, RefusesMalformedCalls) {
  RecordingString object;
  VARIANT result;
  EXPECT_EQ(object.Invoke(20, IID_IDispatch, 0, kCall, nullptr, &result, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(object.Invoke(20, IID_NULL, 0, kCall, nullptr, &result, nullptr, nullptr), E_INVALIDARG);
  DISPPARAMS noVector = {nullptr, nullptr, 1, 0};
  EXPECT_EQ(object.Invoke(2, IID_NULL, 0, kCall, &noVector, &result, nullptr, nullptr), E_INVALIDARG);
  VARIANT argument = make(I4(1));
  DISPID named[] = {0, 1};
  DISPPARAMS tooManyNames = {&argument, named, 1, 2};
  EXPECT_EQ(object.Invoke(2, IID_NULL, 0, kCall, &tooManyNames, &result, nullptr, nullptr), E_INVALIDARG);
  DISPPARAMS noNames = {&argument, nullptr, 1, 1};
  EXPECT_EQ(object.Invoke(2, IID_NULL, 0, kCall, &noNames, &result, nullptr, nullptr), E_INVALIDARG);
  EXPECT_TRUE(object.calls.empty());
}

// ---------------------------------------------------------------------------------------------
// Property put and named arguments

struct NamedCase {
  const char* label;
  DISPID dispid;
  WORD flags;
  std::vector<Arg> args;  // natural order: the named ones are the LAST named.size() of these
  std::vector<DISPID> named;  // for rgvarg[0], rgvarg[1], ...
  HRESULT hr;
  std::uint32_t argError;
  const char* call;
};

void PrintTo(const NamedCase& c, std::ostream* os) { *os << c.label; }

const NamedCase kNamedCases[] = {
    {"put", 1, kPut, {{Str(u"x")}}, {DISPID_PROPERTYPUT}, S_OK, kNoArgError, "Str(\"x\")"},
    {"put coerced", 1, kPut, {ByRefVariant(I4(5))}, {DISPID_PROPERTYPUT}, S_OK, kNoArgError, "Str(\"5\")"},
    {"put without its name", 1, kPut, {{Str(u"x")}}, {}, DISP_E_PARAMNOTFOUND, 0, ""},
    {"put with a position", 1, kPut, {{Str(u"x")}}, {0}, DISP_E_PARAMNOTFOUND, 0, ""},
    {"put of two", 1, kPut, {{Str(u"x")}, {Str(u"y")}}, {DISPID_PROPERTYPUT}, DISP_E_BADPARAMCOUNT, kNoArgError,
     ""},
    {"put omitted", 1, kPut, {Missing()}, {DISPID_PROPERTYPUT}, DISP_E_PARAMNOTOPTIONAL, 0, ""},
    // Mid(idx, numChars)
    {"all named, reversed", 44, kCall, {{I4(3)}, {I4(2)}}, {0, 1}, S_OK, kNoArgError, "Mid(2,3)"},
    {"all named, in order", 44, kCall, {{I4(3)}, {I4(2)}}, {1, 0}, S_OK, kNoArgError, "Mid(3,2)"},
    {"positional then named", 44, kCall, {{I4(2)}, {I4(3)}}, {1}, S_OK, kNoArgError, "Mid(2,3)"},
    {"named bad", 44, kCall, {{I4(2)}, {Str(u"x")}}, {1}, DISP_E_TYPEMISMATCH, 0, ""},
    {"named twice", 44, kCall, {{I4(2)}, {I4(3)}}, {1, 1}, DISP_E_PARAMNOTFOUND, 1, ""},
    {"named over a positional", 44, kCall, {{I4(2)}, {I4(3)}}, {0}, DISP_E_PARAMNOTFOUND, 0, ""},
    {"named beyond the parameters", 44, kCall, {{I4(2)}, {I4(3)}}, {2}, DISP_E_PARAMNOTFOUND, 0, ""},
    {"put name on a method", 2, kMethod, {{Str(u"x")}}, {DISPID_PROPERTYPUT}, DISP_E_PARAMNOTFOUND, 0, ""},
};

class NamedArguments : public testing::TestWithParam<NamedCase> {};

TEST_P(NamedArguments, ArePlacedByPosition) {
  const NamedCase& c = GetParam();
  RecordingString object;
  Outcome outcome = invoke(&object, c.dispid, c.flags, c.args, nullptr, c.named);
  EXPECT_EQ(outcome.hr, c.hr);
  EXPECT_EQ(outcome.argError, c.argError);
  EXPECT_EQ(object.calls, c.call[0] == 0 ? std::vector<std::string>{} : std::vector<std::string>{c.call});
}

INSTANTIATE_TEST_SUITE_P(Calls, NamedArguments, testing::ValuesIn(kNamedCases));

// ---------------------------------------------------------------------------------------------
// The string object through its IDispatch

class StringObject : public testing::Test {
 protected:
  StringObject() : object(new VkString) { object->AddRef(); }
  ~StringObject() override { object->Release(); }

  HRESULT call(const std::u16string& name, std::vector<Arg> args, VARIANT* result = nullptr) {
    return invoke(object, dispidOf(object, name), kCall, args, result).hr;
  }
  HRESULT put(Value v) { return invoke(object, 1, kPut, {{std::move(v)}}, nullptr, {DISPID_PROPERTYPUT}).hr; }
  testing::AssertionResult reads(const std::u16string& text, LONG length) {
    VARIANT value, count;
    VariantInit(&value);
    VariantInit(&count);
    call(u"Str", {}, &value);
    call(u"Length", {}, &count);
    testing::AssertionResult same = holds(value, Str(text));
    VariantClear(&value);
    if (!same) return same;
    return holds(count, I4(length));
  }

  VkString* object;
};

TEST_F(StringObject, AnswersForTypeInformationThatThereIsNone) {
  std::uint32_t count = 9;
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(object->GetTypeInfoCount(nullptr), E_INVALIDARG);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(object);
  EXPECT_EQ(object->GetTypeInfo(0, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
}

TEST_F(StringObject, EditsThroughLateBoundCalls) {
  EXPECT_TRUE(reads(u"", 0));
  ASSERT_EQ(put(Str(u"cd")), S_OK);
  ASSERT_EQ(call(u"prepend", {ByRefVariant(Str(u"ab"))}), S_OK);
  ASSERT_EQ(call(u"APPEND", {ByRef(Str(u"ef"))}), S_OK);
  EXPECT_TRUE(reads(u"abcdef", 6));
  ASSERT_EQ(call(u"Append", {{I4(5)}}), S_OK);
  ASSERT_EQ(call(u"Append", {{R8(0.25)}}), S_OK);
  EXPECT_TRUE(reads(u"abcdef50.25", 11));
  ASSERT_EQ(call(u"Clear", {}), S_OK);
  EXPECT_TRUE(reads(u"", 0));
  EXPECT_EQ(call(u"Append", {{Null()}}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(call(u"Append", {}), DISP_E_BADPARAMCOUNT);
  EXPECT_TRUE(reads(u"", 0));
}

TEST_F(StringObject, KeepsAnEmbeddedNulThroughPutAndGet) {
  std::u16string text(u"a\0b", 3);
  ASSERT_EQ(put(Str(text)), S_OK);
  EXPECT_TRUE(reads(text, 3));
  VARIANT nullText;
  nullText.vt = VT_BSTR;
  nullText.bstrVal = nullptr;
  DISPID putName = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&nullText, &putName, 1, 1};
  ASSERT_EQ(object->Invoke(1, IID_NULL, 0, kPut, &params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_TRUE(reads(u"", 0));
}

// Every member answers a well-typed late-bound call with success or, while its subsystem is
// unfinished, E_NOTIMPL; a result comes back in its declared type.
class StringMember : public testing::TestWithParam<std::size_t> {};

TEST_P(StringMember, AnswersAWellTypedCall) {
  const MemberInfo& member = kMembers[GetParam()];
  VkString* object = new VkString;
  object->AddRef();
  std::vector<Arg> args;
  for (std::uint8_t p = 0; p < member.parameterCount; ++p) {
    switch (member.parameters[p].type) {
      case ValueType::BSTR: args.push_back({Str(u"")}); break;
      case ValueType::LONG: args.push_back({I4(0)}); break;
      case ValueType::DATE: args.push_back({Date(45000)}); break;
      default: args.push_back({Empty()}); break;
    }
  }
  std::vector<DISPID> named;
  WORD flags = kCall;
  if (member.kind == MemberKind::PropertyPut) {
    named.push_back(DISPID_PROPERTYPUT);
    flags = kPut;
  }
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = invoke(object, member.dispid, flags, args, &result, named).hr;
  EXPECT_TRUE(hr == S_OK || hr == E_NOTIMPL) << member.name << " answered " << hr;
  if (hr == S_OK && member.resultType != ValueType::VARIANT) {
    const VARTYPE kResultTypes[] = {VT_EMPTY, VT_BSTR, VT_I4, VT_DATE};
    EXPECT_EQ(result.vt, kResultTypes[static_cast<int>(member.resultType)]) << member.name;
  }
  VariantClear(&result);
  object->Release();
}

INSTANTIATE_TEST_SUITE_P(AllMembers, StringMember, testing::Range<std::size_t>(0, kMemberCount));

}  // namespace
}  // namespace vk::test
