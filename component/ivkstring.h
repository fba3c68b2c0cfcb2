// IVkString, the dual interface of the string object: IDispatch followed by the members of
// component/member_list.h in their order. The C++ method for each member takes its
// parameters in order and, when the member has a result, a pointer for it last.
#pragma once

#include "component/member_list.h"
#include "platform/automation.h"

// Parameter and result spellings of the member list.
#define VK_IN_BSTR BSTR
#define VK_IN_LONG LONG
#define VK_IN_DATE DATE
#define VK_IN_VARIANT VARIANT
#define VK_OUT_BSTR(n) BSTR* n
#define VK_OUT_LONG(n) LONG* n
#define VK_OUT_DATE(n) DATE* n
#define VK_OUT_VARIANT(n) VARIANT* n
#define VK_OUT_Nothing(n)
#define VK_AFTER_BSTR(n) , BSTR* n
#define VK_AFTER_LONG(n) , LONG* n
#define VK_AFTER_DATE(n) , DATE* n
#define VK_AFTER_VARIANT(n) , VARIANT* n
#define VK_AFTER_Nothing(n)

#define VK_DECLARE_M0(id, kind, name, fn, rt, rn) virtual HRESULT STDMETHODCALLTYPE fn(VK_OUT_##rt(rn)) = 0;
#define VK_DECLARE_M1(id, kind, name, fn, t1, n1, rt, rn) \
  virtual HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1 VK_AFTER_##rt(rn)) = 0;
#define VK_DECLARE_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn) \
  virtual HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2 VK_AFTER_##rt(rn)) = 0;
#define VK_DECLARE_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn) \
  virtual HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2, VK_IN_##t3 n3 VK_AFTER_##rt(rn)) = 0;

extern const IID IID_IVkString;
extern const CLSID CLSID_VkString;
extern const GUID LIBID_VKSTRINGLib;

struct IVkString : IDispatch {
  VK_MEMBER_LIST(VK_DECLARE_M0, VK_DECLARE_M1, VK_DECLARE_M2, VK_DECLARE_M3)

 protected:
  ~IVkString() = default;
};

#define VK_OVERRIDE_M0(id, kind, name, fn, rt, rn) HRESULT STDMETHODCALLTYPE fn(VK_OUT_##rt(rn)) override;
#define VK_OVERRIDE_M1(id, kind, name, fn, t1, n1, rt, rn) \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1 VK_AFTER_##rt(rn)) override;
#define VK_OVERRIDE_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn) \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2 VK_AFTER_##rt(rn)) override;
#define VK_OVERRIDE_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn) \
  HRESULT STDMETHODCALLTYPE fn(VK_IN_##t1 n1, VK_IN_##t2 n2, VK_IN_##t3 n3 VK_AFTER_##rt(rn)) override;

// The body behind each member of VkString, with the member's parameters.
#define VK_BODY_M0(id, kind, name, fn, rt, rn) HRESULT fn##Body(VK_OUT_##rt(rn));
#define VK_BODY_M1(id, kind, name, fn, t1, n1, rt, rn) HRESULT fn##Body(VK_IN_##t1 n1 VK_AFTER_##rt(rn));
#define VK_BODY_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn) \
  HRESULT fn##Body(VK_IN_##t1 n1, VK_IN_##t2 n2 VK_AFTER_##rt(rn));
#define VK_BODY_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn) \
  HRESULT fn##Body(VK_IN_##t1 n1, VK_IN_##t2 n2, VK_IN_##t3 n3 VK_AFTER_##rt(rn));
