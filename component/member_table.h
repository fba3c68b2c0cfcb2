// The member list as data: names, dispatch identifiers, kinds, parameters and results, for
// name lookup, invocation, and the interface description.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vk {

enum class MemberKind { Method, PropertyGet, PropertyPut };
enum class ValueType { Nothing, BSTR, LONG, DATE, VARIANT };

struct ParameterInfo {
  const char* name;
  ValueType type;
};

struct MemberInfo {
  std::int32_t dispid;
  MemberKind kind;
  const char* name;
  std::uint8_t parameterCount;
  ParameterInfo parameters[3];
  ValueType resultType;  // Nothing when there is no [out,retval] result
  const char* resultName;
};

constexpr std::size_t kMemberCount = 53;
extern const MemberInfo kMembers[kMemberCount];

}  // namespace vk
