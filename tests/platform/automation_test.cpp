// VARIANT and SAFEARRAY services: coercions (reached directly, by reference, through a
// VT_BYREF|VT_VARIANT and in place), copy and clear ownership, and array storage.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "platform/automation.h"
#include "platform/variant_values.h"

namespace vk::test {
namespace {

// ---------------------------------------------------------------------------------------------
// VariantChangeType

struct CoercionCase {
  Value from;
  VARTYPE to;
  HRESULT hr;
  Value expected;  // when hr succeeds
  WORD flags = 0;
};

void PrintTo(const CoercionCase& c, std::ostream* os) { *os << c.from << " -> vt " << c.to; }

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
constexpr HRESULT kOk = S_OK;
constexpr HRESULT kMismatch = DISP_E_TYPEMISMATCH;
constexpr HRESULT kOverflow = DISP_E_OVERFLOW;

const CoercionCase kCoercions[] = {
    // numbers, booleans, currency and dates to text
    {I4(12), VT_BSTR, kOk, Str(u"12")},
    {I4(-3), VT_BSTR, kOk, Str(u"-3")},
    {I8(INT64_MIN), VT_BSTR, kOk, Str(u"-9223372036854775808")},
    {UI8(UINT64_MAX), VT_BSTR, kOk, Str(u"18446744073709551615")},
    {UI1(255), VT_BSTR, kOk, Str(u"255")},
    {I1(-5), VT_BSTR, kOk, Str(u"-5")},
    {R8(1.5), VT_BSTR, kOk, Str(u"1.5")},
    {R8(0.1), VT_BSTR, kOk, Str(u"0.1")},
    {R8(1.0 / 3), VT_BSTR, kOk, Str(u"0.333333333333333")},
    {R8(1e20), VT_BSTR, kOk, Str(u"1E+20")},
    {R8(-2.5e-7), VT_BSTR, kOk, Str(u"-2.5E-07")},
    {R8(-0.0), VT_BSTR, kOk, Str(u"0")},
    {R4(0.1f), VT_BSTR, kOk, Str(u"0.1")},
    {Bool(true), VT_BSTR, kOk, Str(u"-1")},
    {Bool(false), VT_BSTR, kOk, Str(u"0")},
    {Bool(true), VT_BSTR, kOk, Str(u"True"), VARIANT_ALPHABOOL},
    {Bool(false), VT_BSTR, kOk, Str(u"False"), VARIANT_ALPHABOOL},
    {Cy(15000), VT_BSTR, kOk, Str(u"1.5")},
    {Cy(-1), VT_BSTR, kOk, Str(u"-0.0001")},
    {Cy(120000), VT_BSTR, kOk, Str(u"12")},
    {Empty(), VT_BSTR, kOk, Str(u"")},
    {Date(45000), VT_BSTR, kOk, Str(u"2023-03-15")},
    {Date(45000.5), VT_BSTR, kOk, Str(u"2023-03-15 12:00:00")},
    {Date(0.75), VT_BSTR, kOk, Str(u"18:00:00")},
    {Date(-1.25), VT_BSTR, kOk, Str(u"1899-12-29 06:00:00")},
    {Date(-657434), VT_BSTR, kOk, Str(u"0100-01-01")},
    {Date(2958465), VT_BSTR, kOk, Str(u"9999-12-31")},
    {Date(3e6), VT_BSTR, kOverflow, {}},
    // text to numbers
    {Str(u"12"), VT_I4, kOk, I4(12)},
    {Str(u" \t12\n"), VT_I4, kOk, I4(12)},
    {Str(u"-3"), VT_I4, kOk, I4(-3)},
    {Str(u"+7"), VT_I4, kOk, I4(7)},
    {Str(u"1.5"), VT_I4, kOk, I4(2)},
    {Str(u"2.5"), VT_I4, kOk, I4(2)},
    {Str(u"-2.5"), VT_I4, kOk, I4(-2)},
    {Str(u"1e3"), VT_I4, kOk, I4(1000)},
    {Str(u"2147483647"), VT_I4, kOk, I4(INT32_MAX)},
    {Str(u"2147483648"), VT_I4, kOverflow, {}},
    {Str(u"-2147483648"), VT_I4, kOk, I4(INT32_MIN)},
    {Str(u"-2147483649"), VT_I4, kOverflow, {}},
    {Str(u"3000000000"), VT_UI4, kOk, UI4(3000000000u)},
    {Str(u"-1"), VT_UI1, kOverflow, {}},
    {Str(u"256"), VT_UI1, kOverflow, {}},
    {Str(u"18446744073709551615"), VT_UI8, kOk, UI8(UINT64_MAX)},
    {Str(u"18446744073709551616"), VT_UI8, kOverflow, {}},
    {Str(u"-9223372036854775808"), VT_I8, kOk, I8(INT64_MIN)},
    {Str(u"9223372036854775808"), VT_I8, kOverflow, {}},
    {Str(u"1.5"), VT_R8, kOk, R8(1.5)},
    {Str(u".5"), VT_R8, kOk, R8(0.5)},
    {Str(u"1e400"), VT_R8, kOverflow, {}},
    {Str(u"1e39"), VT_R4, kOverflow, {}},
    {Str(u"1.5"), VT_CY, kOk, Cy(15000)},
    {Str(u"abc"), VT_I4, kMismatch, {}},
    {Str(u""), VT_I4, kMismatch, {}},
    {Str(u"   "), VT_I4, kMismatch, {}},
    {Str(u"12abc"), VT_I4, kMismatch, {}},
    {Str(u"1 2"), VT_I4, kMismatch, {}},
    {Str(u"1e"), VT_R8, kMismatch, {}},
    {Str(u"."), VT_R8, kMismatch, {}},
    {Str(u"1,000"), VT_I4, kMismatch, {}},
    {Str(u"\u0661"), VT_I4, kMismatch, {}},
    {Str(std::u16string(u"12\0", 3)), VT_I4, kMismatch, {}},
    // hexadecimal and octal literals take the target's width, signed types sign-extending
    {Str(u"&H1F"), VT_I4, kOk, I4(31)},
    {Str(u"&h1f"), VT_I4, kOk, I4(31)},
    {Str(u"&HFFFF"), VT_I2, kOk, I2(-1)},
    {Str(u"&HFFFF"), VT_I4, kOk, I4(65535)},
    {Str(u"&HFFFFFFFF"), VT_I4, kOk, I4(-1)},
    {Str(u"&H10000"), VT_I2, kOverflow, {}},
    {Str(u"&HFF"), VT_UI1, kOk, UI1(255)},
    {Str(u"&HFF"), VT_I1, kOk, I1(-1)},
    {Str(u"&O17"), VT_I4, kOk, I4(15)},
    {Str(u"&HFFFF"), VT_R8, kOk, R8(-1)},
    {Str(u"&H"), VT_I4, kMismatch, {}},
    {Str(u"&HG"), VT_I4, kMismatch, {}},
    {Str(u"&O8"), VT_I4, kMismatch, {}},
    {Str(u"&H10000000000000000"), VT_I8, kOverflow, {}},
    // text to booleans and dates
    {Str(u"True"), VT_BOOL, kOk, Bool(true)},
    {Str(u" false "), VT_BOOL, kOk, Bool(false)},
    {Str(u"TRUE"), VT_BOOL, kOk, Bool(true)},
    {Str(u"0"), VT_BOOL, kOk, Bool(false)},
    {Str(u"2"), VT_BOOL, kOk, Bool(true)},
    {Str(u"0.0"), VT_BOOL, kOk, Bool(false)},
    {Str(u"yes"), VT_BOOL, kMismatch, {}},
    {Str(u"2023-03-15"), VT_DATE, kOk, Date(45000)},
    {Str(u"2023-03-15 12:00"), VT_DATE, kOk, Date(45000.5)},
    {Str(u"2023-03-15T06:00:00"), VT_DATE, kOk, Date(45000.25)},
    {Str(u"1899-12-29 06:00:00"), VT_DATE, kOk, Date(-1.25)},
    {Str(u"18:00"), VT_DATE, kOk, Date(0.75)},
    {Str(u"2024-02-29"), VT_DATE, kOk, Date(45351)},
    {Str(u"2023-02-29"), VT_DATE, kMismatch, {}},
    {Str(u"2023-13-01"), VT_DATE, kMismatch, {}},
    {Str(u"2023-03-15 24:00"), VT_DATE, kMismatch, {}},
    {Str(u"12"), VT_DATE, kMismatch, {}},
    // reals to integers round half to even
    {R8(2.5), VT_I4, kOk, I4(2)},
    {R8(3.5), VT_I4, kOk, I4(4)},
    {R8(-2.5), VT_I4, kOk, I4(-2)},
    {R8(-3.5), VT_I4, kOk, I4(-4)},
    {R8(0.5), VT_I4, kOk, I4(0)},
    {R8(1.5), VT_I4, kOk, I4(2)},
    {R8(2.6), VT_I4, kOk, I4(3)},
    {R8(2147483647.4), VT_I4, kOk, I4(INT32_MAX)},
    {R8(2147483647.5), VT_I4, kOverflow, {}},
    {R8(-2147483648.5), VT_I4, kOk, I4(INT32_MIN)},
    {R8(1e10), VT_I4, kOverflow, {}},
    {R8(kNaN), VT_I4, kOverflow, {}},
    {R8(kInf), VT_I2, kOverflow, {}},
    {R8(254.5), VT_UI1, kOk, UI1(254)},
    {R8(255.5), VT_UI1, kOverflow, {}},
    {R8(-0.4), VT_UI1, kOk, UI1(0)},
    {R8(-0.6), VT_UI1, kOverflow, {}},
    {R8(9.3e18), VT_I8, kOverflow, {}},
    {R8(-9223372036854775808.0), VT_I8, kOk, I8(INT64_MIN)},
    {R8(1.8446744073709552e19), VT_UI8, kOverflow, {}},
    {R8(1e39), VT_R4, kOverflow, {}},
    {R8(1.5), VT_R4, kOk, R4(1.5f)},
    // integers between widths
    {I4(70000), VT_I2, kOverflow, {}},
    {I4(-32768), VT_I2, kOk, I2(-32768)},
    {I4(-1), VT_UI2, kOverflow, {}},
    {I4(-129), VT_I1, kOverflow, {}},
    {I4(200), VT_UI1, kOk, UI1(200)},
    {UI4(4294967295u), VT_I4, kOverflow, {}},
    {UI4(4294967295u), VT_I8, kOk, I8(4294967295)},
    {I8(int64_t{1} << 40), VT_I4, kOverflow, {}},
    {UI8(UINT64_MAX), VT_I8, kOverflow, {}},
    {I8(-1), VT_UI8, kOverflow, {}},
    {Int(5), VT_UINT, kOk, UInt(5)},
    {I4(INT32_MIN), VT_R8, kOk, R8(-2147483648.0)},
    // booleans
    {Bool(true), VT_I4, kOk, I4(-1)},
    {Bool(true), VT_UI1, kOk, UI1(255)},
    {Bool(true), VT_UI4, kOk, UI4(0xFFFFFFFFu)},
    {Bool(false), VT_I4, kOk, I4(0)},
    {I4(5), VT_BOOL, kOk, Bool(true)},
    {R8(0.0), VT_BOOL, kOk, Bool(false)},
    {Cy(0), VT_BOOL, kOk, Bool(false)},
    {UI8(1ull << 63), VT_BOOL, kOk, Bool(true)},
    // empty and null
    {Empty(), VT_I4, kOk, I4(0)},
    {Empty(), VT_BOOL, kOk, Bool(false)},
    {Empty(), VT_R8, kOk, R8(0)},
    {Empty(), VT_DATE, kOk, Date(0)},
    {Null(), VT_I4, kMismatch, {}},
    {Null(), VT_BSTR, kMismatch, {}},
    {Null(), VT_BOOL, kMismatch, {}},
    {Null(), VT_NULL, kOk, Null()},
    {Null(), VT_EMPTY, kMismatch, {}},
    {I4(5), VT_EMPTY, kOk, Empty()},
    {Str(u"x"), VT_NULL, kOk, Null()},
    {Error(DISP_E_PARAMNOTFOUND), VT_I4, kMismatch, {}},
    {Error(DISP_E_PARAMNOTFOUND), VT_EMPTY, kMismatch, {}},
    {I4(5), VT_ERROR, kMismatch, {}},
    // dates and currency as numbers
    {Date(45000.75), VT_I4, kOk, I4(45001)},
    {Date(45000.75), VT_R8, kOk, R8(45000.75)},
    {R8(3e6), VT_DATE, kOverflow, {}},
    {R8(-657435), VT_DATE, kOverflow, {}},
    {R8(-657434.5), VT_DATE, kOk, Date(-657434.5)},
    {Cy(25000), VT_I4, kOk, I4(2)},
    {Cy(35000), VT_I4, kOk, I4(4)},
    {Cy(-25000), VT_I4, kOk, I4(-2)},
    {Cy(25000), VT_R8, kOk, R8(2.5)},
    {I4(7), VT_CY, kOk, Cy(70000)},
    {R8(2.5), VT_CY, kOk, Cy(25000)},
    {I8(1000000000000000), VT_CY, kOverflow, {}},
    // types that are not types
    {I4(1), 15, DISP_E_BADVARTYPE, {}},
    {I4(1), VT_VOID, DISP_E_BADVARTYPE, {}},
    {{15}, VT_I4, DISP_E_BADVARTYPE, {}},
    {I4(1), VT_BYREF | VT_I4, kMismatch, {}},
    {I4(1), VT_ARRAY | VT_I4, kMismatch, {}},
};

// How the source reaches VariantChangeType.
enum class Passing { Direct, ByRef, ByRefVariant, InPlace };

class Coercion : public testing::TestWithParam<std::tuple<CoercionCase, Passing>> {};

TEST_P(Coercion, GivesTheValueOrTheErrorAndLeavesTheDestinationAloneOnFailure) {
  const CoercionCase& c = std::get<0>(GetParam());
  Passing passing = std::get<1>(GetParam());
  VARIANT held = make(c.from);
  VARIANT reference;
  reference.llVal = 0;
  const VARIANT* source = &held;
  if (passing == Passing::ByRef && c.from.vt > VT_NULL && c.from.vt != 15) {
    reference.vt = static_cast<VARTYPE>(VT_BYREF | c.from.vt);
    reference.byref = &held.llVal;
    source = &reference;
  } else if (passing == Passing::ByRefVariant) {
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = &held;
    source = &reference;
  }
  VARIANT separate = make(Str(u"untouched"));
  VARIANT* destination = passing == Passing::InPlace ? &held : &separate;

  HRESULT hr = VariantChangeType(destination, source, c.flags, c.to);

  EXPECT_EQ(hr, c.hr);
  if (SUCCEEDED(c.hr)) {
    EXPECT_TRUE(holds(*destination, c.expected));
  } else {
    EXPECT_TRUE(holds(*destination, passing == Passing::InPlace ? c.from : Str(u"untouched")));
  }
  if (passing != Passing::InPlace) {
    EXPECT_TRUE(holds(held, c.from));
  }
  VariantClear(&separate);
  if (held.vt != 15) VariantClear(&held);
}

INSTANTIATE_TEST_SUITE_P(Matrix, Coercion,
                         testing::Combine(testing::ValuesIn(kCoercions),
                                          testing::Values(Passing::Direct, Passing::ByRef,
                                                          Passing::ByRefVariant, Passing::InPlace)));

TEST(CoercionArguments, NullPointersAndEmptyReferencesAreRefused) {
  VARIANT v = make(I4(1));
  EXPECT_EQ(VariantChangeType(nullptr, &v, 0, VT_BSTR), E_INVALIDARG);
  EXPECT_EQ(VariantChangeType(&v, nullptr, 0, VT_BSTR), E_INVALIDARG);
  VARIANT reference;
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = nullptr;
  EXPECT_EQ(VariantChangeType(&v, &reference, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  VARIANT inner;
  inner.vt = VT_BYREF | VT_VARIANT;
  inner.pvarVal = &v;
  VARIANT twice;
  twice.vt = VT_BYREF | VT_VARIANT;
  twice.pvarVal = &inner;  // a reference to a variant reference: one level too many
  EXPECT_EQ(VariantChangeType(&v, &twice, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(holds(v, I4(1)));
}

// ---------------------------------------------------------------------------------------------
// Objects: their default value, asked through Invoke

struct ObjectCase {
  const char* label;
  Value defaultValue;
  HRESULT answer;
  VARTYPE to;
  WORD flags;
  HRESULT hr;
  Value expected;
  int calls;
};

void PrintTo(const ObjectCase& c, std::ostream* os) { *os << c.label; }

const ObjectCase kObjectCases[] = {
    {"number as text", I4(42), S_OK, VT_BSTR, 0, S_OK, Str(u"42"), 1},
    {"text as number", Str(u"7"), S_OK, VT_I4, 0, S_OK, I4(7), 1},
    {"value out of range", I4(70000), S_OK, VT_I2, 0, DISP_E_OVERFLOW, {}, 1},
    {"invoke fails", I4(1), E_FAIL, VT_I4, 0, DISP_E_TYPEMISMATCH, {}, 1},
    {"no value property wanted", I4(1), S_OK, VT_I4, VARIANT_NOVALUEPROP, DISP_E_TYPEMISMATCH, {}, 0},
    {"object to empty", I4(1), S_OK, VT_EMPTY, 0, S_OK, Empty(), 0},
};

class ObjectValue : public testing::TestWithParam<ObjectCase> {};

TEST_P(ObjectValue, IsReadThroughDispidValueAndReferencesBalance) {
  const ObjectCase& c = GetParam();
  FakeObject object(c.defaultValue, c.answer);
  VARIANT source;
  source.vt = VT_DISPATCH;
  source.pdispVal = &object;
  VARIANT destination;
  VariantInit(&destination);
  EXPECT_EQ(VariantChangeType(&destination, &source, c.flags, c.to), c.hr);
  if (SUCCEEDED(c.hr)) {
    EXPECT_TRUE(holds(destination, c.expected));
  }
  EXPECT_EQ(object.calls, c.calls);
  if (c.calls > 0) {
    EXPECT_EQ(object.lastMember, DISPID_VALUE);
    EXPECT_EQ(object.lastFlags, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    EXPECT_EQ(object.lastArgumentCount, 0u);
  }
  EXPECT_EQ(object.references, 1u);
  VariantClear(&destination);
}

INSTANTIATE_TEST_SUITE_P(Objects, ObjectValue, testing::ValuesIn(kObjectCases));

TEST(ObjectValue, AnObjectWhoseValueIsItselfEndsInAMismatch) {
  FakeObject object;
  object.returnsItself = true;
  VARIANT source;
  source.vt = VT_DISPATCH;
  source.pdispVal = &object;
  VARIANT destination;
  VariantInit(&destination);
  EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_GT(object.calls, 1);
  EXPECT_LT(object.calls, 20);
  EXPECT_EQ(object.references, 1u);
}

TEST(ObjectValue, NullObjectIsAMismatchAndInterfacesConvertByQuery) {
  VARIANT source;
  source.vt = VT_DISPATCH;
  source.pdispVal = nullptr;
  VARIANT destination;
  VariantInit(&destination);
  EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_BSTR), DISP_E_TYPEMISMATCH);

  FakeObject object;
  source.pdispVal = &object;
  ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_UNKNOWN), S_OK);
  EXPECT_EQ(destination.vt, VT_UNKNOWN);
  EXPECT_EQ(object.references, 2u);
  ASSERT_EQ(VariantChangeType(&destination, &destination, 0, VT_DISPATCH), S_OK);
  EXPECT_EQ(destination.vt, VT_DISPATCH);
  EXPECT_EQ(object.references, 2u);
  VariantClear(&destination);
  EXPECT_EQ(object.references, 1u);
}

// ---------------------------------------------------------------------------------------------
// VariantClear, VariantCopy, VariantCopyInd

TEST(VariantClear, ReleasesWhatTheVariantOwnsAndNothingItOnlyRefersTo) {
  FakeObject object;
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = &object;
  object.AddRef();
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(object.references, 1u);

  IDispatch* pointer = &object;
  v.vt = VT_BYREF | VT_DISPATCH;
  v.ppdispVal = &pointer;
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(object.references, 1u);

  BSTR text = SysAllocString(u"kept");
  v.vt = VT_BYREF | VT_BSTR;
  v.pbstrVal = &text;
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(SysStringLen(text), 4u);  // still alive
  SysFreeString(text);

  v = make(Str(u"freed"));  // ASan reports it if VariantClear leaks it
  EXPECT_EQ(VariantClear(&v), S_OK);

  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
  static_cast<BSTR*>(v.parray->pvData)[1] = SysAllocString(u"element");
  EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(VariantClear, RefusesInvalidTypesAndReportsALockedArray) {
  const VARTYPE invalid[] = {15, VT_VOID, VT_BYREF | VT_EMPTY, VT_ARRAY | VT_NULL, 0x1000 | VT_I4};
  for (VARTYPE vt : invalid) {
    VARIANT v;
    v.vt = vt;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << vt;
    EXPECT_EQ(v.vt, vt);
  }
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 4);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  VARIANT v;
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = array;
  EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
  SafeArrayUnaccessData(array);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(VariantCopy, CopiesDeeplyAndClearsTheDestinationFirst) {
  VARIANT source = make(Str(std::u16string(u"a\0b", 3)));
  VARIANT destination = make(Str(u"old"));  // freed by the copy
  ASSERT_EQ(VariantCopy(&destination, &source), S_OK);
  EXPECT_NE(destination.bstrVal, source.bstrVal);
  EXPECT_TRUE(holds(destination, Str(std::u16string(u"a\0b", 3))));
  EXPECT_EQ(VariantCopy(&destination, &destination), S_OK);
  EXPECT_TRUE(holds(destination, Str(std::u16string(u"a\0b", 3))));
  VariantClear(&source);

  VARIANT nullText;
  nullText.vt = VT_BSTR;
  nullText.bstrVal = nullptr;
  ASSERT_EQ(VariantCopy(&destination, &nullText), S_OK);
  EXPECT_EQ(destination.bstrVal, nullptr);

  FakeObject object;
  VARIANT held;
  held.vt = VT_DISPATCH;
  held.pdispVal = &object;
  ASSERT_EQ(VariantCopy(&destination, &held), S_OK);
  EXPECT_EQ(object.references, 2u);
  VariantClear(&destination);
  EXPECT_EQ(object.references, 1u);

  LONG number = 5;
  VARIANT reference;
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = &number;
  ASSERT_EQ(VariantCopy(&destination, &reference), S_OK);
  EXPECT_EQ(destination.vt, VT_BYREF | VT_I4);
  EXPECT_EQ(destination.plVal, &number);

  VARIANT array;
  array.vt = VT_ARRAY | VT_I4;
  array.parray = SafeArrayCreateVector(VT_I4, 1, 3);
  static_cast<LONG*>(array.parray->pvData)[2] = 9;
  ASSERT_EQ(VariantCopy(&destination, &array), S_OK);
  EXPECT_NE(destination.parray, array.parray);
  static_cast<LONG*>(array.parray->pvData)[2] = 1;
  LONG index = 3;
  LONG element = 0;
  EXPECT_EQ(SafeArrayGetElement(destination.parray, &index, &element), S_OK);
  EXPECT_EQ(element, 9);
  VariantClear(&array);
  VariantClear(&destination);

  VARIANT bad;
  bad.vt = 15;
  destination = make(I4(3));
  EXPECT_EQ(VariantCopy(&destination, &bad), DISP_E_BADVARTYPE);
  EXPECT_TRUE(holds(destination, I4(3)));
}

struct CopyIndCase {
  const char* label;
  HRESULT hr;
  Value expected;
};

void PrintTo(const CopyIndCase& c, std::ostream* os) { *os << c.label; }

// The sources: what each label refers to is built in the test body from these locals.
struct References {
  LONG number = 7;
  DATE date = 45000.5;
  BSTR text = SysAllocString(u"referenced");
  VARIANT inner = make(Str(u"inner"));
  VARIANT innerReference;
  VARIANT innerDouble;
  References() {
    innerReference.vt = VT_BYREF | VT_I4;
    innerReference.plVal = &number;
    innerDouble.vt = VT_BYREF | VT_VARIANT;
    innerDouble.pvarVal = &inner;
  }
  ~References() {
    SysFreeString(text);
    VariantClear(&inner);
  }
  VARIANT source(const std::string& label) {
    VARIANT v;
    if (label == "long") {
      v.vt = VT_BYREF | VT_I4;
      v.plVal = &number;
    } else if (label == "date") {
      v.vt = VT_BYREF | VT_DATE;
      v.pdate = &date;
    } else if (label == "string") {
      v.vt = VT_BYREF | VT_BSTR;
      v.pbstrVal = &text;
    } else if (label == "variant holding a string") {
      v.vt = VT_BYREF | VT_VARIANT;
      v.pvarVal = &inner;
    } else if (label == "variant holding a reference") {
      v.vt = VT_BYREF | VT_VARIANT;
      v.pvarVal = &innerReference;
    } else if (label == "variant holding a variant reference") {
      v.vt = VT_BYREF | VT_VARIANT;
      v.pvarVal = &innerDouble;
    } else {
      v = make(I4(11));  // not a reference: a plain copy
    }
    return v;
  }
};

const CopyIndCase kCopyIndCases[] = {
    {"long", S_OK, I4(7)},
    {"date", S_OK, Date(45000.5)},
    {"string", S_OK, Str(u"referenced")},
    {"variant holding a string", S_OK, Str(u"inner")},
    {"variant holding a reference", S_OK, I4(7)},
    {"variant holding a variant reference", E_INVALIDARG, {}},
    {"plain", S_OK, I4(11)},
};

class CopyInd : public testing::TestWithParam<CopyIndCase> {};

TEST_P(CopyInd, FollowsOneReferenceAndCopiesWhatItFinds) {
  References refs;
  VARIANT source = refs.source(GetParam().label);
  VARIANT destination;
  VariantInit(&destination);
  EXPECT_EQ(VariantCopyInd(&destination, &source), GetParam().hr);
  if (SUCCEEDED(GetParam().hr)) {
    EXPECT_TRUE(holds(destination, GetParam().expected));
    if (destination.vt == VT_BSTR) {
      EXPECT_NE(destination.bstrVal, refs.text);
      EXPECT_NE(destination.bstrVal, refs.inner.bstrVal);
    }
  }
  VariantClear(&destination);
  // In place: the reference is replaced by the copy.
  if (SUCCEEDED(GetParam().hr)) {
    EXPECT_EQ(VariantCopyInd(&source, &source), S_OK);
    EXPECT_TRUE(holds(source, GetParam().expected));
    VariantClear(&source);
  }
}

INSTANTIATE_TEST_SUITE_P(References, CopyInd, testing::ValuesIn(kCopyIndCases));

TEST(CopyInd, ReferencedArraysAndObjectsAreCopiedAndReferenced) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 3);
  static_cast<BYTE*>(array->pvData)[1] = 0x42;
  VARIANT source;
  source.vt = VT_BYREF | VT_ARRAY | VT_UI1;
  source.pparray = &array;
  VARIANT destination;
  VariantInit(&destination);
  ASSERT_EQ(VariantCopyInd(&destination, &source), S_OK);
  EXPECT_EQ(destination.vt, VT_ARRAY | VT_UI1);
  ASSERT_NE(destination.parray, array);
  EXPECT_EQ(static_cast<BYTE*>(destination.parray->pvData)[1], 0x42);
  VariantClear(&destination);
  SafeArrayDestroy(array);

  FakeObject object;
  IDispatch* pointer = &object;
  source.vt = VT_BYREF | VT_DISPATCH;
  source.ppdispVal = &pointer;
  ASSERT_EQ(VariantCopyInd(&destination, &source), S_OK);
  EXPECT_EQ(object.references, 2u);
  VariantClear(&destination);
  EXPECT_EQ(object.references, 1u);
}

// ---------------------------------------------------------------------------------------------
// SAFEARRAY

struct VectorCase {
  VARTYPE vt;
  ULONG elementSize;
  USHORT features;  // beyond FADF_CREATEVECTOR
};

void PrintTo(const VectorCase& c, std::ostream* os) { *os << "vt " << c.vt; }

const VectorCase kVectorCases[] = {
    {VT_UI1, 1, FADF_HAVEVARTYPE},
    {VT_I1, 1, FADF_HAVEVARTYPE},
    {VT_I2, 2, FADF_HAVEVARTYPE},
    {VT_BOOL, 2, FADF_HAVEVARTYPE},
    {VT_I4, 4, FADF_HAVEVARTYPE},
    {VT_R4, 4, FADF_HAVEVARTYPE},
    {VT_ERROR, 4, FADF_HAVEVARTYPE},
    {VT_R8, 8, FADF_HAVEVARTYPE},
    {VT_DATE, 8, FADF_HAVEVARTYPE},
    {VT_CY, 8, FADF_HAVEVARTYPE},
    {VT_I8, 8, FADF_HAVEVARTYPE},
    {VT_BSTR, sizeof(BSTR), FADF_BSTR | FADF_HAVEVARTYPE},
    {VT_VARIANT, sizeof(VARIANT), FADF_VARIANT | FADF_HAVEVARTYPE},
    {VT_DISPATCH, sizeof(void*), FADF_DISPATCH | FADF_HAVEIID},
    {VT_UNKNOWN, sizeof(void*), FADF_UNKNOWN | FADF_HAVEIID},
};

class Vector : public testing::TestWithParam<VectorCase> {};

TEST_P(Vector, DescribesItselfAndCopiesAndDestroys) {
  const VectorCase& c = GetParam();
  SAFEARRAY* array = SafeArrayCreateVector(c.vt, -2, 5);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 1u);
  EXPECT_EQ(SafeArrayGetElemsize(array), c.elementSize);
  EXPECT_EQ(array->fFeatures, c.features | FADF_CREATEVECTOR);
  VARTYPE vt = 0;
  EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
  EXPECT_EQ(vt, c.vt);
  LONG low = 0, high = 0;
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &low), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(array, 1, &high), S_OK);
  EXPECT_EQ(low, -2);
  EXPECT_EQ(high, 2);
  EXPECT_EQ(SafeArrayGetLBound(array, 0, &low), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(array, 2, &high), DISP_E_BADINDEX);
  // Descriptor and elements share one block; the elements start zeroed.
  const char* data = static_cast<const char*>(array->pvData);
  EXPECT_GT(data, reinterpret_cast<const char*>(array));
  EXPECT_LE(data, reinterpret_cast<const char*>(array) + 64);
  EXPECT_EQ(std::vector<char>(data, data + 5 * c.elementSize), std::vector<char>(5 * c.elementSize, 0));

  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
  EXPECT_EQ(SafeArrayGetElemsize(copy), c.elementSize);
  EXPECT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
  EXPECT_EQ(vt, c.vt);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

