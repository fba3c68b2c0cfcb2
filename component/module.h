// The module's state as an in-process server: the lock count that decides when it may be
// unloaded, the one class object (created on first request and kept until the module
// unloads), the module's own path, and registration.
#pragma once
#include <atomic>
#include <mutex>
#include <string>

#include "platform/automation.h"

namespace vk {

class ClassFactory;

class Module {
 public:
  static Module& instance();

  // The module's full file path, as registration writes it into the registry.
  void setModulePath(const std::u16string& path) { modulePath_ = path; }
  const std::u16string& modulePath() const { return modulePath_; }

  // Changed only atomically: class objects and objects of several apartments share it.
  LONG lock() { return ++locks_; }
  LONG unlock() { return --locks_; }
  LONG lockCount() const { return locks_.load(); }

  HRESULT canUnloadNow() const { return lockCount() == 0 ? S_OK : S_FALSE; }
  HRESULT getClassObject(REFCLSID clsid, REFIID riid, void** object);
  HRESULT registerServer();
  HRESULT unregisterServer();
  // Process detach: releases the cached class object.
  void terminate();

  // Guards the one-time loading of type information.
  std::mutex& typeInfoLock() { return typeInfoLock_; }
  // Guards the creation of the control's window.
  std::mutex& windowLock() { return windowLock_; }

 private:
  Module();
  // The module's unload (process detach, or natively dlclose and the process's end) lets go
  // of the cached class object.
  ~Module();

  std::u16string modulePath_;
  std::atomic<LONG> locks_{0};
  ClassFactory* classObject_ = nullptr;
  std::mutex classObjectLock_;
  std::mutex typeInfoLock_;
  std::mutex windowLock_;
};

// The registration script of the module (its REGISTRY resource on Windows).
std::u16string registrationScript();
// Registers and unregisters the type library that describes IVkString.
HRESULT registerTypeLibrary(const std::u16string& modulePath);
HRESULT unregisterTypeLibrary(const std::u16string& modulePath);
#ifndef _WIN32
// The full path of the file that holds this code: the shared library when the module is one,
// else the program.
std::u16string ownModulePath();
#endif

}  // namespace vk

#ifndef _WIN32
// The shared library compiles everything with hidden visibility; these four are its exports.
#define VK_MODULE_ENTRY extern "C" __attribute__((visibility("default"))) HRESULT
VK_MODULE_ENTRY DllCanUnloadNow();
VK_MODULE_ENTRY DllGetClassObject(REFCLSID clsid, REFIID riid, void** object);
VK_MODULE_ENTRY DllRegisterServer();
VK_MODULE_ENTRY DllUnregisterServer();
#endif
