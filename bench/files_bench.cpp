// LoadFile + SaveToFile converting a 100 MB file between charsets, against the iconv command
// doing the same conversion of the same file, in the same run: Shift_JIS -> UTF-8,
// windows-1252 -> UTF-8 and UTF-8 -> Shift_JIS.
//
// Peak memory is each side's maximum resident set size in a fresh process doing only that
// conversion, as /usr/bin/time reports it: the iconv command, and this program started again
// with VK_FILES_BENCH_ROUND naming the files and charsets, which then makes one LoadFile +
// SaveToFile and nothing else. A child of this process would not do: it starts with this
// process's high-water mark (Linux keeps it across exec), and the mark of this process itself
// cannot be reset again between repetitions. Both are whole-process figures, reported in MB
// and as a multiple of the file size. Times are taken both as wall time and as processor time
// (user + system, of this process for the members and of the waited-for children for the
// command), which stays meaningful on a loaded machine. At exit the times, their ratios and
// the peaks are printed to stderr, and whether both outputs are equal.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "charset/encoding_convert.h"
#include "component/vkstring.h"
#include "text/data_buffer.h"

namespace {

using namespace vk;

constexpr std::size_t kFileBytes = 100u << 20;

// One conversion measured: the input file's charset (member and iconv spelling) and the
// output's.
struct Case {
  const char* label;
  const char* fromCharset;
  const char* toCharset;
  const char* iconvFrom;
  const char* iconvTo;
};

const Case kCases[] = {
    {"Shift_JIS -> UTF-8", "shift_jis", "utf-8", "SHIFT_JIS", "UTF-8"},
    {"windows-1252 -> UTF-8", "windows-1252", "utf-8", "WINDOWS-1252", "UTF-8"},
    {"UTF-8 -> Shift_JIS", "utf-8", "shift_jis", "UTF-8", "SHIFT_JIS"},
};
constexpr int kCaseCount = static_cast<int>(std::size(kCases));

std::uint64_t nextRandom(std::uint64_t& state, std::uint32_t bound) {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return (state >> 33) % bound;
}

// Words drawn from `pool`, a fifth of them from ASCII letters and digits, with a line break now
// and then.
std::u16string sampleText(const std::u16string& pool, std::uint64_t seed) {
  static const std::u16string ascii = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uint64_t state = seed;
  std::u16string text;
  while (text.size() < (1u << 21)) {
    const std::u16string& from = nextRandom(state, 100) < 20 ? ascii : pool;
    for (auto n = 2 + nextRandom(state, 7); n > 0; --n)
      text += from[nextRandom(state, static_cast<std::uint32_t>(from.size()))];
    text += nextRandom(state, 12) == 0 ? u'\n' : u' ';
  }
  return text;
}

// Japanese text: kana, common kanji, full-width punctuation.
std::u16string japanesePool() {
  std::u16string pool;
  for (char16_t c = 0x3041; c <= 0x3093; ++c) pool += c;
  for (char16_t c = 0x30A1; c <= 0x30F6; ++c) pool += c;
  pool +=
      u"\u65e5\u672c\u8a9e\u6587\u5b57\u5217\u5909\u63db\u8868\u4f1a\u793e\u6642\u9593"
      u"\u5927\u5b66\u751f\u6d3b\u65b0\u805e\u96fb\u8a71\u6771\u4eac\u90fd\u5e02\u3001"
      u"\u3002\u300c\u300d\uff01\uff1f";
  return pool;
}

// Western European text: mostly plain letters, accented letters, a few typographic signs.
std::u16string westernPool() {
  std::u16string pool = u"eeeeaaaiiioooonnrrsstttlludcmpgh";
  for (char16_t c = 0xE0; c <= 0xFF; ++c) {
    if (c != 0xF7) pool += c;
  }
  pool += u"\u20ac\u201c\u201d\u2019\u2026\u00ab\u00bb";
  return pool;
}

struct Workspace {
  std::string dir;
  std::string input, ourOutput, peerOutput;
  std::size_t inputBytes = 0;
  explicit Workspace(const Case& c) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vkbench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    dir = pattern;
    input = dir + "/input.txt";
    ourOutput = dir + "/vk-output.txt";
    peerOutput = dir + "/iconv-output.txt";
    inputBytes = writeSample(c);
  }
  ~Workspace() {
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }

  // The sample text in the case's input charset, repeated up to the file size.
  std::size_t writeSample(const Case& c) const {
    bool western = std::strcmp(c.fromCharset, "windows-1252") == 0;
    std::u16string text = western ? sampleText(westernPool(), 1252) : sampleText(japanesePool(), 932);
    DataBuffer encoded;
    EncodingConvert().convertToCharset(codepage::kUtf16Le, c.fromCharset, text.data(),
                                       static_cast<std::uint32_t>(text.size() * 2), encoded);
    if (encoded.length() == 0) return 0;
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    std::size_t written = 0;
    while (written < kFileBytes) {
      out.write(reinterpret_cast<const char*>(encoded.data()), encoded.length());
      written += encoded.length();
    }
    return written;
  }
};

