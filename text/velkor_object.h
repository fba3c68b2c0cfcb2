// Common base of the text value and the string buffer: a virtual destructor and a serial
// number taken from a process-wide counter at construction (useful when tracing objects).
#pragma once
#include <cstdint>

namespace vk {

class VelkorObject {
 public:
  VelkorObject();
  VelkorObject(const VelkorObject&);
  VelkorObject& operator=(const VelkorObject&) { return *this; }
  virtual ~VelkorObject() = default;

  std::uint32_t serialNumber() const { return serial_; }

 private:
  std::uint32_t serial_;
};

}  // namespace vk
