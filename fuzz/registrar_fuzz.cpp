// The registration-script parser and runner on arbitrary scripts (each input byte one UTF-16
// unit, so seeds are readable scripts), against the process's own registry, which is emptied
// after every input. Check: a script that registers without failure also unregisters without
// failure (unregistration fails only for a script that does not parse).
#include <cstdlib>
#include <string>

#include "component/registrar.h"
#include "fuzz_check.h"
#include "platform/registry.h"

namespace {

using vk::platform::RegistryRoot;

void emptyRegistry() {
  const RegistryRoot roots[] = {RegistryRoot::ClassesRoot,     RegistryRoot::CurrentUser,
                                RegistryRoot::LocalMachine,    RegistryRoot::Users,
                                RegistryRoot::PerformanceData, RegistryRoot::DynData,
                                RegistryRoot::CurrentConfig};
  for (RegistryRoot root : roots) {
    for (const std::u16string& name : vk::platform::registrySubkeys(root, u"")) {
      vk::platform::registryDeleteTree(root, name);
    }
  }
}

}  // namespace

// The registry must never be a file of the user's: keep it in the process.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("VK_REGISTRY", ":memory:", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  std::u16string script(data, data + size);

  vk::Registrar registrar;
  registrar.addReplacement(u"MODULE", u"/opt/vk/libVelkorString.so");
  registrar.addReplacement(u"CLSID", u"{01234567-89AB-CDEF-0123-456789ABCDEF}");
  const HRESULT registered = registrar.registerScript(script);
  const HRESULT unregistered = registrar.unregisterScript(script);
  if (SUCCEEDED(registered)) FUZZ_CHECK(SUCCEEDED(unregistered));
  emptyRegistry();
  return 0;
}
