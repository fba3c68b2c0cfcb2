// The content codings behind AppendEncoded and GetEncoded: base64, quoted-printable, hex and
// URL form coding. A coding works on bytes: encoders read bytes and append ASCII text to a
// StringBuffer, decoders read text and append bytes to a DataBuffer. No state survives a call.
// The hex coder is DataBuffer::encodeHex / StringBuffer::decodeHex (coding/hex.cpp).
#pragma once
#include <cstddef>
#include <cstdint>

#include "text/data_buffer.h"
#include "text/string_buffer.h"
#include "text/xstring.h"

namespace vk {

class ContentCoding {
 public:
  ContentCoding() = default;
  virtual ~ContentCoding() = default;

  // Base64 (RFC 4648 alphabet, '=' padding) on one line, however long.
  void encodeBase64(const void* bytes, std::uint32_t count, StringBuffer& output) const;
  // Strict: tab, LF, CR and space are skipped, a zero byte or '=' ends the text, and any other
  // character outside the alphabet fails the call with nothing appended. The bits of an
  // unfinished last byte are dropped.
  bool decodeBase64(const char* text, std::uint32_t count, DataBuffer& output) const;

  // Quoted-printable with a soft line break once a line reaches lineLength() columns; a '.'
  // or a "From " at the start of a line is escaped.
  void encodeQuotedPrintable(const void* bytes, std::uint32_t count, StringBuffer& output) const;
  // Lines end at LF and come out ending CR LF; trailing white space is dropped, '=' at the end
  // of a line joins it to the next, every byte loses its top bit. Fails only for an empty
  // input (nothing before the first zero byte).
  bool decodeQuotedPrintable(const char* text, std::uint32_t count, DataBuffer& output) const;

  std::int32_t lineLength() const { return lineLength_; }

 private:
  std::int32_t lineLength_ = 72;
};

// URL form coding: letters and digits as they are, space as '+', every other byte as %XX.
void encodeUrl(const DataBuffer& input, StringBuffer& output);
// '+' is a space, %XX a byte (the digits are not validated), a '%' with fewer than two
// characters after it ends the text.
void decodeUrl(const StringBuffer& input, DataBuffer& output);

enum class CodingKind { None, Base64, QuotedPrintable, Hex, Url };

// The encoding names and the coding each selects: "base64", "base-64", "qp",
// "quoted-printable", "hex", "hexidecimal", "url".
struct CodingName {
  const char* name;
  CodingKind kind;
};
const CodingName* codingNames(std::size_t* count);

// The coding an encoding name selects, in any ASCII letter case and without trimming; None for
// any other name.
CodingKind codingByName(XString& encodingName);

// AppendEncoded's decoding step: `output` is emptied, then receives the decoded argument
// (nothing when no coding is selected or the decoder fails). Every coding but URL trims the
// argument's white space first.
void decodeByName(XString& argument, XString& encodingName, DataBuffer& output);
// GetEncoded's encoding step: the input's coded text into `output`, which is cleared when no
// coding is selected.
void encodeByName(const DataBuffer& input, XString& encodingName, XString& output);

}  // namespace vk
