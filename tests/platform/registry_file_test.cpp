// The registry kept in a file: any string survives the file, other processes' changes are
// seen and never lost, a corrupt file is refused and left alone, a file this user may only
// read serves reads and refuses changes, nesting is bounded, a group of changes is one write,
// and the file's place follows the environment.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "component/registrar.h"
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

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vk_registry_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/registry";
    registryUseFile(path_);
  }
  void TearDown() override {
    registryUseMemory();
    fs::remove_all(dir_);
  }

  std::string dir_;
  std::string path_;
};

TEST_F(RegistryFile, AnyStringSurvivesTheFile) {
  const struct {
    std::u16string key, name, value;
  } cases[] = {
      {u"say \"hi\"", u"it's \"quoted\"", u"a \"b\" 'c'"},
      {u"Paths", u"", u"C:\\Program Files\\Velkor's\\VelkorString.DLL"},
      {u"Lines", u"breaks", u"one\ntwo\r\n\tthree\n"},
      {u"Zeros", std::u16string(u"n\0m", 3), std::u16string(u"a\0b\0", 4)},
      {u"Controls", u"c", u"\x01\x1F\x7F\x1B[0m"},
      {u"Gr\u00FC\u00DFe \u65E5\u672C", u"\u00E9", u"\u65E5\u672C\u8A9E \U0001F600 \u00E9"},
      {u"Lone", u"high", u"\xD800x"},
      {u"Lone", u"low", u"y\xDC00"},
      {u"Lone", u"reversed", u"\xDC00\xD800"},
      {u"Format", u"lines", u"\"\nend\nkey HKEY_CLASSES_ROOT \"x\"\nvalue \"\" \"\""},
      {u"Format", u"escapes", u"\\u0041 \\n \\\" \\"},
      {u"Format", u"space", u"  both ends  "},
      {u"Empty", u"", u""},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(registryCreateKey(kRoot, u"Hostile\\" + c.key), kRegistryOk);
    ASSERT_EQ(registrySetString(kRoot, u"Hostile\\" + c.key, c.name, c.value), kRegistryOk);
  }
  std::string bytes = readFile(path_);
  EXPECT_EQ(bytes.compare(0, 20, "VkString registry 1\n"), 0);
  for (char b : bytes) EXPECT_TRUE(b == '\n' || static_cast<unsigned char>(b) >= 0x20) << int(b);

  registryUseFile(path_);  // forget what this process knows: everything comes from the file
  for (const auto& c : cases) {
    std::u16string value;
    ASSERT_TRUE(registryGetString(kRoot, u"Hostile\\" + c.key, c.name, &value));
    EXPECT_EQ(value, c.value);
  }
  std::vector<std::u16string> keys = registrySubkeys(kRoot, u"Hostile");
  EXPECT_NE(std::find(keys.begin(), keys.end(), u"say \"hi\""), keys.end());  // spelling kept
  EXPECT_EQ(readFile(path_), bytes);                                          // reading changes nothing
}

TEST_F(RegistryFile, OtherProcessesChangesAreSeenAndKept) {
  ASSERT_EQ(registryCreateKey(kRoot, u"Parent"), kRegistryOk);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child starts from the file, as a separate program would.
    registryUseFile(path_);
    bool ok = registryKeyExists(kRoot, u"Parent") && registryCreateKey(kRoot, u"Child") == 0 &&
              registrySetString(kRoot, u"Child", u"", u"from the child") == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::u16string value;
  ASSERT_TRUE(registryGetString(kRoot, u"Child", u"", &value));
  EXPECT_EQ(value, u"from the child");
  ASSERT_EQ(registryCreateKey(kRoot, u"Later"), kRegistryOk);  // does not write the old tree back
  EXPECT_TRUE(registryKeyExists(kRoot, u"Child"));
  registryUseFile(path_);
  EXPECT_TRUE(registryKeyExists(kRoot, u"Child"));
  EXPECT_TRUE(registryKeyExists(kRoot, u"Later"));
}

