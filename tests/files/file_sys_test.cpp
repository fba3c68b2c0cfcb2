#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "ansi_scope.h"
#include "file_test_support.h"
#include "files/file_sys.h"
#include "platform/file_services.h"
#include "platform/system_message.h"
#include "text/data_buffer.h"

namespace vk {
namespace {

using namespace platform;
using test::Bytes;
using test::RecordingLog;
using test::TempDir;

const std::string kGreekName = "\xCF\x83.txt";  // "σ.txt": outside code page 1252

XString utf8Value(const std::string& text) {
  XString value;
  value.setFromUtf8(text.c_str());
  return value;
}

std::string osText(std::uint32_t code) {
  StringBuffer text;
  text.appendSystemMessage(code);
  return text.text();
}

// Makes getVersionExA answer a given platform for the length of a test.
class VersionScope {
 public:
  VersionScope(std::uint32_t platformId, std::uint32_t minor) {
    OsVersionInfoA info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwMajorVersion = 4;
    info.dwMinorVersion = minor;
    info.dwPlatformId = platformId;
    overrideVersionInfo(&info);
  }
  ~VersionScope() { overrideVersionInfo(nullptr); }
};

// --- Sharing: an open is checked against every handle open on the same file.

struct SharingCase {
  std::uint32_t heldAccess, heldShare, newAccess, newShare;
  bool allowed;
};

class Sharing : public ::testing::TestWithParam<SharingCase> {};

TEST_P(Sharing, FollowsTheAccessAndShareModesOfBothHandles) {
  const SharingCase& c = GetParam();
  TempDir dir;
  std::string path = dir.file("shared.txt");
  test::writeAll(path, test::bytesOf("content"));
  FileHandle held = createFileA(path.c_str(), c.heldAccess, c.heldShare, kOpenExisting, kFileAttributeNormal);
  ASSERT_NE(held, kInvalidFileHandle);
  // CREATE_ALWAYS would truncate: a refused open must leave the content alone.
  std::uint32_t disposition = (c.newAccess & kGenericWrite) != 0 ? kCreateAlways : kOpenExisting;
  FileHandle second = createFileA(path.c_str(), c.newAccess, c.newShare, disposition, kFileAttributeNormal);
  EXPECT_EQ(second != kInvalidFileHandle, c.allowed);
  if (second == kInvalidFileHandle) {
    EXPECT_EQ(lastErrorCode(), kErrorSharingViolation);
    EXPECT_EQ(test::readAll(path), test::bytesOf("content"));
  }
  closeHandle(second);
  closeHandle(held);
  // Once both are closed any open succeeds again.
  FileHandle again = createFileA(path.c_str(), kGenericWrite, 0, kOpenExisting, kFileAttributeNormal);
  EXPECT_NE(again, kInvalidFileHandle);
  closeHandle(again);
}

constexpr std::uint32_t R = kGenericRead, W = kGenericWrite, SR = kFileShareRead, SW = kFileShareWrite;
INSTANTIATE_TEST_SUITE_P(
    Modes, Sharing,
    ::testing::Values(SharingCase{R, SR, R, SR, true}, SharingCase{R, SR, W, SR | SW, false},
                      SharingCase{W, SR, R, SR, false}, SharingCase{W, SR, R, SR | SW, true},
                      SharingCase{W, 0, R, SR | SW, false}, SharingCase{R, SR | SW, W, 0, false},
                      SharingCase{R, SR | SW, W, SR, true}, SharingCase{R | W, SR, R | W, SR, false}));

// --- Error codes of failed opens.

struct OpenErrorCase {
  const char* label;
  std::function<std::string(const TempDir&)> name;  // narrow name
  std::uint32_t error;
  std::int32_t ansiCodePage = 1252;
};

class OpenErrors : public ::testing::TestWithParam<OpenErrorCase> {};

TEST_P(OpenErrors, CarryTheWin32Code) {
  test::AnsiCodePageScope ansi(GetParam().ansiCodePage);
  TempDir dir;
  std::string name = GetParam().name(dir);
  FileHandle file =
      createFileA(name.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kFileAttributeNormal);
  EXPECT_EQ(file, kInvalidFileHandle);
  EXPECT_EQ(lastErrorCode(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenErrors,
    ::testing::Values(
        OpenErrorCase{"MissingFile", [](const TempDir& d) { return d.file("missing.txt"); },
                      kErrorFileNotFound},
        OpenErrorCase{"MissingDirectory", [](const TempDir& d) { return d.file("no/such.txt"); },
                      kErrorPathNotFound},
        OpenErrorCase{"Directory", [](const TempDir& d) { return d.path(); }, kErrorAccessDenied},
        // 0x81 has no character in code page 1252: the name cannot be rendered, so nothing opens.
        OpenErrorCase{"UnmappedByte", [](const TempDir& d) { return d.file("a\x81.txt"); },
                      kErrorInvalidName},
        OpenErrorCase{"MalformedUtf8", [](const TempDir& d) { return d.file("a\xC3.txt"); },
                      kErrorInvalidName, 65001},
        OpenErrorCase{"Empty", [](const TempDir&) { return std::string(); }, kErrorPathNotFound}),
    [](const auto& info) { return std::string(info.param.label); });

// --- The retry on sharing violations.

struct RetryCase {
  const char* label;
  bool narrowName;  // an ASCII name goes to the narrow interface, a Greek one to the wide
  bool forWrite;
  std::uint32_t heldAccess, heldShare;
  bool opens;
  std::uint64_t attempts;
  int minimumMs;
};

class Retry : public ::testing::TestWithParam<RetryCase> {};

TEST_P(Retry, WaitsAndWidensAsEachInterfaceDoes) {
  const RetryCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  std::string path = dir.file(c.narrowName ? "plain.txt" : kGreekName);
  test::writeAll(path, test::bytesOf("held"));
  std::u16string widePath;
  {
    XString value = utf8Value(path);
    const DataBuffer& wide = value.getWide();
    widePath.assign(reinterpret_cast<const char16_t*>(wide.data()), wide.length() / 2 - 1);
  }
  FileHandle held =
      createFileW(widePath.c_str(), c.heldAccess, c.heldShare, kOpenExisting, kFileAttributeNormal);
  ASSERT_NE(held, kInvalidFileHandle);

  XString name = utf8Value(path);
  ASSERT_EQ(FileSys::useNarrowName(name), c.narrowName);
  RecordingLog log;
  std::uint64_t before = createFileCallCount();
  auto start = std::chrono::steady_clock::now();
  FileHandle opened = c.forWrite ? FileSys::openForWrite(name, &log) : FileSys::openForRead(name, &log);
  auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

  EXPECT_EQ(opened != kInvalidFileHandle, c.opens);
  EXPECT_EQ(createFileCallCount() - before, c.attempts);
  EXPECT_GE(elapsed.count(), c.minimumMs);
  if (!c.opens) {
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(log.entries[0].second, c.narrowName ? "Failed to open file (2)" : "Failed to open file (3)");
    EXPECT_EQ(log.entries.back(), std::make_pair(std::string("osErrorInfo"), osText(kErrorSharingViolation)));
    EXPECT_EQ(test::readAll(path), test::bytesOf("held"));  // nothing truncated
  }
  FileSys::closeFile(opened);
  closeHandle(held);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Retry,
    ::testing::Values(
        // A writer that lets others read: the narrow read adds write sharing and gets in at
        // the first retry; the wide read keeps its sharing and gives up after three waits.
        RetryCase{"NarrowReadWidens", true, false, W, SR, true, 2, 50},
        RetryCase{"WideReadGivesUp", false, false, W, SR, false, 4, 150},
        // A reader that shares both ways: writing asks for no sharing, on both interfaces.
        RetryCase{"NarrowWriteUnchanged", true, true, R, SR | SW, false, 4, 150},
        RetryCase{"WideWriteUnchanged", false, true, R, SR | SW, false, 4, 150},
        RetryCase{"NoConflictNoWait", true, false, R, SR, true, 1, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RetryRelease, WideOpenSucceedsOnceTheHolderCloses) {
  TempDir dir;
  std::string path = dir.file("released.txt");
  test::writeAll(path, test::bytesOf("x"));
  FileHandle held = createFileA(path.c_str(), kGenericWrite, 0, kOpenExisting, kFileAttributeNormal);
  ASSERT_NE(held, kInvalidFileHandle);
  std::thread releaser([held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(70));
    closeHandle(held);
  });
  std::u16string wide = test::u16(path);
  FileHandle opened = FileSys::createFileWide(wide.c_str(), kGenericRead, kFileShareRead, kOpenExisting,
                                              kFileAttributeNormal);
  releaser.join();
  EXPECT_NE(opened, kInvalidFileHandle);
  FileSys::closeFile(opened);
}

// A whole-file write whose target another handle holds: the replace is retried like an open,
// and succeeds once the holder lets go, or fails after three waits and leaves the bytes.
struct ReplaceRetryCase {
  const char* label;
  bool narrowName;
  int releaseAfterMs;  // -1: the holder stays open
};

class ReplaceRetry : public ::testing::TestWithParam<ReplaceRetryCase> {};

TEST_P(ReplaceRetry, WaitsForTheHolderOrLeavesTheFile) {
  const ReplaceRetryCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  std::string path = dir.file(c.narrowName ? "plain.txt" : kGreekName);
  test::writeAll(path, test::bytesOf("held"));
  XString name = utf8Value(path);
  FileHandle held = createFileW(reinterpret_cast<const char16_t*>(name.getWide().data()), kGenericRead,
                                kFileShareRead | kFileShareWrite, kOpenExisting, kFileAttributeNormal);
  ASSERT_NE(held, kInvalidFileHandle);
  std::thread releaser([&] {
    if (c.releaseAfterMs < 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(c.releaseAfterMs));
    closeHandle(held);
  });
  RecordingLog log;
  auto start = std::chrono::steady_clock::now();
  bool written = FileSys::writeWholeFile(path.c_str(), "new", 3, &log);
  auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  releaser.join();

  if (c.releaseAfterMs >= 0) {
    EXPECT_TRUE(written);
    EXPECT_GE(elapsed.count(), c.releaseAfterMs);
    EXPECT_EQ(test::readAll(path), test::bytesOf("new"));
    EXPECT_TRUE(log.entries.empty());
    return;
  }
  closeHandle(held);
  EXPECT_FALSE(written);
  EXPECT_GE(elapsed.count(), 150);  // three waits of 50 ms
  EXPECT_EQ(test::readAll(path), test::bytesOf("held"));
  using Entry = std::pair<std::string, std::string>;
  std::vector<Entry> expected = {Entry(c.narrowName ? "filename" : "utf8Filename", path),
                                 Entry("error", osText(kErrorSharingViolation)),
                                 Entry("error", "Failed to write complete file (3)")};
  EXPECT_EQ(log.entries, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReplaceRetry,
                         ::testing::Values(ReplaceRetryCase{"NarrowNameGivesUp", true, -1},
                                           ReplaceRetryCase{"WideNameGivesUp", false, -1},
                                           ReplaceRetryCase{"HolderLetsGo", true, 70}),
                         [](const auto& info) { return std::string(info.param.label); });

// --- What the file layer logs.

struct LogCase {
  const char* label;
  // Runs one operation in the directory with the log; answers the path it used.
  std::function<std::string(const TempDir&, RecordingLog&)> run;
  // Expected entries, "%s" standing for the path.
  std::vector<std::pair<std::string, std::string>> expected;
};

class Logging : public ::testing::TestWithParam<LogCase> {};

TEST_P(Logging, RecordsTheNumberedMessagesInOrder) {
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  RecordingLog log;
  std::string path = GetParam().run(dir, log);
  std::vector<std::pair<std::string, std::string>> expected = GetParam().expected;
  for (auto& entry : expected) {
    if (entry.second == "%s") entry.second = path;
  }
  EXPECT_EQ(log.entries, expected);
}

const std::string kNoFile = osText(kErrorFileNotFound);
const std::string kNoPath = osText(kErrorPathNotFound);

INSTANTIATE_TEST_SUITE_P(
    Cases, Logging,
    ::testing::Values(
        LogCase{"ReadEmptyName",
                [](const TempDir&, RecordingLog& log) {
                  XString empty;
                  EXPECT_EQ(FileSys::openForRead(empty, &log), kInvalidFileHandle);
                  return std::string();
                },
                {{"error", "Cannot open file, filename is empty."}}},
        LogCase{"WriteAndAppendEmptyName",
                [](const TempDir&, RecordingLog& log) {
                  XString empty;
                  EXPECT_EQ(FileSys::openForWrite(empty, &log), kInvalidFileHandle);
                  EXPECT_EQ(FileSys::openForAppend(empty, &log), kInvalidFileHandle);
                  return std::string();
                },
                {}},
        LogCase{"NarrowOpenFails",
                [](const TempDir& d, RecordingLog& log) {
                  std::string p = d.file("missing.txt");
                  FileSys::createFileNarrow(p.c_str(), kGenericRead, kFileShareRead, kOpenExisting,
                                            kFileAttributeNormal, &log);
                  return p;
                },
                {{"error", "Failed to open file (2)"}, {"filename", "%s"}, {"osErrorInfo", kNoFile}}},
        LogCase{"WideOpenFailsAnsiName",
                [](const TempDir& d, RecordingLog& log) {
                  std::string p = d.file("missing.txt");
                  std::u16string w = test::u16(p);
                  FileSys::createFileWide(w.c_str(), kGenericRead, kFileShareRead, kOpenExisting,
                                          kFileAttributeNormal, &log);
                  return p;
                },
                {{"error", "Failed to open file (3)"}, {"filename", "%s"}, {"osErrorInfo", kNoFile}}},
        LogCase{"WideOpenFailsOtherName",
                [](const TempDir& d, RecordingLog& log) {
                  std::string p = d.file(kGreekName);
                  XString name = utf8Value(p);
                  FileSys::openForRead(name, &log);
                  return p;
                },
                {{"error", "Failed to open file (3)"}, {"utf8Filename", "%s"}, {"osErrorInfo", kNoFile}}},
        LogCase{"NarrowWriteCannotOpen",
                [](const TempDir& d, RecordingLog& log) {
                  std::string p = d.file("no/dir.txt");
                  EXPECT_FALSE(FileSys::writeWholeFile(p.c_str(), "x", 1, &log));
                  return p;
                },
                {{"error", "Failed to open file (2)"},
                 {"filename", "%s"},
                 {"osErrorInfo", kNoPath},
                 {"filename", "%s"},
                 {"error", "Failed to write complete file (7)"}}},
        LogCase{"WideWriteCannotOpen",
                [](const TempDir& d, RecordingLog& log) {
                  std::string p = d.file("no/" + kGreekName);
                  EXPECT_FALSE(FileSys::writeWholeFile(p.c_str(), "x", 1, &log));
                  return p;
                },
                {{"error", "Failed to open file (3)"},
                 {"utf8Filename", "%s"},
                 {"osErrorInfo", kNoPath},
                 {"utf8Filename", "%s"},
                 {"error", "Failed to write complete file (6)"}}},
        LogCase{"LoadTooLarge",
                [](const TempDir& d, RecordingLog& log) {
                  // A sparse file of 4 GiB: its size does not fit 32 bits.
                  std::string p = d.file("huge.bin");
                  test::writeAll(p, {});
                  std::filesystem::resize_file(p, 0x100000000ull);
                  DataBuffer buffer;
                  EXPECT_FALSE(buffer.loadWholeFile(p.c_str(), &log));
                  EXPECT_EQ(buffer.length(), 0u);
                  return p;
                },
                {{"error", osText(kErrorFileTooLarge)}}},
        LogCase{"LoadTooLargeForTheZeroTail",
                [](const TempDir& d, RecordingLog& log) {
                  // Fits 32 bits, but the four zero bytes after the content would not.
                  std::string p = d.file("almost.bin");
                  test::writeAll(p, {});
                  std::filesystem::resize_file(p, 0xFFFFFFFCull);
                  DataBuffer buffer;
                  EXPECT_FALSE(buffer.loadWholeFile(p.c_str(), &log));
                  EXPECT_EQ(buffer.length(), 0u);
                  return p;
                },
                {{"error", osText(kErrorFileTooLarge)}}}),
    [](const auto& info) { return std::string(info.param.label); });

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// In the death test's child: limits the address space to what is in use plus 512 MiB, loads
// the file and exits 0 when the load failed cleanly with the expected logged error.
[[noreturn]] void loadUnderAddressLimit(const std::string& path, const std::string& expectedError) {
  unsigned long long pages = 0;  // first field of statm: the address space's size in pages
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  const rlim_t room = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (512ull << 20);
  const rlimit limit{room, room};
  if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(2);
  RecordingLog log;
  DataBuffer buffer;
  const bool loaded = buffer.loadWholeFile(path.c_str(), &log);
  const bool reported = !log.entries.empty() && log.entries.back().second == expectedError;
  std::_Exit(!loaded && buffer.length() == 0 && reported ? 0 : 1);
}
#endif

// A file larger than the address space left (all a 32-bit host may have) fails the load with
// the system's out-of-memory error, leaving the process running.
TEST(LoadOutOfMemory, FailsTheLoadInsteadOfEndingTheProcess) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers reserve address space of their own";
#else
  TempDir dir;
  std::string path = dir.file("big.bin");
  test::writeAll(path, {});
  std::filesystem::resize_file(path, 3ull << 30);
  EXPECT_EXIT(loadUnderAddressLimit(path, osText(kErrorNotEnoughMemory)), ::testing::ExitedWithCode(0), "");
#endif
}

TEST(LoggingShortRead, ReportsAFileThatYieldsLessThanItsSize) {
  // Kernel attribute files report a size of a page and hold a few bytes.
  const char* candidates[] = {"/sys/devices/system/cpu/online",
                              "/sys/kernel/mm/transparent_hugepage/enabled"};
  for (const char* path : candidates) {
    std::error_code error;
    if (!std::filesystem::exists(path, error) || std::filesystem::file_size(path, error) == 0) continue;
    RecordingLog log;
    DataBuffer buffer;
    EXPECT_FALSE(buffer.loadWholeFile(path, &log));
    EXPECT_EQ(
        log.entries,
        (std::vector<std::pair<std::string, std::string>>{{"error", "Failed to read the entire file"}}));
    return;
  }
  GTEST_SKIP() << "no kernel attribute file here";
}

// --- Whole-file loading.

struct LoadCase {
  const char* label;
  Bytes content;
};

class Load : public ::testing::TestWithParam<LoadCase> {};

TEST_P(Load, ReadsEveryByteFollowedByFourZeros) {
  TempDir dir;
  std::string path = dir.file("in.bin");
  test::writeAll(path, GetParam().content);
  DataBuffer buffer;
  buffer.append("stale", 5);
  ASSERT_TRUE(buffer.loadWholeFile(path.c_str()));
  EXPECT_EQ(test::contents(buffer), GetParam().content);
  if (!GetParam().content.empty()) {
    ASSERT_GE(buffer.capacity(), buffer.length() + 4);
    EXPECT_EQ(std::memcmp(buffer.data() + buffer.length(), "\0\0\0\0", 4), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Load,
                         ::testing::Values(LoadCase{"Empty", {}}, LoadCase{"Text", test::bytesOf("abc")},
                                           LoadCase{"ZeroInside", test::hex("61 00 62")},
                                           LoadCase{"Mark", test::hex("EF BB BF 41")},
                                           LoadCase{"Large", Bytes(100000, 0xA5)}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(LoadFailure, LeavesTheBufferEmpty) {
  TempDir dir;
  for (const std::string& name : {dir.file("missing.bin"), dir.path(), std::string()}) {
    DataBuffer buffer;
    buffer.append("stale", 5);
    EXPECT_FALSE(buffer.loadWholeFile(name.c_str())) << name;
    EXPECT_EQ(buffer.length(), 0u) << name;
  }
  DataBuffer buffer;
  EXPECT_FALSE(buffer.loadWholeFile(nullptr));
}

// --- Writing and appending.

struct WriteCase {
  const char* label;
  bool append;
  const char* name;    // UTF-8, in the temporary directory; empty for an empty name
  const char* before;  // null: no file beforehand
  const char* bytes;
  bool result;
  const char* after;  // null: no file afterwards
};

class Write : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Write, CreatesTruncatesOrAppends) {
  const WriteCase& c = GetParam();
  test::AnsiCodePageScope ansi(1252);
  TempDir dir;
  std::string path = c.name[0] != 0 ? dir.file(c.name) : std::string();
  if (c.before != nullptr) test::writeAll(path, test::bytesOf(c.before));
  std::uint32_t count = static_cast<std::uint32_t>(std::strlen(c.bytes));
  bool result;
  if (c.append) {
    XString name = utf8Value(path);
    result = FileSys::appendToFile(name, c.bytes, count);
  } else {
    result = FileSys::writeWholeFile(path.c_str(), c.bytes, count);
  }
  EXPECT_EQ(result, c.result);
  if (path.empty()) return;
  ASSERT_EQ(test::exists(path), c.after != nullptr);
  if (c.after != nullptr) {
    EXPECT_EQ(test::readAll(path), test::bytesOf(c.after));
    // Only the named file is there: no other rendering of the name was written.
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{c.name});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Write,
    ::testing::Values(WriteCase{"SaveCreates", false, "new.txt", nullptr, "abc", true, "abc"},
                      WriteCase{"SaveTruncates", false, "old.txt", "longer text", "ab", true, "ab"},
                      WriteCase{"SaveNothingLeavesEmptyFile", false, "old.txt", "text", "", true, ""},
                      WriteCase{"SaveEmptyName", false, "", nullptr, "abc", false, nullptr},
                      WriteCase{"SaveOtherName", false, "\xCF\x83.txt", nullptr, "abc", true, "abc"},
                      WriteCase{"SaveAnsiName", false, "caf\xC3\xA9.txt", nullptr, "abc", true, "abc"},
                      WriteCase{"AppendCreates", true, "new.txt", nullptr, "abc", true, "abc"},
                      WriteCase{"AppendAtEnd", true, "old.txt", "12345", "ab", true, "12345ab"},
                      WriteCase{"AppendNothingCreatesNothing", true, "new.txt", nullptr, "", true, nullptr},
                      WriteCase{"AppendEmptyName", true, "", nullptr, "abc", false, nullptr},
                      // A name outside the ANSI code page is appended to by its own name.
                      WriteCase{"AppendOtherName", true, "\xCF\x83.txt", "12", "ab", true, "12ab"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(WriteOn9x, NeverUsesTheLossyRenderingOfAName) {
  test::AnsiCodePageScope ansi(1252);
  VersionScope win98(kVerPlatformWin32Windows, 10);
  TempDir dir;
  std::string path = dir.file(kGreekName);
  XString name = utf8Value(path);
  EXPECT_TRUE(FileSys::useNarrowName(name));  // reading still takes the narrow interface
  EXPECT_FALSE(FileSys::useNarrowNameForChange(name));
  EXPECT_TRUE(FileSys::writeWholeFile(path.c_str(), "w", 1));
  EXPECT_TRUE(FileSys::appendToFile(name, "a", 1));
  EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{kGreekName});
  EXPECT_EQ(test::readAll(path), test::bytesOf("wa"));
}

// --- Version and the choice of interface.

struct VersionCase {
  std::uint32_t platformId, minor;
  bool win95, win98, winMe;
};

class Version : public ::testing::TestWithParam<VersionCase> {};

TEST_P(Version, PredicatesLookAtPlatformAndMinorVersion) {
  const VersionCase& c = GetParam();
  VersionScope scope(c.platformId, c.minor);
  WindowsVersion version;
  EXPECT_EQ(version.info().dwOSVersionInfoSize, 148u);
  EXPECT_EQ(version.isWin95(), c.win95);
  EXPECT_EQ(version.isWin98(), c.win98);
  EXPECT_EQ(version.isWinMe(), c.winMe);
  EXPECT_EQ(version.isWin9x(), c.win95 || c.win98 || c.winMe);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Version,
    ::testing::Values(VersionCase{1, 0, true, false, false}, VersionCase{1, 10, false, true, false},
                      VersionCase{1, 90, false, false, true}, VersionCase{1, 5, false, false, false},
                      VersionCase{2, 0, false, false, false}, VersionCase{2, 10, false, false, false},
                      VersionCase{0, 90, false, false, false}));

TEST(Version, NativePlatformIsNt) {
  WindowsVersion version;
  EXPECT_EQ(version.info().dwPlatformId, kVerPlatformWin32Nt);
  EXPECT_FALSE(version.isWin9x());
}

TEST(CurrentDirectory, MatchesTheProcessDirectoryOnBothInterfaces) {
  std::string expected = std::filesystem::current_path().string();
  XString directory;
  FileSys::currentDirectory(directory);
  EXPECT_EQ(std::string(directory.getUtf8()), expected);
  VersionScope win95(kVerPlatformWin32Windows, 0);
  XString narrow;
  FileSys::currentDirectory(narrow);
  EXPECT_TRUE(narrow.isAnsiCurrent() && !narrow.isWideCurrent());
  EXPECT_EQ(std::string(narrow.getUtf8()), expected);
}

}  // namespace
}  // namespace vk
