// Runs a registration script: the small language in which the component describes the
// registry keys it writes when registered and removes when unregistered.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {clsid} = s 'VkString Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// A key is a name (bare or in single quotes, '' standing for a quote), optionally preceded by
// ForceRemove (deleted with its subtree before it is written, and on unregistration),
// NoRemove (never deleted) or Delete (deleted on registration), optionally followed by
// "= s 'default value'" and by a block of subkeys and "val name = s 'value'" lines.
// %NAME% is replaced by the value given for NAME (%% is a percent sign).
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "platform/hresult.h"

namespace vk {

class Registrar {
 public:
  void addReplacement(const std::u16string& name, const std::u16string& value);
  // Registration stops at the first failure and answers it; unregistration goes on through
  // every key and answers S_OK unless the script does not parse or the registry cannot be
  // changed at all (it may only be read, or cannot be read).
  HRESULT registerScript(const std::u16string& script);
  HRESULT unregisterScript(const std::u16string& script);

 private:
  HRESULT run(const std::u16string& script, bool registering);
  std::vector<std::pair<std::u16string, std::u16string>> replacements_;
};

// Doubles every single quote, for values placed inside the script's quoted strings.
std::u16string doubleQuotes(const std::u16string& text);

}  // namespace vk
