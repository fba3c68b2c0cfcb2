// The member dispatcher. Everything it knows about members comes from the member list: the
// table of names and parameters (kMembers), a compile-time index from dispatch identifier to
// entry, and one invoker per entry that unpacks the arguments into the C++ parameter types of
// the interface method (deduced from its pointer to member) and calls it through the vtable.
#include "component/dispatch.h"

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "component/member_list.h"
#include "component/member_table.h"

namespace vk {
namespace {

// ---------------------------------------------------------------------------------------------
// Names

// Case folding for name comparison: ASCII and the Latin-1 letters.
char16_t foldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  return c;
}

bool sameName(const OLECHAR* wanted, const char* name) {
  if (wanted == nullptr) return false;
  for (; *name != 0; ++wanted, ++name) {
    if (*wanted == 0 || foldCase(*wanted) != foldCase(static_cast<unsigned char>(*name))) return false;
  }
  return *wanted == 0;
}

// The position of a parameter of the member called by dispid (a read-write property has one
// entry per direction, so every entry with that identifier is looked at).
DISPID parameterPosition(DISPID dispid, const OLECHAR* name) {
  for (const MemberInfo& member : kMembers) {
    if (member.dispid != dispid) continue;
    for (std::uint8_t p = 0; p < member.parameterCount; ++p) {
      if (sameName(name, member.parameters[p].name)) return p;
    }
  }
  return DISPID_UNKNOWN;
}

// ---------------------------------------------------------------------------------------------
// Arguments: one slot per C++ parameter type. A slot takes a dereferenced argument, coerces it
// when its type differs, owns whatever the coercion made, and hands the value to the call.
// An argument of the exact type is used in place.

template <typename T>
class ArgumentSlot;

template <>
class ArgumentSlot<BSTR> {
 public:
  ArgumentSlot() { VariantInit(&converted_); }
  ~ArgumentSlot() { VariantClear(&converted_); }
  ArgumentSlot(const ArgumentSlot&) = delete;
  ArgumentSlot& operator=(const ArgumentSlot&) = delete;

  HRESULT take(const VARIANT& argument) {
    if (argument.vt == VT_BSTR) {
      value_ = argument.bstrVal;
      return S_OK;
    }
    if (argument.vt == (VT_BYREF | VT_BSTR) && argument.pbstrVal != nullptr) {
      value_ = *argument.pbstrVal;
      return S_OK;
    }
    HRESULT hr = VariantChangeType(&converted_, &argument, 0, VT_BSTR);
    if (SUCCEEDED(hr)) value_ = converted_.bstrVal;
    return hr;
  }
  BSTR get() const { return value_; }

 private:
  VARIANT converted_;
  BSTR value_ = nullptr;
};

// The scalar parameter types: their variant type and where a VARIANT holds them, by value and
// by reference.
template <typename T>
struct Scalar;
template <>
struct Scalar<LONG> {
  static constexpr VARTYPE kType = VT_I4;
  template <typename V>
  static auto& value(V& v) {
    return v.lVal;
  }
  static LONG* reference(const VARIANT& v) { return v.plVal; }
};
template <>
struct Scalar<DATE> {
  static constexpr VARTYPE kType = VT_DATE;
  template <typename V>
  static auto& value(V& v) {
    return v.date;
  }
  static DATE* reference(const VARIANT& v) { return v.pdate; }
};

template <typename T>
class ArgumentSlot {
 public:
  HRESULT take(const VARIANT& argument) {
    if (argument.vt == Scalar<T>::kType) {
      value_ = Scalar<T>::value(argument);
      return S_OK;
    }
    if (argument.vt == (VT_BYREF | Scalar<T>::kType) && Scalar<T>::reference(argument) != nullptr) {
      value_ = *Scalar<T>::reference(argument);
      return S_OK;
    }
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &argument, 0, Scalar<T>::kType);
    if (SUCCEEDED(hr)) value_ = Scalar<T>::value(converted);
    return hr;
  }
  T get() const { return value_; }

 private:
  T value_ = 0;
};