INSTANTIATE_TEST_SUITE_P(ElementTypes, Vector, testing::ValuesIn(kVectorCases));

TEST(Vector, TypesWithoutElementsAreRefusedAndEmptyVectorsWork) {
  const VARTYPE kNoElements[] = {VT_EMPTY, VT_NULL, 15, VT_VOID, VT_HRESULT};
  for (VARTYPE vt : kNoElements) {
    EXPECT_EQ(SafeArrayCreateVector(vt, 0, 3), nullptr) << vt;
  }
  SAFEARRAY* empty = SafeArrayCreateVector(VT_UI1, 0, 0);
  ASSERT_NE(empty, nullptr);
  LONG high = 0;
  EXPECT_EQ(SafeArrayGetUBound(empty, 1, &high), S_OK);
  EXPECT_EQ(high, -1);
  LONG index = 0;
  BYTE element = 0;
  EXPECT_EQ(SafeArrayGetElement(empty, &index, &element), DISP_E_BADINDEX);
  SAFEARRAY* copy = nullptr;
  EXPECT_EQ(SafeArrayCopy(empty, &copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
  EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
  EXPECT_EQ(copy, nullptr);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
  EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
}

class ElementIndex : public testing::TestWithParam<std::tuple<LONG, HRESULT>> {};

TEST_P(ElementIndex, IsCheckedAgainstTheBounds) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 10, 3);
  SHORT* data = static_cast<SHORT*>(array->pvData);
  data[0] = 100, data[1] = 101, data[2] = 102;
  LONG index = std::get<0>(GetParam());
  SHORT element = -1;
  EXPECT_EQ(SafeArrayGetElement(array, &index, &element), std::get<1>(GetParam()));
  EXPECT_EQ(element, SUCCEEDED(std::get<1>(GetParam())) ? 90 + index : -1);
  EXPECT_EQ(array->cLocks, 0u);
  SafeArrayDestroy(array);
}

