#include "tools/vkstring/convert.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "charset/charset_names.h"
#include "charset/checked_convert.h"
#include "charset/encoding_convert.h"
#include "charset/japanese.h"
#include "charset/stateful_checks.h"
#include "platform/utf8.h"
#include "text/data_buffer.h"

namespace vk::cli {

void complain(const std::string& message) { std::fprintf(stderr, "vkstring: %s\n", message.c_str()); }

namespace {

constexpr std::uint32_t kBlockBytes = 2u << 20;  // read size of a streamed input
// A character or escape of any charset the engine converts is at most this long, so a prefix
// ending within this distance before a failure always includes a character boundary.
constexpr std::uint32_t kLongestSequence = 8;
constexpr std::int32_t kHz = 52936;  // HZ-GB-2312

bool isUtf16(std::int32_t cp) { return cp == codepage::kUtf16Le || cp == codepage::kUtf16Be; }
bool isUtf32(std::int32_t cp) { return cp == codepage::kUtf32Le || cp == codepage::kUtf32Be; }
std::uint32_t unitBytes(std::int32_t cp) { return isUtf16(cp) ? 2 : isUtf32(cp) ? 4 : 1; }

// Charsets whose converter keeps no state between characters, so that an input cut on a
// character boundary converts block by block to the same bytes as in one piece: the Unicode
// forms, the single-byte and DBCS tables (Windows numbers below 50000) and the EUC forms.
// ISO-2022, HZ, UTF-7, GB18030 and ISCII are read whole, and so is Mac Arabic, whose runs
// of digits are reordered before conversion.
bool isStateless(std::int32_t cp) {
  if (cp == codepage::kUtf8 || isUtf32(cp)) return true;
  if (cp == codepage::kMacArabic) return false;
  return cp < 50000 || cp == 51932 || cp == 51936 || cp == 51949;
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values above
// U+10FFFF). The engine leaves such bytes out without saying so, so they are checked here.
bool isWellFormedUtf8(const std::uint8_t* s, std::uint32_t count) {
  std::uint32_t i = 0;
  while (i < count) {
    if (count - i >= 8) {  // ASCII eight bytes at a time
      std::uint64_t word;
      std::memcpy(&word, s + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    unsigned b = s[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::uint32_t len = b >= 0xC2 && b <= 0xDF   ? 2
                        : b >= 0xE0 && b <= 0xEF ? 3
                        : b >= 0xF0 && b <= 0xF4 ? 4
                                                 : 0;
    if (len == 0 || i + len > count) return false;
    unsigned second = s[i + 1];
    unsigned low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    unsigned high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    if (second < low || second > high) return false;
    for (std::uint32_t k = 2; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

// Whether UTF-16 units pair every surrogate (the engine passes a lone one through). A leading
// byte-order mark may announce the other byte order, as the engine reads it.
bool isWellFormedUtf16(std::int32_t cp, const std::uint8_t* bytes, std::uint32_t count) {
  bool bigEndian = cp == codepage::kUtf16Be;
  if (count >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    bigEndian = bytes[0] == 0xFE;
  }
  int high = bigEndian ? 0 : 1;  // index of the high byte in a unit
  for (std::uint32_t i = 0; i + 1 < count; i += 2) {
    unsigned top = bytes[i + high];
    if ((top & 0xF8) != 0xD8) continue;
    bool paired = (top & 0xFC) == 0xD8 && i + 3 < count && (bytes[i + 2 + high] & 0xFC) == 0xDC;
    if (!paired) return false;
    i += 2;
  }
  return (count & 1) == 0;
}

// Per code page, the bytes that convert on their own. A text of such bytes alone is valid in
// any table charset (a pair is tried first, and a byte that is not one converts alone), which
// saves the checking conversion on most single-byte texts.
const std::array<bool, 256>& bytesValidAlone(std::int32_t cp) {
  static std::map<std::int32_t, std::array<bool, 256>> known;
  auto found = known.find(cp);
  if (found != known.end()) return found->second;
  std::array<bool, 256> valid{};
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<std::uint8_t>(b);
    DataBuffer wide;
    valid[b] = EncodingConvert().convert(cp, codepage::kUtf16Le, &byte, 1, wide);
  }
  return known.emplace(cp, valid).first->second;
}

// Whether UTF-32 units are all characters (the engine's reader does not say).
bool isWellFormedUtf32(std::int32_t cp, const std::uint8_t* bytes, std::uint32_t count) {
  for (std::uint32_t i = 0; i + 4 <= count; i += 4) {
    std::uint32_t value =
        cp == codepage::kUtf32Le
            ? bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | std::uint32_t{bytes[i + 3]} << 24
            : std::uint32_t{bytes[i]} << 24 | bytes[i + 1] << 16 | bytes[i + 2] << 8 | bytes[i + 3];
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  }
  return count % 4 == 0;
}

// The source decoded into UTF-8 as LoadFile decodes it; a UTF-8 source is taken as it is and
// only checked. Answers whether every character was valid.
bool decode(std::int32_t from, const std::uint8_t* bytes, std::uint32_t count, DataBuffer& utf8) {
  if (from == codepage::kUtf8) {
    utf8.append(bytes, count);
    return isWellFormedUtf8(bytes, count);
  }
  EncodingConvert().convert(from, codepage::kUtf8, bytes, count, utf8);
  if (isUtf32(from)) return isWellFormedUtf32(from, bytes, count);
  // The ISO-2022-JP reader swallows unknown escapes without a word.
  bool iso2022Jp = from == codepage::kIso2022Jp || from == codepage::kIso2022JpKana ||
                   from == codepage::kIso2022JpAllow1Byte;
  if (iso2022Jp && Japanese::firstMalformedIso2022Jp(bytes, count) != count) return false;
  // So do the ISO-2022-KR, HZ and UTF-7 readers: a stray escape, a byte without its partner,
  // a broken base64 run.
  if (from == codepage::kIso2022Kr && firstMalformedIso2022Kr(bytes, count) != count) return false;
  if (from == kHz && firstMalformedHz(bytes, count) != count) return false;
  if (from == codepage::kUtf7) return firstMalformedUtf7(bytes, count) == count;
  // The table decoders into UTF-8 do not say when they leave a byte out; those into UTF-16
  // do, so the answer comes from that conversion.
  if (isUtf16(from)) return isWellFormedUtf16(from, bytes, count);
  if (isStateless(from)) {
    const std::array<bool, 256>& alone = bytesValidAlone(from);
    if (std::all_of(bytes, bytes + count, [&](std::uint8_t b) { return alone[b]; })) return true;
  }
  DataBuffer wide;
  return EncodingConvert().convert(from, codepage::kUtf16Le, bytes, count, wide);
}

// LoadFile + SaveToFile on a piece of input: decoded into UTF-8, then written in `to`.
bool convertPiece(std::int32_t from, std::int32_t to, const std::uint8_t* bytes, std::uint32_t count,
                  DataBuffer& output) {
  if (to == codepage::kUtf8) return decode(from, bytes, count, output);
  if (from == codepage::kUtf8) {
    bool encoded = EncodingConvert().convert(from, to, bytes, count, output);
    return isWellFormedUtf8(bytes, count) && encoded;
  }
  DataBuffer utf8;
  bool decoded = decode(from, bytes, count, utf8);
  bool encoded = EncodingConvert().convert(codepage::kUtf8, to, utf8.data(), utf8.length(), output);
  return decoded && encoded;
}

bool converts(std::int32_t from, std::int32_t to, const std::uint8_t* bytes, std::uint32_t count) {
  DataBuffer scratch;
  return convertPiece(from, to, bytes, count, scratch);
}

// Whether some prefix ending at `end` or up to kLongestSequence - 1 bytes before it converts:
// true up to a failure, false from kLongestSequence bytes past it.
bool convertsNear(std::int32_t from, std::int32_t to, const std::uint8_t* bytes, std::uint32_t end) {
  for (std::uint32_t back = 0; back < kLongestSequence && back <= end; ++back) {
    if (converts(from, to, bytes, end - back)) return true;
  }
  return false;
}

// The code point of the UTF-8 sequence at `s` (the character a target lacks), -1 if none.
std::int32_t codePointAt(const std::uint8_t* s, std::uint32_t n) {
  std::uint32_t codePoint = 0;
  if (utf8::decode(s, n, &codePoint, utf8::Surrogates::Accept) == 0) return -1;
  return static_cast<std::int32_t>(codePoint);
}

std::string hexBytes(const std::uint8_t* bytes, std::uint32_t count) {
  std::string text;
  char piece[8];
  for (std::uint32_t i = 0; i < count; ++i) {
    std::snprintf(piece, sizeof piece, "%s0x%02X", i > 0 ? " " : "", bytes[i]);
    text += piece;
  }
  return text;
}

#ifdef _WIN32
long sysRead(int fd, void* into, std::uint32_t count) { return _read(fd, into, count); }
long sysWrite(int fd, const void* bytes, std::uint32_t count) { return _write(fd, bytes, count); }
#else
long sysRead(int fd, void* into, std::uint32_t count) { return static_cast<long>(::read(fd, into, count)); }
long sysWrite(int fd, const void* bytes, std::uint32_t count) {
  return static_cast<long>(::write(fd, bytes, count));
}
#endif

// Reads up to `count` bytes, retrying after interruptions; answers the count read (short
// only at the end of the input), or -1 on an error.
long readFully(int fd, std::uint8_t* into, std::uint32_t count) {
  std::uint32_t got = 0;
  while (got < count) {
    long n = sysRead(fd, into + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::uint32_t>(n);
  }
  return static_cast<long>(got);
}

bool writeFully(int fd, const std::uint8_t* bytes, std::uint32_t count) {
  while (count > 0) {
    long n = sysWrite(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<std::uint32_t>(n);
  }
  return true;
}

// One conversion run: the output, the place in the input for messages, the omitted count.
// Input is read with read(2) in blocks of kBlockBytes and each block's output written with
// one write(2); a clean block of a common pair converts in one checked pass, and a block
// with a fault goes through the engine again to find and report it.
class Converter {
 public:
  Converter(const ConvertOptions& options, std::int32_t from, std::int32_t to, int out)
      : options_(options), from_(from), to_(to), out_(out), checked_(from, to) {}

  // Converts one input; answers the exit code.
  int convertInput(const std::string& name) {
    bool standardInput = name.empty() || name == "-";
    label_ = standardInput ? "(standard input)" : name;
    std::FILE* in = standardInput ? stdin : std::fopen(name.c_str(), "rb");
    if (in == nullptr) {
      complain("cannot open \"" + name + "\": " + std::strerror(errno));
      return 7;
    }
    offset_ = 0;
    lines_ = 0;
    int code = convertStream(fileno(in));
    if (!standardInput) std::fclose(in);
    return code;
  }

  std::uint64_t omitted() const { return omitted_; }

 private:
  int convertStream(int fd) {
    bool stream = isStateless(from_) && isStateless(to_);
    std::vector<std::uint8_t> block;
    std::size_t kept = 0;  // bytes of the block carried from the last read
    bool atEnd = false;
    while (!atEnd) {
      if (block.size() < kept + kBlockBytes) block.resize(kept + kBlockBytes);
      long got = readFully(fd, block.data() + kept, kBlockBytes);
      if (got < 0) {
        complain("cannot read " + label_ + ": " + std::strerror(errno));
        return 7;
      }
      kept += static_cast<std::size_t>(got);
      atEnd = got < static_cast<long>(kBlockBytes);
      if (!stream && !atEnd) continue;  // a stateful charset is converted in one piece
      auto count = static_cast<std::uint32_t>(kept);
      std::uint32_t cut = atEnd ? count : safeCut(from_, block.data(), count, false);
      if (cut == 0 && !atEnd) continue;  // no boundary yet: read on
      int code = convertBlock(block.data(), cut);
      if (code != 0) return code;
      std::memmove(block.data(), block.data() + cut, count - cut);
      kept = count - cut;
    }
    return 0;
  }

  int convertBlock(const std::uint8_t* bytes, std::uint32_t count) {
    DataBuffer& output = output_;
    output.clear();  // the block is reused: its pages stay mapped from block to block
    bool ok = checked_.usable() && checked_.convert(bytes, count, output);
    if (!ok) {
      output.clear();
      ok = convertPiece(from_, to_, bytes, count, output);
    }
    if (!ok && !options_.omitInvalid) {
      std::uint32_t length = 0;
      std::int32_t codePoint = -1;
      std::uint32_t at = firstFailure(from_, to_, bytes, count, &length, &codePoint);
      DataBuffer converted;
      convertPiece(from_, to_, bytes, at, converted);
      if (!write(converted)) return 7;
      report(bytes, at, length, codePoint);
      return 1;
    }
    if (!ok) countOmitted(bytes, count);
    if (!write(output)) return 7;
    lines_ += countLineFeeds(from_, bytes, count);
    offset_ += count;
    return 0;
  }

  // Every failure of the block, each found from the end of the one before it.
  void countOmitted(const std::uint8_t* bytes, std::uint32_t count) {
    std::uint32_t at = 0;
    while (at < count) {
      std::uint32_t length = 0;
      std::int32_t codePoint = -1;
      std::uint32_t failure = firstFailure(from_, to_, bytes + at, count - at, &length, &codePoint);
      if (failure == count - at) break;
      ++omitted_;
      at += failure + std::max<std::uint32_t>(length, 1);
    }
  }

  void report(const std::uint8_t* bytes, std::uint32_t at, std::uint32_t length, std::int32_t codePoint) {
    std::uint64_t line = 1 + lines_ + countLineFeeds(from_, bytes, at);
    std::string where = label_ + ":" + std::to_string(line) + ": byte offset " + std::to_string(offset_ + at);
    if (codePoint >= 0) {
      char text[16];
      std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
      complain(where + ": " + text + " cannot be written in \"" + options_.to + "\"");
    } else {
      complain(where + ": invalid \"" + options_.from + "\" input " + hexBytes(bytes + at, length));
    }
  }

  bool write(const DataBuffer& bytes) {
    if (writeFully(out_, bytes.data(), bytes.length())) return true;
    complain(std::string("cannot write the output: ") + std::strerror(errno));
    return false;
  }

  const ConvertOptions& options_;
  std::int32_t from_;
  std::int32_t to_;
  int out_;
  CheckedConvert checked_;
  std::string label_;
  std::uint64_t offset_ = 0;  // input bytes of the current file before the block
  std::uint64_t lines_ = 0;   // line feeds before the block
  std::uint64_t omitted_ = 0;
  DataBuffer output_;
};

// A boundary where the next block may start: on a character, and never on a byte-order mark
// (the engine drops one at the start of a conversion, which in the middle of a text is a
// character), so the following bytes must be in hand.
std::uint32_t unicodeCut(std::int32_t cp, const std::uint8_t* bytes, std::uint32_t count) {
  if (count < 8) return 0;
  std::uint32_t cut = count - 4;
  if (cp == codepage::kUtf8) {
    for (;;) {
      while (cut > 0 && (bytes[cut] & 0xC0) == 0x80) --cut;
      if (!(bytes[cut] == 0xEF && bytes[cut + 1] == 0xBB && bytes[cut + 2] == 0xBF)) return cut;
      if (cut == 0) return 0;
      --cut;
    }
  }
  if (isUtf32(cp)) return cut & ~3u;
  cut &= ~1u;
  auto unitAt = [&](std::uint32_t at) {
    return cp == codepage::kUtf16Le ? bytes[at] | (bytes[at + 1] << 8) : (bytes[at] << 8) | bytes[at + 1];
  };
  while (cut >= 2) {
    unsigned next = unitAt(cut);
    bool mark = next == 0xFEFF || next == 0xFFFE;
    bool splitsPair = next >= 0xDC00 && next <= 0xDFFF && (unitAt(cut - 2) & 0xFC00) == 0xD800;
    if (!mark && !splitsPair) return cut;
    cut -= 2;
  }
  return 0;
}

}  // namespace

std::uint32_t safeCut(std::int32_t cp, const std::uint8_t* bytes, std::uint32_t count, bool atEnd) {
  if (atEnd) return count;
  if (!isStateless(cp)) return 0;
  if (cp == codepage::kUtf8 || isUtf16(cp) || isUtf32(cp)) return unicodeCut(cp, bytes, count);
  // Single-byte and DBCS tables: a byte below 0x40 is never the second byte of a pair.
  for (std::uint32_t i = count; i > 0; --i) {
    if (bytes[i - 1] < 0x40) return i;
  }
  return 0;
}

std::uint32_t firstFailure(std::int32_t from, std::int32_t to, const std::uint8_t* bytes, std::uint32_t count,
                           std::uint32_t* length, std::int32_t* codePoint) {
  *length = 0;
  *codePoint = -1;
  if (converts(from, to, bytes, count)) return count;
  // Gallop to a prefix length past the failure, then halve: convertsNear holds before it.
  std::uint32_t good = 0;
  std::uint32_t bad = std::min<std::uint32_t>(64, count);
  while (bad < count && convertsNear(from, to, bytes, bad)) {
    good = bad;
    bad = bad > count / 2 ? count : bad * 2;
  }
  if (convertsNear(from, to, bytes, bad)) good = bad;
  while (bad - good > 1) {
    std::uint32_t middle = good + (bad - good) / 2;
    (convertsNear(from, to, bytes, middle) ? good : bad) = middle;
  }
  std::uint32_t at = good;
  while (at > 0 && !converts(from, to, bytes, at)) --at;
  // A character the source holds but the target lacks decodes; invalid input does not.
  DataBuffer before;
  decode(from, bytes, at, before);
  for (std::uint32_t len = 1; len <= kLongestSequence / 2 && at + len <= count; ++len) {
    DataBuffer after;
    if (decode(from, bytes, at + len, after) && after.length() > before.length()) {
      *length = len;
      *codePoint = codePointAt(after.data() + before.length(), after.length() - before.length());
      return at;
    }
  }
  *length = std::min(unitBytes(from), count - at);
  return at;
}

std::int32_t convertibleCharset(const std::string& name) {
  std::int32_t cp = charsetToCodePage(name.c_str());
  return EncodingConvert::canConvert(cp) ? cp : 0;
}

int runConversion(const ConvertOptions& options) {
  std::int32_t from = convertibleCharset(options.from);
  std::int32_t to = convertibleCharset(options.to);
  for (const std::string* name : {&options.from, &options.to}) {
    if (convertibleCharset(*name) == 0) {
      complain(unknownCharsetMessage(*name));
      return 2;
    }
  }
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  std::fflush(stdout);  // nothing is buffered there; output goes to the descriptor directly
  std::FILE* out = stdout;
  if (!options.output.empty() && options.output != "-") {
    out = std::fopen(options.output.c_str(), "wb");
    if (out == nullptr) {
      complain("cannot create \"" + options.output + "\": " + std::strerror(errno));
      return 7;
    }
  }
  Converter converter(options, from, to, fileno(out));
  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) inputs.emplace_back("-");
  int code = 0;
  for (std::size_t i = 0; code == 0 && i < inputs.size(); ++i) code = converter.convertInput(inputs[i]);
  if (out != stdout && std::fclose(out) != 0 && code == 0) {
    complain("cannot write the output: " + std::string(std::strerror(errno)));
    code = 7;
  }
  if (code == 0 && converter.omitted() > 0) {
    complain(std::to_string(converter.omitted()) +
             " characters could not be converted and were left out (-c)");
  }
  return code;
}

bool isConvertCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  const std::string& first = args[0];
  return first == "-f" || first == "-t" || first == "-c" || first == "-o" ||
         first.rfind("--from-code", 0) == 0 || first.rfind("--to-code", 0) == 0;
}

bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions* options, std::string* error) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options->inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-c") {
      options->omitInvalid = true;
    } else if (arg == "-f" || arg == "-t" || arg == "-o" || arg == "--from-code" || arg == "--to-code" ||
               arg == "--output") {
      if (i + 1 == args.size()) {
        *error = "option " + arg + " needs a value";
        return false;
      }
      const std::string& value = args[++i];
      char letter = arg[1] == '-' ? arg[2] : arg[1];
      (letter == 'f' ? options->from : letter == 't' ? options->to : options->output) = value;
    } else {
      *error = "unknown option " + arg + " in conversion mode (vkstring --help lists the options)";
      return false;
    }
  }
  return true;
}

}  // namespace vk::cli
