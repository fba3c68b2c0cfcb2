// What the file members promise beyond reading and writing: appends from many processes arrive
// whole, a save that fails part-way keeps the old file, a replacing save keeps the target's
// permission bits, links and non-regular files are handled as they must be, and a text too
// large for the object fails one call without ending the process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ansi_scope.h"
#include "component/vkstring.h"
#include "files/file_test_support.h"
#include "platform/automation.h"
#include "test_bstr.h"

namespace vk {
namespace {

using test::Bytes;
using test::TempDir;

using test::Bstr;

std::string textOf(VkString& object) { return object.value().getUtf8(); }

void setText(VkString& object, const std::string& utf8) {
  Bstr text(utf8);
  object.put_Str(text);
}

// Calls one of the file members (SaveToFile, AppendToFile or LoadFile) and answers its result.
using FileMember = HRESULT (VkString::*)(BSTR, BSTR, LONG*);
LONG callFile(VkString& object, FileMember member, const std::string& path, const char* charset) {
  Bstr name(path);
  Bstr cs{std::string(charset)};
  LONG success = -1;
  EXPECT_EQ((object.*member)(name, cs, &success), S_OK);
  return success;
}
LONG save(VkString& object, const std::string& path, const char* charset = "utf-8") {
  return callFile(object, &VkString::SaveToFile, path, charset);
}
LONG append(VkString& object, const std::string& path, const char* charset = "utf-8") {
  return callFile(object, &VkString::AppendToFile, path, charset);
}
LONG load(VkString& object, const std::string& path, const char* charset = "utf-8") {
  return callFile(object, &VkString::LoadFile, path, charset);
}

std::string contentOf(const std::string& path) {
  Bytes bytes = test::readAll(path);
  return std::string(bytes.begin(), bytes.end());
}

mode_t modeOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// Runs `body` in a child process and answers its exit status (-1 if it did not exit).
template <typename Body>
int inChild(Body body) {
  pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// --- Appends from several processes at once

// Distinct lines of several lengths, long ones among them, so that a record split across
// writes or written over another would show.
std::string lineOf(int process, int index) {
  std::ostringstream line;
  line << "p" << process << " n" << index << " ";
  std::size_t length = index % 25 == 0 ? 70000 : 20 + (index * 37) % 300;
  line << std::string(length, static_cast<char>('a' + (process + index) % 26)) << " end\n";
  return line.str();
}

TEST(ConcurrentAppends, EveryLineOfEveryProcessArrivesWhole) {
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  const std::string log = dir.file("log.txt");
  constexpr int kProcesses = 8;
  constexpr int kLines = 150;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t child = ::fork();
    if (child == 0) {
      int failures = 0;
      for (int i = 0; i < kLines; ++i) {
        VkString object;
        setText(object, lineOf(p, i));
        if (append(object, log) != 1) ++failures;
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "an append answered 0";
  }
  std::map<std::string, int> seen;
  std::istringstream in(contentOf(log));
  for (std::string line; std::getline(in, line);) ++seen[line + "\n"];
  std::size_t expected = 0;
  for (int p = 0; p < kProcesses; ++p) {
    for (int i = 0; i < kLines; ++i) {
      std::string line = lineOf(p, i);
      expected += line.size();
      EXPECT_EQ(seen[line], 1) << "line " << i << " of process " << p;
    }
  }
  EXPECT_EQ(seen.size(), std::size_t{kProcesses * kLines}) << "spliced lines";
  EXPECT_EQ(contentOf(log).size(), expected);
}

// --- Saves that replace the file

TEST(ReplacingSave, LeavesNoOtherFileAndTakesNewBytes) {
  TempDir dir;
  const std::string path = dir.file("out.txt");
  test::writeAll(path, test::bytesOf(std::string(20000, 'o')));
  VkString object;
  setText(object, "new text");
  EXPECT_EQ(save(object, path), 1);
  EXPECT_EQ(contentOf(path), "new text");
  EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{"out.txt"});
}

// A save that the system stops part-way (the file-size limit here; a full disk alike) answers 0
// and leaves the old file byte for byte, with no new file beside it.
TEST(ReplacingSave, FailingPartWayKeepsTheOriginal) {
  TempDir dir;
  const std::string path = dir.file("keep.txt");
  const std::string original(20 * 1024, 'k');
  test::writeAll(path, test::bytesOf(original));
  int status = inChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      64 * 1024, 64 * 1024
    };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    VkString object;
    setText(object, std::string(200 * 1024, 'n'));
    return save(object, path) == 0 ? 0 : 1;
  });
  EXPECT_EQ(status, 0) << "the save did not answer 0";
  EXPECT_EQ(contentOf(path), original);
  EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{"keep.txt"});
}

