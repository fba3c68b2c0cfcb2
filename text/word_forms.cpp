#include "text/word_forms.h"

#include <cstring>

namespace vk::wordforms {
namespace {

bool isVowel(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; }

// Replaces the last `drop` bytes by `suffix`.
void replaceEnding(StringBuffer& text, std::int32_t drop, const char* suffix) {
  text.dropLast(drop);
  text.append(suffix);
}

// The text's length up to its first NUL (the byte rules never look past it).
std::int32_t textLength(const StringBuffer& text) {
  return static_cast<std::int32_t>(std::strlen(text.text()));
}

}  // namespace

void pluralize(StringBuffer& text) {
  const std::int32_t n = textLength(text);
  if (n == 0) return;
  const char* t = text.text();
  const char last = t[n - 1];
  const char before = n >= 2 ? t[n - 2] : 0;
  if (last == 's') return;
  if (last == 'x' || last == 'z' || (last == 'h' && n >= 2 && (before == 'c' || before == 's'))) {
    replaceEnding(text, 0, "es");
  } else if (last == 'y' && n >= 2 && !isVowel(before)) {
    replaceEnding(text, 1, "ies");
  } else if (last == 'f') {
    replaceEnding(text, 1, "ves");
  } else if (last == 'e' && n >= 2 && before == 'f') {
    replaceEnding(text, 2, "ves");
  } else {
    replaceEnding(text, 0, "s");
  }
}

void unpluralize(StringBuffer& text) {
  const std::int32_t n = textLength(text);
  const char* t = text.text();
  if (n == 0 || t[n - 1] != 's') return;
  if (n >= 2) {
    char p = t[n - 2];
    if ((p >= '0' && p <= '9') || p == 'u' || p == 'i' || p == 'o' || p == 'a') return;
  }
  if (n <= 3) {
    replaceEnding(text, 1, "");
    return;
  }
  const char c = t[n - 3];
  const char p = t[n - 2];
  if (c == 'v' && p == 'e') {
    const char q = t[n - 4];
    if (n > 4 && (q == 'i' || q == 'o' || q == 'e')) {
      replaceEnding(text, 1, "");
    } else {
      replaceEnding(text, 3, "f");
    }
  } else if (p == 's' && (c == 'o' || c == 'e' || c == 'i' || c == 'a' || c == 'u')) {
    return;  // "oss", "ess", "iss", "ass", "uss"
  } else if (c == 'i' && p == 'e') {
    replaceEnding(text, 3, "y");
  } else if ((c == 'h' || c == 'x') && p == 'e') {
    replaceEnding(text, 2, "");
  } else if (c == 'z' && p == 'e') {
    replaceEnding(text, t[n - 4] == 'i' ? 1 : 2, "");
  } else if (c == 'o' && p == 'e') {
    return;  // "oes"
  } else if (c == 'a' && p == 'y' && text.equalsNoCase("always")) {
    return;
  } else {
    replaceEnding(text, 1, "");
  }
}

namespace {

template <typename Rule>
void applyToAnsiForm(XString& value, Rule rule) {
  StringBuffer scratch(value.getAnsi());
  rule(scratch);
  value.clear();
  value.setFromAnsi(scratch.text());
}

}  // namespace

void pluralize(XString& value) {
  applyToAnsiForm(value, [](StringBuffer& text) { pluralize(text); });
}

void unpluralize(XString& value) {
  applyToAnsiForm(value, [](StringBuffer& text) { unpluralize(text); });
}

}  // namespace vk::wordforms
