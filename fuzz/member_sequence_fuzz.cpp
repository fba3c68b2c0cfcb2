// A sequence of late-bound calls on one string object through its IDispatch: members chosen
// by the input, with arguments of every kind (strings, numbers, dates, empty and null values,
// references, byte arrays), sometimes one too few or too many, charset and coding names
// sometimes real ones. File members read and write one scratch file only.
// Checks after every call: Length agrees with the text (the UTF-16 units of Str; the bytes of
// the ANSI form while that form is current), and a call that answers S_OK with a
// result gives one of the member's declared type.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "component/member_table.h"
#include "component/vkstring.h"
#include "fuzz_check.h"
#include "platform/automation.h"

namespace {

const char* const kNames[] = {"utf-8",        "utf-16",    "utf-16be",    "utf-7",      "utf-32",
                              "windows-1252", "shift_jis", "iso-2022-jp", "hz-gb-2312", "x-mac-arabic",
                              "koi8-r",       "euc-kr",    "base64",      "qp",         "hex",
                              "url",          "bogus"};

const std::string& scratchFile() {
  static const std::string name = [] {
    char pattern[] = "/tmp/vk-fuzz-XXXXXX";
    const char* folder = mkdtemp(pattern);
    return std::string(folder != nullptr ? folder : "/tmp") + "/scratch.txt";
  }();
  return name;
}

BSTR wide(const std::string& text) {
  std::u16string units(text.begin(), text.end());
  return SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

class CallMaker {
 public:
  explicit CallMaker(FuzzedDataProvider& input) : input_(input) {}

  VARIANT argument(vk::ValueType type) {
    VARIANT v;
    VariantInit(&v);
    switch (input_.ConsumeIntegralInRange(0, 9)) {
      case 0: break;  // VT_EMPTY
      case 1: v.vt = VT_NULL; break;
      case 2:
        v.vt = VT_I4;
        v.lVal = input_.ConsumeIntegralInRange<LONG>(-3, 300);
        break;
      case 3:
        v.vt = VT_I4;
        v.lVal = input_.ConsumeIntegral<LONG>();
        break;
      case 4:
        v.vt = VT_R8;
        v.dblVal = input_.ConsumeFloatingPoint<double>();
        break;
      case 5:
        v.vt = VT_DATE;
        v.date = input_.ConsumeFloatingPointInRange<double>(-700000.0, 3000000.0);
        break;
      case 6:
        v.vt = VT_BSTR;
        v.bstrVal = wide(kNames[input_.ConsumeIntegralInRange<std::size_t>(0, 16)]);
        break;
      case 7: {
        std::vector<std::uint8_t> bytes =
            input_.ConsumeBytes<std::uint8_t>(input_.ConsumeIntegralInRange(0, 48));
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
        for (std::size_t i = 0; i < bytes.size(); ++i)
          static_cast<std::uint8_t*>(array->pvData)[i] = bytes[i];
        v.vt = VT_ARRAY | VT_UI1;
        v.parray = array;
        break;
      }
      default: {
        // Text: ASCII-heavy, with any UTF-16 unit now and then.
        std::u16string units;
        const std::size_t count = input_.ConsumeIntegralInRange<std::size_t>(0, 40);
        for (std::size_t i = 0; i < count && input_.remaining_bytes() > 0; ++i) {
          const std::uint8_t b = input_.ConsumeIntegral<std::uint8_t>();
          units.push_back(b >= 0xF0 ? input_.ConsumeIntegral<std::uint16_t>() : static_cast<char16_t>(b));
        }
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
        break;
      }
    }
    (void)type;
    return v;
  }

 private:
  FuzzedDataProvider& input_;
};

bool resultHasType(const VARIANT& result, vk::ValueType type) {
  switch (type) {
    case vk::ValueType::BSTR: return result.vt == VT_BSTR;
    case vk::ValueType::LONG: return result.vt == VT_I4;
    case vk::ValueType::DATE: return result.vt == VT_DATE;
    case vk::ValueType::VARIANT: return true;
    case vk::ValueType::Nothing: return true;
  }
  return false;
}

LONG callLength(vk::VkString* object) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  FUZZ_CHECK(object->Invoke(20, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr) == S_OK);
  FUZZ_CHECK(result.vt == VT_I4);
  return result.lVal;
}

UINT strLength(vk::VkString* object) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  FUZZ_CHECK(object->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr) == S_OK);
  FUZZ_CHECK(result.vt == VT_BSTR);
  const UINT units = SysStringLen(result.bstrVal);
  VariantClear(&result);
  return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  FuzzedDataProvider input(data, size);
  std::remove(scratchFile().c_str());
  CallMaker maker(input);
  vk::VkString* object = new vk::VkString;
  object->AddRef();

  for (int step = 0; step < 24 && input.remaining_bytes() > 0; ++step) {
    const vk::MemberInfo& member =
        vk::kMembers[input.ConsumeIntegralInRange<std::size_t>(0, vk::kMemberCount - 1)];
    int count = member.parameterCount;
    const int skew = input.ConsumeIntegralInRange(0, 15);
    if (skew == 0 && count > 0) --count;
    if (skew == 1) ++count;

    // Arguments arrive last to first.
    std::vector<VARIANT> args(static_cast<std::size_t>(count));
    for (int p = 0; p < count; ++p) {
      const vk::ValueType type = p < member.parameterCount ? member.parameters[p].type : vk::ValueType::BSTR;
      VARIANT& slot = args[static_cast<std::size_t>(count - 1 - p)];
      slot = maker.argument(type);
      const bool fileMember = member.dispid == 4 || member.dispid == 23 || member.dispid == 24;
      if (fileMember && p == 0) {
        VariantClear(&slot);
        slot.vt = VT_BSTR;
        slot.bstrVal = wide(scratchFile());
      }
    }
    DISPID putName = DISPID_PROPERTYPUT;
    const bool put = member.kind == vk::MemberKind::PropertyPut;
    DISPPARAMS params = {args.data(), put ? &putName : nullptr, static_cast<std::uint32_t>(count),
                         put ? 1u : 0u};
    const WORD flags = put                                          ? DISPATCH_PROPERTYPUT
                       : member.kind == vk::MemberKind::PropertyGet ? DISPATCH_PROPERTYGET
                                                                    : DISPATCH_METHOD;
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception = {};
    std::uint32_t argError = 0;
    const HRESULT hr =
        object->Invoke(member.dispid, IID_NULL, 0, flags, &params, &result, &exception, &argError);
    if (hr == S_OK) FUZZ_CHECK(resultHasType(result, member.resultType));
    VariantClear(&result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    for (VARIANT& arg : args) VariantClear(&arg);

    const bool ansiCurrent = object->value().isAnsiCurrent();
    const LONG length = callLength(object);
    const UINT units = strLength(object);
    // VK_FUZZ_TRACE=1 prints the calls, for reading a saved input.
    static const bool trace = std::getenv("VK_FUZZ_TRACE") != nullptr;
    if (trace) {
      std::fprintf(stderr, "%s/%d args %d -> 0x%08x; ansi current %d, Length %d, Str units %u\n", member.name,
                   static_cast<int>(member.kind), count, static_cast<unsigned>(hr), ansiCurrent, length,
                   units);
    }
    if (ansiCurrent) {
      FUZZ_CHECK(length == object->value().ansiBuffer().length());
    } else {
      FUZZ_CHECK(static_cast<UINT>(length) == units);
    }
    // Keep texts small so that a run of appends stays fast.
    if (units > 1 << 16) object->Clear();
  }
  object->Release();
  return 0;
}
