// Result codes of the component model. On Windows they come from the system headers;
// the native build defines the same values itself.
#pragma once
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
using HRESULT = std::int32_t;

constexpr HRESULT makeHresult(std::uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = makeHresult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = makeHresult(0x80004002u);
constexpr HRESULT E_POINTER = makeHresult(0x80004003u);
constexpr HRESULT E_FAIL = makeHresult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = makeHresult(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = makeHresult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = makeHresult(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = makeHresult(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = makeHresult(0x80040111u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = makeHresult(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = makeHresult(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = makeHresult(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = makeHresult(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = makeHresult(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = makeHresult(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = makeHresult(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = makeHresult(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = makeHresult(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = makeHresult(0x8002000Bu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = makeHresult(0x8002000Du);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = makeHresult(0x8002000Fu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = makeHresult(0x8002000Eu);
// Registry and class activation.
constexpr HRESULT CO_E_NOTINITIALIZED = makeHresult(0x800401F0u);
constexpr HRESULT CO_E_CLASSSTRING = makeHresult(0x800401F3u);
constexpr HRESULT CO_E_DLLNOTFOUND = makeHresult(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = makeHresult(0x800401F9u);
constexpr HRESULT RPC_E_CHANGED_MODE = makeHresult(0x80010106u);

inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }
#endif
