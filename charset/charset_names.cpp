// Charset names: the names of the code-page list (code_pages.h) are flattened and sorted at
// compile time, so a lookup is one normalisation and a binary search, with nothing built at run
// time.
#include "charset/charset_names.h"

#include <algorithm>
#include <array>

#include "charset/charset_name_table.h"
#include "charset/code_pages.h"
#include "text/string_buffer.h"

namespace vk {
namespace {

// A normalised name shorter than this cannot be in the table.
constexpr std::int32_t kShortestName = 3;

// Byte-wise comparison of two NUL-terminated strings, usable at compile time.
constexpr int compareNames(const char* a, const char* b) {
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  auto ua = static_cast<unsigned char>(*a);
  auto ub = static_cast<unsigned char>(*b);
  return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

constexpr std::size_t countNames() {
  std::size_t n = 0;
  for (const CodePageRow& row : kCodePages) {
    for (const char* name : row.names) n += name != nullptr ? 1 : 0;
  }
  return n;
}

constexpr std::size_t kNameCount = countNames();

constexpr std::array<CharsetName, kNameCount> sortedNames() {
  std::array<CharsetName, kNameCount> names{};
  std::size_t n = 0;
  for (const CodePageRow& row : kCodePages) {
    for (const char* name : row.names) {
      if (name == nullptr) continue;
      // Insertion sort: a few tens of thousands of steps, once, in the compiler.
      std::size_t i = n++;
      while (i > 0 && compareNames(names[i - 1].name, name) > 0) {
        names[i] = names[i - 1];
        --i;
      }
      names[i] = CharsetName{name, row.codePage};
    }
  }
  return names;
}

constexpr std::array<CharsetName, kNameCount> kSortedNames = sortedNames();

constexpr bool namesUnique() {
  for (std::size_t i = 1; i < kNameCount; ++i) {
    if (compareNames(kSortedNames[i - 1].name, kSortedNames[i].name) >= 0) return false;
  }
  return true;
}

constexpr bool isNormalised(const char* name) {
  std::size_t length = 0;
  for (const char* p = name; *p != 0; ++p, ++length) {
    if ((*p >= 'A' && *p <= 'Z') || *p == '_' || *p == '\t' || *p == '\r' || *p == '\n') { return false; }
  }
  return length >= static_cast<std::size_t>(kShortestName) && name[0] != ' ' && name[length - 1] != ' ';
}

constexpr bool namesNormalised() {
  for (const CharsetName& entry : kSortedNames) {
    if (!isNormalised(entry.name)) return false;
  }
  return true;
}

static_assert(namesUnique(), "a charset name occurs twice");
static_assert(namesNormalised(), "charset names must be stored normalised");

}  // namespace

const CharsetName* charsetNames(std::size_t* count) {
  if (count != nullptr) *count = kNameCount;
  return kSortedNames.data();
}

std::int32_t charsetToCodePage(const char* name) {
  if (name == nullptr) return 0;
  StringBuffer normalised(name);
  normalised.trimWhitespace();
  normalised.toLowerLatin1();
  normalised.replaceByte('_', '-');
  if (normalised.length() < kShortestName) return 0;

  const char* key = normalised.text();
  const CharsetName* found = std::lower_bound(
      kSortedNames.begin(), kSortedNames.end(), key,
      [](const CharsetName& entry, const char* k) { return compareNames(entry.name, k) < 0; });
  return found != kSortedNames.end() && compareNames(found->name, key) == 0 ? found->codePage : 0;
}

}  // namespace vk
