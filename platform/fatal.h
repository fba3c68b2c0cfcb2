// Two ways out of an operation that cannot go on.
//
// fatalError stops the process on a programming error (a destroyed or overwritten buffer, a
// state no input can produce): continuing would touch memory that is not ours.
//
// capacityExceeded throws CapacityError where a text or buffer would outgrow its 32-bit
// lengths, or where the block it needs cannot be had. Input decides that (a huge file, a
// replacement that multiplies a long text), so it is a failure of one call, not of the
// process: every member of the string object catches it and answers its failure result. The
// checks that throw sit before the buffer they guard is changed, so a value whose growth was
// refused keeps its content.
#pragma once

#include <exception>

namespace vk {

[[noreturn]] void fatalError(const char* what);

class CapacityError : public std::exception {
 public:
  explicit CapacityError(const char* what) : what_(what) {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};

[[noreturn]] void capacityExceeded(const char* what);

}  // namespace vk
