#include "charset/encoding_convert.h"

#include <algorithm>
#include <cstring>

#include "charset/ansi_text_converter.h"
#include "charset/charset_names.h"
#include "charset/code_pages.h"
#include "charset/iso2022_hooks.h"
#include "charset/mac_arabic.h"
#include "charset/table_convert.h"
#include "charset/table_store.h"
#include "charset/unicode_forms.h"
#include "platform/code_page.h"
#include "platform/fatal.h"
#include "platform/utf8.h"

namespace vk {
namespace {

using codepage::kUtf16Be;
using codepage::kUtf16Le;
using codepage::kUtf32Be;
using codepage::kUtf32Le;
using codepage::kUtf7;
using codepage::kUtf8;

// Output estimates are computed in 64 bits and capped so that an estimate never overflows;
// the buffers themselves refuse sizes beyond 32 bits.
void reserveAhead(DataBuffer& output, std::uint64_t extra) {
  std::uint64_t wanted = std::uint64_t{output.length()} + extra;
  if (wanted > 0x7FFFFFFFu) return;  // let growth on demand decide
  output.ensureCapacity(static_cast<std::uint32_t>(wanted));
}

bool isIso2022Jp(std::int32_t cp) {
  return cp == codepage::kIso2022Jp || cp == codepage::kIso2022JpKana || cp == codepage::kIso2022JpAllow1Byte;
}

// ISO-2022 and HZ-GB-2312 travel as byte transforms around a multi-byte table page (932, 949,
// 936); the code-page list says which.
bool isByteTransformed(std::int32_t cp) {
  const CodePageRow* row = codePageRow(cp);
  return row != nullptr && row->converter == Converter::kTransform;
}

// The code page a byte-transformed code page is carried over.
std::int32_t carrierOf(std::int32_t cp) { return codePageRow(cp)->tablePage; }

// Appends the byte pairs of `bytes` with the two bytes of each pair exchanged; a final odd
// byte is dropped.
void appendSwappedPairs(const std::uint8_t* bytes, std::uint32_t count, DataBuffer& output) {
  std::uint32_t pairs = count / 2;
  if (pairs == 0) return;
  std::uint32_t start = output.length();
  // Summed in 64 bits: in 32 the sum could wrap to a small size, and the loop below would
  // write past the block.
  const std::uint64_t end = std::uint64_t{start} + std::uint64_t{pairs} * 2;
  if (end > UINT32_MAX) capacityExceeded("conversion output exceeds 32 bits");
  output.ensureCapacity(static_cast<std::uint32_t>(end));
  output.setLength(static_cast<std::uint32_t>(end));
  std::uint8_t* out = output.data() + start;
  for (std::uint32_t i = 0; i < pairs; ++i) {
    out[2 * i] = bytes[2 * i + 1];
    out[2 * i + 1] = bytes[2 * i];
  }
}

}  // namespace

bool EncodingConvert::convert(std::int32_t sourceCodePage, std::int32_t destinationCodePage,
                              const void* input, std::uint32_t count, DataBuffer& output) {
  sourceCodePage_ = sourceCodePage;
  destinationCodePage_ = destinationCodePage;
  const auto* bytes = static_cast<const std::uint8_t*>(input);
  if (bytes == nullptr) count = 0;

  if (destinationCodePage == 0 || destinationCodePage == sourceCodePage) {
    output.append(bytes, count);
    return true;
  }

  // Source preparation.
  DataBuffer prepared;
  const Iso2022Transforms* iso2022 = iso2022Transforms();
  if (sourceCodePage == codepage::kMacArabic) {
    prepared = reorderMacArabic(bytes, count);
    bytes = prepared.data();
    count = prepared.length();
  } else if (iso2022 != nullptr && isByteTransformed(sourceCodePage)) {
    auto decode = isIso2022Jp(sourceCodePage)              ? iso2022->fromIso2022Jp
                  : sourceCodePage == codepage::kIso2022Kr ? iso2022->fromIso2022Kr
                                                           : iso2022->fromHz;
    decode(bytes, count, prepared);
    if (prepared.length() == 0) return true;
    return EncodingConvert().convert(carrierOf(sourceCodePage), destinationCodePage, prepared.data(),
                                     prepared.length(), output);
  }

  // Destination dispatch.
  if (destinationCodePage == kUtf16Be) {
    // The byte order changes nothing about what the source held: a source that did not convert
    // whole reports false here as it does for little-endian UTF-16.
    DataBuffer wide;
    bool converted = convertCore(sourceCodePage, kUtf16Le, bytes, count, wide);
    if (wide.length() >= 2) appendSwappedPairs(wide.data(), wide.length(), output);
    return converted;
  }
  if (iso2022 != nullptr && isByteTransformed(destinationCodePage)) {
    auto encode = isIso2022Jp(destinationCodePage)              ? iso2022->toIso2022Jp
                  : destinationCodePage == codepage::kIso2022Kr ? iso2022->toIso2022Kr
                                                                : iso2022->toHz;
    DataBuffer native;
    bool result = convertCore(sourceCodePage, carrierOf(destinationCodePage), bytes, count, native);
    // A character that the carrier has but the 7-bit form cannot carry is left out too.
    if (native.length() > 0 && !encode(native.data(), native.length(), output)) result = false;
    return result;
  }
  if (destinationCodePage == kUtf7) {
    DataBuffer wide;
    if (!convertCore(sourceCodePage, kUtf16Le, bytes, count, wide)) return false;
    utf7Encode(wide.data(), wide.length(), output);
    return true;
  }
  if (destinationCodePage == kUtf32Le || destinationCodePage == kUtf32Be) {
    DataBuffer utf8;
    if (!convertCore(sourceCodePage, kUtf8, bytes, count, utf8)) return false;
    return utf8ToUtf32(utf8.data(), utf8.length(), output, destinationCodePage == kUtf32Be);
  }
  return convertCore(sourceCodePage, destinationCodePage, bytes, count, output);
}

bool EncodingConvert::convertCore(std::int32_t source, std::int32_t destination, const std::uint8_t* bytes,
                                  std::uint32_t count, DataBuffer& output) {
  if (count == 0) return true;

  // Byte-order marks and the byte order of the source.
  bool bigEndianUtf16 = false;
  bool utf16BeReadAsLittle = false;
  if (source == kUtf16Le || source == kUtf16Be) {
    bool markBe = count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    bool markLe = count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    if (source == kUtf16Le) {
      bigEndianUtf16 = markBe;
    } else {
      bigEndianUtf16 = !markLe;
      utf16BeReadAsLittle = markLe;
    }
    if (markBe || markLe) {
      if (count == 2) return true;
      bytes += 2;
      count -= 2;
    }
  } else if (source == kUtf8 && count > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    if (count == 3) return true;
    bytes += 3;
    count -= 3;
  }

  if (source == destination) {
    if (source == kUtf16Le && bigEndianUtf16) {
      appendSwappedPairs(bytes, count, output);
    } else {
      output.append(bytes, count);
    }
    return true;
  }

  // Bring the source to UTF-16LE or UTF-8.
  DataBuffer staged;
  if (source == kUtf7) {
    reserveAhead(staged, std::uint64_t{count} * 2);
    utf7Decode(bytes, count, staged);  // its result flag is not passed on
    source = kUtf16Le;
    bytes = staged.data();
    count = staged.length();
  } else if (source == kUtf32Le) {
    utf32ToUtf8(bytes, count, staged);  // likewise
    source = kUtf8;
    bytes = staged.data();
    count = staged.length();
  } else if (source == kUtf32Be) {
    if (count < 4) return true;
    DataBuffer little;
    little.append(bytes, count & ~3u);
    std::uint8_t* p = little.data();
    for (std::uint32_t i = 0; i + 4 <= little.length(); i += 4) {
      std::swap(p[i], p[i + 3]);
      std::swap(p[i + 1], p[i + 2]);
    }
    utf32ToUtf8(little.data(), little.length(), staged);
    source = kUtf8;
    bytes = staged.data();
    count = staged.length();
  } else if (utf16BeReadAsLittle) {
    source = kUtf16Le;
  } else if (source == kUtf16Be || (source == kUtf16Le && bigEndianUtf16)) {
    if (count < 2) return true;
    appendSwappedPairs(bytes, count, staged);
    source = kUtf16Le;
    bytes = staged.data();
    count = staged.length();
  }

  if (source == kUtf16Le) {
    if (destination == kUtf16Le) {
      output.append(bytes, count);
      return true;
    }
    if (destination == kUtf8) {
      reserveAhead(output, std::uint64_t{count} * 3 / 2 + 4);
      return utf16ToUtf8(bytes, count, output);
    }
    return utf16ToTable(destination, bytes, count, output);
  }
  if (destination == kUtf16Le) {
    if (source == kUtf8) {
      reserveAhead(output, std::uint64_t{count} * 2);
      return utf8ToUtf16(bytes, count, output);
    }
    return tableToUtf16(source, bytes, count, output);
  }
  if (source == kUtf8 && destination == kUtf8) return reencodeUtf8(bytes, count, output);

  if (destination == kUtf8) return tableToUtf8(source, bytes, count, output);
  if (source == kUtf8) return utf8ToTable(destination, bytes, count, output);

  DataBuffer wide;
  reserveAhead(wide, std::uint64_t{count} * 2 + 4);
  tableToUtf16(source, bytes, count, wide);
  return utf16ToTable(destination, wide.data(), wide.length(), output);
}

bool EncodingConvert::convertFromAnsi(std::int32_t destinationCodePage, const void* bytes,
                                      std::uint32_t count, DataBuffer& output) {
  return convert(platform::ansiCodePage(), destinationCodePage, bytes, count, output);
}

bool EncodingConvert::convertFromCharset(const char* sourceCharset, std::int32_t destinationCodePage,
                                         const void* bytes, std::uint32_t count, DataBuffer& output) {
  std::int32_t source = charsetToCodePage(sourceCharset);
  if (source == 0) return false;
  return convert(source, destinationCodePage, bytes, count, output);
}

bool EncodingConvert::convertToCharset(std::int32_t sourceCodePage, const char* destinationCharset,
                                       const void* bytes, std::uint32_t count, DataBuffer& output) {
  std::int32_t destination = charsetToCodePage(destinationCharset);
  if (destination == 0) return false;
  return convert(sourceCodePage, destination, bytes, count, output);
}

// The native system services convert ANSI file names with the engine's tables from the start
// of the process (this file is part of every program that converts).
[[maybe_unused]] const bool kAnsiTextConverterInstalled = installAnsiTextConverter();

}  // namespace vk
