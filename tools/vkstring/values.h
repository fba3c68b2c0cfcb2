// Arguments into automation values and results out of them.
#pragma once
#include <string>
#include <vector>

#include "platform/automation.h"
#include "tools/vkstring/call_parser.h"

namespace vk::cli {

// Where the byte-array arguments come from. Standard input is read once, at its first use, and
// the same bytes serve every later '-'.
class ByteSources {
 public:
  bool standardInput(const std::vector<unsigned char>** bytes, std::string* error);
  static bool readFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error);

 private:
  bool stdinRead_ = false;
  std::vector<unsigned char> stdin_;
};

// The VARIANT an argument stands for: VT_BSTR, VT_I4, VT_DATE, or VT_ARRAY | VT_UI1 for '-' and
// @file. The caller clears it with VariantClear. False (value left VT_EMPTY) when the bytes
// cannot be read.
bool makeArgument(const Argument& argument, ByteSources& sources, VARIANT* value, std::string* error);

// The line a result prints as, without its line end: a string as UTF-8, an integer in decimal, a
// date in ISO form, a byte array as lower-case hex (an empty one, which arrives as VT_NULL, as
// an empty line). False when there is nothing to print (VT_EMPTY: the member has no result).
bool formatResult(const VARIANT& value, std::string* line);

}  // namespace vk::cli
