// Native automation strings, laid out as oleaut32 lays them out: a 32-bit byte count, the
// units, then one zero unit. The BSTR points at the first unit.
#include "platform/automation_string.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);

std::uint32_t* prefixOf(BSTR s) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(s) - kPrefixBytes);
}
}  // namespace

BSTR SysAllocStringLen(const OLECHAR* s, UINT len) {
  // The byte count must fit the 32-bit prefix; a longer string is refused as oleaut32
  // refuses it, with no string.
  std::uint64_t bytes = static_cast<std::uint64_t>(len) * sizeof(OLECHAR);
  if (bytes > 0x7FFFFFF0u) return nullptr;
  char* block = static_cast<char*>(std::malloc(kPrefixBytes + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  std::uint32_t prefix = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &prefix, kPrefixBytes);
  BSTR result = reinterpret_cast<BSTR>(block + kPrefixBytes);
  if (s != nullptr) {
    std::memcpy(result, s, bytes);
  } else {
    std::memset(result, 0, bytes);
  }
  result[len] = 0;
  return result;
}

BSTR SysAllocString(const OLECHAR* s) {
  if (s == nullptr) return nullptr;
  UINT len = 0;
  while (s[len] != 0) ++len;
  return SysAllocStringLen(s, len);
}

void SysFreeString(BSTR s) {
  if (s != nullptr) std::free(prefixOf(s));
}

UINT SysStringByteLen(BSTR s) {
  if (s == nullptr) return 0;
  std::uint32_t bytes;
  std::memcpy(&bytes, prefixOf(s), sizeof bytes);
  return bytes;
}

UINT SysStringLen(BSTR s) { return SysStringByteLen(s) / sizeof(OLECHAR); }
