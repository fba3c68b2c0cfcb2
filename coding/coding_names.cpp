// The encoding names and the selection steps of AppendEncoded and GetEncoded.
#include "coding/content_coding.h"

namespace vk {

namespace {

constexpr CodingName kCodingNames[] = {
    {"base64", CodingKind::Base64},
    {"base-64", CodingKind::Base64},
    {"qp", CodingKind::QuotedPrintable},
    {"quoted-printable", CodingKind::QuotedPrintable},
    {"hex", CodingKind::Hex},
    {"hexidecimal", CodingKind::Hex},
    {"url", CodingKind::Url},
};

}  // namespace

const CodingName* codingNames(std::size_t* count) {
  *count = sizeof kCodingNames / sizeof kCodingNames[0];
  return kCodingNames;
}

CodingKind codingByName(XString& encodingName) {
  for (const CodingName& entry : kCodingNames) {
    if (encodingName.equalsAnsiNoCase(entry.name)) return entry.kind;
  }
  return CodingKind::None;
}

void decodeByName(XString& argument, XString& encodingName, DataBuffer& output) {
  output.clear();
  ContentCoding coding;
  switch (codingByName(encodingName)) {
    case CodingKind::Base64: {
      argument.trim2();
      StringBuffer& text = argument.utf8Buffer();
      coding.decodeBase64(text.text(), static_cast<std::uint32_t>(text.length()), output);
      break;
    }
    case CodingKind::QuotedPrintable: {
      argument.trim2();
      StringBuffer& text = argument.utf8Buffer();
      coding.decodeQuotedPrintable(text.text(), static_cast<std::uint32_t>(text.length()), output);
      break;
    }
    case CodingKind::Hex:
      argument.trim2();
      argument.utf8Buffer().decodeHex(output);
      break;
    case CodingKind::Url: decodeUrl(argument.utf8Buffer(), output); break;
    case CodingKind::None: break;
  }
}

void encodeByName(const DataBuffer& input, XString& encodingName, XString& output) {
  StringBuffer coded;
  ContentCoding coding;
  switch (codingByName(encodingName)) {
    case CodingKind::Base64: coding.encodeBase64(input.data(), input.length(), coded); break;
    case CodingKind::QuotedPrintable:
      coding.encodeQuotedPrintable(input.data(), input.length(), coded);
      break;
    case CodingKind::Hex: input.encodeHex(coded); break;
    case CodingKind::Url: encodeUrl(input, coded); break;
    case CodingKind::None: output.clear(); return;
  }
  output.setFromUtf8(coded.text());
}

}  // namespace vk