TEST_F(RegistryFile, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 3;
  constexpr int kKeys = 30;
  pid_t children[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    children[w] = fork();
    ASSERT_GE(children[w], 0);
    if (children[w] == 0) {
      registryUseFile(path_);
      bool ok = true;
      for (int k = 0; k < kKeys; ++k) {
        std::string name = "Writer" + std::to_string(w) + "\\Key" + std::to_string(k);
        std::u16string key(name.begin(), name.end());
        ok = ok && registryCreateKey(kRoot, key) == 0 && registrySetString(kRoot, key, u"n", key) == 0;
      }
      _exit(ok ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    std::string writer = "Writer" + std::to_string(w);
    EXPECT_EQ(registrySubkeys(kRoot, std::u16string(writer.begin(), writer.end())).size(),
              static_cast<std::size_t>(kKeys));
  }
}

TEST_F(RegistryFile, CorruptFileIsRefusedAndLeftAlone) {
  const std::string head = "VkString registry 1\n";
  const struct {
    const char* name;
    std::string bytes;
    const char* why;
  } cases[] = {
      {"empty", "", "the file is empty"},
      {"other file", "hello\n", "line 1: not a registry file"},
      {"later format", "VkString registry 2\nend\n", "line 1: format version 2 is not understood"},
      {"no end", head, "the file has no end line"},
      {"cut short", head + "end", "the last line has no line break"},
      {"after end", head + "end\nkey HKEY_CLASSES_ROOT \"a\"\n", "line 3: text after the end line"},
      {"open string", head + "key HKEY_CLASSES_ROOT \"abc\nend\n", "line 2: a string is not closed"},
      {"bad escape", head + "key HKEY_CLASSES_ROOT \"a\\qb\"\nend\n", "line 2: unknown escape"},
      {"bad unit", head + "key HKEY_CLASSES_ROOT \"\\u12G4\"\nend\n", "line 2: a \\u escape"},
      {"short unit", head + "key HKEY_CLASSES_ROOT \"\\u12\"\nend\n", "line 2: a \\u escape"},
      {"not UTF-8", head + "key HKEY_CLASSES_ROOT \"\xC3\x28\"\nend\n", "line 2: bytes that are not UTF-8"},
      {"overlong", head + "key HKEY_CLASSES_ROOT \"\xC0\xAF\"\nend\n", "line 2: bytes that are not UTF-8"},
      {"surrogate", head + "key HKEY_CLASSES_ROOT \"\xED\xA0\x80\"\nend\n",
       "line 2: bytes that are not UTF-8"},
      {"cut character", head + "key HKEY_CLASSES_ROOT \"\xE6\x97\"\nend\n",
       "line 2: bytes that are not UTF-8"},
      {"raw tab", head + "key HKEY_CLASSES_ROOT \"a\tb\"\nend\n", "line 2: a control character"},
      {"value first", head + "value \"\" \"x\"\nend\n", "line 2: a value before any key"},
      {"unknown root", head + "key HKEY_NOWHERE \"a\"\nend\n", "line 2: unknown root \"HKEY_NOWHERE\""},
      {"empty name", head + "key HKEY_CLASSES_ROOT \"a\\\\\\\\b\"\nend\n", "line 2: an empty key name"},
      {"after path", head + "key HKEY_CLASSES_ROOT \"a\" x\nend\n", "line 2: text after the key's path"},
      {"one string", head + "key HKEY_CLASSES_ROOT \"a\"\nvalue \"n\"\nend\n", "line 3: a value line needs"},
      {"after value", head + "key HKEY_CLASSES_ROOT \"a\"\nvalue \"n\" \"v\"x\nend\n",
       "line 3: text after the value"},
      {"other line", head + "delete HKEY_CLASSES_ROOT \"a\"\nend\n", "line 2: a line that is neither"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(path_, c.bytes);
    registryUseFile(path_);
    std::u16string value;
    EXPECT_FALSE(registryKeyExists(kRoot, u""));
    EXPECT_NE(registryProblem().find("is corrupt: " + std::string(c.why)), std::string::npos)
        << registryProblem();
    EXPECT_FALSE(registryGetString(kRoot, u"a", u"", &value));
    EXPECT_TRUE(registrySubkeys(kRoot, u"").empty());
    EXPECT_EQ(registryCreateKey(kRoot, u"New"), kRegistryCorrupt);
    EXPECT_EQ(registryDeleteTree(kRoot, u"a"), kRegistryCorrupt);
    EXPECT_EQ(readFile(path_), c.bytes);
  }
  // Mended by hand, the file is read again.
  writeFile(path_, head + "key HKEY_CURRENT_USER \"a\\\\b\"\nvalue \"n\" \"v\"\nend\n");
  std::u16string value;
  EXPECT_TRUE(registryGetString(RegistryRoot::CurrentUser, u"a\\b", u"n", &value));
  EXPECT_EQ(value, u"v");
  EXPECT_EQ(registryProblem(), "");
}

TEST_F(RegistryFile, MissingFileIsEmptyUntilTheFirstChangeCreatesIt) {
  std::string nested = dir_ + "/a/b/registry";
  registryUseFile(nested);
  EXPECT_FALSE(registryKeyExists(kRoot, u"Anything"));
  EXPECT_EQ(registryProblem(), "");
  EXPECT_FALSE(fs::exists(nested));
  ASSERT_EQ(registryCreateKey(kRoot, u"Anything"), kRegistryOk);
  EXPECT_TRUE(fs::exists(nested));
  EXPECT_EQ(registryFilePath(), nested);
}

TEST_F(RegistryFile, UnusablePlaceIsReported) {
  writeFile(dir_ + "/plain", "a file, not a folder");
  registryUseFile(dir_ + "/plain/registry");
  EXPECT_EQ(registryCreateKey(kRoot, u"Key"), kRegistryIoFailed);
  EXPECT_NE(registryProblem().find(dir_ + "/plain/registry"), std::string::npos) << registryProblem();
  EXPECT_FALSE(registryKeyExists(kRoot, u"Key"));
}

// Bytes this process has handed to write() so far (/proc/self/io "wchar").
long long bytesWritten() {
  std::FILE* io = std::fopen("/proc/self/io", "r");
  long long value = -1;
  char line[128];
  while (io != nullptr && std::fgets(line, sizeof line, io) != nullptr)
    std::sscanf(line, "wchar: %lld", &value);
  if (io != nullptr) std::fclose(io);
  return value;
}

// A path of `depth` keys, each named `name`.
std::u16string nested(std::size_t depth, const std::u16string& name = u"k") {
  std::u16string path = name;
  for (std::size_t i = 1; i < depth; ++i) path += u"\\" + name;
  return path;
}

TEST_F(RegistryFile, NestingIsBoundedOnCreationAndOnReading) {
  const struct {
    std::size_t depth;
    std::int32_t code;
  } cases[] = {{1, kRegistryOk},
               {kRegistryMaxDepth, kRegistryOk},
               {kRegistryMaxDepth + 1, kRegistryTooDeep},
               {16000, kRegistryTooDeep}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.depth);
    registryDeleteTree(kRoot, u"k");
    std::string before = readFile(path_);
    EXPECT_EQ(registryCreateKey(kRoot, nested(c.depth)), c.code);
    if (c.code == kRegistryOk) {
      EXPECT_TRUE(registryKeyExists(kRoot, nested(c.depth)));
      EXPECT_EQ(registryProblem(), "");
    } else {
      EXPECT_EQ(readFile(path_), before);  // nothing of the refused path is written
      EXPECT_EQ(registryProblemCode(), kRegistryTooDeep);
      EXPECT_NE(registryProblem().find("at most 512 deep"), std::string::npos) << registryProblem();
    }
  }
  // A file with a deeper key (written by hand) is refused with its line.
  std::string deep(3 * (kRegistryMaxDepth + 1) - 2, 'k');
  for (std::size_t i = 1; i < deep.size(); i += 3) deep.replace(i, 2, "\\\\");
  writeFile(path_, "VkString registry 1\nkey HKEY_CLASSES_ROOT \"a\"\nkey HKEY_CLASSES_ROOT \"" + deep +
                       "\"\nend\n");
  registryUseFile(path_);
  EXPECT_FALSE(registryKeyExists(kRoot, u"a"));
  EXPECT_EQ(registryProblemCode(), kRegistryCorrupt);
  EXPECT_NE(registryProblem().find("is corrupt: line 3: a key nested 513 deep"), std::string::npos)
      << registryProblem();
}

// Registering costs one write of the file, whatever the number of keys: with a large registry
// already in the file, the bytes written for a registration are the new file's size once.
TEST_F(RegistryFile, RegistrationWritesTheFileOnce) {
  RegistryChangeGroup others;
  for (int k = 0; k < 2000; ++k) {
    std::string name = "Other\\Key" + std::to_string(k);
    ASSERT_EQ(registryCreateKey(kRoot, std::u16string(name.begin(), name.end())), kRegistryOk);
  }
  ASSERT_EQ(others.finish(), kRegistryOk);
  std::u16string flat = u"HKCU\n{\n  Flat\n  {\n";
  for (int k = 0; k < 300; ++k) {
    std::string line = "    K" + std::to_string(k) + " = s 'v'\n";
    flat += std::u16string(line.begin(), line.end());
  }
  flat += u"  }\n}\n";
  std::u16string deep = u"HKCU\n{\n";
  for (int k = 0; k < 300; ++k) deep += u"D\n{\n";
  for (int k = 0; k < 300; ++k) deep += u"}\n";
  deep += u"}\n";
  const struct {
    const char* name;
    std::u16string script;
    std::u16string lastKey;
  } cases[] = {{"300 keys side by side", flat, u"Flat\\K299"}, {"300 keys nested", deep, nested(300, u"D")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    long long start = bytesWritten();
    ASSERT_EQ(Registrar().registerScript(c.script), S_OK);
    long long written = bytesWritten() - start;
    EXPECT_EQ(written, static_cast<long long>(readFile(path_).size()));
    registryUseFile(path_);
    EXPECT_TRUE(registryKeyExists(RegistryRoot::CurrentUser, c.lastKey));
  }
}

TEST_F(RegistryFile, ChangeGroupWritesAtItsEndAndReportsItsFirstFailure) {
  ASSERT_EQ(registryCreateKey(kRoot, u"Before"), kRegistryOk);
  std::string before = readFile(path_);
  {
    RegistryChangeGroup group;
    ASSERT_EQ(registryCreateKey(kRoot, u"Grouped"), kRegistryOk);
    ASSERT_EQ(registrySetString(kRoot, u"Grouped", u"n", u"v"), kRegistryOk);
    {
      RegistryChangeGroup inner;  // nested: only the outermost group writes
      ASSERT_EQ(registryCreateKey(kRoot, u"Inner"), kRegistryOk);
      EXPECT_EQ(inner.finish(), kRegistryOk);
    }
    EXPECT_TRUE(registryKeyExists(kRoot, u"Inner"));  // the group sees its own changes
    EXPECT_EQ(readFile(path_), before);
    EXPECT_EQ(registryCreateKey(kRoot, nested(kRegistryMaxDepth + 1)), kRegistryTooDeep);
    EXPECT_EQ(group.finish(), kRegistryTooDeep);
  }
  registryUseFile(path_);
  std::u16string value;
  EXPECT_TRUE(registryGetString(kRoot, u"Grouped", u"n", &value));
  EXPECT_TRUE(registryKeyExists(kRoot, u"Inner"));
  RegistryChangeGroup clean;  // a new group starts without the old failure
  EXPECT_EQ(clean.finish(), kRegistryOk);
}

// A registry file of another user (or the system's), readable by all in a folder this user
// cannot write: reads work with or without its lock file, changes are refused as access
// denied and the file is left as it is. The child drops to an unprivileged user when the tests
// run as root; otherwise it is this user, kept out by the folder's permission bits.
TEST_F(RegistryFile, ReadOnlyRegistryServesReadsAndRefusesChanges) {
  ASSERT_EQ(registryCreateKey(kRoot, u"Shared"), kRegistryOk);
  ASSERT_EQ(registrySetString(kRoot, u"Shared", u"n", u"value"), kRegistryOk);
  const std::string bytes = readFile(path_);
  for (bool withLock : {true, false}) {
    SCOPED_TRACE(withLock ? "with its lock file" : "without a lock file");
    if (!withLock) fs::remove(path_ + ".lock");
    ASSERT_EQ(chmod(path_.c_str(), 0644), 0);
    ASSERT_EQ(chmod(dir_.c_str(), geteuid() == 0 ? 0755 : 0555), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
      registryUseFile(path_);
      std::u16string value;
      if (!registryGetString(kRoot, u"Shared", u"n", &value) || value != u"value") _exit(11);
      if (registrySubkeys(kRoot, u"").size() != 1 || registryProblemCode() != kRegistryOk) _exit(12);
      if (registryCreateKey(kRoot, u"New") != kRegistryAccessDenied) _exit(13);
      if (registryProblem().find(path_ + " cannot be changed by this user") == std::string::npos) _exit(14);
      if (registryDeleteTree(kRoot, u"Shared") != kRegistryAccessDenied) _exit(15);
      RegistryChangeGroup group;
      registrySetString(kRoot, u"Shared", u"n", u"other");
      if (group.finish() != kRegistryAccessDenied) _exit(16);
      if (!registryGetString(kRoot, u"Shared", u"n", &value) || value != u"value") _exit(17);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    chmod(dir_.c_str(), 0700);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's check that failed (see its _exit codes)";
    EXPECT_EQ(readFile(path_), bytes);
  }
}

TEST(RegistryPlace, DefaultFileFollowsTheEnvironment) {
  const char* names[] = {"VK_REGISTRY", "XDG_DATA_HOME", "HOME"};
  std::string saved[3];
  bool had[3];
  for (int i = 0; i < 3; ++i) {
    const char* v = getenv(names[i]);
    had[i] = v != nullptr;
    if (had[i]) saved[i] = v;
  }
  std::string cwd = fs::current_path().string();
  const struct {
    const char* registry;
    const char* dataHome;
    const char* home;
    std::string expected;
  } cases[] = {
      {"/srv/reg", "/data", "/home/u", "/srv/reg"},
      {"rel/reg", nullptr, "/home/u", cwd + "/rel/reg"},
      {":memory:", "/data", "/home/u", ""},
      {"", "/data", "/home/u", "/data/vkstring/registry"},
      {nullptr, "relative", "/home/u", "/home/u/.local/share/vkstring/registry"},
      {nullptr, nullptr, "/home/u", "/home/u/.local/share/vkstring/registry"},
      {nullptr, nullptr, nullptr, ""},
  };
  for (const auto& c : cases) {
    const char* values[] = {c.registry, c.dataHome, c.home};
    for (int i = 0; i < 3; ++i) {
      if (values[i] != nullptr) setenv(names[i], values[i], 1);
      else unsetenv(names[i]);
    }
    EXPECT_EQ(registryDefaultFilePath(), c.expected);
  }
  for (int i = 0; i < 3; ++i) {
    if (had[i]) setenv(names[i], saved[i].c_str(), 1);
    else unsetenv(names[i]);
  }
}

}  // namespace
}  // namespace vk::platform
