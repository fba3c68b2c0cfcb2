#include "tools/vkstring/help.h"

#include <cctype>
#include <vector>

#include "vk_version.h"

namespace vk::cli {
namespace {

// Types by the names scripting users know them.
const char* typeName(ValueType type) {
  switch (type) {
    case ValueType::BSTR: return "String";
    case ValueType::LONG: return "Long";
    case ValueType::DATE: return "Date";
    case ValueType::VARIANT: return "Variant";
    case ValueType::Nothing: break;
  }
  return "";
}

bool sameName(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && b[i] == 0;
}

// "LoadFile, SaveToFile or AppendToFile": the members whose result reports success.
std::string successMembers() {
  std::vector<const char*> names;
  for (const MemberInfo& m : kMembers) {
    if (reportsSuccess(m)) names.push_back(m.name);
  }
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

}  // namespace

std::string memberSignature(const MemberInfo& m) {
  std::string parameters;
  for (int i = 0; i < m.parameterCount; ++i) {
    if (i > 0) parameters += ", ";
    parameters += std::string(m.parameters[i].name) + " As " + typeName(m.parameters[i].type);
  }
  if (m.kind == MemberKind::PropertyPut) return std::string(m.name) + " = " + parameters;
  std::string text = m.name;
  if (m.parameterCount > 0) text += "(" + parameters + ")";
  if (m.resultType != ValueType::Nothing) text += std::string(" As ") + typeName(m.resultType);
  return text;
}

const MemberInfo* findMember(const std::string& name, bool put) {
  for (const MemberInfo& m : kMembers) {
    if ((m.kind == MemberKind::PropertyPut) == put && sameName(name, m.name)) return &m;
  }
  return nullptr;
}

std::string versionText() { return "vkstring " VK_VERSION_TEXT " (VkString.VkString, 53 members)\n"; }

// clang-format off
std::string helpText() {
  std::string text =
      "usage: vkstring -f FROM -t TO [-c] [-o OUTPUT] [FILE...]\n"
      "       vkstring [--quiet] [--strict] [--raw] CALL...\n"
      "       vkstring -l | --list | -h | --help | --version\n"
      "\n"
      "Conversion: converts the files (standard input when none or -) from the charset FROM\n"
      "to TO (both utf-8 when left out) into OUTPUT or standard output, with the component's\n"
      "own rules: the bytes LoadFile + SaveToFile give. Invalid input or a character TO lacks\n"
      "stops it with the file, line and byte offset (exit code 1), after writing what came\n"
      "before; -c leaves such characters out and counts them. vkstring -l lists the names.\n"
      "\n"
      "Calls: creates one VkString object by its ProgID \"VkString.VkString\" and makes the calls in\n"
      "order through IDispatch, printing one line for each result.\n"
      "\n"
      "Calls:\n"
      "  Name                  call a method or read a property\n"
      "  Name(arg, ...)        call with arguments\n"
      "  Name = arg            put a property\n"
      "Arguments:\n"
      "  \"text\"                a string (\"\" inside for one quote)\n"
      "  42  -7  &HFF          an integer (&H is hexadecimal as in VBScript: &HFFFF is -1)\n"
      "  #2024-03-05 14:03:07# a date in local time; also #3/5/2024# and #3/5/2024 2:03 PM#\n"
      "  -                     standard input's bytes as a byte array\n"
      "  @file  @\"file\"        a file's bytes as a byte array\n"
      "Results: strings in UTF-8, integers, dates as 2024-03-05T14:03:07, byte arrays in hex;\n"
      "nothing for a member without a result.\n"
      "\n"
      "Options:\n"
      "  --quiet    print no results\n"
      "  --strict   stop with exit code 1 when " + successMembers() + " answers 0\n"
      "  --raw      byte-array results as their bytes, strings without a line break\n"
      "  -l, --list the charset names by code page\n"
      "  -h, --help this text\n"
      "  --version  the program's version\n"
      "\n"
      "Exit codes:\n"
      "  0  every call made, or the  4  unknown member\n"
      "     conversion done\n"
      "  1  --strict: a call failed; 5  wrong argument count or type, or a wrong call form\n"
      "     conversion: invalid or\n"
      "     unconvertible input\n"
      "  2  bad command line or      6  the object cannot be created (not registered)\n"
      "     unknown charset name\n"
      "  3  malformed call or        7  the call failed in the object, or the output\n"
      "     unreadable input file       cannot be written\n"
      "\n"
      "Members (" + std::to_string(kMemberCount) + "):\n";
  for (const MemberInfo& m : kMembers) text += "  " + memberSignature(m) + "\n";
  return text;
}
// clang-format on

}  // namespace vk::cli
