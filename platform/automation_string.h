// Automation wide strings (BSTR): a length-prefixed run of UTF-16 units followed by a zero unit.
// Embedded zero units count; a null BSTR stands for the empty string.
// On Windows these are oleaut32's; natively the same contract is implemented here.
#pragma once
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#else
using OLECHAR = char16_t;
using BSTR = OLECHAR*;
using UINT = unsigned int;

// A new string of len units copied from s (or left zero when s is null). Never null for len
// that fits in memory; the result is always zero-terminated.
BSTR SysAllocStringLen(const OLECHAR* s, UINT len);
// A new string from a zero-terminated source; null for a null source.
BSTR SysAllocString(const OLECHAR* s);
void SysFreeString(BSTR s);
// Units in the string, embedded zeros included; 0 for null.
UINT SysStringLen(BSTR s);
UINT SysStringByteLen(BSTR s);
#endif
