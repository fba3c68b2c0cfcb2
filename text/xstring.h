// The text value: one text held in up to three forms at once — UTF-16LE (the wide form), the
// process's ANSI code page and UTF-8 — each with a flag saying whether it is current. A form
// is produced from another only when an operation needs it; each editing operation works on
// exactly one form and marks the others stale. Which form an operation uses is part of its
// behaviour: the ANSI form cannot hold every character, and conversion to it leaves out the
// characters its code page lacks.
#pragma once
#include <cstdint>

#include "platform/automation_string.h"
#include "text/data_buffer.h"
#include "text/string_buffer.h"
#include "text/velkor_object.h"

namespace vk {

class XString : public VelkorObject {
 public:
  XString();
  XString(const XString& other);
  XString& operator=(const XString& other);
  ~XString() override = default;

  // Wholesale replacement.
  void clear();
  // `count` units; embedded zero units stay. Null or 0 clears.
  void setFromWide(const OLECHAR* units, std::uint32_t count);
  // A zero-terminated wide string; null or empty clears.
  void setFromWide(const OLECHAR* units);
  // A BSTR with its own length; null is empty.
  void setFromBstr(BSTR text);
  void setFromAnsi(const char* text);
  void setFromUtf8(const char* text);
  // Exactly `count` bytes; a null pointer or a first byte of 0 clears.
  void setFromUtf8(const char* bytes, std::uint32_t count);
  void copyFrom(const XString& other);
  // Exchanges the two values (all forms and flags); allocates nothing, so it cannot fail.
  void swap(XString& other);
  // Takes an already built UTF-8 text as the value, with the outcome of
  // setFromUtf8(built's bytes, built's length), but by taking over the buffer's block instead
  // of copying it; `built` continues empty.
  void adoptUtf8(StringBuffer& built);
  void adoptUtf8(DataBuffer& built);

  // Reading. Each makes its form current first.
  // The wide form with its terminating zero unit.
  const DataBuffer& getWide();
  const char* getAnsi();
  const char* getUtf8();
  StringBuffer& utf8Buffer();
  StringBuffer& ansiBuffer();
  // A new automation string of the wide form without its terminator; never null.
  BSTR toWideString();
  // Bytes of the ANSI form when it is current, else UTF-16 units.
  std::int32_t length();
  std::int32_t utf8Length();
  // UTF-16 index of the first occurrence of the UTF-8 needle, or -1.
  std::int32_t indexOf(const char* needle);
  // Whether the text converts to the ANSI code page without loss (cached).
  bool isAnsiExact();
  bool equalsAnsiNoCase(const char* text);

  // Appending; each makes its own form current and marks the other two stale.
  void appendAnsi(const char* text);
  void appendUtf8(const char* text);
  void appendUtf8Bytes(const char* bytes, std::uint32_t count);
  void appendWide(const OLECHAR* units);
  void appendWideUnits(const OLECHAR* units, std::uint32_t count);
  void appendValue(XString& other);

  // Editing and searching on the form each operation names.
  void trim();
  void trim2();
  void trimInside();
  std::int32_t replaceAll(const char* find, const char* with);
  bool replaceFirst(const char* find, const char* with);
  bool contains(const char* needle);
  bool beginsWith(const char* prefix);
  bool endsWith(const char* suffix);
  // The UTF-8 form against a '*' wildcard pattern (pattern_match.cpp); changes no flags.
  bool matchesPattern(const char* pattern, bool caseSensitive);
  void shorten(std::int32_t n);
  void removeAnsiChar(std::int32_t c);
  void replaceAnsiChar(std::int32_t c1, std::int32_t c2);
  // Keeps `count` units of the wide form from unit `first` (clamped to the form), moved down in
  // place; afterwards only the wide form is current.
  void keepWideUnits(std::uint32_t first, std::uint32_t count);
  std::uint8_t ansiCharAt(std::int32_t i);
  std::uint8_t lastAnsiChar();

  // Form state, for the members that need to know and for tests.
  bool isWideCurrent() const { return wideCurrent_; }
  bool isAnsiCurrent() const { return ansiCurrent_; }
  bool isUtf8Current() const { return utf8Current_; }
  std::int32_t ansiExactness() const { return ansiExactness_; }
  bool isEmpty() const;

  // After an edit of one form: that form alone is current and the cached answer is reset.
  void markOnlyWideCurrent();
  void markOnlyAnsiCurrent();
  void markOnlyUtf8Current();

 private:
  enum class Form { Wide, Ansi, Utf8 };

  bool& currentFlag(Form form);
  void makeCurrent(Form form, Form first, Form second);
  void makeWideCurrent();
  void makeAnsiCurrent();
  void makeUtf8Current();
  template <typename Edit>
  void editAnsi(Edit edit);
  template <typename Edit>
  void editUtf8(Edit edit);
  // Converts `from` into `to` (replacing `to` wholesale); answers the conversion's result.
  bool produce(Form from, Form to);
  void dropWideTerminator();

  std::int32_t ansiExactness_ = 0;  // 0 unknown, 1 exact, 2 lossy
  bool wideCurrent_ = true;
  bool ansiCurrent_ = true;
  bool utf8Current_ = true;
  DataBuffer wideForm_;
  StringBuffer ansiForm_;
  StringBuffer utf8Form_;
};

}  // namespace vk
