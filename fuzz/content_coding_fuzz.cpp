// Base64, quoted-printable, hex and URL coding on arbitrary input, and the by-name steps
// behind AppendEncoded and GetEncoded. Checks: base64, hex and URL decoding give back exactly
// the bytes that were encoded; encoders give nothing for empty input; a failed strict base64
// decoding appends nothing.
#include <cstring>
#include <string>

#include "coding/content_coding.h"
#include "fuzz_check.h"

namespace {

bool sameBytes(const vk::DataBuffer& a, const std::string& b) {
  return a.length() == b.size() && (b.empty() || std::memcmp(a.data(), b.data(), b.size()) == 0);
}

const char* const kCodingNames[] = {"base64", "Base-64",     "qp",  "quoted-printable",
                                    "HEX",    "hexidecimal", "url", "uuencode"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  FuzzedDataProvider input(data, size);
  const std::string name = kCodingNames[input.ConsumeIntegralInRange<std::size_t>(0, 7)];
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const auto count = static_cast<std::uint32_t>(bytes.size());
  vk::ContentCoding coding;

  // Decoders on the input read as text.
  vk::DataBuffer decoded;
  if (!coding.decodeBase64(bytes.data(), count, decoded)) FUZZ_CHECK(decoded.length() == 0);
  vk::DataBuffer qp;
  coding.decodeQuotedPrintable(bytes.data(), count, qp);
  const vk::StringBuffer text(bytes.c_str());
  vk::DataBuffer hex, url;
  text.decodeHex(hex);
  vk::decodeUrl(text, url);

  // Encoders on the input read as bytes, and back.
  vk::StringBuffer base64Text, qpText, hexText, urlText;
  coding.encodeBase64(bytes.data(), count, base64Text);
  coding.encodeQuotedPrintable(bytes.data(), count, qpText);
  vk::DataBuffer raw;
  raw.append(bytes.data(), bytes.size());
  raw.encodeHex(hexText);
  vk::encodeUrl(raw, urlText);
  if (count == 0) {
    FUZZ_CHECK(base64Text.length() == 0 && qpText.length() == 0 && hexText.length() == 0 &&
               urlText.length() == 0);
  }
  vk::DataBuffer fromBase64, fromHex, fromUrl;
  FUZZ_CHECK(
      coding.decodeBase64(base64Text.text(), static_cast<std::uint32_t>(base64Text.length()), fromBase64));
  FUZZ_CHECK(sameBytes(fromBase64, bytes));
  hexText.decodeHex(fromHex);
  FUZZ_CHECK(sameBytes(fromHex, bytes));
  vk::decodeUrl(urlText, fromUrl);
  FUZZ_CHECK(sameBytes(fromUrl, bytes));

  // The by-name steps.
  vk::XString argument, encodingName, encodedText;
  argument.setFromUtf8(bytes.data(), count);
  encodingName.setFromUtf8(name.c_str());
  vk::DataBuffer byName;
  vk::decodeByName(argument, encodingName, byName);
  vk::encodeByName(raw, encodingName, encodedText);
  return 0;
}
