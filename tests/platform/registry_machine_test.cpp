// The machine registry under the per-user one: lookups the per-user file does not answer go on
// to the machine's, value by value and with the subkeys of both; changes and a change group's
// lookups stay in the per-user file; a machine registry that cannot be read fails the lookup
// with its reason instead of passing for a missing class.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace vk::platform {
namespace {

namespace fs = std::filesystem;
constexpr RegistryRoot kRoot = RegistryRoot::ClassesRoot;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct Entry {
  std::u16string key, name, value;
};

// Writes `entries` into the registry file `path` through the registry itself.
void fill(const std::string& path, const std::vector<Entry>& entries) {
  registryUseFile(path);
  for (const Entry& e : entries) {
    ASSERT_EQ(registryCreateKey(kRoot, e.key), kRegistryOk);
    ASSERT_EQ(registrySetString(kRoot, e.key, e.name, e.value), kRegistryOk);
  }
}

class MachineRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vk_machine_registry_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    user_ = dir_ + "/user";
    machine_ = dir_ + "/machine";
    fill(machine_, {{u"Cls\\A", u"", u"machine A"},
                    {u"Cls\\A", u"Threading", u"Apartment"},
                    {u"Cls\\Shared", u"", u"machine shared"},
                    {u"Cls\\Shared\\Sub", u"", u"machine sub"},
                    {u"OnlyMachine", u"", u"m"}});
    fill(user_,
         {{u"Cls\\shared", u"", u"user shared"}, {u"Cls\\B", u"", u"user B"}, {u"OnlyUser", u"", u"u"}});
    useBoth();
  }
  void TearDown() override {
    registryUseMemory();
    fs::remove_all(dir_);
  }
  void useBoth() {
    registryUseFile(user_);
    registryUseMachineFile(machine_);
  }

  std::string dir_, user_, machine_;
};

TEST_F(MachineRegistry, LookupsMergeTheUserOverTheMachineValueByValue) {
  const struct {
    std::u16string key, name;
    bool found;
    std::u16string value;
  } cases[] = {
      {u"Cls\\A", u"", true, u"machine A"},              // only the machine has the key
      {u"Cls\\A", u"threading", true, u"Apartment"},     // names compare without case
      {u"Cls\\Shared", u"", true, u"user shared"},       // both: the user's value wins
      {u"Cls\\Shared\\Sub", u"", true, u"machine sub"},  // below a key both have
      {u"Cls\\B", u"", true, u"user B"},                 // only the user has it
      {u"Cls\\A", u"Missing", false, u""},
      {u"Cls\\Nowhere", u"", false, u""},
  };
  for (const auto& c : cases) {
    std::u16string value;
    std::string where(c.key.begin(), c.key.end());
    EXPECT_EQ(registryGetString(kRoot, c.key, c.name, &value), c.found) << where;
    EXPECT_EQ(value, c.value) << where;
    EXPECT_EQ(registryProblemCode(), kRegistryOk) << where;
  }
  for (const char16_t* key : {u"OnlyMachine", u"OnlyUser", u"Cls\\Shared\\Sub"}) {
    EXPECT_TRUE(registryKeyExists(kRoot, key));
  }
  // The user's subkeys first, then the machine's the user lacks; "shared" once.
  EXPECT_EQ(registrySubkeys(kRoot, u"Cls"), (std::vector<std::u16string>{u"B", u"shared", u"A"}));
}

TEST_F(MachineRegistry, ChangesAndGroupsUseOnlyTheUserFile) {
  std::string machineBefore = readFile(machine_);
  {
    RegistryChangeGroup group;
    // Inside a group the registry being changed is the only one read.
    EXPECT_FALSE(registryKeyExists(kRoot, u"OnlyMachine"));
    EXPECT_EQ(registrySubkeys(kRoot, u"Cls"), (std::vector<std::u16string>{u"B", u"shared"}));
    EXPECT_EQ(registryDeleteTree(kRoot, u"OnlyMachine"), kRegistryNotFound);
    EXPECT_EQ(registryDeleteTree(kRoot, u"Cls\\shared"), kRegistryOk);
    EXPECT_EQ(group.finish(), kRegistryOk);
  }
  EXPECT_EQ(readFile(machine_), machineBefore);
  // With the user's key gone, the machine's value shows through again.
  std::u16string value;
  EXPECT_TRUE(registryGetString(kRoot, u"Cls\\Shared", u"", &value));
  EXPECT_EQ(value, u"machine shared");
}

