// The wildcard match behind Matches, on the string buffer and through the text value, with
// texts and patterns taken from the input. Check: the answer equals that of a plain
// dynamic-programming matcher ('*' matches any run of bytes, every other byte itself), with
// ASCII letters folded for the case-insensitive match.
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "text/string_buffer.h"
#include "text/xstring.h"

namespace {

char fold(char c, bool caseSensitive) {
  return (!caseSensitive && c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// can[i][j]: the first i bytes of the text match the first j bytes of the pattern.
bool referenceMatch(const std::string& text, const std::string& pattern, bool caseSensitive) {
  const std::size_t n = text.size(), m = pattern.size();
  std::vector<std::vector<char>> can(n + 1, std::vector<char>(m + 1, 0));
  can[0][0] = 1;
  for (std::size_t j = 1; j <= m; ++j) can[0][j] = pattern[j - 1] == '*' && can[0][j - 1];
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = 1; j <= m; ++j) {
      if (pattern[j - 1] == '*') {
        can[i][j] = can[i][j - 1] || can[i - 1][j];
      } else {
        can[i][j] =
            can[i - 1][j - 1] && fold(text[i - 1], caseSensitive) == fold(pattern[j - 1], caseSensitive);
      }
    }
  }
  return can[n][m] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1024) return 0;
  FuzzedDataProvider input(data, size);
  const bool caseSensitive = input.ConsumeBool();
  const std::string pattern = vkfuzz::textPiece(input, 256);
  const std::string text = vkfuzz::textPiece(input, 512);

  const vk::StringBuffer buffer(text.c_str());
  const bool answer = buffer.matchesPattern(pattern.c_str(), caseSensitive);
  FUZZ_CHECK(answer == referenceMatch(text, pattern, caseSensitive));
  FUZZ_CHECK(!buffer.matchesPattern(nullptr, caseSensitive));

  // Through the text value: the UTF-8 form of a value set from UTF-8 is the same bytes.
  vk::XString value;
  value.setFromUtf8(text.c_str());
  FUZZ_CHECK(value.matchesPattern(pattern.c_str(), caseSensitive) == answer);
  return 0;
}
