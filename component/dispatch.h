// Late-bound access to IVkString: name lookup and invocation by dispatch identifier, both made
// from the member list, so that a member added there is reachable by name with no other edit.
#pragma once
#include <cstdint>

#include "component/ivkstring.h"

namespace vk {

// names[0] is a member name, further names are that member's parameter names; each is matched
// without regard to case. dispids receives the member's dispatch identifier and each parameter's
// 0-based position, DISPID_UNKNOWN for a name that is not known (the call then answers
// DISP_E_UNKNOWNNAME after filling in every other identifier).
HRESULT dispatchGetIDsOfNames(REFIID riid, LPOLESTR* names, std::uint32_t count, DISPID* dispids);

// Calls the member of object that serves dispid with flags (DISPATCH_METHOD or
// DISPATCH_PROPERTYGET for methods and property gets, DISPATCH_PROPERTYPUT for a put).
// Arguments arrive last to first; named ones may give a parameter position; each is dereferenced
// and coerced to its parameter's type. The member's result goes to result (which may be null).
// A failure of the member itself is returned as it is, with exception->scode set when given.
HRESULT dispatchInvoke(IVkString* object, DISPID dispid, REFIID riid, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError);

// The index in kMembers of the entry that serves dispid with flags, or -1.
int findMember(DISPID dispid, WORD flags);

}  // namespace vk