TEST_F(MachineRegistry, AMachineRegistryThatCannotBeReadFailsTheLookup) {
  const struct {
    const char* what;
    std::string bytes;  // empty: the machine registry's path is a folder
    std::int32_t code;
  } cases[] = {
      {"corrupt", "VkString registry 1\nkey nonsense\n", kRegistryCorrupt},
      {"a folder", "", kRegistryIoFailed},
  };
  for (const auto& c : cases) {
    fs::remove_all(machine_);
    if (c.bytes.empty()) fs::create_directory(machine_);
    else std::ofstream(machine_, std::ios::binary) << c.bytes;
    useBoth();
    std::u16string value;
    EXPECT_FALSE(registryGetString(kRoot, u"Cls\\A", u"", &value)) << c.what;
    EXPECT_EQ(registryProblemCode(), c.code) << c.what;
    EXPECT_NE(registryProblem().find(machine_), std::string::npos) << c.what << ": " << registryProblem();
    EXPECT_FALSE(registryKeyExists(kRoot, u"OnlyMachine")) << c.what;
    EXPECT_EQ(registryProblemCode(), c.code) << c.what;
    // What the user's file answers is answered without the machine's.
    EXPECT_TRUE(registryGetString(kRoot, u"Cls\\B", u"", &value)) << c.what;
    EXPECT_EQ(registryProblemCode(), kRegistryOk) << c.what;
  }
}

TEST_F(MachineRegistry, AMissingMachineRegistryIsAnEmptyOne) {
  registryUseFile(user_);
  registryUseMachineFile(dir_ + "/no/such/folder/registry");
  EXPECT_FALSE(registryKeyExists(kRoot, u"OnlyMachine"));
  EXPECT_EQ(registryProblemCode(), kRegistryOk);
  EXPECT_TRUE(registryKeyExists(kRoot, u"OnlyUser"));
}

TEST(MachineRegistryPlace, FoundFromTheProgramsOrTheModulesFolder) {
  const InstallLayout usual{"bin", "lib/vkstring", "var/lib/vkstring/registry"};
  const InstallLayout forUsr{"bin", "lib/x86_64-linux-gnu/vkstring", "/var/lib/vkstring/registry"};
  const InstallLayout ownState{"bin", "lib/vkstring", "state/vkstring/registry"};
  struct Case {
    const char* folder;
    const InstallLayout& layout;
    const char* registry;
  } cases[] = {
      {"/opt/vk/bin", usual, "/opt/vk/var/lib/vkstring/registry"},
      {"/opt/vk/lib/vkstring", usual, "/opt/vk/var/lib/vkstring/registry"},
      {"/usr/local/bin", usual, "/usr/local/var/lib/vkstring/registry"},
      // A build configured for /usr/local, packaged under /usr: the state is in /var.
      {"/usr/bin", usual, "/var/lib/vkstring/registry"},
      {"/usr/lib/vkstring", usual, "/var/lib/vkstring/registry"},
      // Only the prefix /usr itself, not a prefix that merely ends in it.
      {"/home/u/usr/bin", usual, "/home/u/usr/var/lib/vkstring/registry"},
      {"/usr/bin", ownState, "/usr/state/vkstring/registry"},
      {"/usr/lib/x86_64-linux-gnu/vkstring", forUsr, "/var/lib/vkstring/registry"},
      {"/tmp/p/bin", forUsr, "/var/lib/vkstring/registry"},
      // Neither folder of an installation: a build tree, a folder that only ends like one.
      {"/work/build", usual, ""},
      {"/work/build/lib", usual, ""},
      {"/work/rubbin", usual, ""},
      {"/bin", usual, ""},
      {"", usual, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(registryMachineFileIn(c.folder, c.layout), c.registry) << c.folder;
  }
}

TEST(MachineRegistryPlace, ABuildTreeProgramHasNone) {
  // This test program is not in an installation's bin folder: it finds no machine registry.
  EXPECT_EQ(registryMachineFilePath(), "");
}

}  // namespace
}  // namespace vk::platform
