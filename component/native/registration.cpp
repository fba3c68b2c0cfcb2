// Registration in the native build: the script is compiled in, and the type library's
// registration writes the same keys that the platform's RegisterTypeLib writes, describing
// the type information that the native build derives from the member list.
#include "component/ivkstring.h"
#include "component/module.h"
#include "platform/com_activation.h"
#include "platform/registry.h"
#include "registration_script.h"

namespace vk {
namespace {

using platform::RegistryRoot;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry's keys name it.
std::u16string guidKey(const GUID& g) {
  OLECHAR text[39];  // the identifier in braces and its terminator
  StringFromGUID2(g, text, 39);
  return text;
}

// The folder part of a path, up to and including its last '\', '/' or ':'.
std::u16string helpDirectory(const std::u16string& path) {
  std::size_t cut = path.find_last_of(u"\\/:");
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut + 1);
}

}  // namespace

std::u16string registrationScript() { return kRegistrationScript; }

HRESULT registerTypeLibrary(const std::u16string& modulePath) {
  const std::u16string lib = u"TypeLib\\" + guidKey(LIBID_VKSTRINGLib) + u"\\1.0";
  const std::u16string iface = u"Interface\\" + guidKey(IID_IVkString);
  const struct {
    std::u16string path, name, value;
  } entries[] = {
      {lib, u"", u"Velkor String Component"},
      {lib + u"\\0\\win64", u"", modulePath},
      {lib + u"\\FLAGS", u"", u"0"},
      {lib + u"\\HELPDIR", u"", helpDirectory(modulePath)},
      {iface, u"", u"IVkString"},
      {iface + u"\\ProxyStubClsid32", u"", u"{00020424-0000-0000-C000-000000000046}"},
      {iface + u"\\TypeLib", u"", guidKey(LIBID_VKSTRINGLib)},
      {iface + u"\\TypeLib", u"Version", u"1.0"},
  };
  for (const auto& e : entries) {
    std::int32_t code = platform::registryCreateKey(RegistryRoot::ClassesRoot, e.path);
    if (code == 0) code = platform::registrySetString(RegistryRoot::ClassesRoot, e.path, e.name, e.value);
    if (code != 0) return static_cast<HRESULT>(0x80070000u | static_cast<std::uint32_t>(code));
  }
  return S_OK;
}

HRESULT unregisterTypeLibrary(const std::u16string&) {
  platform::registryDeleteTree(RegistryRoot::ClassesRoot, u"TypeLib\\" + guidKey(LIBID_VKSTRINGLib));
  platform::registryDeleteTree(RegistryRoot::ClassesRoot, u"Interface\\" + guidKey(IID_IVkString));
  return S_OK;
}

}  // namespace vk