// The case being measured; the previous case's files go when the next case starts.
Workspace& workspace(int index) {
  static std::unique_ptr<Workspace> current;
  static int currentIndex = -1;
  if (currentIndex != index) {
    current.reset();
    current = std::make_unique<Workspace>(kCases[index]);
    currentIndex = index;
  }
  return *current;
}

BSTR wide(const std::string& ascii) {
  std::u16string units(ascii.begin(), ascii.end());
  return SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

std::string thisProgram() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

// Runs a command under /usr/bin/time with extra environment entries; answers its peak resident
// size in kB, or -1 when it cannot be run or fails.
long peakKbOf(std::vector<std::string> command, const std::vector<std::string>& extraEnvironment) {
  char peakFile[] = "/tmp/vkbench-peak-XXXXXX";
  int fd = ::mkstemp(peakFile);
  if (fd < 0) return -1;
  ::close(fd);
  command.insert(command.begin(), {"/usr/bin/time", "-f", "%M", "-o", peakFile});
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment(extraEnvironment);
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  long peak = -1;
  int status = 0;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0 &&
      ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    std::ifstream in(peakFile);
    in >> peak;
    if (!in) peak = -1;
  }
  std::remove(peakFile);
  return peak;
}

// User + system processor seconds of this process or of its waited-for children.
double cpuSeconds(int who) {
  struct rusage usage;
  if (::getrusage(who, &usage) != 0) return 0;
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Results {
  double ourSeconds = 0, peerSeconds = 0;
  double ourCpu = 0, peerCpu = 0;
  double ourPeakMb = -1, peerPeakMb = -1;
  std::size_t fileBytes = 0;
  int outputsEqual = -1;
};

struct AllResults {
  Results cases[kCaseCount];
  ~AllResults() {
    for (int i = 0; i < kCaseCount; ++i) {
      const Results& r = cases[i];
      if (r.ourSeconds <= 0 && r.peerSeconds <= 0) continue;
      double fileMb = static_cast<double>(r.fileBytes) / (1 << 20);
      std::fprintf(stderr, "\n%s of %.1f MB\n", kCases[i].label, fileMb);
      std::fprintf(stderr, "  LoadFile+SaveToFile %8.3f s wall %8.3f s cpu   peak %7.1f MB (%.2f x file)\n",
                   r.ourSeconds, r.ourCpu, r.ourPeakMb, r.ourPeakMb / fileMb);
      std::fprintf(stderr, "  iconv command       %8.3f s wall %8.3f s cpu   peak %7.1f MB (%.2f x file)\n",
                   r.peerSeconds, r.peerCpu, r.peerPeakMb, r.peerPeakMb / fileMb);
      if (r.ourSeconds > 0 && r.peerSeconds > 0 && r.ourCpu > 0) {
        std::fprintf(stderr, "  speed vk/iconv      %8.2f x wall %8.2f x cpu   outputs equal: %s\n",
                     r.peerSeconds / r.ourSeconds, r.peerCpu / r.ourCpu,
                     r.outputsEqual == 1   ? "yes"
                     : r.outputsEqual == 0 ? "NO"
                                           : "not compared");
      }
    }
  }
};

Results& results(int index) {
  static AllResults all;
  return all.cases[index];
}

// Set in the copy of this program that measures one round's peak memory:
// "INPUT|OUTPUT|FROM|TO".
constexpr const char* kRoundVariable = "VK_FILES_BENCH_ROUND";

// The whole work of that copy: one LoadFile + SaveToFile.
void BM_OneRound(benchmark::State& state) {
  std::string roundText = std::getenv(kRoundVariable);
  std::string parts[4];
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    std::size_t bar = i < 3 ? roundText.find('|', start) : roundText.size();
    if (bar == std::string::npos) return state.SkipWithError("malformed VK_FILES_BENCH_ROUND");
    parts[i] = roundText.substr(start, bar - start);
    start = bar + 1;
  }
  BSTR input = wide(parts[0]), output = wide(parts[1]), from = wide(parts[2]), to = wide(parts[3]);
  for (auto _ : state) {
    VkString object;
    LONG loaded = 0, saved = 0;
    object.LoadFile(input, from, &loaded);
    object.SaveToFile(output, to, &saved);
    if (loaded != 1 || saved != 1) state.SkipWithError("LoadFile or SaveToFile failed");
  }
  for (BSTR s : {input, output, from, to}) SysFreeString(s);
}

