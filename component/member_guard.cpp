// Every member of VkString runs its body under one rule: a text or result that would outgrow
// the object's 32-bit lengths, or a block that cannot be had (CapacityError, or a standard
// library allocation that fails), is the failure of that call alone, never the end of the
// client's process.
//
// The checks that throw sit before the buffers they guard are changed, so when a body is
// stopped the object's text is what it was before the call (only its cached forms may have
// been brought up to date). The member then answers its failure result: a success flag or
// count 0, an empty string, a VT_NULL byte array, a zero date; members without a result change
// nothing. Every member still returns S_OK, as it does on every other path.
#include <new>
#include <stdexcept>

#include "component/vkstring.h"
#include "platform/fatal.h"

namespace vk {
namespace {

void answerFailure(std::nullptr_t) {}
template <typename Number>  // LONG, DATE
void answerFailure(Number* result) {
  if (result != nullptr) *result = 0;
}
void answerFailure(BSTR* result) {
  if (result != nullptr) *result = SysAllocStringLen(nullptr, 0);
}
void answerFailure(VARIANT* result) {
  if (result == nullptr) return;
  VariantInit(result);
  result->vt = VT_NULL;
}

template <typename Result, typename Body>
HRESULT guarded(Result result, Body body) {
  try {
    return body();
  } catch (const CapacityError&) {
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {}
  answerFailure(result);
  return S_OK;
}

}  // namespace

// The result pointer of a member (null for none), and the same as a trailing argument.
#define VK_RESULT_Nothing(n) nullptr
#define VK_RESULT_BSTR(n) n
#define VK_RESULT_LONG(n) n
#define VK_RESULT_DATE(n) n
#define VK_RESULT_VARIANT(n) n
#define VK_PASS_Nothing(n)
#define VK_PASS_BSTR(n) n
#define VK_PASS_LONG(n) n
#define VK_PASS_DATE(n) n
#define VK_PASS_VARIANT(n) n
#define VK_PASS_AFTER_Nothing(n)
#define VK_PASS_AFTER_BSTR(n) , n
#define VK_PASS_AFTER_LONG(n) , n
#define VK_PASS_AFTER_DATE(n) , n
#define VK_PASS_AFTER_VARIANT(n) , n

#define VK_GUARD_M0(id, kind, name, fn, rt, rn)                                     \
  HRESULT STDMETHODCALLTYPE VkString::fn(VK_OUT_##rt(rn)) {                         \
    return guarded(VK_RESULT_##rt(rn), [&] { return fn##Body(VK_PASS_##rt(rn)); }); \
  }
#define VK_GUARD_M1(id, kind, name, fn, t1, n1, rt, rn)                                      \
  HRESULT STDMETHODCALLTYPE VkString::fn(VK_IN_##t1 n1 VK_AFTER_##rt(rn)) {                  \
    return guarded(VK_RESULT_##rt(rn), [&] { return fn##Body(n1 VK_PASS_AFTER_##rt(rn)); }); \
  }
#define VK_GUARD_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn)                                  \
  HRESULT STDMETHODCALLTYPE VkString::fn(VK_IN_##t1 n1, VK_IN_##t2 n2 VK_AFTER_##rt(rn)) {       \
    return guarded(VK_RESULT_##rt(rn), [&] { return fn##Body(n1, n2 VK_PASS_AFTER_##rt(rn)); }); \
  }
#define VK_GUARD_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn)                                   \
  HRESULT STDMETHODCALLTYPE VkString::fn(VK_IN_##t1 n1, VK_IN_##t2 n2, VK_IN_##t3 n3 VK_AFTER_##rt(rn)) { \
    return guarded(VK_RESULT_##rt(rn), [&] { return fn##Body(n1, n2, n3 VK_PASS_AFTER_##rt(rn)); });      \
  }

VK_MEMBER_LIST(VK_GUARD_M0, VK_GUARD_M1, VK_GUARD_M2, VK_GUARD_M3)

}  // namespace vk
