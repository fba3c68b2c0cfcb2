// appendVariant over VARIANT trees built from the input: numbers, strings, byte arrays,
// arrays of VARIANTs (vectors and caller-made arrays of several dimensions, some with a wrong
// element size), references, and objects whose default value is another node or the object
// itself. Checks: the bytes of a tree do not depend on what the buffer held before, and a
// buffer handed out as a byte array and read back gives the same bytes.
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "fuzz_check.h"
#include "platform/automation.h"
#include "text/data_buffer.h"

namespace {

// An object whose default value (member 0) is a copy of a node, or the object itself.
class ValueObject final : public IDispatch {
 public:
  explicit ValueObject(const VARIANT* value) : value_(value) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(std::uint32_t* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, std::uint32_t, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, std::uint32_t*) override {
    if (member != DISPID_VALUE || result == nullptr) return E_INVALIDARG;
    if (value_ == nullptr) {
      result->vt = VT_DISPATCH;
      result->pdispVal = this;
      AddRef();
      return S_OK;
    }
    return VariantCopy(result, value_);
  }

 private:
  ~ValueObject() = default;
  const VARIANT* value_;  // null: the object itself
  ULONG references_ = 1;
};

// A caller-made array descriptor with room for four bounds, and its element storage.
struct MadeArray {
  struct {
    SAFEARRAY head;
    SAFEARRAYBOUND more[3];
  } descriptor{};
  std::vector<VARIANT> variants;
  std::vector<std::uint8_t> bytes;
};

// Builds trees from the input and owns every node until the end of the run.
class TreeBuilder {
 public:
  explicit TreeBuilder(FuzzedDataProvider& input) : input_(input) {}
  ~TreeBuilder() {
    for (auto& array : arrays_) {
      for (VARIANT& v : array->variants) VariantClear(&v);
    }
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) VariantClear(it->get());
  }

