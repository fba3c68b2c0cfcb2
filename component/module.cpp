#include "component/module.h"

#include "component/class_factory.h"
#include "component/ivkstring.h"
#include "component/registrar.h"
#include "platform/registry.h"

namespace vk {
namespace {

// A registry result (a Win32 error code) as the entry points answer it.
HRESULT fromRegistryCode(std::int32_t code) {
  return code == 0 ? S_OK : static_cast<HRESULT>(0x80070000u | (static_cast<std::uint32_t>(code) & 0xFFFFu));
}

}  // namespace

Module& Module::instance() {
  static Module module;
  return module;
}

Module::Module() {
#ifndef _WIN32
  // On Windows the entry routine sets the path from the instance handle.
  modulePath_ = ownModulePath();
#endif
}

Module::~Module() { terminate(); }

HRESULT Module::getClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_VkString) return CLASS_E_CLASSNOTAVAILABLE;
  ClassFactory* factory;
  {
    std::lock_guard<std::mutex> guard(classObjectLock_);
    if (classObject_ == nullptr) {
      classObject_ = new ClassFactory;
      classObject_->AddRef();  // the module's own reference, kept until it unloads
    }
    factory = classObject_;
  }
  return factory->QueryInterface(riid, object);
}

// A whole registration or unregistration is one group of registry changes: the registry's
// file is written once for it.
HRESULT Module::registerServer() {
  platform::RegistryChangeGroup changes;
  Registrar registrar;
  registrar.addReplacement(u"MODULE", doubleQuotes(modulePath_));
  HRESULT hr = registrar.registerScript(registrationScript());
  if (SUCCEEDED(hr)) hr = registerTypeLibrary(modulePath_);
  return FAILED(hr) ? hr : fromRegistryCode(changes.finish());
}

HRESULT Module::unregisterServer() {
  platform::RegistryChangeGroup changes;
  Registrar registrar;
  registrar.addReplacement(u"MODULE", doubleQuotes(modulePath_));
  HRESULT hr = registrar.unregisterScript(registrationScript());
  unregisterTypeLibrary(modulePath_);
  return FAILED(hr) ? hr : fromRegistryCode(changes.finish());
}

void Module::terminate() {
  std::lock_guard<std::mutex> guard(classObjectLock_);
  if (classObject_ != nullptr) {
    classObject_->Release();
    classObject_ = nullptr;
  }
}

}  // namespace vk

// The four entry points of the in-process server.
STDAPI DllCanUnloadNow() { return vk::Module::instance().canUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return vk::Module::instance().getClassObject(clsid, riid, object);
}

STDAPI DllRegisterServer() { return vk::Module::instance().registerServer(); }

STDAPI DllUnregisterServer() { return vk::Module::instance().unregisterServer(); }