INSTANTIATE_TEST_SUITE_P(Bounds, ElementIndex,
                         testing::Values(std::make_tuple(9, DISP_E_BADINDEX), std::make_tuple(10, S_OK),
                                         std::make_tuple(12, S_OK), std::make_tuple(13, DISP_E_BADINDEX),
                                         std::make_tuple(INT32_MIN, DISP_E_BADINDEX),
                                         std::make_tuple(INT32_MAX, DISP_E_BADINDEX)));

TEST(ArrayElements, StringsVariantsAndObjectsAreCopiedOutAndReleasedOnDestroy) {
  FakeObject object;
  SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
  static_cast<BSTR*>(strings->pvData)[0] = SysAllocString(u"first");
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  static_cast<VARIANT*>(variants->pvData)[1] = make(Str(u"second"));
  static_cast<VARIANT*>(variants->pvData)[0].vt = VT_DISPATCH;
  static_cast<VARIANT*>(variants->pvData)[0].pdispVal = &object;
  object.AddRef();
  SAFEARRAY* objects = SafeArrayCreateVector(VT_DISPATCH, 0, 1);
  static_cast<IDispatch**>(objects->pvData)[0] = &object;
  object.AddRef();

  LONG index = 0;
  BSTR text = nullptr;
  ASSERT_EQ(SafeArrayGetElement(strings, &index, &text), S_OK);
  EXPECT_NE(text, static_cast<BSTR*>(strings->pvData)[0]);
  EXPECT_EQ(std::u16string(text, SysStringLen(text)), u"first");
  SysFreeString(text);
  index = 1;
  ASSERT_EQ(SafeArrayGetElement(strings, &index, &text), S_OK);
  EXPECT_EQ(text, nullptr);

  VARIANT element;
  element.vt = 15;  // garbage in the destination is overwritten, not cleared
  ASSERT_EQ(SafeArrayGetElement(variants, &index, &element), S_OK);
  EXPECT_TRUE(holds(element, Str(u"second")));
  EXPECT_NE(element.bstrVal, static_cast<VARIANT*>(variants->pvData)[1].bstrVal);
  VariantClear(&element);

  index = 0;
  IDispatch* found = nullptr;
  ASSERT_EQ(SafeArrayGetElement(objects, &index, &found), S_OK);
  EXPECT_EQ(found, &object);
  EXPECT_EQ(object.references, 4u);
  found->Release();

  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(variants, &copy), S_OK);
  EXPECT_EQ(object.references, 4u);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);
  EXPECT_EQ(SafeArrayDestroy(strings), S_OK);
  EXPECT_EQ(object.references, 1u);
}

