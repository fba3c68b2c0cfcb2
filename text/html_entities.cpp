#include "text/html_entities.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "charset/encoding_convert.h"
#include "platform/fatal.h"

namespace vk::html {

// HTML 4 entity names (and the numeric references of the characters 1252 places in 0x80-0x9F)
// with their Windows-1252 bytes. The spacing and joining characters 1252 lacks all give a
// plain space, and so does "&nbsp;".
const EntityRow kEntityRows[kEntityRowCount] = {
    {"&quot;", 34},    {"&apos;", 39},    {"&amp;", 38},     {"&lt;", 60},      {"&gt;", 62},
    {"&nbsp;", 32},    {"&iexcl;", 161},  {"&curren;", 164}, {"&cent;", 162},   {"&pound;", 163},
    {"&yen;", 165},    {"&brvbar;", 166}, {"&sect;", 167},   {"&uml;", 168},    {"&copy;", 169},
    {"&ordf;", 170},   {"&laquo;", 171},  {"&not;", 172},    {"&shy;", 173},    {"&reg;", 174},
    {"&trade;", 153},  {"&#8482;", 153},  {"&macr;", 175},   {"&deg;", 176},    {"&plusmn;", 177},
    {"&sup2;", 178},   {"&sup3;", 179},   {"&acute;", 180},  {"&micro;", 181},  {"&para;", 182},
    {"&middot;", 183}, {"&cedil;", 184},  {"&sup1;", 185},   {"&ordm;", 186},   {"&raquo;", 187},
    {"&frac14;", 188}, {"&frac12;", 189}, {"&frac34;", 190}, {"&iquest;", 191}, {"&times;", 215},
    {"&divide;", 247}, {"&Agrave;", 192}, {"&Aacute;", 193}, {"&Acirc;", 194},  {"&Atilde;", 195},
    {"&Auml;", 196},   {"&Aring;", 197},  {"&AElig;", 198},  {"&Ccedil;", 199}, {"&Egrave;", 200},
    {"&Eacute;", 201}, {"&Ecirc;", 202},  {"&Euml;", 203},   {"&Igrave;", 204}, {"&Iacute;", 205},
    {"&Icirc;", 206},  {"&Iuml;", 207},   {"&ETH;", 208},    {"&Ntilde;", 209}, {"&Ograve;", 210},
    {"&Oacute;", 211}, {"&Ocirc;", 212},  {"&Otilde;", 213}, {"&Ouml;", 214},   {"&Oslash;", 216},
    {"&Ugrave;", 217}, {"&Uacute;", 218}, {"&Ucirc;", 219},  {"&Uuml;", 220},   {"&Yacute;", 221},
    {"&THORN;", 222},  {"&szlig;", 223},  {"&agrave;", 224}, {"&aacute;", 225}, {"&acirc;", 226},
    {"&atilde;", 227}, {"&auml;", 228},   {"&aring;", 229},  {"&aelig;", 230},  {"&ccedil;", 231},
    {"&egrave;", 232}, {"&eacute;", 233}, {"&ecirc;", 234},  {"&euml;", 235},   {"&igrave;", 236},
    {"&iacute;", 237}, {"&icirc;", 238},  {"&iuml;", 239},   {"&eth;", 240},    {"&ntilde;", 241},
    {"&ograve;", 242}, {"&oacute;", 243}, {"&ocirc;", 244},  {"&otilde;", 245}, {"&ouml;", 246},
    {"&oslash;", 248}, {"&ugrave;", 249}, {"&uacute;", 250}, {"&ucirc;", 251},  {"&uuml;", 252},
    {"&yacute;", 253}, {"&thorn;", 254},  {"&yuml;", 255},   {"&OElig;", 140},  {"&#338;", 140},
    {"&oelig;", 156},  {"&#339;", 156},   {"&Scaron;", 138}, {"&#352;", 138},   {"&scaron;", 154},
    {"&#353;", 154},   {"&Yuml;", 159},   {"&#376;", 159},   {"&circ;", 136},   {"&#710;", 136},
    {"&tilde;", 152},  {"&#732;", 152},   {"&ensp;", 32},    {"&#8194;", 32},   {"&emsp;", 32},
    {"&#8195;", 32},   {"&thinsp;", 32},  {"&#8201;", 32},   {"&zwnj;", 32},    {"&#8204;", 32},
    {"&zwj;", 32},     {"&#8205;", 32},   {"&lrm;", 32},     {"&#8206;", 32},   {"&rlm;", 32},
    {"&#8207;", 32},   {"&ndash;", 150},  {"&#8211;", 150},  {"&mdash;", 151},  {"&#8212;", 151},
    {"&lsquo;", 145},  {"&#8216;", 145},  {"&rsquo;", 146},  {"&#8217;", 146},  {"&sbquo;", 130},
    {"&#8218;", 130},  {"&ldquo;", 147},  {"&#8220;", 147},  {"&rdquo;", 148},  {"&#8221;", 148},
    {"&bdquo;", 132},  {"&#8222;", 132},  {"&dagger;", 134}, {"&#8224;", 134},  {"&Dagger;", 135},
    {"&#8225;", 135},  {"&hellip;", 133}, {"&#8230;", 133},  {"&permil;", 137}, {"&#8240;", 137},
    {"&lsaquo;", 139}, {"&#8249;", 139},  {"&rsaquo;", 155}, {"&#8250;", 155},  {"&euro;", 128},
    {"&#8364;", 128},
};

namespace {

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) { return isDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int digitValue(char c) {
  if (isDecimalDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool isCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The number a scanf "%x" (base 16) or "%d" (base 10) conversion reads from [p, end): leading
// white space, an optional sign, for base 16 an optional "0x" prefix, then digits. Never reads
// at or past `end`, and stops at a NUL. Answers -1 for no conversion, a negative number, or a
// value beyond 32 bits: none of these can be a byte or a character.
std::int64_t scanNumber(const char* p, const char* end, int base) {
  auto digitOk = [base](char c) { return base == 16 ? isHexDigit(c) : isDecimalDigit(c); };
  while (p < end && isCSpace(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  if (base == 16 && end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && isHexDigit(p[2])) {
    p += 2;
  }
  if (p >= end || !digitOk(*p)) return -1;
  std::int64_t value = 0;
  bool overflow = false;
  for (; p < end && digitOk(*p); ++p) {
    if (!overflow) {
      value = value * base + digitValue(*p);
      if (value > 0xFFFFFFFFll) overflow = true;
    }
  }
  if (overflow) return -1;
  if (negative && value != 0) return -1;
  return value;
}

// Ends a decoding pass that wrote its output over the text: when at least one reference was
// decoded the text ends where the output does (what followed a NUL is gone with it);
// otherwise the text stands as it was.
std::int32_t finishPass(StringBuffer& text, std::int64_t written, std::int32_t count) {
  if (count > 0) text.dropLast(text.length() - written);
  return count;
}

}  // namespace

namespace {

// The four replacements in one pass: no replacement text holds a character that a later
// replacement looks for, so mapping each byte at once gives what the four passes in turn
// ("&" first, then "<", ">" and '"') give.
const char* entityFor(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return nullptr;
  }
}

// The length of [text, end) once encoded.
std::size_t encodedLength(const char* text, const char* end) {
  std::size_t total = static_cast<std::size_t>(end - text);
  for (const char* p = text; p < end; ++p) {
    if (const char* entity = entityFor(*p)) total += std::strlen(entity) - 1;
  }
  return total;
}

}  // namespace

// The output block is sized exactly beforehand and filled through a small local chunk, so
// long texts cost a few operations per byte.
void encodeEntities(const char* text, std::size_t length, StringBuffer& output) {
  const char* nul = static_cast<const char*>(std::memchr(text, 0, length));
  const char* end = nul ? nul : text + length;
  std::size_t total = encodedLength(text, end);
  if (total >= static_cast<std::size_t>(INT32_MAX)) capacityExceeded("StringBuffer size exceeds 32 bits");
  output.reserve(static_cast<std::int32_t>(total));
  char chunk[8192];
  std::size_t used = 0;
  for (const char* p = text; p < end; ++p) {
    if (const char* entity = entityFor(*p)) {
      std::size_t n = std::strlen(entity);
      std::memcpy(chunk + used, entity, n);
      used += n;
    } else {
      chunk[used++] = *p;
    }
    if (used > sizeof chunk - 8) {
      output.appendBytes(chunk, static_cast<std::int64_t>(used));
      used = 0;
    }
  }
  output.appendBytes(chunk, static_cast<std::int64_t>(used));
}

// In the text's own block, grown to the encoded length and filled from the back: the writing
// position stays ahead of the reading one by the room still owed to the entities in front of
// it, so no byte is overwritten before it is read. A large text is so neither copied nor
// given a fresh block; only the room the entities add is new memory.
void encodeEntities(StringBuffer& text) {
  const char* start = text.text();
  const char* nul = static_cast<const char*>(std::memchr(start, 0, static_cast<std::size_t>(text.length())));
  const std::size_t length =
      nul ? static_cast<std::size_t>(nul - start) : static_cast<std::size_t>(text.length());
  const std::size_t total = encodedLength(start, start + length);
  if (total >= static_cast<std::size_t>(INT32_MAX)) capacityExceeded("StringBuffer size exceeds 32 bits");
  text.dropLast(static_cast<std::int64_t>(text.length() - length));
  text.reserve(static_cast<std::int32_t>(total - length));
  char* bytes = text.data();
  char* write = bytes + total;
  for (const char* read = bytes + length; read > bytes;) {
    char c = *--read;
    if (const char* entity = entityFor(c)) {
      std::size_t n = std::strlen(entity);
      write -= n;
      std::memcpy(write, entity, n);
    } else {
      *--write = c;
    }
  }
  text.setLength(static_cast<std::int32_t>(total));
}

void decodeEntities(StringBuffer& text) {
  // Every step needs an '&' to act on, and none of them creates one where there was none.
  if (std::strchr(text.text(), '&') == nullptr) return;
  text.replaceAll("&lt;", "<");
  text.replaceAll("&gt;", ">");
  text.replaceAll("&apos;", "'");
  text.replaceAll("&quot;", "\"");
  for (const EntityRow& row : kEntityRows) { text.replaceAllWithByte(row.reference, row.byte); }
  text.replaceAll("&amp;", "&");
  decodeHexByteReferences(text);
  decodeDecimalByteReferences(text);
}

std::int32_t decodeHexByteReferences(StringBuffer& text) {
  const std::int64_t n = text.length();
  if (n < 5) return 0;
  // A reference gives at most one byte for at least four, so the output is written over the
  // text behind the scan, which reads only at and after i.
  char* t = text.data();
  const char* end = t + n;
  std::int64_t out = 0;
  std::int32_t count = 0;
  std::int64_t i = 0;
  while (i < n && t[i] != 0) {
    char c = t[i];
    // An '&' with at least four bytes after it can start "&#xH;": i + 4 is inside the text.
    if (c == '&' && i < n - 4 && t[i + 1] == '#' && t[i + 2] == 'x') {
      std::int64_t value = scanNumber(t + i + 3, end, 16);
      if (value >= 1 && value <= 255) {
        std::int64_t digits = isHexDigit(t[i + 4]) ? 2 : 1;
        std::int64_t byte = scanNumber(t + i + 3, t + i + 3 + digits, 16);
        ++count;
        if (byte > 0) t[out++] = static_cast<char>(byte & 0xFF);
        // The byte after the digits (normally ';') goes too.
        i += 3 + digits + 1;
        continue;
      }
    }
    t[out++] = c;
    ++i;
  }
  return finishPass(text, out, count);
}

std::int32_t decodeDecimalByteReferences(StringBuffer& text) {
  const std::int64_t n = text.length();
  if (n <= 3) return 0;
  // As in the hexadecimal pass, the output is written over the text behind the scan.
  char* t = text.data();
  const char* end = t + n;
  std::int64_t out = 0;
  std::int32_t count = 0;
  std::int64_t i = 0;
  while (i < n && t[i] != 0) {
    char c = t[i];
    // Below n - 3, so i + 2 and i + 3 are inside the text; i + 4 is checked.
    if (c == '&' && i < n - 3 && t[i + 1] == '#') {
      std::int64_t value = scanNumber(t + i + 2, end, 10);
      // 255 is left for the Unicode pass.
      if (value >= 1 && value <= 254) {
        std::int64_t stop = i + 3;
        if (i + 3 < n && isDecimalDigit(t[i + 3])) {
          stop = i + 4;
          if (i + 4 < n && isDecimalDigit(t[i + 4])) stop = i + 5;
        }
        std::int64_t byte = scanNumber(t + i + 2, t + stop, 10);
        ++count;
        if (byte > 0) t[out++] = static_cast<char>(byte & 0xFF);
        i = stop + 1;
        continue;
      }
    }
    t[out++] = c;
    ++i;
  }
  return finishPass(text, out, count);
}

namespace {

// The output side of decodeNumericReferences: a pending run of plain UTF-8 bytes (a range of
// the source) and a pending run of decoded UTF-16 units, written in that order.
class ReferenceWriter {
 public:
  ReferenceWriter(const char* source, std::int32_t targetCodePage, DataBuffer& output)
      : source_(source), target_(targetCodePage), output_(output) {}

  void addPlain(std::size_t at) {
    if (plainEnd_ == plainBegin_) plainBegin_ = at;
    plainEnd_ = at + 1;
  }

  void addUnit(char16_t unit) { units_.push_back(unit); }

  // Writes source bytes [from, to) as they stood.
  void writeVerbatim(std::size_t from, std::size_t to) {
    flush();
    writeUtf8(source_ + from, to - from);
  }

  void flush() {
    if (plainEnd_ > plainBegin_) writeUtf8(source_ + plainBegin_, plainEnd_ - plainBegin_);
    plainBegin_ = plainEnd_ = 0;
    if (!units_.empty()) {
      EncodingConvert().convert(codepage::kUtf16Le, target_, units_.data(),
                                static_cast<std::uint32_t>(units_.size() * 2), output_);
      units_.clear();
    }
  }

 private:
  void writeUtf8(const char* bytes, std::size_t count) {
    if (count == 0) return;
    if (target_ == codepage::kUtf8) {
      output_.append(bytes, count);
    } else {
      EncodingConvert().convert(codepage::kUtf8, target_, bytes, static_cast<std::uint32_t>(count), output_);
    }
  }

  const char* source_;
  std::int32_t target_;
  DataBuffer& output_;
  std::size_t plainBegin_ = 0;
  std::size_t plainEnd_ = 0;
  std::u16string units_;
};

}  // namespace

void decodeNumericReferences(const char* text, std::size_t length, std::int32_t targetCodePage,
                             DataBuffer& output) {
  if (text == nullptr) return;
  const char* nul = static_cast<const char*>(std::memchr(text, 0, length));
  const std::size_t n = nul ? static_cast<std::size_t>(nul - text) : length;
  ReferenceWriter writer(text, targetCodePage, output);
  bool afterReference = false;
  std::size_t i = 0;
  while (i < n) {
    if (text[i] != '&') {
      if (afterReference) writer.flush();
      afterReference = false;
      writer.addPlain(i);
      ++i;
      continue;
    }
    afterReference = false;
    if (i + 1 >= n || text[i + 1] != '#') {
      writer.writeVerbatim(i, i + 1);
      ++i;
      continue;
    }
    std::size_t j = i + 2;
    bool hex = j < n && (text[j] == 'x' || text[j] == 'X');
    if (hex) ++j;
    const std::size_t digitsStart = j;
    std::uint32_t value = 0;
    while (j < n && j - digitsStart < 6 && (hex ? isHexDigit(text[j]) : isDecimalDigit(text[j]))) {
      value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digitValue(text[j]));
      ++j;
    }
    const std::size_t digits = j - digitsStart;
    // Six digits abandon the reference; five at most give a value below 0x100000.
    bool decoded = digits > 0 && digits < 6 && j < n && text[j] == ';' && value != 0;
    if (!decoded) {
      writer.writeVerbatim(i, j);
      i = j;
      continue;
    }
    if (value > 0xFFFF) {
      value -= 0x10000;
      writer.addUnit(static_cast<char16_t>(0xD800 + (value >> 10)));
      writer.addUnit(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    } else {
      writer.addUnit(static_cast<char16_t>(value));
    }
    afterReference = true;
    i = j + 1;
  }
  writer.flush();
}

}  // namespace vk::html
