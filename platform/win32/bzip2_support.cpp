// libbzip2, built without its stdio part, reports a broken internal invariant through this
// callback. Like a damaged buffer marker it means memory is corrupt: the process stops.
#include "platform/fatal.h"

extern "C" void bz_internal_error(int code);

extern "C" void bz_internal_error(int code) {
  (void)code;
  vk::fatalError("libbzip2 internal error");
}
