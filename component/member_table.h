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

// Whether the member's result tells success (1) from failure (0), as LoadFile's does, rather
// than answering a question as Contains's does: the table names such a result `success`.
bool reportsSuccess(const MemberInfo& member);

}  // namespace vk
