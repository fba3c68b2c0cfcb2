// The module's instance handle, recorded when the module is attached to the process; the
// module's own resources (registration script, type library) are found through it.
#pragma once
#include <windows.h>

namespace vk {

void setModuleInstance(HINSTANCE instance);
HINSTANCE moduleInstance();

// Releases the type information that IDispatch keeps for the life of the module.
void releaseTypeInformation();

}  // namespace vk
