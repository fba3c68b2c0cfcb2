// Writes the interface description (IDL) of the component from the member list, so that the
// type library that widl compiles for the Windows build says exactly what the code does, and
// (with --rgs) the registration script with the component's identifiers, and (with --markdown)
// the README's member table.
// Usage: vk_idlgen > component/VelkorString.idl
//        vk_idlgen --rgs > component/VelkorString.rgs
//        vk_idlgen --markdown   (the block between the README's member-table markers)
#include <cstdio>
#include <string>

#include "component/ivkstring.h"
#include "component/member_table.h"
#include "vk_version.h"

namespace {

// The type library's version is the project's major.minor: a patch release changes no interface.
const std::string kLibraryVersion = std::to_string(VK_VERSION_MAJOR) + "." + std::to_string(VK_VERSION_MINOR);

std::string guidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

const char* idlType(vk::ValueType type) {
  switch (type) {
    case vk::ValueType::BSTR: return "BSTR";
    case vk::ValueType::LONG: return "LONG";
    case vk::ValueType::DATE: return "DATE";
    case vk::ValueType::VARIANT: return "VARIANT";
    case vk::ValueType::Nothing: break;
  }
  return "void";
}

std::string memberLine(const vk::MemberInfo& m) {
  bool property = m.kind != vk::MemberKind::Method;
  std::string attributes = m.kind == vk::MemberKind::PropertyGet   ? "propget, "
                           : m.kind == vk::MemberKind::PropertyPut ? "propput, "
                                                                   : "";
  std::string line = "    [" + attributes + "id(" + std::to_string(m.dispid) + "), helpstring(\"" +
                     (property ? "property " : "method ") + m.name + "\")] HRESULT " + m.name + "(";
  for (int i = 0; i < m.parameterCount; ++i) {
    if (i > 0) line += ", ";
    line += std::string("[in] ") + idlType(m.parameters[i].type) + " " + m.parameters[i].name;
  }
  if (m.resultType != vk::ValueType::Nothing) {
    if (m.parameterCount > 0) line += ", ";
    line += std::string("[out, retval] ") + idlType(m.resultType) + "* " + m.resultName;
  }
  return line + ");\n";
}

}  // namespace

// clang-format off
std::string registrationScript() {
  std::string clsid = "{" + guidText(CLSID_VkString) + "}";
  std::string libid = "{" + guidText(LIBID_VKSTRINGLib) + "}";
  return "HKCR\n"
         "{\n"
         "\tVkString.VkString.1 = s 'VkString Class'\n"
         "\t{\n"
         "\t\tCLSID = s '" + clsid + "'\n"
         "\t}\n"
         "\tVkString.VkString = s 'VkString Class'\n"
         "\t{\n"
         "\t\tCLSID = s '" + clsid + "'\n"
         "\t\tCurVer = s 'VkString.VkString.1'\n"
         "\t}\n"
         "\tNoRemove CLSID\n"
         "\t{\n"
         "\t\tForceRemove " + clsid + " = s 'VkString Class'\n"
         "\t\t{\n"
         "\t\t\tProgID = s 'VkString.VkString.1'\n"
         "\t\t\tVersionIndependentProgID = s 'VkString.VkString'\n"
         "\t\t\tForceRemove 'Programmable'\n"
         "\t\t\tInprocServer32 = s '%MODULE%'\n"
         "\t\t\t{\n"
         "\t\t\t\tval ThreadingModel = s 'Apartment'\n"
         "\t\t\t}\n"
         "\t\t\tForceRemove 'Control'\n"
         "\t\t\tForceRemove 'Insertable'\n"
         "\t\t\tForceRemove 'ToolboxBitmap32' = s '%MODULE%, 101'\n"
         "\t\t\t'MiscStatus' = s '0'\n"
         "\t\t\t{\n"
         "\t\t\t\t'1' = s '132497'\n"
         "\t\t\t}\n"
         "\t\t\t'TypeLib' = s '" + libid + "'\n"
         "\t\t\t'Version' = s '" + kLibraryVersion + "'\n"
         "\t\t}\n"
         "\t}\n"
         "}\n";
}
// clang-format on

// The README's table of the members, between markers that let a test find it again.
std::string markdownTable() {
  std::string text =
      "<!-- member table: made by `vk_idlgen --markdown` from component/member_list.h -->\n"
      "| dispid | kind | member | parameters | result |\n"
      "|---|---|---|---|---|\n";
  for (const vk::MemberInfo& m : vk::kMembers) {
    const char* kind = m.kind == vk::MemberKind::PropertyGet   ? "property get"
                       : m.kind == vk::MemberKind::PropertyPut ? "property put"
                                                               : "method";
    std::string parameters;
    for (int i = 0; i < m.parameterCount; ++i) {
      if (i > 0) parameters += ", ";
      parameters += std::string("`") + m.parameters[i].name + "` " + idlType(m.parameters[i].type);
    }
    std::string result = m.resultType == vk::ValueType::Nothing
                             ? "—"
                             : std::string("`") + m.resultName + "` " + idlType(m.resultType);
    text += "| " + std::to_string(m.dispid) + " | " + kind + " | `" + m.name + "` | " +
            (parameters.empty() ? "—" : parameters) + " | " + result + " |\n";
  }
  return text + "<!-- end of member table -->\n";
}

// The interface description: IVkString from the member list, then the library and the class.
// clang-format off
std::string interfaceDescription() {
  std::string idl =
      "// Generated by tools/idlgen from component/member_list.h; do not edit.\n"
      "import \"oaidl.idl\";\n"
      "import \"ocidl.idl\";\n\n"
      "[\n"
      "    object,\n"
      "    uuid(" + guidText(IID_IVkString) + "),\n"
      "    dual,\n"
      "    helpstring(\"IVkString Interface\"),\n"
      "    pointer_default(unique)\n"
      "]\n"
      "interface IVkString : IDispatch\n{\n";
  for (const vk::MemberInfo& m : vk::kMembers) idl += memberLine(m);
  idl +=
      "};\n\n"
      "[\n"
      "    uuid(" + guidText(LIBID_VKSTRINGLib) + "),\n"
      "    version(" + kLibraryVersion + "),\n"
      "    helpstring(\"Velkor String Component\")\n"
      "]\n"
      "library VKSTRINGLib\n{\n"
      "    importlib(\"stdole2.tlb\");\n\n"
      "    [\n"
      "        uuid(" + guidText(CLSID_VkString) + "),\n"
      "        helpstring(\"VkString Class\")\n"
      "    ]\n"
      "    coclass VkString\n    {\n"
      "        [default] interface IVkString;\n"
      "    };\n"
      "};\n";
  return idl;
}
// clang-format on

int main(int argc, char** argv) {
  const std::string option = argc > 1 ? argv[1] : "";
  const std::string text = option == "--markdown" ? markdownTable()
                           : option == "--rgs"    ? registrationScript()
                                                  : interfaceDescription();
  std::fputs(text.c_str(), stdout);
  return 0;
}