TEST(ReplacingSave, KeepsThePermissionBits) {
  TempDir dir;
  for (mode_t mode : {0600, 0640, 0604, 0755}) {
    const std::string path = dir.file("m.txt");
    test::writeAll(path, test::bytesOf("old"));
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    VkString object;
    setText(object, "new");
    EXPECT_EQ(save(object, path), 1);
    EXPECT_EQ(modeOf(path), mode) << std::oct << mode;
    EXPECT_EQ(contentOf(path), "new");
  }
}

TEST(ReplacingSave, NewFileTakesTheModeAnOpenWouldGiveIt) {
  TempDir dir;
  mode_t previous = ::umask(027);
  VkString object;
  setText(object, "x");
  EXPECT_EQ(save(object, dir.file("new.txt")), 1);
  ::umask(previous);
  EXPECT_EQ(modeOf(dir.file("new.txt")), mode_t{0640});
}

// A symbolic link is followed: the file it names gets the new bytes and the link stays a
// link. A file with another hard link is written in place, so both names keep showing one
// file.
TEST(ReplacingSave, FollowsSymbolicLinksAndKeepsHardLinksTogether) {
  TempDir dir;
  ::mkdir(dir.file("real").c_str(), 0755);
  const std::string target = dir.file("real/target.txt");
  test::writeAll(target, test::bytesOf("old"));
  ASSERT_EQ(::symlink(target.c_str(), dir.file("link.txt").c_str()), 0);
  VkString object;
  setText(object, "through the link");
  EXPECT_EQ(save(object, dir.file("link.txt")), 1);
  struct stat info {};
  ASSERT_EQ(::lstat(dir.file("link.txt").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(contentOf(target), "through the link");
  EXPECT_EQ(test::listing(dir.file("real")), std::vector<std::string>{"target.txt"});

  const std::string first = dir.file("first.txt");
  test::writeAll(first, test::bytesOf("old"));
  ASSERT_EQ(::link(first.c_str(), dir.file("second.txt").c_str()), 0);
  setText(object, "both names");
  EXPECT_EQ(save(object, first), 1);
  EXPECT_EQ(contentOf(dir.file("second.txt")), "both names");
}

// A file the process may not write is refused, though its folder would take a new file.
TEST(ReplacingSave, RefusesAReadOnlyFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes any file";
  TempDir dir;
  const std::string path = dir.file("ro.txt");
  test::writeAll(path, test::bytesOf("old"));
  ::chmod(path.c_str(), 0444);
  VkString object;
  setText(object, "new");
  EXPECT_EQ(save(object, path), 0);
  EXPECT_EQ(contentOf(path), "old");
}

// --- Pipes, FIFOs, devices and files without a size

TEST(NonRegularFiles, LoadReadsPipesFifosAndProcFilesToTheirEnd) {
  TempDir dir;
  const std::string payload = std::string(300000, 'p') + "end";
  // A pipe, reached by its descriptor's name.
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  std::thread writer([&] {
    std::size_t done = 0;
    while (done < payload.size()) {
      ssize_t put = ::write(ends[1], payload.data() + done, payload.size() - done);
      if (put <= 0) break;
      done += static_cast<std::size_t>(put);
    }
    ::close(ends[1]);
  });
  VkString object;
  EXPECT_EQ(load(object, "/dev/fd/" + std::to_string(ends[0])), 1);
  writer.join();
  ::close(ends[0]);
  EXPECT_EQ(textOf(object), payload);

  // A FIFO.
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread fifoWriter([&] {
    int fd = ::open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    ssize_t put = ::write(fd, "from a fifo", 11);
    (void)put;
    ::close(fd);
  });
  EXPECT_EQ(load(object, fifo), 1);
  fifoWriter.join();
  EXPECT_EQ(textOf(object), "from a fifo");

  // A /proc file reports size 0 but has content.
  EXPECT_EQ(load(object, "/proc/self/status"), 1);
  EXPECT_NE(textOf(object).find("Pid:"), std::string::npos);
}

TEST(NonRegularFiles, LoadOfAFolderFailsAndKeepsTheText) {
  TempDir dir;
  VkString object;
  setText(object, "kept");
  EXPECT_EQ(load(object, dir.path()), 0);
  EXPECT_EQ(textOf(object), "kept");
}

TEST(NonRegularFiles, SaveAndAppendWriteToAFifoDirectly) {
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    int fd = ::open(fifo.c_str(), O_RDONLY);
    char chunk[4096];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;)
      received.append(chunk, static_cast<std::size_t>(got));
    ::close(fd);
  });
  VkString object;
  setText(object, "to the fifo");
  EXPECT_EQ(save(object, fifo), 1);
  reader.join();
  EXPECT_EQ(received, "to the fifo");
  EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{"fifo"});
  EXPECT_EQ(append(object, "/dev/null"), 1);
  EXPECT_EQ(save(object, "/dev/null"), 1);
}

