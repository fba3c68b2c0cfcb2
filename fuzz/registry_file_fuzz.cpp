// The native registry's file reader on arbitrary files. Checks: a file that reads without a
// problem takes a change, is written back, and reads again without a problem with the change
// in it; a file that does not read reports why.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "platform/registry.h"

namespace {

using vk::platform::RegistryRoot;

const std::string& scratchFile() {
  static const std::string name = [] {
    char pattern[] = "/tmp/vk-fuzz-registry-XXXXXX";
    const char* folder = mkdtemp(pattern);
    FUZZ_CHECK(folder != nullptr);
    return std::string(folder) + "/registry";
  }();
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 14) return 0;
  const std::string& path = scratchFile();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(file != nullptr);
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  vk::platform::registryUseFile(path);
  vk::platform::registrySubkeys(RegistryRoot::ClassesRoot, u"");
  if (vk::platform::registryProblem().empty()) {
    FUZZ_CHECK(vk::platform::registryCreateKey(RegistryRoot::CurrentUser, u"Fuzz\\Checked") == 0);
    vk::platform::registryUseFile(path);
    FUZZ_CHECK(vk::platform::registryKeyExists(RegistryRoot::CurrentUser, u"Fuzz\\Checked"));
    FUZZ_CHECK(vk::platform::registryProblem().empty());
  } else {
    FUZZ_CHECK(!vk::platform::registryProblem().empty());
  }
  vk::platform::registryUseMemory();
  std::remove(path.c_str());
  return 0;
}
