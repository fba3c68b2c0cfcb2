// UTF-16 text is spelled char16_t in the portable code and OLECHAR in the automation API.
// Natively the two are the same type; on Windows OLECHAR is wchar_t, a distinct type with the
// same 16-bit units. These views hand a run of units from one spelling to the other.
#pragma once

#include "platform/automation_string.h"

namespace vk::platform {

static_assert(sizeof(OLECHAR) == sizeof(char16_t), "OLECHAR holds UTF-16 units");

inline const OLECHAR* asOleChars(const char16_t* units) { return reinterpret_cast<const OLECHAR*>(units); }
inline OLECHAR* asOleChars(char16_t* units) { return reinterpret_cast<OLECHAR*>(units); }
inline const char16_t* asUtf16(const OLECHAR* units) { return reinterpret_cast<const char16_t*>(units); }
inline char16_t* asUtf16(OLECHAR* units) { return reinterpret_cast<char16_t*>(units); }

}  // namespace vk::platform
