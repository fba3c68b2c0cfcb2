// Activation of in-process classes by the component model's rules: a thread enters the model
// with CoInitializeEx, a ProgID resolves to a class identifier through HKEY_CLASSES_ROOT
// (following "CurVer"), and CoCreateInstance loads the module named by the class's
// "InprocServer32" key, asks its DllGetClassObject for the class object and lets that make the
// instance. On Windows these are ole32's; natively the same contract is implemented over the
// platform registry and dlopen, with the module kept loaded until CoFreeUnusedLibraries finds
// that its DllCanUnloadNow allows unloading.
#pragma once
#include "platform/automation.h"

#ifdef _WIN32
#include <objbase.h>
#else

using LPVOID = void*;
using LPCLSID = CLSID*;

// Class contexts: only in-process servers exist natively.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;

enum COINIT : DWORD {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
};

// Enters the calling thread into the component model. S_OK the first time, S_FALSE when the
// thread is already in (each success needs its CoUninitialize), RPC_E_CHANGED_MODE when it
// asks for the other concurrency model than the thread already has.
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
// CoInitializeEx with COINIT_APARTMENTTHREADED.
HRESULT CoInitialize(LPVOID reserved);
// Undoes one successful CoInitialize(Ex) of the calling thread.
void CoUninitialize();

// "VkString.VkString" -> its class identifier, following the ProgID's "CurVer" to the
// versioned ProgID. CO_E_CLASSSTRING for a ProgID that is not registered (or null),
// E_INVALIDARG for a null out pointer. When the registry cannot be read, both lookups here
// answer why instead of "not registered": 0x800703F1 (ERROR_BADDB) for a corrupt registry
// file, 0x800703F8 (ERROR_REGISTRY_IO_FAILED) for one that cannot be read; registryProblem()
// tells the file and, for a corrupt one, the line.
HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" -> identifier; a text that is not one gives
// CO_E_CLASSSTRING.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
// Writes the braced upper-case form with its terminator; returns the units written (39), or
// 0 when capacity is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int capacity);

// The class object of a registered in-process class. REGDB_E_CLASSNOTREG (0x80040154) when
// the class (or its "InprocServer32") is not registered (or the registry's failure, as for
// CLSIDFromProgID), CO_E_DLLNOTFOUND when the module's
// file is missing, CO_E_ERRORINDLL when it does not load or lacks DllGetClassObject, otherwise
// what DllGetClassObject answers.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID serverInfo, REFIID riid, LPVOID* object);
// CoGetClassObject for IClassFactory, then IClassFactory::CreateInstance(outer, riid, object).
// The out pointer is set to null first; E_POINTER when it is null; CO_E_NOTINITIALIZED when the
// calling thread has not entered the model.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid, LPVOID* object);
// Unloads the modules loaded by activation whose DllCanUnloadNow answers S_OK, at once (as
// for a single-threaded apartment): a module's last object may still be returning from its
// Release on another thread, so call it where no other thread uses the module's objects.
void CoFreeUnusedLibraries();

#endif