// A VARIANT parameter receives the argument as it is; a reference is replaced by a copy of what
// it refers to, which the slot owns.
template <>
class ArgumentSlot<VARIANT> {
 public:
  ArgumentSlot() { VariantInit(&value_); }
  ~ArgumentSlot() {
    if (owned_) VariantClear(&value_);
  }
  ArgumentSlot(const ArgumentSlot&) = delete;
  ArgumentSlot& operator=(const ArgumentSlot&) = delete;

  HRESULT take(const VARIANT& argument) {
    if ((argument.vt & VT_BYREF) == 0) {
      value_ = argument;
      return S_OK;
    }
    HRESULT hr = VariantCopyInd(&value_, &argument);
    if (FAILED(hr)) return hr == E_INVALIDARG ? DISP_E_TYPEMISMATCH : hr;
    owned_ = true;
    return S_OK;
  }
  VARIANT get() const { return value_; }

 private:
  VARIANT value_;
  bool owned_ = false;
};

// What a failed coercion reports: its own reason where Invoke has one, else a type mismatch.
HRESULT argumentFailure(HRESULT hr) {
  if (hr == DISP_E_OVERFLOW || hr == DISP_E_BADVARTYPE || hr == E_OUTOFMEMORY) return hr;
  return DISP_E_TYPEMISMATCH;
}

