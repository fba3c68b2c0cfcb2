// Word forms (plural and singular by suffix rules) and wildcard matching.
#include <gtest/gtest.h>

#include <string>

#include "ansi_scope.h"
#include "text/word_forms.h"
#include "value_helpers.h"

namespace vk {
namespace {

using test::currentForms;
using test::valueOf;
using test::wideOf;

struct WordCase {
  const char* word;
  const char* expected;
};

void PrintTo(const WordCase& c, std::ostream* os) { *os << c.word << " -> " << c.expected; }

// ---------------------------------------------------------------------------------------
// pluralize: every row of the rule list, first match wins.

class Plurals : public ::testing::TestWithParam<WordCase> {};

TEST_P(Plurals, FollowTheSuffixRules) {
  StringBuffer text(GetParam().word);
  wordforms::pluralize(text);
  EXPECT_STREQ(text.text(), GetParam().expected);
}

const WordCase kPluralCases[] = {
    {"bus", "bus"},
    {"s", "s"},  // 's': unchanged
    {"box", "boxes"},
    {"quiz", "quizes"},  // 'x', 'z'
    {"x", "xes"},
    {"church", "churches"},  // 'ch'
    {"bush", "bushes"},
    {"month", "months"},  // 'sh'; other 'h'
    {"h", "hs"},
    {"city", "cities"},  // one-byte 'h'; consonant 'y'
    {"day", "days"},
    {"key", "keys"},  // vowel 'y'
    {"boy", "boys"},
    {"guy", "guys"},
    {"y", "ys"},
    {"leaf", "leaves"},  // one-byte 'y'; 'f'
    {"f", "ves"},
    {"knife", "knives"},  // one-byte 'f'; 'fe'
    {"fe", "ves"},
    {"e", "es"},  // 'fe' whole; one-byte 'e'
    {"table", "tables"},
    {"potato", "potatos"},  // other 'e'; anything else
    {"BOX", "BOXs"},
    {"CITY", "CITYs"},  // upper case takes the last row
    {"big box", "big boxes"},
    {"a dog", "a dogs"},  // only the end changes
    {"", ""},
    {"caf\xE9", "caf\xE9s"},
};

INSTANTIATE_TEST_SUITE_P(WordForms, Plurals, ::testing::ValuesIn(kPluralCases));

// ---------------------------------------------------------------------------------------
// unpluralize: every step and row.

class Singulars : public ::testing::TestWithParam<WordCase> {};

TEST_P(Singulars, FollowTheSuffixRules) {
  StringBuffer text(GetParam().word);
  wordforms::unpluralize(text);
  EXPECT_STREQ(text.text(), GetParam().expected);
}

const WordCase kSingularCases[] = {
    {"", ""},
    {"box", "box"},      // step 1
    {"BOXES", "BOXES"},  // upper-case 'S' is not 's'
    {"10s", "10s"},
    {"bus", "bus"},  // step 2: digit, 'u'
    {"axis", "axis"},
    {"tacos", "tacos"},  // 'i', 'o'
    {"spas", "spas"},    // 'a'
    {"s", ""},
    {"yes", "ye"},  // step 3: n <= 3
    {"cs", "c"},
    {"moves", "move"},
    {"dives", "dive"},    // 'ves' after 'o', 'i'
    {"sieves", "sieve"},  // 'ves' after 'e'
    {"wolves", "wolf"},
    {"leaves", "leaf"},  // other 'ves'
    {"aves", "af"},      // 'ves' with n = 4
    {"glass", "glass"},
    {"boss", "boss"},  // 'ass', 'oss'
    {"dress", "dress"},
    {"kiss", "kiss"},  // 'ess', 'iss'
    {"fuss", "fuss"},  // 'uss'
    {"cities", "city"},
    {"ties", "ty"},  // 'ies'
    {"churches", "church"},
    {"boxes", "box"},  // 'hes', 'xes'
    {"prizes", "prize"},
    {"quizzes", "quizz"},  // 'izes', other 'zes'
    {"heroes", "heroes"},  // 'oes'
    {"always", "always"},
    {"ALWAYS", "ALWAYS"},  // 'always' in any case
    {"AlWays", "AlWays"},
    {"AlWaYs", "AlWaY"},  // the 'ay' test is lower-case
    {"days", "day"},
    {"trays", "tray"},            // other 'ays'
    {"not always", "not alway"},  // whole text must equal "always"
    {"cats", "cat"},
    {"two cats", "two cat"},  // anything else
};

INSTANTIATE_TEST_SUITE_P(WordForms, Singulars, ::testing::ValuesIn(kSingularCases));

// The members go through the ANSI form and leave it the only current form.
struct ValueWordCase {
  const char* name;
  std::int32_t codePage;
  bool plural;
  std::u16string text;
  std::u16string expected;
};

void PrintTo(const ValueWordCase& c, std::ostream* os) { *os << c.name; }

class WordFormsOnValues : public ::testing::TestWithParam<ValueWordCase> {};

TEST_P(WordFormsOnValues, WorkOnTheAnsiForm) {
  const ValueWordCase& c = GetParam();
  test::AnsiCodePageScope ansi(c.codePage);
  XString value = valueOf(c.text);
  if (c.plural) {
    wordforms::pluralize(value);
  } else {
    wordforms::unpluralize(value);
  }
  EXPECT_EQ(currentForms(value), c.expected.empty() ? "WAU" : "A");
  EXPECT_EQ(wideOf(value), c.expected);
}

const ValueWordCase kValueWordCases[] = {
    {"PluralAccented1252", 1252, true, u"caf\u00E9", u"caf\u00E9s"},
    {"PluralLosesGreek1252", 1252, true, u"\u03B1box", u"boxes"},
    {"SingularEmptyStaysCleared", 1252, false, u"", u""},
    {"SingularToEmpty", 1252, false, u"s", u""},
    {"PluralKanji932", 932, true, u"\u65E5\u672Cbox", u"\u65E5\u672Cboxes"},
    {"SingularKanji932", 932, false, u"\u65E5\u672Ccities", u"\u65E5\u672Ccity"},
};

INSTANTIATE_TEST_SUITE_P(WordForms, WordFormsOnValues, ::testing::ValuesIn(kValueWordCases));

// ---------------------------------------------------------------------------------------
// matchesPattern: '*' only, leftmost-first segments without backtracking, tail anchored.

struct MatchCase {
  const char* text;
  const char* pattern;
  bool caseSensitive;
  bool expected;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << "'" << c.text << "' ~ '" << c.pattern << "'" << (c.caseSensitive ? " cs" : " ci");
}

class Wildcards : public ::testing::TestWithParam<MatchCase> {};

TEST_P(Wildcards, MatchLikeTheScanner) {
  const MatchCase& c = GetParam();
  StringBuffer text(c.text);
  EXPECT_EQ(text.matchesPattern(c.pattern, c.caseSensitive), c.expected);
}

const MatchCase kMatchCases[] = {
    {"a.txt", "*.txt", true, true},
    {"a.txt.bak", "*.txt", true, false},
    {"ab", "a*b*b", true, false},  // no backtracking... and the tail needs room
    {"abb", "a*b*b", true, true},
    {"abcbd", "a*b*d", true, true},
    {"axbyb", "a*b*b", true, true},
    {"abxb", "a*b*xb", true, true},  // leftmost 'b' taken, tail anchored at the end
    {"abab", "*ab*ab", true, true},
    {"aXBXc", "a*b*c", true, false},
    {"aXBXc", "a*b*c", false, true},
    {"aXbXc", "a*X*c", true, true},
    {"", "*", true, true},
    {"", "***", true, true},
    {"", "", true, true},
    {"", "a", true, false},
    {"", "*a", true, false},
    {"abc", "", true, false},
    {"abc", "*", true, true},
    {"abc", "**", true, true},
    {"abc", "abc", true, true},
    {"abc", "ab", true, false},
    {"abc", "abcd", true, false},
    {"ABC", "abc", true, false},
    {"ABC", "abc", false, true},
    {"ABC", "a*C", false, true},
    {"ABC", "a*C", true, false},
    {"\xC3\xA9", "\xC3\x89", false, false},  // no folding beyond ASCII
    {"x\xC3\xA9y", "x*y", true, true},
    {"[", "{", false, false},  // only letters fold
    {"abc", "a*", true, true},
    {"abc", "*c", true, true},
    {"abc", "*b*", true, true},
    {"abc", "*d*", true, false},
    {"abc", "b*", true, false},
    {"abc", "a?c", true, false},  // no single-character wildcard
    {"a?c", "a?c", true, true},
    {"aaa", "a*aa", true, true},
    {"aa", "a*aa", true, false},  // head consumed 'a'; tail needs two more
};

INSTANTIATE_TEST_SUITE_P(Matching, Wildcards, ::testing::ValuesIn(kMatchCases));

TEST(WildcardValues, MatchOnTheUtf8FormAndChangeNothing) {
  XString value = valueOf(u"\u00E9t\u00E9.txt");
  EXPECT_TRUE(value.matchesPattern("*.TXT", false));
  EXPECT_FALSE(value.matchesPattern("*.TXT", true));
  EXPECT_FALSE(value.matchesPattern(nullptr, false));
  EXPECT_EQ(currentForms(value), "WU");
  EXPECT_EQ(wideOf(value), u"\u00E9t\u00E9.txt");
  XString empty;
  EXPECT_TRUE(empty.matchesPattern("*", true));
  EXPECT_TRUE(empty.matchesPattern("", true));
  EXPECT_FALSE(empty.matchesPattern("x", true));
}

}  // namespace
}  // namespace vk
