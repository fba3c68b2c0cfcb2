// Counting the characters of a text by script: every UTF-16 code unit is classified by a
// fixed, ordered list of code-point ranges and one counter per class is kept. Surrogates are
// not paired; each half of a pair is classified on its own.
#pragma once
#include <cstdint>

namespace vk {

class UnicodeInfo {
 public:
  enum ScriptIndex : std::int32_t {
    ScriptLatin = 0,
    ScriptGreek = 1,
    ScriptHebrew = 2,
    ScriptArabic = 3,
    ScriptJapanese = 4,
    ScriptKorean = 5,
    ScriptChinese = 6,
    ScriptThai = 7,
    ScriptCyrillic = 8,
    ScriptCentralEuro = 9,
    ScriptAscii = 10,
    ScriptOther = 11,
  };
  static constexpr std::int32_t kScriptCount = 12;
  // The class of units that add to no counter.
  static constexpr std::int32_t kNotCounted = -1;

  // One row of the classification list; bounds inclusive.
  struct Range {
    std::uint16_t first;
    std::uint16_t last;
    std::int32_t script;  // a ScriptIndex or kNotCounted
  };
  // The ranges in the order they are tested; a unit in none of them is ScriptOther.
  static const Range kRanges[19];

  UnicodeInfo() = default;

  // Resets every counter, then classifies `count` units (nothing for null or count <= 0).
  void countScripts(const char16_t* units, std::int64_t count);
  // The counter at `index`; 0 for an index outside 0..11.
  std::int32_t count(std::int32_t index) const;

  // The class of one unit: a ScriptIndex or kNotCounted, by the first range that holds it.
  static std::int32_t classify(std::uint16_t unit);

 private:
  std::int32_t counters_[kScriptCount] = {};
};

}  // namespace vk
