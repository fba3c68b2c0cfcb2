// The wildcard match behind Matches: `*` matches any run of bytes, including none; there is
// no other wildcard, no escape and no character class. Segments between stars are found
// leftmost-first without backtracking, and the part after the last star is anchored at the
// end of the text.
#include <cstring>
#include <string>
#include <string_view>

#include "text/string_buffer.h"
#include "text/xstring.h"

namespace vk {
namespace {

std::string foldedAscii(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return folded;
}

bool onlyStars(std::string_view pattern) { return pattern.find_first_not_of('*') == std::string_view::npos; }

bool matchCaseSensitive(std::string_view s, std::string_view p) {
  if (s.empty()) return onlyStars(p);
  if (p.empty()) return false;
  std::size_t star = p.find('*');
  if (star == std::string_view::npos) return s == p;
  // The head must open the text.
  if (s.size() < star || s.compare(0, star, p, 0, star) != 0) return false;
  std::size_t position = star;
  std::size_t pi = star;
  for (;;) {
    while (pi < p.size() && p[pi] == '*') ++pi;
    if (pi == p.size()) return true;
    std::size_t next = p.find('*', pi);
    if (next == std::string_view::npos) {
      std::string_view tail = p.substr(pi);
      return s.size() - position >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    }
    std::string_view segment = p.substr(pi, next - pi);
    std::size_t found = s.find(segment, position);
    if (found == std::string_view::npos) return false;
    position = found + segment.size();
    pi = next;
  }
}

}  // namespace

bool StringBuffer::matchesPattern(const char* pattern, bool caseSensitive) const {
  checkAlive();
  if (pattern == nullptr) return false;
  std::string_view s(data_, textLength());
  std::string_view p(pattern);
  if (caseSensitive) return matchCaseSensitive(s, p);
  // Folding ASCII letters on both sides compares A-Z and a-z as equal and every other byte
  // exactly.
  return matchCaseSensitive(foldedAscii(s), foldedAscii(p));
}

bool XString::matchesPattern(const char* pattern, bool caseSensitive) {
  makeUtf8Current();
  return utf8Form_.matchesPattern(pattern, caseSensitive);
}

}  // namespace vk
