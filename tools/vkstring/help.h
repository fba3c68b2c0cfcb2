// The text of --help and --version. The member list comes from the component's member table at
// build time: natively there is no type library to ask, and the table is the one definition
// of the members anyway.
#pragma once
#include <string>

#include "component/member_table.h"

namespace vk::cli {

// One member as a call: "LoadFile(filename As String, charset As String) As Long",
// "Str = newVal As String" for the property put.
std::string memberSignature(const MemberInfo& member);

// The member of the table called `name` (ASCII letters in either case) in the given direction:
// a put finds the property put, anything else the method or property get. Null when none.
const MemberInfo* findMember(const std::string& name, bool put);

std::string helpText();
std::string versionText();

}  // namespace vk::cli
