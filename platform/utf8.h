// UTF-8 one character at a time, and whole names between UTF-16 and UTF-8: the one UTF-8 coder.
// It sits on the ground floor because the native system services need it themselves (file
// names, module paths, the registry file), as a Windows program gets UTF-8 from kernel32; every
// layer above (the Unicode kernels, the engine's per-character loops, the tools) calls it too.
//
// Writing: a code point up to U+10FFFF becomes its 1- to 4-byte sequence; a surrogate value
// (a lone half of a pair) is written as the 3-byte sequence of its value, so that a UTF-16 name
// holding one still names one file and comes back unchanged.
// Reading: only well-formed sequences are read (no overlong forms, nothing above U+10FFFF);
// whether 3-byte surrogate sequences are accepted is the caller's choice.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vk::utf8 {

// Writes a code point's sequence to out[0..4); answers the number of bytes written (1 to 4).
// Inline: the engine's per-character loops call it.
inline std::size_t encode(std::uint32_t cp, std::uint8_t* out) {
  if (cp < 0x80) {
    out[0] = static_cast<std::uint8_t>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<std::uint8_t>(0xC0 | (cp >> 6));
    out[1] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<std::uint8_t>(0xE0 | (cp >> 12));
    out[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<std::uint8_t>(0xF0 | (cp >> 18));
  out[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
  return 4;
}

void append(std::string& out, std::uint32_t codePoint);

enum class Surrogates { Refuse, Accept };
// Reads one sequence at bytes[0..count): its length, with the code point in *codePoint, or 0
// when the bytes there are not a well-formed sequence (or are cut short).
std::size_t decode(const std::uint8_t* bytes, std::size_t count, std::uint32_t* codePoint,
                   Surrogates surrogates = Surrogates::Refuse);

// What a whole-text conversion does with a surrogate that is not half of a pair.
//   fromUtf16: Accept writes it by its value (see above), so that a name comes back unchanged;
//              Refuse writes U+FFFD in its place (text meant to be printed).
//   toUtf16:   Accept reads a 3-byte surrogate sequence as that unit; Refuse stops there.
// A UTF-16 text as UTF-8: a high surrogate followed by a low one is one character.
std::string fromUtf16(const char16_t* units, std::size_t count, Surrogates lone = Surrogates::Accept);
std::string fromUtf16(const std::u16string& text);
// A UTF-8 text as UTF-16. False when a byte does not start a well-formed sequence; `out` then
// holds the units read before it.
bool toUtf16(const char* bytes, std::size_t count, std::u16string* out,
             Surrogates surrogates = Surrogates::Accept);

}  // namespace vk::utf8