// --- Texts too large for the object

// A load whose converted text would pass the 32-bit lengths answers 0, keeps the text, and
// the object (and the process) go on working.
TEST(TooLarge, LoadOfAHugeSparseFileAnswersZeroAndTheNextCallWorks) {
  TempDir dir;
  const std::string path = dir.file("huge.txt");
  int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t{2147483660}), 0);
  ::close(fd);
  VkString object;
  setText(object, "before");
  EXPECT_EQ(load(object, path, "iso-8859-1"), 0);
  EXPECT_EQ(textOf(object), "before");
  Bstr more("+after");
  object.Append(more);
  EXPECT_EQ(textOf(object), "before+after");
}

TEST(TooLarge, StreamsThatDoNotEndWithinTheLimitAnswerZero) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "reads 4 GiB";
#endif
  VkString object;
  setText(object, "kept");
  EXPECT_EQ(load(object, "/dev/zero"), 0);
  EXPECT_EQ(textOf(object), "kept");
}

// Members that would grow the text past its 32-bit length leave it as it was: 2,100
// replacements of a megabyte each would make 2.2 GB. (Few, long replacements: a sanitizer's
// string checks rescan the text at every search.)
TEST(TooLarge, GrowingMembersLeaveTheTextUnchanged) {
  VkString object;
  const std::string start(2100, 'a');
  setText(object, start);
  Bstr find("a");
  Bstr huge(std::string(1 << 20, 'b'));
  EXPECT_EQ(object.ReplaceAll(find, huge), S_OK);
  LONG length = 0;
  object.Length(&length);
  EXPECT_EQ(length, 2100);
  EXPECT_EQ(textOf(object), start);
  // The object still works.
  Bstr small("c");
  object.ReplaceAll(find, small);
  EXPECT_EQ(textOf(object), std::string(2100, 'c'));
}

TEST(TooLarge, AnAutomationStringTooLongIsRefusedNotFatal) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x40000000u), nullptr);
}

}  // namespace
}  // namespace vk
