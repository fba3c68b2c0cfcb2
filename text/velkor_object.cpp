#include "text/velkor_object.h"

#include <atomic>

namespace vk {
namespace {
// Relaxed atomics: the serial is informational, but a data race would still be undefined.
std::atomic<std::uint32_t> nextSerial{0};
}  // namespace

VelkorObject::VelkorObject() : serial_(nextSerial.fetch_add(1, std::memory_order_relaxed) + 1) {}

VelkorObject::VelkorObject(const VelkorObject&) : VelkorObject() {}

}  // namespace vk