  // `copied`: the node will be copied with VariantCopy (it is an element or an object's
  // value), so it must be well formed: only nodes that are never copied get an array whose
  // element size lies about its storage.
  VARIANT* build(int depth, bool copied) {
    nodes_.push_back(std::make_unique<VARIANT>());
    VARIANT* v = nodes_.back().get();
    VariantInit(v);
    // Past a depth or a node count only leaves are made, so a tree stays small.
    const bool leavesOnly = depth >= 6 || nodes_.size() > 64;
    const int kind = input_.ConsumeIntegralInRange(0, leavesOnly ? 6 : 14);
    switch (kind) {
      case 0: v->vt = input_.ConsumeBool() ? VT_EMPTY : VT_NULL; break;
      case 1:
        v->vt = VT_I2;
        v->iVal = input_.ConsumeIntegral<SHORT>();
        break;
      case 2:
        v->vt = VT_I4;
        v->lVal = input_.ConsumeIntegral<LONG>();
        break;
      case 3:
        v->vt = VT_UI1;
        v->bVal = input_.ConsumeIntegral<BYTE>();
        break;
      case 4:
        v->vt = VT_BOOL;
        v->boolVal = input_.ConsumeBool() ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case 5:
        v->vt = VT_BSTR;
        v->bstrVal = text();
        break;
      case 6: {
        std::vector<std::uint8_t> bytes =
            input_.ConsumeBytes<std::uint8_t>(input_.ConsumeIntegralInRange(0, 64));
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, input_.ConsumeIntegral<std::int8_t>(),
                                                 static_cast<ULONG>(bytes.size()));
        if (array != nullptr && !bytes.empty()) std::memcpy(array->pvData, bytes.data(), bytes.size());
        v->vt = VT_ARRAY | VT_UI1;
        v->parray = array;
        break;
      }
      case 7: {
        const int count = input_.ConsumeIntegralInRange(0, 4);
        SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, input_.ConsumeIntegral<std::int8_t>(),
                                                 static_cast<ULONG>(count));
        for (int i = 0; i < count && array != nullptr; ++i) {
          VariantCopy(static_cast<VARIANT*>(array->pvData) + i, build(depth + 1, true));
        }
        v->vt = VT_ARRAY | VT_VARIANT;
        v->parray = array;
        break;
      }
      case 8:
        v->vt = VT_BYREF | VT_VARIANT;
        v->pvarVal = build(depth + 1, copied);
        break;
      case 9: {
        VARIANT* target = build(depth + 1, copied);
        if (target->vt == VT_BSTR) {
          v->vt = VT_BYREF | VT_BSTR;
          v->pbstrVal = &target->bstrVal;
        }
        break;
      }
      case 10: {
        ValueObject* object = new ValueObject(input_.ConsumeBool() ? nullptr : build(depth + 1, true));
        v->vt = VT_DISPATCH;
        v->pdispVal = object;
        break;
      }
      case 11: {
        VARIANT* target = build(depth + 1, copied);
        if ((target->vt & VT_ARRAY) != 0 && (target->vt & VT_BYREF) == 0) {
          v->vt = static_cast<VARTYPE>(VT_BYREF | target->vt);
          v->pparray = &target->parray;
        }
        break;
      }
      case 12: madeArray(v, depth, copied); break;
      case 13: {
        VARIANT* target = build(depth + 1, copied);
        if (target->vt == VT_DISPATCH) {
          v->vt = VT_BYREF | VT_DISPATCH;
          v->ppdispVal = &target->pdispVal;
        }
        break;
      }
      default:
        v->vt = VT_R8;
        v->dblVal = input_.ConsumeFloatingPoint<double>();
        break;
    }
    return v;
  }

 private:
  BSTR text() {
    const std::size_t units = input_.ConsumeIntegralInRange<std::size_t>(0, 32);
    std::vector<OLECHAR> chars;
    for (std::size_t i = 0; i < units && input_.remaining_bytes() > 0; ++i) {
      chars.push_back(input_.ConsumeIntegral<std::uint16_t>());
    }
    return SysAllocStringLen(chars.data(), static_cast<UINT>(chars.size()));
  }

  // An array of one to four dimensions made by the caller, of VARIANTs or of bytes, its
  // element size sometimes not matching its kind.
  void madeArray(VARIANT* v, int depth, bool copied) {
    arrays_.push_back(std::make_unique<MadeArray>());
    MadeArray& made = *arrays_.back();
    SAFEARRAY& head = made.descriptor.head;
    const bool ofVariants = input_.ConsumeBool();
    head.cDims = static_cast<USHORT>(input_.ConsumeIntegralInRange(1, 4));
    head.fFeatures = static_cast<USHORT>(FADF_STATIC | (ofVariants ? FADF_VARIANT : 0));
    std::size_t total = 1;
    for (USHORT d = 0; d < head.cDims; ++d) {
      SAFEARRAYBOUND& bound = (&head.rgsabound[0])[d];
      bound.cElements = total > 8 ? 1 : input_.ConsumeIntegralInRange<ULONG>(0, 3);
      bound.lLbound = input_.ConsumeIntegral<std::int8_t>();
      total *= bound.cElements;
    }
    if (ofVariants) {
      made.variants.resize(total);
      for (VARIANT& element : made.variants) {
        VariantInit(&element);
        VariantCopy(&element, build(depth + 1, true));
      }
      head.cbElements = !copied && input_.ConsumeIntegralInRange(0, 7) == 0 ? 1 : sizeof(VARIANT);
      // A wrong element size may only claim fewer bytes than the storage holds.
      head.pvData = made.variants.data();
      v->vt = VT_ARRAY | VT_VARIANT;
    } else {
      head.cbElements = input_.ConsumeIntegralInRange<ULONG>(1, 4);
      made.bytes = input_.ConsumeBytes<std::uint8_t>(total * head.cbElements);
      made.bytes.resize(total * head.cbElements);
      head.pvData = made.bytes.data();
      v->vt = VT_ARRAY | VT_UI1;
    }
    v->parray = &head;
  }

  FuzzedDataProvider& input_;
  std::deque<std::unique_ptr<VARIANT>> nodes_;
  std::deque<std::unique_ptr<MadeArray>> arrays_;
};

bool same(const vk::DataBuffer& a, const std::uint8_t* b, std::uint32_t n) {
  return a.length() == n && (n == 0 || std::memcmp(a.data(), b, n) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  FuzzedDataProvider input(data, size);
  TreeBuilder builder(input);
  const VARIANT* root = builder.build(0, false);

  vk::DataBuffer alone;
  alone.appendVariant(*root);
  vk::DataBuffer after;
  after.append("prefix", 6);
  after.appendVariant(*root);
  FUZZ_CHECK(after.length() == 6 + alone.length());
  FUZZ_CHECK(same(alone, after.data() + 6, after.length() - 6));

  VARIANT handed;
  alone.toByteArrayVariant(&handed);
  FUZZ_CHECK(alone.length() != 0 || handed.vt == VT_NULL);
  vk::DataBuffer back;
  back.appendVariant(handed);
  FUZZ_CHECK(same(back, alone.data(), alone.length()));
  VariantClear(&handed);
  return 0;
}