TEST(ArrayLocks, AccessCountsLocksAndALockedArrayIsNotDestroyed) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 4);
  void* data = nullptr;
  EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  EXPECT_EQ(data, array->pvData);
  EXPECT_EQ(array->cLocks, 2u);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
  EXPECT_EQ(SafeArrayAccessData(nullptr, &data), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetElement(nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetVartype(nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayCopy(nullptr, nullptr), E_INVALIDARG);
}

// A caller-made two-dimensional array: bounds stored last dimension first, the first index
// varying fastest, and nothing freed on destroy.
struct TwoDimensions {
  SAFEARRAY array;
  SAFEARRAYBOUND second;
};
static_assert(offsetof(TwoDimensions, second) == offsetof(SAFEARRAY, rgsabound) + sizeof(SAFEARRAYBOUND),
              "the bounds must be contiguous");

TEST(ArrayDimensions, AreHonestForCallerMadeArrays) {
  LONG data[6] = {0, 1, 2, 3, 4, 5};
  TwoDimensions made{};
  made.array.cDims = 2;
  made.array.fFeatures = FADF_STATIC;
  made.array.cbElements = sizeof(LONG);
  made.array.pvData = data;
  made.array.rgsabound[0] = {3, 1};  // dimension 2: 1..3
  made.second = {2, 0};              // dimension 1: 0..1
  SAFEARRAY* array = &made.array;
  EXPECT_EQ(SafeArrayGetDim(array), 2u);
  LONG bound = 0;
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &bound), S_OK);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(SafeArrayGetUBound(array, 2, &bound), S_OK);
  EXPECT_EQ(bound, 3);
  EXPECT_EQ(SafeArrayGetLBound(array, 3, &bound), DISP_E_BADINDEX);
  LONG indices[2] = {1, 3};
  LONG element = -1;
  EXPECT_EQ(SafeArrayGetElement(array, indices, &element), S_OK);
  EXPECT_EQ(element, 5);
  indices[0] = 0, indices[1] = 2;
  EXPECT_EQ(SafeArrayGetElement(array, indices, &element), S_OK);
  EXPECT_EQ(element, 2);
  indices[1] = 0;
  EXPECT_EQ(SafeArrayGetElement(array, indices, &element), DISP_E_BADINDEX);
  VARTYPE vt = 0;
  EXPECT_EQ(SafeArrayGetVartype(array, &vt), E_INVALIDARG);  // no type recorded

  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
  EXPECT_EQ(copy->fFeatures & FADF_STATIC, 0);
  indices[0] = 1, indices[1] = 3;
  EXPECT_EQ(SafeArrayGetElement(copy, indices, &element), S_OK);
  EXPECT_EQ(element, 5);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);  // ASan objects if this frees the stack
}

}  // namespace
}  // namespace vk::test
