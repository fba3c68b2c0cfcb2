// What OLE reads about a class from the registry (user type names, verbs, status flags), and
// the task memory in which it hands strings to callers.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/com_activation.h"
#include "platform/native/com_object.h"
#include "platform/ole.h"
#include "platform/registry.h"

using vk::platform::RegistryRoot;

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }
void CoTaskMemFree(void* memory) { std::free(memory); }

namespace {

// "CLSID\{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case as registration writes it.
std::u16string classKey(REFCLSID clsid) {
  OLECHAR text[39];  // the identifier in braces and its terminator
  StringFromGUID2(clsid, text, 39);
  return u"CLSID\\" + std::u16string(text);
}

LPOLESTR taskString(const std::u16string& text) {
  auto* copy = static_cast<OLECHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
  std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
  return copy;
}

// A decimal number filling the whole text (as the registry's numeric strings are written).
bool readNumber(const std::u16string& text, long long* value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = i < text.size() && text[i] == u'-';
  if (negative) ++i;
  if (i == text.size()) return false;
  long long number = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9' || number > 0xFFFFFFFFLL) return false;
    number = number * 10 + (text[i] - u'0');
  }
  *value = negative ? -number : number;
  return true;
}

struct Verb {
  LONG number;
  std::u16string name;
  DWORD flags;
  DWORD attributes;
};

class VerbEnumerator final : public vk::platform::ComObject<IEnumOLEVERB> {
 public:
  explicit VerbEnumerator(std::vector<Verb> verbs) : verbs_(std::move(verbs)) {}
  virtual ~VerbEnumerator() = default;
  bool answers(REFIID riid) const override { return riid == IID_IEnumOLEVERB; }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, LPOLEVERB verbs, ULONG* fetched) override {
    if (verbs == nullptr || (count > 1 && fetched == nullptr)) return E_INVALIDARG;
    ULONG done = 0;
    for (; done < count && next_ < verbs_.size(); ++done, ++next_) {
      const Verb& verb = verbs_[next_];
      verbs[done] = OLEVERB{verb.number, taskString(verb.name), verb.flags, verb.attributes};
    }
    if (fetched != nullptr) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    std::size_t left = verbs_.size() - next_;
    next_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumOLEVERB** copy) override {
    if (copy == nullptr) return E_INVALIDARG;
    auto* clone = new VerbEnumerator(verbs_);
    clone->next_ = next_;
    clone->AddRef();
    *copy = clone;
    return S_OK;
  }

 private:
  std::vector<Verb> verbs_;
  std::size_t next_ = 0;
};

// "name,flags,attributes" under the verb's number; false for an entry of another shape.
bool readVerb(const std::u16string& key, const std::u16string& number, Verb* verb) {
  long long value = 0;
  std::u16string text;
  if (!readNumber(number, &value) ||
      !vk::platform::registryGetString(RegistryRoot::ClassesRoot, key + u"\\" + number, u"", &text)) {
    return false;
  }
  std::size_t second = text.rfind(u',');
  std::size_t first =
      second == std::u16string::npos || second == 0 ? std::u16string::npos : text.rfind(u',', second - 1);
  long long flags = 0;
  long long attributes = 0;
  if (first == std::u16string::npos || !readNumber(text.substr(first + 1, second - first - 1), &flags) ||
      !readNumber(text.substr(second + 1), &attributes)) {
    return false;
  }
  *verb = Verb{static_cast<LONG>(value), text.substr(0, first), static_cast<DWORD>(flags),
               static_cast<DWORD>(attributes)};
  return true;
}

}  // namespace

HRESULT OleRegGetUserType(REFCLSID clsid, DWORD form, LPOLESTR* name) {
  if (name == nullptr) return E_INVALIDARG;
  *name = nullptr;
  const std::u16string key = classKey(clsid);
  if (!vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, key)) return REGDB_E_CLASSNOTREG;
  std::u16string text;
  bool found = false;
  if (form != USERCLASSTYPE_FULL && form <= 9) {
    found = vk::platform::registryGetString(
        RegistryRoot::ClassesRoot, key + u"\\AuxUserType\\" + static_cast<char16_t>(u'0' + form % 10), u"",
        &text);
  }
  if (!found && !vk::platform::registryGetString(RegistryRoot::ClassesRoot, key, u"", &text)) {
    return REGDB_E_READREGDB;
  }
  *name = taskString(text);
  return S_OK;
}

HRESULT OleRegEnumVerbs(REFCLSID clsid, IEnumOLEVERB** verbs) {
  if (verbs == nullptr) return E_INVALIDARG;
  *verbs = nullptr;
  const std::u16string key = classKey(clsid);
  if (!vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, key)) return REGDB_E_CLASSNOTREG;
  const std::u16string verbKey = key + u"\\Verb";
  std::vector<Verb> list;
  for (const std::u16string& number : vk::platform::registrySubkeys(RegistryRoot::ClassesRoot, verbKey)) {
    Verb verb;
    if (readVerb(verbKey, number, &verb)) list.push_back(verb);
  }
  if (list.empty()) return OLEOBJ_E_NOVERBS;
  // In the order of their numbers, as containers list them.
  std::sort(list.begin(), list.end(), [](const Verb& a, const Verb& b) { return a.number < b.number; });
  auto* enumerator = new VerbEnumerator(std::move(list));
  enumerator->AddRef();
  *verbs = enumerator;
  return S_OK;
}

HRESULT OleRegGetMiscStatus(REFCLSID clsid, DWORD aspect, DWORD* status) {
  if (status == nullptr) return E_INVALIDARG;
  *status = 0;
  const std::u16string key = classKey(clsid);
  if (!vk::platform::registryKeyExists(RegistryRoot::ClassesRoot, key)) return REGDB_E_CLASSNOTREG;
  const std::u16string miscKey = key + u"\\MiscStatus";
  std::u16string aspectName;
  for (DWORD rest = aspect;; rest /= 10) {
    aspectName.insert(aspectName.begin(), static_cast<char16_t>(u'0' + rest % 10));
    if (rest < 10) break;
  }
  std::u16string text;
  // No MiscStatus key means no flags.
  if (!vk::platform::registryGetString(RegistryRoot::ClassesRoot, miscKey + u"\\" + aspectName, u"", &text) &&
      !vk::platform::registryGetString(RegistryRoot::ClassesRoot, miscKey, u"", &text)) {
    return S_OK;
  }
  long long value = 0;
  if (readNumber(text, &value)) *status = static_cast<DWORD>(value);
  return S_OK;
}