void BM_LoadSaveMembers(benchmark::State& state) {
  const int index = static_cast<int>(state.range(0));
  const Case& c = kCases[index];
  state.SetLabel(c.label);
  Workspace& w = workspace(index);
  if (w.inputBytes == 0) {
    state.SkipWithError("no sample input (tables missing?)");
    return;
  }
  BSTR input = wide(w.input), output = wide(w.ourOutput), from = wide(c.fromCharset), to = wide(c.toCharset);
  auto round = [&] {
    VkString object;
    LONG loaded = 0, saved = 0;
    object.LoadFile(input, from, &loaded);
    object.SaveToFile(output, to, &saved);
    return loaded == 1 && saved == 1;
  };
  Results& r = results(index);
  // The peak memory of one round, in a fresh copy of this program (BM_OneRound).
  // Only BM_OneRound: the benchmarks other files register statically would run too and set the peak.
  long peak = peakKbOf({thisProgram(), "--benchmark_filter=^BM_OneRound"},
                       {std::string(kRoundVariable) + "=" + w.input + "|" + w.ourOutput + "|" +
                        c.fromCharset + "|" + c.toCharset});
  if (peak >= 0) {
    r.ourPeakMb = static_cast<double>(peak) / 1024;
    state.counters["peak_MB"] = r.ourPeakMb;
    state.counters["peak_x_file"] = r.ourPeakMb * (1 << 20) / static_cast<double>(w.inputBytes);
  }
  // One untimed round first, so that the timed ones do not carry the first use of the code page's
  // table and the first faults of this process's heap (the earlier harness did the same).
  if (!round()) state.SkipWithError("LoadFile or SaveToFile failed");
  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds(RUSAGE_SELF);
  for (auto _ : state) {
    if (!round()) state.SkipWithError("LoadFile or SaveToFile failed");
  }
  double rounds = static_cast<double>(state.iterations());
  r.ourCpu = (cpuSeconds(RUSAGE_SELF) - cpuStart) / rounds;
  r.ourSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
  r.fileBytes = w.inputBytes;
  state.SetBytesProcessed(static_cast<std::int64_t>(w.inputBytes) * state.iterations());
  for (BSTR s : {input, output, from, to}) SysFreeString(s);
}

// Runs the command and waits for it; its processor seconds come from the rusage of that one
// child.
bool runIconv(const Case& c, const Workspace& w, double* cpu) {
  std::string from = std::string("-f") + c.iconvFrom, to = std::string("-t") + c.iconvTo;
  std::string output = "-o" + w.peerOutput;
  char* argv[] = {const_cast<char*>("iconv"),         from.data(), to.data(), output.data(),
                  const_cast<char*>(w.input.c_str()), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "iconv", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  struct rusage usage;
  if (::wait4(pid, &status, 0, &usage) != pid) return false;
  *cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_IconvCommand(benchmark::State& state) {
  const int index = static_cast<int>(state.range(0));
  const Case& c = kCases[index];
  state.SetLabel(c.label);
  Workspace& w = workspace(index);
  if (w.inputBytes == 0) {
    state.SkipWithError("no sample input (tables missing?)");
    return;
  }
  Results& r = results(index);
  double cpu = 0;
  // The peak in a process of the command's own (see peakKbOf); a direct child would start
  // with this process's high-water mark.
  long peak = peakKbOf(
      {"iconv", std::string("-f") + c.iconvFrom, std::string("-t") + c.iconvTo, "-o" + w.peerOutput, w.input},
      {});
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    double one = 0;
    if (!runIconv(c, w, &one)) state.SkipWithError("iconv failed");
    cpu += one;
  }
  double rounds = static_cast<double>(state.iterations());
  r.peerCpu = cpu / rounds;
  r.peerSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
  r.peerPeakMb = static_cast<double>(peak) / 1024;
  state.counters["peak_MB"] = r.peerPeakMb;
  state.SetBytesProcessed(static_cast<std::int64_t>(w.inputBytes) * state.iterations());
  // Both converted the same text: the files must match.
  std::ifstream ours(w.ourOutput, std::ios::binary), theirs(w.peerOutput, std::ios::binary);
  if (ours && theirs) {
    r.outputsEqual = std::equal(std::istreambuf_iterator<char>(ours), std::istreambuf_iterator<char>(),
                                std::istreambuf_iterator<char>(theirs), std::istreambuf_iterator<char>())
                         ? 1
                         : 0;
    state.counters["outputs_equal"] = r.outputsEqual;
  }
}

// Each case: the members, then the command, so that both read the same file.
void registerCases() {
  if (std::getenv(kRoundVariable) != nullptr) {
    benchmark::RegisterBenchmark("BM_OneRound", BM_OneRound)->Iterations(1);
    return;
  }
  for (int i = 0; i < kCaseCount; ++i) {
    benchmark::RegisterBenchmark("BM_LoadSaveMembers", BM_LoadSaveMembers)
        ->Arg(i)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark("BM_IconvCommand", BM_IconvCommand)
        ->Arg(i)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  }
}
const bool kRegistered = (registerCases(), true);

}  // namespace
