// VARIANT and SAFEARRAY services: coercions (reached directly, by reference, through a
// VT_BYREF|VT_VARIANT and in place), copy and clear ownership, and array storage. Leaks and
// double frees show up under the sanitizer build.
#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <limits>
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
constexpr HRESULT kOk = S_OK, kMismatch = DISP_E_TYPEMISMATCH, kOverflow = DISP_E_OVERFLOW;
const Value kNone;

const CoercionCase kCoercions[] = {
    // to text
    {I4(-3), VT_BSTR, kOk, Str(u"-3")},
    {I8(INT64_MIN), VT_BSTR, kOk, Str(u"-9223372036854775808")},
    {UI8(UINT64_MAX), VT_BSTR, kOk, Str(u"18446744073709551615")},
    {I1(-5), VT_BSTR, kOk, Str(u"-5")},
    {R8(0.1), VT_BSTR, kOk, Str(u"0.1")},
    {R8(1.0 / 3), VT_BSTR, kOk, Str(u"0.333333333333333")},
    {R8(1e20), VT_BSTR, kOk, Str(u"1E+20")},
    {R8(-2.5e-7), VT_BSTR, kOk, Str(u"-2.5E-07")},
    {R8(-0.0), VT_BSTR, kOk, Str(u"0")},
    {R4(0.1f), VT_BSTR, kOk, Str(u"0.1")},
    {Bool(true), VT_BSTR, kOk, Str(u"-1")},
    {Bool(true), VT_BSTR, kOk, Str(u"True"), VARIANT_ALPHABOOL},
    {Bool(false), VT_BSTR, kOk, Str(u"False"), VARIANT_ALPHABOOL},
    {Cy(15000), VT_BSTR, kOk, Str(u"1.5")},
    {Cy(-1), VT_BSTR, kOk, Str(u"-0.0001")},
    {Empty(), VT_BSTR, kOk, Str(u"")},
    {Date(45000), VT_BSTR, kOk, Str(u"2023-03-15")},
    {Date(45000.5), VT_BSTR, kOk, Str(u"2023-03-15 12:00:00")},
    {Date(0.75), VT_BSTR, kOk, Str(u"18:00:00")},
    {Date(-1.25), VT_BSTR, kOk, Str(u"1899-12-29 06:00:00")},
    {Date(-657434), VT_BSTR, kOk, Str(u"0100-01-01")},
    {Date(3e6), VT_BSTR, kOverflow, kNone},
    // text to numbers
    {Str(u" \t12\n"), VT_I4, kOk, I4(12)},
    {Str(u"-3"), VT_I4, kOk, I4(-3)},
    {Str(u"+7"), VT_I4, kOk, I4(7)},
    {Str(u"2.5"), VT_I4, kOk, I4(2)},
    {Str(u"-2.5"), VT_I4, kOk, I4(-2)},
    {Str(u"1e3"), VT_I4, kOk, I4(1000)},
    {Str(u"2147483648"), VT_I4, kOverflow, kNone},
    {Str(u"-2147483648"), VT_I4, kOk, I4(INT32_MIN)},
    {Str(u"3000000000"), VT_UI4, kOk, UI4(3000000000u)},
    {Str(u"-1"), VT_UI1, kOverflow, kNone},
    {Str(u"18446744073709551615"), VT_UI8, kOk, UI8(UINT64_MAX)},
    {Str(u"18446744073709551616"), VT_UI8, kOverflow, kNone},
    {Str(u"-9223372036854775808"), VT_I8, kOk, I8(INT64_MIN)},
    {Str(u"9223372036854775808"), VT_I8, kOverflow, kNone},
    {Str(u".5"), VT_R8, kOk, R8(0.5)},
    {Str(u"1e400"), VT_R8, kOverflow, kNone},
    {Str(u"1e39"), VT_R4, kOverflow, kNone},
    {Str(u"1.5"), VT_CY, kOk, Cy(15000)},
    {Str(u"abc"), VT_I4, kMismatch, kNone},
    {Str(u""), VT_I4, kMismatch, kNone},
    {Str(u"   "), VT_I4, kMismatch, kNone},
    {Str(u"12abc"), VT_I4, kMismatch, kNone},
    {Str(u"1 2"), VT_I4, kMismatch, kNone},
    {Str(u"1e"), VT_R8, kMismatch, kNone},
    {Str(u"."), VT_R8, kMismatch, kNone},
    {Str(u"1,000"), VT_I4, kMismatch, kNone},
    {Str(u"\u0661"), VT_I4, kMismatch, kNone},
    {Str(std::u16string(u"12\0", 3)), VT_I4, kMismatch, kNone},
    // hexadecimal and octal literals fill the target's width, signed types sign-extending
    {Str(u"&h1f"), VT_I4, kOk, I4(31)},
    {Str(u"&HFFFF"), VT_I2, kOk, I2(-1)},
    {Str(u"&HFFFF"), VT_I4, kOk, I4(65535)},
    {Str(u"&HFFFFFFFF"), VT_I4, kOk, I4(-1)},
    {Str(u"&H10000"), VT_I2, kOverflow, kNone},
    {Str(u"&HFF"), VT_UI1, kOk, UI1(255)},
    {Str(u"&HFF"), VT_I1, kOk, I1(-1)},
    {Str(u"&O17"), VT_I4, kOk, I4(15)},
    {Str(u"&HFFFF"), VT_R8, kOk, R8(-1)},
    {Str(u"&H"), VT_I4, kMismatch, kNone},
    {Str(u"&O8"), VT_I4, kMismatch, kNone},
    {Str(u"&H10000000000000000"), VT_I8, kOverflow, kNone},
    // text to booleans and dates
    {Str(u" false "), VT_BOOL, kOk, Bool(false)},
    {Str(u"TRUE"), VT_BOOL, kOk, Bool(true)},
    {Str(u"2"), VT_BOOL, kOk, Bool(true)},
    {Str(u"0.0"), VT_BOOL, kOk, Bool(false)},
    {Str(u"yes"), VT_BOOL, kMismatch, kNone},
    {Str(u"2023-03-15 12:00"), VT_DATE, kOk, Date(45000.5)},
    {Str(u"2023-03-15T06:00:00"), VT_DATE, kOk, Date(45000.25)},
    {Str(u"1899-12-29 06:00:00"), VT_DATE, kOk, Date(-1.25)},
    {Str(u"18:00"), VT_DATE, kOk, Date(0.75)},
    {Str(u"2024-02-29"), VT_DATE, kOk, Date(45351)},
    {Str(u"2023-02-29"), VT_DATE, kMismatch, kNone},
    {Str(u"2023-03-15 24:00"), VT_DATE, kMismatch, kNone},
    {Str(u"12"), VT_DATE, kMismatch, kNone},
    // reals to integers: half to even, range checked after rounding
    {R8(3.5), VT_I4, kOk, I4(4)},
    {R8(-3.5), VT_I4, kOk, I4(-4)},
    {R8(0.5), VT_I4, kOk, I4(0)},
    {R8(2.6), VT_I4, kOk, I4(3)},
    {R8(2147483647.5), VT_I4, kOverflow, kNone},
    {R8(-2147483648.5), VT_I4, kOk, I4(INT32_MIN)},
    {R8(kNaN), VT_I4, kOverflow, kNone},
    {R8(255.5), VT_UI1, kOverflow, kNone},
    {R8(-0.4), VT_UI1, kOk, UI1(0)},
    {R8(-0.6), VT_UI1, kOverflow, kNone},
    {R8(9.3e18), VT_I8, kOverflow, kNone},
    {R8(-9223372036854775808.0), VT_I8, kOk, I8(INT64_MIN)},
    {R8(1e39), VT_R4, kOverflow, kNone},
    {R8(1.5), VT_R4, kOk, R4(1.5f)},
    // integers between widths, booleans
    {I4(70000), VT_I2, kOverflow, kNone},
    {I4(-32768), VT_I2, kOk, I2(-32768)},
    {I4(-1), VT_UI2, kOverflow, kNone},
    {I4(-129), VT_I1, kOverflow, kNone},
    {UI4(4294967295u), VT_I4, kOverflow, kNone},
    {UI4(4294967295u), VT_I8, kOk, I8(4294967295)},
    {UI8(UINT64_MAX), VT_I8, kOverflow, kNone},
    {Bool(true), VT_I4, kOk, I4(-1)},
    {Bool(true), VT_UI1, kOk, UI1(255)},
    {Bool(true), VT_UI4, kOk, UI4(0xFFFFFFFFu)},
    {I4(5), VT_BOOL, kOk, Bool(true)},
    {R8(0.0), VT_BOOL, kOk, Bool(false)},
    {UI8(1ull << 63), VT_BOOL, kOk, Bool(true)},
    // empty, null, error
    {Empty(), VT_I4, kOk, I4(0)},
    {Empty(), VT_DATE, kOk, Date(0)},
    {Null(), VT_I4, kMismatch, kNone},
    {Null(), VT_BSTR, kMismatch, kNone},
    {Null(), VT_NULL, kOk, Null()},
    {Null(), VT_EMPTY, kMismatch, kNone},
    {I4(5), VT_EMPTY, kOk, Empty()},
    {Str(u"x"), VT_NULL, kOk, Null()},
    {Error(DISP_E_PARAMNOTFOUND), VT_I4, kMismatch, kNone},
    {I4(5), VT_ERROR, kMismatch, kNone},
    // dates and currency as numbers
    {Date(45000.75), VT_I4, kOk, I4(45001)},
    {R8(3e6), VT_DATE, kOverflow, kNone},
    {R8(-657435), VT_DATE, kOverflow, kNone},
    {R8(-657434.5), VT_DATE, kOk, Date(-657434.5)},
    {Cy(25000), VT_I4, kOk, I4(2)},
    {Cy(35000), VT_I4, kOk, I4(4)},
    {Cy(-25000), VT_I4, kOk, I4(-2)},
    {Cy(25000), VT_R8, kOk, R8(2.5)},
    {I4(7), VT_CY, kOk, Cy(70000)},
    {I8(1000000000000000), VT_CY, kOverflow, kNone},
    // types that are not types
    {I4(1), 15, DISP_E_BADVARTYPE, kNone},
    {I4(1), VT_VOID, DISP_E_BADVARTYPE, kNone},
    {Value(15), VT_I4, DISP_E_BADVARTYPE, kNone},
    {I4(1), VT_BYREF | VT_I4, kMismatch, kNone},
    {I4(1), VT_ARRAY | VT_I4, kMismatch, kNone},
};

