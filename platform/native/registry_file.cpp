// The native registry's file: the tree written as text and read back.
//
// File format (UTF-8, lines ending in LF):
//   VkString registry 1
//   key <ROOT> "<path>"        one line per key, ROOT one of HKEY_CLASSES_ROOT,
//   value "<name>" "<data>"    HKEY_CURRENT_USER, ...; values belong to the key above them
//   end
// <path> joins the key names with '\'; the empty name is the key's default value. Strings
// are quoted; inside them '\\' '\"' '\n' '\r' '\t' stand for themselves' characters and
// '\uXXXX' (four hex digits) for any other UTF-16 unit below U+0020, U+007F and a surrogate
// without its partner; every other character is written as UTF-8. A key nested deeper than
// kRegistryMaxDepth is refused on reading as on writing.
#include "platform/native/registry_file.h"

#include <algorithm>
#include <cstdint>

#include "platform/utf8.h"

namespace vk::platform::registry_file {
namespace {

constexpr char kHeader[] = "VkString registry 1";
constexpr char kHeaderStart[] = "VkString registry ";
const char* const kRootNames[kRootCount] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",  "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA",     "HKEY_CURRENT_CONFIG",
};

char16_t foldCase(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

// ---- Strings in the file ----

bool isHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void appendQuoted(std::string& out, const std::u16string& text) {
  static const char* hex = "0123456789ABCDEF";
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (u == u'\\' || u == u'"') {
      out += '\\';
      out += static_cast<char>(u);
    } else if (u == u'\n') {
      out += "\\n";
    } else if (u == u'\r') {
      out += "\\r";
    } else if (u == u'\t') {
      out += "\\t";
    } else if (isHigh(u) && i + 1 < text.size() && isLow(text[i + 1])) {
      utf8::append(out, 0x10000 + ((static_cast<std::uint32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (u < 0x20 || u == 0x7F || isHigh(u) || isLow(u)) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(u >> shift) & 15];
    } else {
      utf8::append(out, u);
    }
  }
  out += '"';
}

// Reads the quoted string at line[*at] and moves past it; an error text when it is malformed.
const char* readQuoted(const std::string& line, std::size_t* at, std::u16string* text) {
  std::size_t i = *at;
  if (i >= line.size() || line[i] != '"') return "a quoted string is expected";
  ++i;
  text->clear();
  while (true) {
    if (i >= line.size()) return "a string is not closed";
    char c = line[i];
    if (c == '"') break;
    if (c == '\\') {
      if (i + 1 >= line.size()) return "a string is not closed";
      char e = line[i + 1];
      i += 2;
      switch (e) {
        case '\\': *text += u'\\'; break;
        case '"': *text += u'"'; break;
        case 'n': *text += u'\n'; break;
        case 'r': *text += u'\r'; break;
        case 't': *text += u'\t'; break;
        case 'u': {
          if (i + 4 > line.size()) return "a \\u escape needs four hex digits";
          std::uint32_t unit = 0;
          for (int k = 0; k < 4; ++k) {
            char h = line[i + static_cast<std::size_t>(k)];
            int d = (h >= '0' && h <= '9')   ? h - '0'
                    : (h >= 'A' && h <= 'F') ? h - 'A' + 10
                    : (h >= 'a' && h <= 'f') ? h - 'a' + 10
                                             : -1;
            if (d < 0) return "a \\u escape needs four hex digits";
            unit = (unit << 4) | static_cast<std::uint32_t>(d);
          }
          *text += static_cast<char16_t>(unit);
          i += 4;
          break;
        }
        default: return "unknown escape in a string";
      }
      continue;
    }
    if (static_cast<std::uint8_t>(c) < 0x20 || c == 0x7F) return "a control character in a string";
    std::uint32_t cp;
    std::size_t length =
        utf8::decode(reinterpret_cast<const std::uint8_t*>(line.data()) + i, line.size() - i, &cp);
    if (length == 0) return "bytes that are not UTF-8";
    if (cp >= 0x10000) {
      *text += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      *text += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      *text += static_cast<char16_t>(cp);
    }
    i += length;
  }
  *at = i + 1;
  return nullptr;
}

// ---- Whole files ----

// Writes the key at `path` and its subtree. `path` is one buffer shared by the whole walk,
// grown by a name on the way down and cut back on the way up, so each key costs the length of
// its own line; the depth of the walk is bounded by kRegistryMaxDepth.
void writeKey(std::string& out, const char* rootName, std::u16string& path, const Key& key) {
  if (!path.empty() || !key.values.empty()) {
    out += "key ";
    out += rootName;
    out += ' ';
    appendQuoted(out, path);
    out += '\n';
    for (const auto& value : key.values) {
      out += "value ";
      appendQuoted(out, value.first);
      out += ' ';
      appendQuoted(out, value.second);
      out += '\n';
    }
  }
  const std::size_t length = path.size();
  for (const auto& sub : key.subkeys) {
    if (length != 0) path += u'\\';
    path += sub.second->name;
    writeKey(out, rootName, path, *sub.second);
    path.resize(length);
  }
}

}  // namespace

bool NoCaseLess::operator()(const std::u16string& a, const std::u16string& b) const {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = foldCase(a[i]);
    char16_t y = foldCase(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::vector<std::u16string> splitPath(const std::u16string& path) {
  std::vector<std::u16string> parts;
  std::u16string part;
  for (char16_t c : path) {
    if (c == u'\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

Key* createPath(Key* key, const std::vector<std::u16string>& parts) {
  for (const std::u16string& part : parts) {
    std::unique_ptr<Key>& slot = key->subkeys[part];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = part;
    }
    key = slot.get();
  }
  return key;
}

std::string serialize(const Tree& tree) {
  std::string out = kHeader;
  out += '\n';
  std::u16string path;
  for (int r = 0; r < kRootCount; ++r) writeKey(out, kRootNames[r], path, tree.roots[r]);
  out += "end\n";
  return out;
}

std::string parse(const std::string& bytes, Tree* tree) {
  std::size_t lineStart = 0;
  int lineNumber = 0;
  Key* current = nullptr;
  bool ended = false;
  while (lineStart < bytes.size()) {
    std::size_t lineEnd = bytes.find('\n', lineStart);
    if (lineEnd == std::string::npos) return "the last line has no line break (the file is cut short)";
    std::string line = bytes.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    ++lineNumber;
    auto fail = [&](const std::string& why) { return "line " + std::to_string(lineNumber) + ": " + why; };
    if (ended) return fail("text after the end line");
    if (lineNumber == 1) {
      if (line == kHeader) continue;
      if (line.compare(0, sizeof(kHeaderStart) - 1, kHeaderStart) == 0) {
        return fail("format version " + line.substr(sizeof(kHeaderStart) - 1) + " is not understood");
      }
      return fail("not a registry file (the first line is not \"" + std::string(kHeader) + "\")");
    }
    if (line == "end") {
      ended = true;
      continue;
    }
    std::size_t at;
    if (line.compare(0, 4, "key ") == 0) {
      at = 4;
      std::size_t space = line.find(' ', at);
      if (space == std::string::npos) return fail("a key line needs a root and a path");
      std::string rootName = line.substr(at, space - at);
      int root = -1;
      for (int r = 0; r < kRootCount; ++r) {
        if (rootName == kRootNames[r]) root = r;
      }
      if (root < 0) return fail("unknown root \"" + rootName + "\"");
      at = space + 1;
      std::u16string path;
      if (const char* why = readQuoted(line, &at, &path)) return fail(why);
      if (at != line.size()) return fail("text after the key's path");
      std::vector<std::u16string> parts = splitPath(path);
      // Names are separated by exactly one '\' and never empty.
      std::size_t joined = 0;
      for (const auto& p : parts) joined += p.size();
      if (!parts.empty() && joined + parts.size() - 1 != path.size())
        return fail("an empty key name in a path");
      if (parts.size() > kRegistryMaxDepth) {
        return fail("a key nested " + std::to_string(parts.size()) + " deep (more than " +
                    std::to_string(kRegistryMaxDepth) + " keys)");
      }
      current = createPath(&tree->roots[root], parts);
    } else if (line.compare(0, 6, "value ") == 0) {
      if (current == nullptr) return fail("a value before any key");
      at = 6;
      std::u16string name, data;
      if (const char* why = readQuoted(line, &at, &name)) return fail(why);
      if (at >= line.size() || line[at] != ' ') return fail("a value line needs a name and a value");
      ++at;
      if (const char* why = readQuoted(line, &at, &data)) return fail(why);
      if (at != line.size()) return fail("text after the value");
      current->values[name] = data;
    } else {
      return fail("a line that is neither key, value nor end");
    }
  }
  if (lineNumber == 0) return "the file is empty";
  if (!ended) return "the file has no end line (it is cut short)";
  return std::string();
}

}  // namespace vk::platform::registry_file
