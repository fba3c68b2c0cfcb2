#include "unicode/unicode_info.h"

#include <array>

namespace vk {

// clang-format off
const UnicodeInfo::Range UnicodeInfo::kRanges[19] = {
    {0x0000, 0x007F, ScriptAscii},
    {0x0080, 0x00FF, ScriptLatin},
    {0x0100, 0x02FF, ScriptCentralEuro},
    {0x0370, 0x03FF, ScriptGreek},
    {0x0400, 0x04FF, ScriptCyrillic},
    {0x0590, 0x05FF, ScriptHebrew},
    {0x0600, 0x06FF, ScriptArabic},
    {0x0E00, 0x0E7F, ScriptThai},
    {0xAC00, 0xD7AF, ScriptKorean},
    {0x4E00, 0x9FAF, ScriptChinese},
    {0x3040, 0x30FF, ScriptJapanese},
    {0x2F00, 0x2FDF, ScriptJapanese},
    {0x3200, 0x32FF, kNotCounted},  // enclosed CJK letters
    {0x25A0, 0x26FF, kNotCounted},  // geometric shapes, miscellaneous symbols
    {0xFE20, 0xFE6F, kNotCounted},
    {0xFF00, 0xFFEF, kNotCounted},  // half-width and full-width forms
    {0x3000, 0x303F, kNotCounted},  // CJK punctuation
    {0x3400, 0x4DBF, ScriptChinese},
    {0x1100, 0x11FF, ScriptKorean},
};
// clang-format on

std::int32_t UnicodeInfo::classify(std::uint16_t unit) {
  for (const Range& range : kRanges) {
    if (unit >= range.first && unit <= range.last) return range.script;
  }
  return ScriptOther;
}

namespace {

// The class of every unit, made once from the ordered ranges so that counting a long text
// costs one table look-up per unit.
struct ClassTable {
  std::array<std::int8_t, 0x10000> classes;
  ClassTable() {
    for (std::uint32_t u = 0; u < 0x10000; ++u) {
      classes[u] = static_cast<std::int8_t>(UnicodeInfo::classify(static_cast<std::uint16_t>(u)));
    }
  }
};

const ClassTable& classTable() {
  static const ClassTable table;
  return table;
}

}  // namespace

void UnicodeInfo::countScripts(const char16_t* units, std::int64_t count) {
  for (std::int32_t& counter : counters_) counter = 0;
  if (units == nullptr || count <= 0) return;
  const std::int8_t* classes = classTable().classes.data();
  // Wider counters during the scan; the stored counters are 32-bit.
  std::int64_t totals[kScriptCount + 1] = {};
  for (std::int64_t i = 0; i < count; ++i) {
    // Slot 0 collects the units that are not counted.
    ++totals[classes[static_cast<std::uint16_t>(units[i])] + 1];
  }
  for (std::int32_t k = 0; k < kScriptCount; ++k) { counters_[k] = static_cast<std::int32_t>(totals[k + 1]); }
}

std::int32_t UnicodeInfo::count(std::int32_t index) const {
  if (index < 0 || index >= kScriptCount) return 0;
  return counters_[index];
}

}  // namespace vk