template <typename Slot>
bool takeArgument(Slot& slot, const VARIANT& argument, int position, HRESULT* hr, int* failedParameter) {
  HRESULT taken = slot.take(argument);
  if (SUCCEEDED(taken)) return true;
  *hr = argumentFailure(taken);
  *failedParameter = position;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Results: the [out,retval] parameter's storage, moved into the caller's VARIANT or freed.

template <typename T>
class ResultSlot;

template <>
class ResultSlot<BSTR*> {
 public:
  ResultSlot() = default;
  ~ResultSlot() { SysFreeString(value_); }
  ResultSlot(const ResultSlot&) = delete;
  ResultSlot& operator=(const ResultSlot&) = delete;
  BSTR* pointer() { return &value_; }
  void moveTo(VARIANT* result) {
    result->vt = VT_BSTR;
    result->bstrVal = value_;
    value_ = nullptr;
  }

 private:
  BSTR value_ = nullptr;
};

template <typename T>
class ResultSlot<T*> {
 public:
  T* pointer() { return &value_; }
  void moveTo(VARIANT* result) {
    result->vt = Scalar<T>::kType;
    Scalar<T>::value(*result) = value_;
  }

 private:
  T value_ = 0;
};

template <>
class ResultSlot<VARIANT*> {
 public:
  ResultSlot() { VariantInit(&value_); }
  ~ResultSlot() { VariantClear(&value_); }
  ResultSlot(const ResultSlot&) = delete;
  ResultSlot& operator=(const ResultSlot&) = delete;
  VARIANT* pointer() { return &value_; }
  void moveTo(VARIANT* result) {
    *result = value_;
    value_.vt = VT_EMPTY;
  }

 private:
  VARIANT value_;
};

// ---------------------------------------------------------------------------------------------
// Invokers

// The interface methods take their [in] parameters by value (BSTR, LONG, DATE, VARIANT) and
// their [out,retval] parameter, last, as a pointer.
template <typename T>
constexpr bool kIsResult = std::is_pointer_v<T> && !std::is_same_v<T, BSTR>;

template <typename... P>
struct LastIsResult : std::false_type {};
template <typename T>
struct LastIsResult<T> : std::bool_constant<kIsResult<T>> {};
template <typename T, typename U, typename... Rest>
struct LastIsResult<T, U, Rest...> : LastIsResult<U, Rest...> {};

// args[i] is the dereferenced argument for parameter i; failedParameter receives the position
// of an argument that could not be coerced.
using Invoker = HRESULT (*)(IVkString* object, const VARIANT* const* args, int* failedParameter,
                            VARIANT* result);

template <typename... P, std::size_t... I>
HRESULT callMember(IVkString* object, HRESULT (STDMETHODCALLTYPE IVkString::*method)(P...),
                   std::index_sequence<I...>, [[maybe_unused]] const VARIANT* const* args,
                   [[maybe_unused]] int* failedParameter, VARIANT* result) {
  using Parameters = std::tuple<P...>;
  std::tuple<ArgumentSlot<std::tuple_element_t<I, Parameters>>...> slots;
  HRESULT hr = S_OK;
  bool taken = (takeArgument(std::get<I>(slots), *args[I], static_cast<int>(I), &hr, failedParameter) && ...);
  if (!taken) return hr;
  if constexpr (sizeof...(I) < sizeof...(P)) {
    ResultSlot<std::tuple_element_t<sizeof...(P) - 1, Parameters>> out;
    hr = (object->*method)(std::get<I>(slots).get()..., out.pointer());
    if (SUCCEEDED(hr) && result != nullptr) out.moveTo(result);
    return hr;
  } else {
    (void)result;
    return (object->*method)(std::get<I>(slots).get()...);
  }
}

template <std::size_t Arity, typename... P>
HRESULT callEntry(IVkString* object, HRESULT (STDMETHODCALLTYPE IVkString::*method)(P...),
                  const VARIANT* const* args, int* failedParameter, VARIANT* result) {
  constexpr std::size_t inputs = sizeof...(P) - (LastIsResult<P...>::value ? 1 : 0);
  static_assert(inputs == Arity, "the interface method and its member-list entry disagree");
  return callMember(object, method, std::make_index_sequence<inputs>{}, args, failedParameter, result);
}

template <auto Method, std::size_t Arity>
HRESULT invokeMember(IVkString* object, const VARIANT* const* args, int* failedParameter, VARIANT* result) {
  return callEntry<Arity>(object, Method, args, failedParameter, result);
}

#define VK_INVOKER_M0(id, kind, name, fn, rt, rn) &invokeMember<&IVkString::fn, 0>,
#define VK_INVOKER_M1(id, kind, name, fn, t1, n1, rt, rn) &invokeMember<&IVkString::fn, 1>,
#define VK_INVOKER_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn) &invokeMember<&IVkString::fn, 2>,
#define VK_INVOKER_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn) &invokeMember<&IVkString::fn, 3>,

// In member-list order, like kMembers.
constexpr Invoker kInvokers[] = {VK_MEMBER_LIST(VK_INVOKER_M0, VK_INVOKER_M1, VK_INVOKER_M2, VK_INVOKER_M3)};
static_assert(sizeof kInvokers / sizeof kInvokers[0] == kMemberCount, "one invoker per member entry");

// ---------------------------------------------------------------------------------------------
// Dispatch identifiers -> entries, built at compile time.

struct MemberKey {
  DISPID dispid;
  MemberKind kind;
};

#define VK_MEMBER_KEY(id, kind, ...) MemberKey{id, MemberKind::kind},
constexpr MemberKey kKeys[] = {VK_MEMBER_LIST(VK_MEMBER_KEY, VK_MEMBER_KEY, VK_MEMBER_KEY, VK_MEMBER_KEY)};

constexpr DISPID largestDispid() {
  DISPID largest = 0;
  for (const MemberKey& key : kKeys) largest = key.dispid > largest ? key.dispid : largest;
  return largest;
}
constexpr DISPID kLargestDispid = largestDispid();

struct DispidIndex {
  std::int8_t call[kLargestDispid + 1];  // method or property get
  std::int8_t put[kLargestDispid + 1];
};

constexpr DispidIndex buildIndex() {
  DispidIndex index{};
  for (DISPID id = 0; id <= kLargestDispid; ++id) {
    index.call[id] = -1;
    index.put[id] = -1;
  }
  for (std::size_t i = 0; i < kMemberCount; ++i) {
    std::int8_t* slot = kKeys[i].kind == MemberKind::PropertyPut ? index.put : index.call;
    slot[kKeys[i].dispid] = static_cast<std::int8_t>(i);
  }
  return index;
}
constexpr DispidIndex kIndex = buildIndex();

constexpr bool identifiersAreDistinct() {
  for (std::size_t i = 0; i < kMemberCount; ++i) {
    if (kKeys[i].dispid <= 0) return false;
    bool put = kKeys[i].kind == MemberKind::PropertyPut;
    if ((put ? kIndex.put : kIndex.call)[kKeys[i].dispid] != static_cast<std::int8_t>(i)) return false;
  }
  return true;
}
static_assert(identifiersAreDistinct(), "two member entries share a dispatch identifier and direction");

constexpr std::size_t kMaxParameters = 3;

}  // namespace

