// VARIANT values described plainly for table-driven tests: a Value makes a VARIANT (owning its
// string) and checks a VARIANT against itself. FakeObject counts references and answers its
// default value through Invoke.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "platform/automation.h"

namespace vk::test {

struct Value {
  Value(VARTYPE type = VT_EMPTY, std::int64_t integer = 0, double real = 0, std::u16string text = {})
      : vt(type), i(integer), d(real), s(std::move(text)) {}
  VARTYPE vt;
  std::int64_t i;    // integers, BOOL, CY (scaled by 10000), ERROR
  double d;          // R4, R8, DATE
  std::u16string s;  // BSTR
};

inline Value Empty() { return {VT_EMPTY}; }
inline Value Null() { return {VT_NULL}; }
inline Value I1(std::int8_t v) { return {VT_I1, v}; }
inline Value I2(std::int16_t v) { return {VT_I2, v}; }
inline Value I4(std::int32_t v) { return {VT_I4, v}; }
inline Value I8(std::int64_t v) { return {VT_I8, v}; }
inline Value UI1(std::uint8_t v) { return {VT_UI1, v}; }
inline Value UI4(std::uint32_t v) { return {VT_UI4, v}; }
inline Value UI8(std::uint64_t v) { return {VT_UI8, static_cast<std::int64_t>(v)}; }
inline Value R4(float v) { return {VT_R4, 0, v}; }
inline Value R8(double v) { return {VT_R8, 0, v}; }
inline Value Date(double v) { return {VT_DATE, 0, v}; }
inline Value Bool(bool v) { return {VT_BOOL, v ? -1 : 0}; }
inline Value Cy(std::int64_t scaled) { return {VT_CY, scaled}; }
inline Value Error(HRESULT scode) { return {VT_ERROR, scode}; }
inline Value Str(std::u16string s) { return {VT_BSTR, 0, 0, std::move(s)}; }

inline VARIANT make(const Value& v) {
  VARIANT out;
  out.vt = v.vt;
  out.llVal = v.i;  // every integer type, little-endian
  if (v.vt == VT_R4) out.fltVal = static_cast<float>(v.d);
  if (v.vt == VT_R8 || v.vt == VT_DATE) out.dblVal = v.d;
  if (v.vt == VT_BSTR) out.bstrVal = SysAllocStringLen(v.s.data(), static_cast<UINT>(v.s.size()));
  return out;
}

inline std::string describe(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, c >= 0x20 && c < 0x7F ? "%c" : "\\u%04X", static_cast<unsigned>(c));
    out += buffer;
  }
  return out;
}

// "vt 3: 12", "vt 8: \"text\"".
inline std::string describe(const VARIANT& v) {
  std::string out = "vt " + std::to_string(v.vt) + ": ";
  if (v.vt == VT_BSTR) {
    return out + (v.bstrVal == nullptr
                      ? "null"
                      : "\"" + describe(std::u16string(v.bstrVal, SysStringLen(v.bstrVal))) + "\"");
  }
  char buffer[40];
  if (v.vt == VT_R4) std::snprintf(buffer, sizeof buffer, "%.9g", v.fltVal);
  else if (v.vt == VT_R8 || v.vt == VT_DATE) std::snprintf(buffer, sizeof buffer, "%.17g", v.dblVal);
  else std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v.llVal));
  return out + buffer;
}

inline std::ostream& operator<<(std::ostream& os, const Value& v) {
  VARIANT shown = make(v);
  os << describe(shown);
  VariantClear(&shown);
  return os;
}

// Type and value alike; reals bit for bit, NaN matching NaN; integers by their own width.
inline testing::AssertionResult holds(const VARIANT& actual, const Value& expected) {
  VARIANT wanted = make(expected);
  static const int kWidth[24] = {0, 0, 2, 4, 0, 0, 8, 0, 0, 0, 4, 2, 0, 0, 0, 0, 1, 1, 2, 4, 8, 8, 4, 4};
  bool same = actual.vt == wanted.vt;
  if (same && actual.vt == VT_BSTR) {
    same = actual.bstrVal != nullptr &&
           std::u16string(actual.bstrVal, SysStringLen(actual.bstrVal)) == expected.s;
  } else if (same && actual.vt == VT_R4) {
    same = actual.fltVal == wanted.fltVal || (std::isnan(actual.fltVal) && std::isnan(wanted.fltVal));
  } else if (same && (actual.vt == VT_R8 || actual.vt == VT_DATE)) {
    same = actual.dblVal == wanted.dblVal || (std::isnan(actual.dblVal) && std::isnan(wanted.dblVal));
  } else if (same && actual.vt < 24) {
    std::uint64_t mask = kWidth[actual.vt] == 8 ? ~0ull : (1ull << (8 * kWidth[actual.vt])) - 1;
    same = (actual.ullVal & mask) == (wanted.ullVal & mask);
  }
  std::string shown = "holds " + describe(actual) + ", expected " + describe(wanted);
  VariantClear(&wanted);
  return same ? testing::AssertionSuccess() : testing::AssertionFailure() << shown;
}

// An object whose default value (DISPID_VALUE) is a fixed value, itself, or a failure.
class FakeObject final : public IDispatch {
 public:
  explicit FakeObject(Value value = Empty(), HRESULT answer = S_OK)
      : value_(std::move(value)), answer_(answer) {}
  ~FakeObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = riid == IID_IUnknown || riid == IID_IDispatch ? this : nullptr;
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, std::uint32_t, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, std::uint32_t*) override {
    ++calls;
    lastMember = member;
    lastFlags = flags;
    lastArgumentCount = params->cArgs;
    if (FAILED(answer_)) return answer_;
    if (!returnsItself) {
      *result = make(value_);
      return S_OK;
    }
    AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = this;
    return S_OK;
  }

  ULONG references = 1;
  int calls = 0;
  DISPID lastMember = -99;
  WORD lastFlags = 0;
  std::uint32_t lastArgumentCount = 99;
  bool returnsItself = false;

 private:
  Value value_;
  HRESULT answer_;
};

}  // namespace vk::test
