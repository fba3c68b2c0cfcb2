// The one conversion entry point. UTF-16LE (code page 1200) is the hub: a source is brought
// to UTF-16 and UTF-16 to the destination. Every operation appends to the output and answers
// true when every input character was converted; characters that cannot be mapped are left
// out (never replaced) and the answer becomes false.
#pragma once
#include <cstdint>

#include "text/data_buffer.h"

namespace vk {

// Code pages the engine knows by number (Windows numbering plus two of this system's own).
namespace codepage {
constexpr std::int32_t kUtf16Le = 1200;
constexpr std::int32_t kUtf16Be = 1201;
constexpr std::int32_t kUtf7 = 65000;
constexpr std::int32_t kUtf8 = 65001;
constexpr std::int32_t kUtf32Le = 65005;
constexpr std::int32_t kUtf32Be = 65006;
constexpr std::int32_t kShiftJis = 932;
constexpr std::int32_t kKorean = 949;
constexpr std::int32_t kIso2022Jp = 50220;
constexpr std::int32_t kIso2022JpKana = 50221;
constexpr std::int32_t kIso2022JpAllow1Byte = 50222;
constexpr std::int32_t kIso2022Kr = 50225;
constexpr std::int32_t kMacArabic = 10004;
}  // namespace codepage

class EncodingConvert {
 public:
  EncodingConvert() = default;
  virtual ~EncodingConvert() = default;

  bool convert(std::int32_t sourceCodePage, std::int32_t destinationCodePage, const void* bytes,
               std::uint32_t count, DataBuffer& output);
  // Converts from the process's ANSI code page.
  bool convertFromAnsi(std::int32_t destinationCodePage, const void* bytes, std::uint32_t count,
                       DataBuffer& output);
  // Resolve a charset name (see charset_names.h) on one side; an unknown name gives false.
  bool convertFromCharset(const char* sourceCharset, std::int32_t destinationCodePage, const void* bytes,
                          std::uint32_t count, DataBuffer& output);
  bool convertToCharset(std::int32_t sourceCodePage, const char* destinationCharset, const void* bytes,
                        std::uint32_t count, DataBuffer& output);
  // Whether the engine has a converter for the code page (convertible_code_pages.cpp).
  static bool canConvert(std::int32_t codePage);

 private:
  bool convertCore(std::int32_t source, std::int32_t destination, const std::uint8_t* bytes,
                   std::uint32_t count, DataBuffer& output);

  std::int32_t sourceCodePage_ = 0;
  std::int32_t destinationCodePage_ = 0;
};

}  // namespace vk
