#include "component/module.h"

#include "component/class_factory.h"
#include "component/ivkstring.h"
#include "component/registrar.h"

namespace vk {

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

HRESULT Module::registerServer() {
  Registrar registrar;
  registrar.addReplacement(u"MODULE", doubleQuotes(modulePath_));
  HRESULT hr = registrar.registerScript(registrationScript());
  if (FAILED(hr)) return hr;
  return registerTypeLibrary(modulePath_);
}

HRESULT Module::unregisterServer() {
  Registrar registrar;
  registrar.addReplacement(u"MODULE", doubleQuotes(modulePath_));
  registrar.unregisterScript(registrationScript());
  unregisterTypeLibrary(modulePath_);
  return S_OK;
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