int findMember(DISPID dispid, WORD flags) {
  if (dispid <= 0 || dispid > kLargestDispid) return -1;
  if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
    int index = kIndex.call[dispid];
    if (index >= 0) return index;
  }
  if ((flags & DISPATCH_PROPERTYPUT) != 0) return kIndex.put[dispid];
  return -1;
}

HRESULT dispatchGetIDsOfNames(REFIID riid, LPOLESTR* names, std::uint32_t count, DISPID* dispids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (names == nullptr || dispids == nullptr) return E_INVALIDARG;
  const MemberInfo* member = nullptr;
  for (const MemberInfo& candidate : kMembers) {
    if (sameName(names[0], candidate.name)) {
      member = &candidate;
      break;
    }
  }
  if (member == nullptr) {
    for (std::uint32_t i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  dispids[0] = member->dispid;
  HRESULT hr = S_OK;
  for (std::uint32_t i = 1; i < count; ++i) {
    dispids[i] = parameterPosition(member->dispid, names[i]);
    if (dispids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT dispatchInvoke(IVkString* object, DISPID dispid, REFIID riid, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (object == nullptr || params == nullptr) return E_INVALIDARG;
  if ((params->cArgs > 0 && params->rgvarg == nullptr) || params->cNamedArgs > params->cArgs ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr)) {
    return E_INVALIDARG;
  }
  if (result != nullptr) VariantInit(result);
  int index = findMember(dispid, flags);
  if (index < 0) return DISP_E_MEMBERNOTFOUND;
  const MemberInfo& member = kMembers[index];

  // Place the arguments by parameter: positional ones come last to first after the named ones;
  // a named one carries its parameter position, or DISPID_PROPERTYPUT for the value of a put.
  const std::uint32_t count = member.parameterCount;
  const VARIANT* args[kMaxParameters] = {};
  std::uint32_t slotOf[kMaxParameters] = {};  // index in rgvarg
  auto fail = [argError](HRESULT hr, std::uint32_t slot) {
    if (argError != nullptr) *argError = slot;
    return hr;
  };
  if (params->cArgs != count) return DISP_E_BADPARAMCOUNT;
  if (member.kind == MemberKind::PropertyPut) {
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return fail(DISP_E_PARAMNOTFOUND, 0);
    }
    args[0] = &params->rgvarg[0];
  } else {
    std::uint32_t positional = params->cArgs - params->cNamedArgs;
    for (std::uint32_t p = 0; p < positional; ++p) {
      slotOf[p] = params->cArgs - 1 - p;
      args[p] = &params->rgvarg[slotOf[p]];
    }
    for (std::uint32_t n = 0; n < params->cNamedArgs; ++n) {
      DISPID position = params->rgdispidNamedArgs[n];
      if (position < static_cast<DISPID>(positional) || position >= static_cast<DISPID>(count) ||
          args[position] != nullptr) {
        return fail(DISP_E_PARAMNOTFOUND, n);
      }
      slotOf[position] = n;
      args[position] = &params->rgvarg[n];
    }
  }

  // One level of VT_BYREF|VT_VARIANT comes off here (the slots follow other references);
  // an omitted argument arrives as VT_ERROR DISP_E_PARAMNOTFOUND, and none is optional.
  for (std::uint32_t p = 0; p < count; ++p) {
    const VARIANT* argument = args[p];
    if (argument->vt == (VT_BYREF | VT_VARIANT)) {
      if (argument->pvarVal == nullptr) return fail(DISP_E_TYPEMISMATCH, slotOf[p]);
      argument = argument->pvarVal;
    }
    if (argument->vt == VT_ERROR && argument->scode == DISP_E_PARAMNOTFOUND) {
      return fail(DISP_E_PARAMNOTOPTIONAL, slotOf[p]);
    }
    args[p] = argument;
  }

  int failedParameter = -1;
  HRESULT hr = kInvokers[index](object, args, &failedParameter, result);
  if (failedParameter >= 0) return fail(hr, slotOf[failedParameter]);
  if (FAILED(hr) && exception != nullptr) {
    *exception = EXCEPINFO{};
    exception->scode = hr;
  }
  return hr;
}

}  // namespace vk
