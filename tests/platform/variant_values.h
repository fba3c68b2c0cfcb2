// Plain descriptions of VARIANT values for table-driven tests: a Value makes a VARIANT that owns
// its string, and compares a VARIANT against itself. A fake object counts its references and
// answers its default value through Invoke.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>
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
inline Value Int(std::int32_t v) { return {VT_INT, v}; }
inline Value I8(std::int64_t v) { return {VT_I8, v}; }
inline Value UI1(std::uint8_t v) { return {VT_UI1, v}; }
inline Value UI2(std::uint16_t v) { return {VT_UI2, v}; }
inline Value UI4(std::uint32_t v) { return {VT_UI4, v}; }
inline Value UInt(std::uint32_t v) { return {VT_UINT, v}; }
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
  out.llVal = 0;
  switch (v.vt) {
    case VT_I1: out.cVal = static_cast<CHAR>(v.i); break;
    case VT_I2: out.iVal = static_cast<SHORT>(v.i); break;
    case VT_I4: case VT_INT: out.lVal = static_cast<LONG>(v.i); break;
    case VT_UI1: out.bVal = static_cast<BYTE>(v.i); break;
    case VT_UI2: out.uiVal = static_cast<USHORT>(v.i); break;
    case VT_UI4: case VT_UINT: out.ulVal = static_cast<ULONG>(v.i); break;
    case VT_I8: case VT_UI8: case VT_CY: out.llVal = v.i; break;
    case VT_R4: out.fltVal = static_cast<float>(v.d); break;
    case VT_R8: case VT_DATE: out.dblVal = v.d; break;
    case VT_BOOL: out.boolVal = static_cast<VARIANT_BOOL>(v.i); break;
    case VT_ERROR: out.scode = static_cast<SCODE>(v.i); break;
    case VT_BSTR: out.bstrVal = SysAllocStringLen(v.s.data(), static_cast<UINT>(v.s.size())); break;
    default: break;
  }
  return out;
}

inline std::string describe(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buffer[12];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

// "vt 3: 12", "vt 8: \"text\"": what a VARIANT holds, for messages.
inline std::string describe(const VARIANT& v) {
  std::string out = "vt " + std::to_string(v.vt) + ": ";
  switch (v.vt) {
    case VT_I1: return out + std::to_string(static_cast<int>(static_cast<signed char>(v.cVal)));
    case VT_I2: return out + std::to_string(v.iVal);
    case VT_I4: case VT_INT: return out + std::to_string(v.lVal);
    case VT_UI1: return out + std::to_string(v.bVal);
    case VT_UI2: return out + std::to_string(v.uiVal);
    case VT_UI4: case VT_UINT: return out + std::to_string(v.ulVal);
    case VT_I8: case VT_CY: return out + std::to_string(v.llVal);
    case VT_UI8: return out + std::to_string(v.ullVal);
    case VT_R4: return out + std::to_string(v.fltVal);
    case VT_R8: case VT_DATE: {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", v.dblVal);
      return out + buffer;
    }
    case VT_BOOL: return out + std::to_string(v.boolVal);
    case VT_ERROR: return out + std::to_string(v.scode);
    case VT_BSTR:
      if (v.bstrVal == nullptr) return out + "null";
      return out + "\"" + describe(std::u16string(v.bstrVal, SysStringLen(v.bstrVal))) + "\"";
    default: return out + "...";
  }
}

inline std::ostream& operator<<(std::ostream& os, const Value& v) {
  VARIANT shown = make(v);
  os << describe(shown);
  VariantClear(&shown);
  return os;
}

// Whether actual holds exactly the value described (type and value; reals bit for bit, NaN
// matching NaN).
inline testing::AssertionResult holds(const VARIANT& actual, const Value& expected) {
  VARIANT wanted = make(expected);
  bool same = actual.vt == wanted.vt;
  if (same) {
    switch (actual.vt) {
      case VT_EMPTY: case VT_NULL: break;
      case VT_I1: case VT_UI1: same = actual.bVal == wanted.bVal; break;
      case VT_I2: case VT_UI2: case VT_BOOL: same = actual.uiVal == wanted.uiVal; break;
      case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_ERROR: same = actual.ulVal == wanted.ulVal; break;
      case VT_I8: case VT_UI8: case VT_CY: same = actual.llVal == wanted.llVal; break;
      case VT_R4: same = actual.fltVal == wanted.fltVal || (std::isnan(actual.fltVal) && std::isnan(wanted.fltVal)); break;
      case VT_R8: case VT_DATE:
        same = actual.dblVal == wanted.dblVal || (std::isnan(actual.dblVal) && std::isnan(wanted.dblVal));
        break;
      case VT_BSTR:
        same = actual.bstrVal != nullptr &&
               std::u16string(actual.bstrVal, SysStringLen(actual.bstrVal)) == expected.s;
        break;
      default: same = actual.llVal == wanted.llVal; break;
    }
  }
  std::string shownActual = describe(actual);
  std::string shownWanted = describe(wanted);
  VariantClear(&wanted);
  if (same) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "holds " << shownActual << ", expected " << shownWanted;
}

// An object with a default value (DISPID_VALUE), counting its references and calls.
class FakeObject final : public IDispatch {
 public:
  explicit FakeObject(Value value = Empty(), HRESULT answer = S_OK) : value_(std::move(value)), answer_(answer) {}
  ~FakeObject() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(std::uint32_t* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, std::uint32_t, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, std::uint32_t*) override {
    ++calls;
    lastMember = member;
    lastFlags = flags;
    lastArgumentCount = params == nullptr ? 99 : params->cArgs;
    if (FAILED(answer_)) return answer_;
    if (returnsItself) {
      AddRef();
      result->vt = VT_DISPATCH;
      result->pdispVal = this;
    } else {
      *result = make(value_);
    }
    return S_OK;
  }

  ULONG references = 1;
  int calls = 0;
  DISPID lastMember = -99;
  WORD lastFlags = 0;
  std::uint32_t lastArgumentCount = 0;
  bool returnsItself = false;

 private:
  Value value_;
  HRESULT answer_;
};

}  // namespace vk::test
