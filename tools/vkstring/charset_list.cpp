// The charset names of the component's name table as the command line shows them: the -l
// listing and the close names offered for an unknown one.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <vector>

#include "charset/charset_name_table.h"
#include "charset/encoding_convert.h"
#include "coding/content_coding.h"
#include "tools/vkstring/convert.h"

namespace vk::cli {
namespace {

// The letters that matter when people misremember a name: lower case, without '-', '_' and
// spaces ("UTF8", "utf_8" and "utf-8" squash alike).
std::string squashed(const std::string& name) {
  std::string text;
  for (char c : name) {
    if (c == '-' || c == '_' || c == ' ') continue;
    text.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return text;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The digits after a code-page prefix ("cp1252", "windows-1252", "ibm037" give the number).
std::string codePageDigits(const std::string& squashedName) {
  for (const char* prefix : {"windows", "cp", "ibm", "ms", "xcp"}) {
    std::string p = prefix;
    if (squashedName.size() > p.size() && squashedName.compare(0, p.size(), p) == 0 &&
        std::all_of(squashedName.begin() + static_cast<long>(p.size()), squashedName.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
      return squashedName.substr(p.size());
    }
  }
  return "";
}

}  // namespace

std::string unknownCharsetMessage(const std::string& name) {
  std::size_t count = 0;
  const CharsetName* names = charsetNames(&count);
  std::string wanted = squashed(name);
  std::string digits = codePageDigits(wanted);
  // Rank 0: the same letters; 1: the same code-page number under another prefix; 2 + d: an
  // edit distance d of at most 2.
  std::vector<std::pair<std::size_t, std::string>> close;
  for (std::size_t i = 0; i < count; ++i) {
    if (!EncodingConvert::canConvert(names[i].codePage)) continue;
    std::string candidate = squashed(names[i].name);
    std::size_t rank;
    if (candidate == wanted) {
      rank = 0;
    } else if (!digits.empty() && codePageDigits(candidate) == digits) {
      rank = 1;
    } else {
      std::size_t distance = editDistance(candidate, wanted);
      if (distance > 2 || distance >= wanted.size()) continue;
      rank = 2 + distance;
    }
    close.emplace_back(rank, names[i].name);
  }
  std::stable_sort(close.begin(), close.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string message = "unknown charset \"" + name + "\"";
  for (std::size_t i = 0; i < close.size() && i < 3; ++i) {
    message += (i == 0 ? "; did you mean \"" : ", \"") + close[i].second + "\"";
  }
  if (!close.empty()) message += "?";
  return message + " (vkstring -l lists the names)";
}

std::string unknownEncodingMessage(const std::string& name) {
  std::size_t count = 0;
  const CodingName* names = codingNames(&count);
  std::string wanted = squashed(name);
  std::string message = "unknown encoding \"" + name + "\"";
  std::size_t offered = 0;
  for (std::size_t i = 0; i < count && offered < 3; ++i) {
    std::string candidate = squashed(names[i].name);
    if (candidate != wanted && editDistance(candidate, wanted) > 2) continue;
    message += (offered++ == 0 ? "; did you mean \"" : ", \"") + std::string(names[i].name) + "\"";
  }
  if (offered > 0) message += "?";
  return message + " (the encodings: base64, quoted-printable, hex, url)";
}

int listCharsets() {
  std::size_t count = 0;
  const CharsetName* names = charsetNames(&count);
  std::map<std::int32_t, std::vector<const char*>> byCodePage;
  for (std::size_t i = 0; i < count; ++i) byCodePage[names[i].codePage].push_back(names[i].name);
  for (const auto& [codePage, list] : byCodePage) {
    std::printf("%5d ", codePage);
    for (std::size_t i = 0; i < list.size(); ++i) std::printf("%s%s", i > 0 ? ", " : " ", list[i]);
    if (!EncodingConvert::canConvert(codePage)) std::printf("  (no converter)");
    std::printf("\n");
  }
  return std::fflush(stdout) == 0 ? 0 : 7;
}

}  // namespace vk::cli
