#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "test_bytes.h"
#include "text/data_buffer.h"

namespace vk {
namespace {

using test::Bytes;
using test::hex;

// An object whose default value is whatever `answer` puts into the result; it records how it
// was asked.
class FakeObject final : public IDispatch {
 public:
  explicit FakeObject(std::function<HRESULT(FakeObject&, VARIANT*)> answer) : answer_(std::move(answer)) {}
  ~FakeObject() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, std::uint32_t, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, std::uint32_t*) override {
    ++calls;
    askedRight = askedRight && member == DISPID_VALUE && riid == IID_NULL && lcid == 0x800 && flags == 3 &&
                 params != nullptr && params->cArgs == 0 && result != nullptr && result->vt == VT_EMPTY;
    return answer_(*this, result);
  }

  ULONG refs = 1;
  int calls = 0;
  bool askedRight = true;

 private:
  std::function<HRESULT(FakeObject&, VARIANT*)> answer_;
};

// Owns what a case builds: strings, arrays, VARIANTs that others refer to, objects.
struct Scratch {
  ~Scratch() {
    for (VARIANT& v : owned) VariantClear(&v);
    for (BSTR s : strings) SysFreeString(s);
  }
  BSTR string(const std::u16string& text) {
    strings.push_back(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    return strings.back();
  }
  // A VARIANT kept alive (and cleared) by the scratch, for references to point at.
  VARIANT* keep(VARIANT v) {
    owned.push_back(v);
    return &owned.back();
  }
  SAFEARRAY* vector(VARTYPE vt, LONG lower, const std::vector<VARIANT>& items) {
    SAFEARRAY* array = SafeArrayCreateVector(vt, lower, static_cast<ULONG>(items.size()));
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (vt == VT_VARIANT) {
        static_cast<VARIANT*>(data)[i] = items[i];  // the array owns the element from here
      } else {
        std::memcpy(static_cast<char*>(data) + i * array->cbElements, &items[i].llVal, array->cbElements);
      }
    }
    SafeArrayUnaccessData(array);
    VARIANT holder;
    holder.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
    holder.parray = array;
    keep(holder);
    return array;
  }
  // A descriptor made by hand (the caller owns its storage), with any number of dimensions.
  SAFEARRAY* handMade(USHORT dims, USHORT features, ULONG elementSize, void* data,
                      const std::vector<ULONG>& counts) {
    auto block = std::make_unique<char[]>(sizeof(SAFEARRAY) + sizeof(SAFEARRAYBOUND) * dims);
    auto* array = reinterpret_cast<SAFEARRAY*>(block.get());
    array->cDims = dims;
    array->fFeatures = static_cast<USHORT>(features | FADF_STATIC);
    array->cbElements = elementSize;
    array->cLocks = 0;
    array->pvData = data;
    for (USHORT d = 0; d < dims; ++d) array->rgsabound[d] = SAFEARRAYBOUND{counts[d], 0};
    blocks.push_back(std::move(block));
    return array;
  }
  // A place holding an array pointer, for references to arrays.
  SAFEARRAY** slot(SAFEARRAY* array) {
    slots.push_back(array);
    return &slots.back();
  }
  std::deque<BSTR> strings;
  std::deque<VARIANT> owned;
  std::deque<SAFEARRAY*> slots;
  std::vector<std::unique_ptr<char[]>> blocks;
};

VARIANT plain(VARTYPE vt, std::int64_t bits) {
  VARIANT v;
  v.vt = vt;
  v.llVal = bits;
  return v;
}
VARIANT ofString(BSTR s) {
  VARIANT v = plain(VT_BSTR, 0);
  v.bstrVal = s;
  return v;
}
VARIANT reference(VARTYPE vt, void* target) {
  VARIANT v = plain(static_cast<VARTYPE>(VT_BYREF | vt), 0);
  v.byref = target;
  return v;
}
VARIANT ofArray(VARTYPE vt, SAFEARRAY* array) {
  VARIANT v = plain(static_cast<VARTYPE>(VT_ARRAY | vt), 0);
  v.parray = array;
  return v;
}
VARIANT copyOf(BSTR s) { return ofString(SysAllocStringLen(s, SysStringLen(s))); }

struct VariantCase {
  const char* label;
  std::function<VARIANT(Scratch&)> build;
  Bytes expected;
};

class AppendVariant : public ::testing::TestWithParam<VariantCase> {};

TEST_P(AppendVariant, AppendsTheBytesTheValueCarries) {
  Scratch scratch;
  VARIANT value = GetParam().build(scratch);
  DataBuffer buffer;
  buffer.append("<", 1);
  buffer.appendVariant(value);
  Bytes expected = test::bytesOf("<");
  expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
  EXPECT_EQ(test::show(test::contents(buffer)), test::show(expected));
}

// Storage of 2 x 3 bytes for hand-made descriptors.
std::uint8_t gGrid[6] = {1, 2, 3, 4, 5, 6};

INSTANTIATE_TEST_SUITE_P(
    Scalars, AppendVariant,
    ::testing::Values(
        VariantCase{"Empty", [](Scratch&) { return plain(VT_EMPTY, 0); }, {}},
        VariantCase{"Null", [](Scratch&) { return plain(VT_NULL, 0); }, {}},
        VariantCase{"I2", [](Scratch&) { return plain(VT_I2, 0xFFFE); }, hex("FE FF")},
        VariantCase{"UI2", [](Scratch&) { return plain(VT_UI2, 0x1234); }, hex("34 12")},
        VariantCase{"I4", [](Scratch&) { return plain(VT_I4, 0x01020304); }, hex("04 03 02 01")},
        VariantCase{"UI4", [](Scratch&) { return plain(VT_UI4, 0xA1B2C3D4); }, hex("D4 C3 B2 A1")},
        VariantCase{"BoolTrue", [](Scratch&) { return plain(VT_BOOL, 0xFFFF); }, hex("FF")},
        VariantCase{"BoolFalse", [](Scratch&) { return plain(VT_BOOL, 0); }, hex("00")},
        VariantCase{"I1", [](Scratch&) { return plain(VT_I1, 0xFF); }, hex("FF")},
        VariantCase{"UI1", [](Scratch&) { return plain(VT_UI1, 0x41); }, hex("41")},
        VariantCase{"StringWithZeroUnit",
                    [](Scratch& s) { return ofString(s.string(std::u16string(u"a\0\u00E9\u3042", 4))); },
                    hex("61 00 00 00 E9 00 42 30")},
        VariantCase{"NullString", [](Scratch&) { return ofString(nullptr); }, {}},
        VariantCase{"R8", [](Scratch&) { return plain(VT_R8, 0x3FF0000000000000); }, {}},
        VariantCase{"I8", [](Scratch&) { return plain(VT_I8, 1); }, {}},
        VariantCase{"Date", [](Scratch&) { return plain(VT_DATE, 0x40E0000000000000); }, {}}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    References, AppendVariant,
    ::testing::Values(
        VariantCase{"String",
                    [](Scratch& s) {
                      BSTR* slot = &s.strings.emplace_back(SysAllocString(u"hi"));
                      return reference(VT_BSTR, slot);
                    },
                    hex("68 00 69 00")},
        VariantCase{"NullStringReference", [](Scratch&) { return reference(VT_BSTR, nullptr); }, {}},
        VariantCase{"I4IsNotFollowed",
                    [](Scratch& s) { return reference(VT_I4, &s.keep(plain(VT_I4, 7))->lVal); },
                    {}},
        VariantCase{"Variant", [](Scratch& s) { return reference(VT_VARIANT, s.keep(plain(VT_I2, 0x0102))); },
                    hex("02 01")},
        VariantCase{"NullVariantReference", [](Scratch&) { return reference(VT_VARIANT, nullptr); }, {}},
        // One level only: a reference to a reference carries nothing.
        VariantCase{"VariantToReference",
                    [](Scratch& s) {
                      VARIANT* inner = s.keep(plain(VT_UI1, 9));
                      return reference(VT_VARIANT, s.keep(reference(VT_VARIANT, inner)));
                    },
                    {}},
        VariantCase{"ByteArray",
                    [](Scratch& s) {
                      SAFEARRAY* array = s.vector(VT_UI1, 0, {plain(VT_UI1, 1), plain(VT_UI1, 2)});
                      return reference(static_cast<VARTYPE>(VT_ARRAY | VT_UI1), s.slot(array));
                    },
                    hex("01 02")}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Arrays, AppendVariant,
    ::testing::Values(
        VariantCase{"Bytes",
                    [](Scratch& s) {
                      return ofArray(
                          VT_UI1,
                          s.vector(VT_UI1, 0, {plain(VT_UI1, 0x61), plain(VT_UI1, 0), plain(VT_UI1, 0xFF)}));
                    },
                    hex("61 00 FF")},
        VariantCase{"ShortsAsStored",
                    [](Scratch& s) {
                      return ofArray(VT_I2, s.vector(VT_I2, 0, {plain(VT_I2, 0x0102), plain(VT_I2, 0x0304)}));
                    },
                    hex("02 01 04 03")},
        VariantCase{"VariantsFromTheirLowerBound",
                    [](Scratch& s) {
                      return ofArray(VT_VARIANT,
                                     s.vector(VT_VARIANT, 5,
                                              {plain(VT_I4, 1), copyOf(s.string(u"b")), plain(VT_UI1, 7)}));
                    },
                    hex("01 00 00 00 62 00 07")},
        VariantCase{"RawMultiDimensional",
                    [](Scratch& s) {
                      return ofArray(VT_UI1, s.handMade(2, 0, 1, gGrid, {2, 3}));
                    },
                    hex("01 02 03 04 05 06")},
        VariantCase{
            "NoElementSize", [](Scratch& s) { return ofArray(VT_UI1, s.handMade(1, 0, 0, gGrid, {6})); }, {}},
        VariantCase{
            "NoDimensions", [](Scratch& s) { return ofArray(VT_UI1, s.handMade(0, 0, 1, gGrid, {})); }, {}},
        VariantCase{"NullArray", [](Scratch&) { return ofArray(VT_UI1, nullptr); }, {}},
        // Elements of a many-dimensional VARIANT array are taken one by one, never as records.
        VariantCase{"VariantsMultiDimensional",
                    [](Scratch& s) {
                      static VARIANT items[2];
                      items[0] = plain(VT_UI1, 0x11);
                      items[1] = plain(VT_UI2, 0x2233);
                      return ofArray(VT_VARIANT, s.handMade(2, FADF_VARIANT, sizeof(VARIANT), items, {1, 2}));
                    },
                    hex("11 33 22")},
        VariantCase{
            "VariantArrayReference",
            [](Scratch& s) {
              SAFEARRAY* array = s.vector(VT_VARIANT, 0, {plain(VT_UI1, 0x41), plain(VT_BOOL, 0xFFFF)});
              return reference(static_cast<VARTYPE>(VT_ARRAY | VT_VARIANT), s.slot(array));
            },
            hex("41 FF")},
        // Found by fuzzing: a one-dimensional array flagged as VARIANTs whose element size is
        // not a VARIANT's was read element by element past its storage.
        VariantCase{
            "VariantArrayWithWrongElementSize",
            [](Scratch& s) { return ofArray(VT_VARIANT, s.handMade(1, FADF_VARIANT, 1, gGrid, {6})); },
            {}},
        VariantCase{"VariantArrayReferenceWithWrongElementSize",
                    [](Scratch& s) {
                      SAFEARRAY** slot = s.slot(s.handMade(1, FADF_VARIANT, 1, gGrid, {6}));
                      return reference(static_cast<VARTYPE>(VT_ARRAY | VT_VARIANT), slot);
                    },
                    {}}),
    [](const auto& info) { return std::string(info.param.label); });

// Arrays of VARIANTs nested `levels` deep around one byte.
VARIANT nested(Scratch& scratch, int levels) {
  VARIANT value = plain(VT_UI1, 0x5A);
  for (int i = 0; i < levels; ++i) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    *static_cast<VARIANT*>(data) = value;
    SafeArrayUnaccessData(array);
    value = ofArray(VT_VARIANT, array);
  }
  scratch.keep(value);
  return value;
}

TEST(AppendVariantDepth, FollowsSixteenLevelsAndNoMore) {
  for (int levels : {1, 15, 16, 17, 40}) {
    Scratch scratch;
    DataBuffer buffer;
    buffer.appendVariant(nested(scratch, levels));
    EXPECT_EQ(test::contents(buffer), levels <= 16 ? hex("5A") : Bytes{}) << levels;
  }
}

struct ObjectCase {
  const char* label;
  bool byReference;
  std::function<HRESULT(FakeObject&, VARIANT*)> answer;
  Bytes expected;
  int calls;
};

class DefaultValue : public ::testing::TestWithParam<ObjectCase> {};

TEST_P(DefaultValue, IsAskedForWithMemberZeroAndCleared) {
  const ObjectCase& c = GetParam();
  FakeObject object(c.answer);
  IDispatch* pointer = &object;
  VARIANT value = plain(VT_DISPATCH, 0);
  value.pdispVal = pointer;
  if (c.byReference) value = reference(VT_DISPATCH, &pointer);
  DataBuffer buffer;
  buffer.appendVariant(value);
  EXPECT_EQ(test::contents(buffer), c.expected);
  EXPECT_EQ(object.calls, c.calls);
  EXPECT_TRUE(object.askedRight);
  EXPECT_EQ(object.refs, 1u);  // every reference handed out was released
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultValue,
    ::testing::Values(ObjectCase{"String", false,
                                 [](FakeObject&, VARIANT* r) {
                                   *r = ofString(SysAllocString(u"hi"));
                                   return S_OK;
                                 },
                                 hex("68 00 69 00"), 1},
                      ObjectCase{"ByReference", true,
                                 [](FakeObject&, VARIANT* r) {
                                   *r = plain(VT_I2, 0x0A0B);
                                   return S_OK;
                                 },
                                 hex("0B 0A"), 1},
                      ObjectCase{
                          "Fails", false, [](FakeObject&, VARIANT*) { return DISP_E_MEMBERNOTFOUND; }, {}, 1},
                      // An object whose value is itself: asked at each of the sixteen levels and once more.
                      ObjectCase{"Itself",
                                 false,
                                 [](FakeObject& self, VARIANT* r) {
                                   self.AddRef();
                                   *r = plain(VT_DISPATCH, 0);
                                   r->pdispVal = &self;
                                   return S_OK;
                                 },
                                 {},
                                 17}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ByteArrayVariant, EmptyIsNullAndBytesAreAZeroBasedVector) {
  VARIANT out = plain(VT_I4, 5);
  DataBuffer empty;
  empty.toByteArrayVariant(&out);
  EXPECT_EQ(out.vt, VT_NULL);

  for (const Bytes& bytes : {hex("00"), hex("61 00 FF 80"), Bytes(70000, 0x7E)}) {
    DataBuffer buffer;
    buffer.append(bytes.data(), bytes.size());
    buffer.toByteArrayVariant(&out);
    ASSERT_EQ(out.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(SafeArrayGetDim(out.parray), 1u);
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(out.parray, 1, &lower);
    SafeArrayGetUBound(out.parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, static_cast<LONG>(bytes.size()) - 1);
    DataBuffer back;
    back.appendVariant(out);  // and back again, unchanged
    EXPECT_EQ(test::contents(back), bytes);
    VariantClear(&out);
  }
}

}  // namespace
}  // namespace vk