enum class Passing { Direct, ByRef, ByRefVariant, InPlace };

class Coercion : public testing::TestWithParam<std::tuple<CoercionCase, Passing>> {};

TEST_P(Coercion, GivesTheValueOrTheErrorAndLeavesTheDestinationAloneOnFailure) {
  const auto& [c, passing] = GetParam();
  VARIANT held = make(c.from);
  VARIANT reference;
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

  EXPECT_EQ(VariantChangeType(destination, source, c.flags, c.to), c.hr);
  Value unchanged = passing == Passing::InPlace ? c.from : Str(u"untouched");
  EXPECT_TRUE(holds(*destination, SUCCEEDED(c.hr) ? c.expected : unchanged));
  if (passing != Passing::InPlace) { EXPECT_TRUE(holds(held, c.from)); }
  VariantClear(&separate);
  if (held.vt != 15) VariantClear(&held);
}

INSTANTIATE_TEST_SUITE_P(Matrix, Coercion,
                         testing::Combine(testing::ValuesIn(kCoercions),
                                          testing::Values(Passing::Direct, Passing::ByRef,
                                                          Passing::ByRefVariant, Passing::InPlace)));

TEST(Coercion, RefusesNullPointersEmptyReferencesAndDoubleVariantReferences) {
  VARIANT v = make(I4(1));
  EXPECT_EQ(VariantChangeType(nullptr, &v, 0, VT_BSTR), E_INVALIDARG);
  EXPECT_EQ(VariantChangeType(&v, nullptr, 0, VT_BSTR), E_INVALIDARG);
  VARIANT reference;
  reference.vt = VT_BYREF | VT_I4;
  reference.plVal = nullptr;
  EXPECT_EQ(VariantChangeType(&v, &reference, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  VARIANT inner, twice;
  inner.vt = twice.vt = VT_BYREF | VT_VARIANT;
  inner.pvarVal = &v;
  twice.pvarVal = &inner;
  EXPECT_EQ(VariantChangeType(&v, &twice, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(holds(v, I4(1)));
}

// ---------------------------------------------------------------------------------------------
// Objects give their default value, read through Invoke

struct ObjectCase {
  Value defaultValue;
  HRESULT answer;
  VARTYPE to;
  WORD flags;
  HRESULT hr;
  Value expected;
  int calls;
};

void PrintTo(const ObjectCase& c, std::ostream* os) { *os << c.defaultValue << " -> vt " << c.to; }

const ObjectCase kObjectCases[] = {
    {I4(42), S_OK, VT_BSTR, 0, S_OK, Str(u"42"), 1},
    {Str(u"7"), S_OK, VT_I4, 0, S_OK, I4(7), 1},
    {I4(70000), S_OK, VT_I2, 0, DISP_E_OVERFLOW, kNone, 1},
    {I4(1), E_FAIL, VT_I4, 0, DISP_E_TYPEMISMATCH, kNone, 1},
    {I4(1), S_OK, VT_I4, VARIANT_NOVALUEPROP, DISP_E_TYPEMISMATCH, kNone, 0},
    {I4(1), S_OK, VT_EMPTY, 0, S_OK, Empty(), 0},
};

class ObjectValue : public testing::TestWithParam<ObjectCase> {};

TEST_P(ObjectValue, IsReadThroughDispidValueAndReferencesBalance) {
  const ObjectCase& c = GetParam();
  FakeObject object(c.defaultValue, c.answer);
  VARIANT source, destination;
  source.vt = VT_DISPATCH;
  source.pdispVal = &object;
  VariantInit(&destination);
  EXPECT_EQ(VariantChangeType(&destination, &source, c.flags, c.to), c.hr);
  EXPECT_TRUE(holds(destination, SUCCEEDED(c.hr) ? c.expected : Empty()));
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

TEST(ObjectValue, EndsInAMismatchForNullOrSelfValuedObjectsAndConvertsInterfacesByQuery) {
  FakeObject object;
  object.returnsItself = true;
  VARIANT source, destination;
  source.vt = VT_DISPATCH;
  source.pdispVal = &object;
  VariantInit(&destination);
  EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_GT(object.calls, 1);
  EXPECT_LT(object.calls, 20);
  EXPECT_EQ(object.references, 1u);
  ASSERT_EQ(VariantChangeType(&destination, &source, 0, VT_UNKNOWN), S_OK);
  ASSERT_EQ(VariantChangeType(&destination, &destination, 0, VT_DISPATCH), S_OK);
  EXPECT_EQ(destination.vt, VT_DISPATCH);
  EXPECT_EQ(object.references, 2u);
  VariantClear(&destination);
  EXPECT_EQ(object.references, 1u);
  source.pdispVal = nullptr;
  EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
}

// ---------------------------------------------------------------------------------------------
// VariantClear, VariantCopy, VariantCopyInd

TEST(VariantClear, ReleasesWhatTheVariantOwnsAndNothingItOnlyRefersTo) {
  FakeObject object;
  IDispatch* pointer = &object;
  BSTR text = SysAllocString(u"kept");
  VARIANT v;
  v.vt = VT_BYREF | VT_DISPATCH;
  v.ppdispVal = &pointer;
  EXPECT_EQ(VariantClear(&v), S_OK);
  v.vt = VT_BYREF | VT_BSTR;
  v.pbstrVal = &text;
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(SysStringLen(text), 4u);  // still alive
  SysFreeString(text);
  EXPECT_EQ(object.references, 1u);
  v.vt = VT_DISPATCH;
  v.pdispVal = &object;
  object.AddRef();
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(object.references, 1u);
  v = make(Str(u"freed"));
  EXPECT_EQ(VariantClear(&v), S_OK);
  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
  static_cast<BSTR*>(v.parray->pvData)[1] = SysAllocString(u"element");
  EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(VariantClear, RefusesInvalidTypesAndReportsALockedArray) {
  for (VARTYPE vt :
       std::initializer_list<VARTYPE>{15, VT_VOID, VT_BYREF | VT_EMPTY, VT_ARRAY | VT_NULL, 0x1000 | VT_I4}) {
    VARIANT v;
    v.vt = vt;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << vt;
    EXPECT_EQ(v.vt, vt);
  }
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
  VARIANT v;
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = SafeArrayCreateVector(VT_UI1, 0, 4);
  SAFEARRAY* array = v.parray;
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
  SafeArrayUnaccessData(array);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(VariantCopy, CopiesDeeplyAfterClearingTheDestination) {
  const std::u16string text(u"a\0b", 3);
  VARIANT source = make(Str(text));
  VARIANT destination = make(Str(u"old"));
  ASSERT_EQ(VariantCopy(&destination, &source), S_OK);
  EXPECT_NE(destination.bstrVal, source.bstrVal);
  EXPECT_TRUE(holds(destination, Str(text)));
  EXPECT_EQ(VariantCopy(&destination, &destination), S_OK);
  EXPECT_TRUE(holds(destination, Str(text)));
  VariantClear(&source);

  FakeObject object;
  source.vt = VT_DISPATCH;
  source.pdispVal = &object;
  ASSERT_EQ(VariantCopy(&destination, &source), S_OK);
  EXPECT_EQ(object.references, 2u);
  LONG number = 5;
  source.vt = VT_BYREF | VT_I4;
  source.plVal = &number;
  ASSERT_EQ(VariantCopy(&destination, &source), S_OK);
  EXPECT_EQ(object.references, 1u);
  EXPECT_EQ(destination.plVal, &number);

  source.vt = VT_ARRAY | VT_I4;
  source.parray = SafeArrayCreateVector(VT_I4, 1, 3);
  static_cast<LONG*>(source.parray->pvData)[2] = 9;
  ASSERT_EQ(VariantCopy(&destination, &source), S_OK);
  static_cast<LONG*>(source.parray->pvData)[2] = 1;
  LONG index = 3, element = 0;
  EXPECT_EQ(SafeArrayGetElement(destination.parray, &index, &element), S_OK);
  EXPECT_EQ(element, 9);
  VariantClear(&source);
  VariantClear(&destination);
  source.vt = 15;
  EXPECT_EQ(VariantCopy(&destination, &source), DISP_E_BADVARTYPE);
}

// Sources for VariantCopyInd, by name.
struct Referenced {
  LONG number = 7;
  BSTR text = SysAllocString(u"referenced");
  VARIANT inner = make(Str(u"inner"));
  VARIANT innerReference = reference(VT_I4, &number);
  VARIANT innerDouble = reference(VT_VARIANT, &inner);
  ~Referenced() {
    SysFreeString(text);
    VariantClear(&inner);
  }
  static VARIANT reference(VARTYPE vt, void* target) {
    VARIANT v;
    v.vt = static_cast<VARTYPE>(VT_BYREF | vt);
    v.byref = target;
    return v;
  }
  VARIANT source(int which) {
    switch (which) {
      case 0: return reference(VT_I4, &number);
      case 1: return reference(VT_BSTR, &text);
      case 2: return reference(VT_VARIANT, &inner);
      case 3: return reference(VT_VARIANT, &innerReference);
      case 4: return reference(VT_VARIANT, &innerDouble);
      default: return make(I4(11));
    }
  }
};

class CopyInd : public testing::TestWithParam<std::tuple<int, HRESULT, Value>> {};

TEST_P(CopyInd, FollowsOneReferenceAndCopiesWhatItFinds) {
  const auto& [which, hr, expected] = GetParam();
  Referenced refs;
  VARIANT source = refs.source(which);
  VARIANT destination;
  VariantInit(&destination);
  EXPECT_EQ(VariantCopyInd(&destination, &source), hr);
  EXPECT_TRUE(holds(destination, SUCCEEDED(hr) ? expected : Empty()));
  EXPECT_TRUE(destination.vt != VT_BSTR ||
              (destination.bstrVal != refs.text && destination.bstrVal != refs.inner.bstrVal));
  VariantClear(&destination);
  if (SUCCEEDED(hr)) {  // in place: the reference becomes the copy
    EXPECT_EQ(VariantCopyInd(&source, &source), S_OK);
    EXPECT_TRUE(holds(source, expected));
    VariantClear(&source);
  }
}

INSTANTIATE_TEST_SUITE_P(
    References, CopyInd,
    testing::Values(std::make_tuple(0, S_OK, I4(7)), std::make_tuple(1, S_OK, Str(u"referenced")),
                    std::make_tuple(2, S_OK, Str(u"inner")), std::make_tuple(3, S_OK, I4(7)),
                    std::make_tuple(4, E_INVALIDARG, kNone), std::make_tuple(5, S_OK, I4(11))));

TEST(CopyInd, CopiesReferencedArraysAndAddsAReferenceToObjects) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 3);
  static_cast<BYTE*>(array->pvData)[1] = 0x42;
  VARIANT source = Referenced::reference(VT_ARRAY | VT_UI1, &array);
  VARIANT destination;
  VariantInit(&destination);
  ASSERT_EQ(VariantCopyInd(&destination, &source), S_OK);
  EXPECT_EQ(destination.vt, VT_ARRAY | VT_UI1);
  ASSERT_NE(destination.parray, array);
  EXPECT_EQ(static_cast<BYTE*>(destination.parray->pvData)[1], 0x42);
  SafeArrayDestroy(array);
  FakeObject object;
  IDispatch* pointer = &object;
  source = Referenced::reference(VT_DISPATCH, &pointer);
  ASSERT_EQ(VariantCopyInd(&destination, &source), S_OK);
  EXPECT_EQ(object.references, 2u);
  VariantClear(&destination);
  EXPECT_EQ(object.references, 1u);
}

// ---------------------------------------------------------------------------------------------
// SAFEARRAY

class Vector : public testing::TestWithParam<std::tuple<VARTYPE, ULONG, USHORT>> {};

TEST_P(Vector, DescribesItselfAndCopiesAndDestroys) {
  const auto& [vt, elementSize, features] = GetParam();
  SAFEARRAY* array = SafeArrayCreateVector(vt, -2, 5);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 1u);
  EXPECT_EQ(SafeArrayGetElemsize(array), elementSize);
  EXPECT_EQ(array->fFeatures, features | FADF_CREATEVECTOR);
  LONG low = 0, high = 0;
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &low), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(array, 1, &high), S_OK);
  EXPECT_EQ(std::make_pair(low, high), std::make_pair(-2, 2));
  EXPECT_EQ(SafeArrayGetLBound(array, 0, &low), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(array, 2, &high), DISP_E_BADINDEX);
  // One block: descriptor, then the zeroed elements.
  const char* data = static_cast<const char*>(array->pvData);
  EXPECT_TRUE(data > reinterpret_cast<const char*>(array) &&
              data <= reinterpret_cast<const char*>(array) + 64);
  EXPECT_EQ(std::vector<char>(data, data + 5 * elementSize), std::vector<char>(5 * elementSize, 0));
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
  for (SAFEARRAY* a : {array, copy}) {
    VARTYPE found = 0;
    EXPECT_EQ(SafeArrayGetVartype(a, &found), S_OK);
    EXPECT_EQ(found, vt);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);
  }
}

INSTANTIATE_TEST_SUITE_P(
    ElementTypes, Vector,
    testing::Values(
        std::make_tuple(VT_UI1, 1, FADF_HAVEVARTYPE), std::make_tuple(VT_BOOL, 2, FADF_HAVEVARTYPE),
        std::make_tuple(VT_I4, 4, FADF_HAVEVARTYPE), std::make_tuple(VT_ERROR, 4, FADF_HAVEVARTYPE),
        std::make_tuple(VT_DATE, 8, FADF_HAVEVARTYPE), std::make_tuple(VT_CY, 8, FADF_HAVEVARTYPE),
        std::make_tuple(VT_BSTR, sizeof(BSTR), FADF_BSTR | FADF_HAVEVARTYPE),
        std::make_tuple(VT_VARIANT, sizeof(VARIANT), FADF_VARIANT | FADF_HAVEVARTYPE),
        std::make_tuple(VT_DISPATCH, sizeof(void*), FADF_DISPATCH | FADF_HAVEIID),
        std::make_tuple(VT_UNKNOWN, sizeof(void*), FADF_UNKNOWN | FADF_HAVEIID)));

TEST(Vector, RefusesTypesWithoutElementsAndKeepsEmptyVectorsWorking) {
  for (VARTYPE vt : std::initializer_list<VARTYPE>{VT_EMPTY, VT_NULL, 15, VT_VOID, VT_HRESULT})
    EXPECT_EQ(SafeArrayCreateVector(vt, 0, 3), nullptr);
  SAFEARRAY* empty = SafeArrayCreateVector(VT_UI1, 0, 0);
  LONG high = 0, index = 0;
  BYTE element = 0;
  EXPECT_EQ(SafeArrayGetUBound(empty, 1, &high), S_OK);
  EXPECT_EQ(high, -1);
  EXPECT_EQ(SafeArrayGetElement(empty, &index, &element), DISP_E_BADINDEX);
  SAFEARRAY* copy = nullptr;
  EXPECT_EQ(SafeArrayCopy(empty, &copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
  EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
  EXPECT_EQ(copy, nullptr);
  EXPECT_EQ(SafeArrayCopy(nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetElement(nullptr, &index, &element), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
}

class ElementIndex : public testing::TestWithParam<std::tuple<LONG, HRESULT>> {};

TEST_P(ElementIndex, IsCheckedAgainstTheBounds) {
  const auto& [index, hr] = GetParam();
  SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 10, 3);
  SHORT* data = static_cast<SHORT*>(array->pvData);
  data[0] = 100, data[1] = 101, data[2] = 102;
  LONG at = index;
  SHORT element = -1;
  EXPECT_EQ(SafeArrayGetElement(array, &at, &element), hr);
  EXPECT_EQ(element, SUCCEEDED(hr) ? 90 + index : -1);
  EXPECT_EQ(array->cLocks, 0u);
  SafeArrayDestroy(array);
}

INSTANTIATE_TEST_SUITE_P(Bounds, ElementIndex,
                         testing::Values(std::make_tuple(9, DISP_E_BADINDEX), std::make_tuple(10, S_OK),
                                         std::make_tuple(12, S_OK), std::make_tuple(13, DISP_E_BADINDEX),
                                         std::make_tuple(INT32_MIN, DISP_E_BADINDEX),
                                         std::make_tuple(INT32_MAX, DISP_E_BADINDEX)));

TEST(ArrayElements, AreCopiedOutAndReleasedOnDestroy) {
  FakeObject object;
  SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
  static_cast<BSTR*>(strings->pvData)[0] = SysAllocString(u"first");
  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT* items = static_cast<VARIANT*>(variants->pvData);
  items[0].vt = VT_DISPATCH;
  items[0].pdispVal = &object;
  items[1] = make(Str(u"second"));
  object.AddRef();

  LONG index = 0;
  BSTR text = nullptr;
  ASSERT_EQ(SafeArrayGetElement(strings, &index, &text), S_OK);
  EXPECT_NE(text, static_cast<BSTR*>(strings->pvData)[0]);
  EXPECT_EQ(std::u16string(text, SysStringLen(text)), u"first");
  SysFreeString(text);
  VARIANT element;
  element.vt = 15;  // the destination is overwritten, not cleared
  index = 1;
  ASSERT_EQ(SafeArrayGetElement(variants, &index, &element), S_OK);
  EXPECT_TRUE(holds(element, Str(u"second")));
  EXPECT_NE(element.bstrVal, items[1].bstrVal);
  VariantClear(&element);
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(variants, &copy), S_OK);
  EXPECT_EQ(object.references, 3u);
  for (SAFEARRAY* a : {copy, variants, strings}) EXPECT_EQ(SafeArrayDestroy(a), S_OK);
  EXPECT_EQ(object.references, 1u);
}

TEST(ArrayLocks, AreCountedAndALockedArrayIsNotDestroyed) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 4);
  void* data = nullptr;
  EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
  EXPECT_EQ(data, array->pvData);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

// A caller-made two-dimensional array: bounds stored last dimension first, the first index
// varying fastest, and nothing freed on destroy (ASan objects to freeing the stack).
TEST(ArrayDimensions, AreHonestForCallerMadeArrays) {
  struct TwoDimensions {
    SAFEARRAY array;
    SAFEARRAYBOUND first;
  };
  static_assert(offsetof(TwoDimensions, first) == offsetof(SAFEARRAY, rgsabound) + sizeof(SAFEARRAYBOUND));
  LONG data[6] = {0, 1, 2, 3, 4, 5};
  TwoDimensions made{{2, FADF_STATIC, sizeof(LONG), 0, data, {{3, 1}}}, {2, 0}};  // [0..1][1..3]
  SAFEARRAY* array = &made.array;
  LONG bound = 0, element = -1;
  EXPECT_EQ(SafeArrayGetDim(array), 2u);
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &bound), S_OK);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(SafeArrayGetUBound(array, 2, &bound), S_OK);
  EXPECT_EQ(bound, 3);
  EXPECT_EQ(SafeArrayGetLBound(array, 3, &bound), DISP_E_BADINDEX);
  VARTYPE vt = 0;
  EXPECT_EQ(SafeArrayGetVartype(array, &vt), E_INVALIDARG);  // no type recorded
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(array, &copy), S_OK);
  EXPECT_EQ(copy->fFeatures & FADF_STATIC, 0);
  for (SAFEARRAY* a : {array, copy}) {
    LONG indices[2] = {1, 3};
    EXPECT_EQ(SafeArrayGetElement(a, indices, &element), S_OK);
    EXPECT_EQ(element, 5);
    indices[0] = 0, indices[1] = 2;
    EXPECT_EQ(SafeArrayGetElement(a, indices, &element), S_OK);
    EXPECT_EQ(element, 2);
    indices[1] = 0;
    EXPECT_EQ(SafeArrayGetElement(a, indices, &element), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);
  }
}

}  // namespace
}  // namespace vk::test
