#include "component/member_table.h"

#include <cstring>

#include "component/member_list.h"

namespace vk {

#define VK_ROW_M0(id, kind, name, fn, rt, rn) {id, MemberKind::kind, #name, 0, {}, ValueType::rt, #rn},
#define VK_ROW_M1(id, kind, name, fn, t1, n1, rt, rn) \
  {id, MemberKind::kind, #name, 1, {{#n1, ValueType::t1}}, ValueType::rt, #rn},
#define VK_ROW_M2(id, kind, name, fn, t1, n1, t2, n2, rt, rn) \
  {id, MemberKind::kind, #name, 2, {{#n1, ValueType::t1}, {#n2, ValueType::t2}}, ValueType::rt, #rn},
#define VK_ROW_M3(id, kind, name, fn, t1, n1, t2, n2, t3, n3, rt, rn)  \
  {id,                                                                 \
   MemberKind::kind,                                                   \
   #name,                                                              \
   3,                                                                  \
   {{#n1, ValueType::t1}, {#n2, ValueType::t2}, {#n3, ValueType::t3}}, \
   ValueType::rt,                                                      \
   #rn},

const MemberInfo kMembers[kMemberCount] = {VK_MEMBER_LIST(VK_ROW_M0, VK_ROW_M1, VK_ROW_M2, VK_ROW_M3)};

bool reportsSuccess(const MemberInfo& member) {
  return member.resultType == ValueType::LONG && std::strcmp(member.resultName, "success") == 0;
}

}  // namespace vk
