// LoadFile + SaveToFile turning a 100 MB Shift_JIS file into UTF-8, against the iconv command
// doing the same conversion of the same file, in the same run.
//
// Peak memory of the member path is measured in this process: before one untimed round the
// kernel's peak-RSS mark is reset (writing "5" to /proc/self/clear_refs), and afterwards the
// peak (VmHWM) less the resident size before the round (VmRSS) is what the round added. It is
// reported in MB and as a multiple of the file size. The iconv command's peak is its maxrss
// as getrusage reports it for waited-for children. Times are taken both as wall time and as
// processor time (user + system, of this process for the members and of the waited-for
// children for the command), which stays meaningful on a loaded machine. At exit the times,
// their ratios and the peaks are printed to stderr.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "charset/encoding_convert.h"
#include "component/vkstring.h"
#include "text/data_buffer.h"

namespace {

using namespace vk;

constexpr std::size_t kFileBytes = 100u << 20;

struct Workspace {
  std::string dir;
  std::string input, ourOutput, peerOutput;
  std::size_t inputBytes = 0;
  Workspace() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vkbench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    dir = pattern;
    input = dir + "/input-sjis.txt";
    ourOutput = dir + "/vk-utf8.txt";
    peerOutput = dir + "/iconv-utf8.txt";
    inputBytes = writeSample();
  }
  ~Workspace() {
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }

  // Japanese text (kana, common kanji, full-width punctuation) with a fifth of the words in
  // ASCII and a line break now and then, in Shift_JIS, repeated up to the file size.
  std::size_t writeSample() const {
    std::u16string pool;
    for (char16_t c = 0x3041; c <= 0x3093; ++c) pool += c;
    for (char16_t c = 0x30A1; c <= 0x30F6; ++c) pool += c;
    pool += u"\u65e5\u672c\u8a9e\u6587\u5b57\u5217\u5909\u63db\u8868\u4f1a\u793e\u6642\u9593"
            u"\u5927\u5b66\u751f\u6d3b\u65b0\u805e\u96fb\u8a71\u6771\u4eac\u90fd\u5e02\u3001"
            u"\u3002\u300c\u300d\uff01\uff1f";
    static const std::u16string ascii = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uint64_t state = 932;
    auto next = [&state](std::uint32_t bound) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      return static_cast<std::uint32_t>((state >> 33) % bound);
    };
    std::u16string text;
    while (text.size() < (1u << 21)) {
      const std::u16string& from = next(100) < 20 ? ascii : pool;
      for (std::uint32_t n = 2 + next(7); n > 0; --n) text += from[next(static_cast<std::uint32_t>(from.size()))];
      text += next(12) == 0 ? u'\n' : u' ';
    }
    DataBuffer sjis;
    EncodingConvert().convert(codepage::kUtf16Le, codepage::kShiftJis, text.data(),
                              static_cast<std::uint32_t>(text.size() * 2), sjis);
    if (sjis.length() == 0) return 0;
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    std::size_t written = 0;
    while (written < kFileBytes) {
      out.write(reinterpret_cast<const char*>(sjis.data()), sjis.length());
      written += sjis.length();
    }
    return written;
  }
};

Workspace& workspace() {
  static Workspace w;
  return w;
}

BSTR wide(const std::string& ascii) {
  std::u16string units(ascii.begin(), ascii.end());
  return SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

// A field of /proc/self/status in kB, or -1.
long statusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  std::size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':') {
      return std::strtol(line.c_str() + length + 1, nullptr, 10);
    }
  }
  return -1;
}

bool resetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

// User + system processor seconds of this process or of its waited-for children.
double cpuSeconds(int who) {
  struct rusage usage;
  if (::getrusage(who, &usage) != 0) return 0;
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Results {
  double ourSeconds = 0, peerSeconds = 0;
  double ourCpu = 0, peerCpu = 0;
  double ourPeakMb = -1, peerPeakMb = -1;
  std::size_t fileBytes = 0;
  int outputsEqual = -1;
  ~Results() {
    if (ourSeconds <= 0 && peerSeconds <= 0) return;
    double fileMb = static_cast<double>(fileBytes) / (1 << 20);
    std::fprintf(stderr, "\nShift_JIS -> UTF-8 of %.1f MB\n", fileMb);
    std::fprintf(stderr, "  LoadFile+SaveToFile %8.3f s wall %8.3f s cpu   peak %7.1f MB (%.2f x file)\n", ourSeconds,
                 ourCpu, ourPeakMb, ourPeakMb / fileMb);
    std::fprintf(stderr, "  iconv command       %8.3f s wall %8.3f s cpu   peak %7.1f MB\n", peerSeconds, peerCpu,
                 peerPeakMb);
    if (ourSeconds > 0 && peerSeconds > 0 && ourCpu > 0) {
      std::fprintf(stderr, "  speed vk/iconv      %8.2f x wall %8.2f x cpu   outputs equal: %s\n", peerSeconds / ourSeconds,
                   peerCpu / ourCpu, outputsEqual == 1 ? "yes" : outputsEqual == 0 ? "NO" : "not compared");
    }
  }
};

Results& results() {
  static Results r;
  return r;
}

void BM_LoadSaveMembers(benchmark::State& state) {
  Workspace& w = workspace();
  if (w.inputBytes == 0) {
    state.SkipWithError("no Shift_JIS sample (tables missing?)");
    return;
  }
  BSTR input = wide(w.input), output = wide(w.ourOutput), sjis = wide("shift_jis"), utf8 = wide("utf-8");
  auto round = [&] {
    VkString object;
    LONG loaded = 0, saved = 0;
    object.LoadFile(input, sjis, &loaded);
    object.SaveToFile(output, utf8, &saved);
    return loaded == 1 && saved == 1;
  };
  // One untimed round for the peak memory of the path.
  long before = statusKb("VmRSS");
  bool measured = resetPeak();
  if (!round()) state.SkipWithError("LoadFile or SaveToFile failed");
  long peak = statusKb("VmHWM");
  if (measured && before >= 0 && peak >= 0) {
    results().ourPeakMb = static_cast<double>(peak - before) / 1024;
    state.counters["peak_MB"] = results().ourPeakMb;
    state.counters["peak_x_file"] = results().ourPeakMb * (1 << 20) / static_cast<double>(w.inputBytes);
  }
  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds(RUSAGE_SELF);
  for (auto _ : state) {
    if (!round()) state.SkipWithError("LoadFile or SaveToFile failed");
  }
  double rounds = static_cast<double>(state.iterations());
  results().ourCpu = (cpuSeconds(RUSAGE_SELF) - cpuStart) / rounds;
  results().ourSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
  results().fileBytes = w.inputBytes;
  state.SetBytesProcessed(static_cast<std::int64_t>(w.inputBytes) * state.iterations());
  for (BSTR s : {input, output, sjis, utf8}) SysFreeString(s);
}
BENCHMARK(BM_LoadSaveMembers)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_IconvCommand(benchmark::State& state) {
  Workspace& w = workspace();
  if (w.inputBytes == 0) {
    state.SkipWithError("no Shift_JIS sample (tables missing?)");
    return;
  }
  std::string command = "iconv -f CP932 -t UTF-8 '" + w.input + "' -o '" + w.peerOutput + "'";
  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("iconv failed");
  }
  double rounds = static_cast<double>(state.iterations());
  results().peerCpu = (cpuSeconds(RUSAGE_CHILDREN) - cpuStart) / rounds;
  results().peerSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
  state.SetBytesProcessed(static_cast<std::int64_t>(w.inputBytes) * state.iterations());
  struct rusage usage;
  if (::getrusage(RUSAGE_CHILDREN, &usage) == 0) {
    results().peerPeakMb = static_cast<double>(usage.ru_maxrss) / 1024;
    state.counters["peak_MB"] = results().peerPeakMb;
  }
  // Both produced UTF-8 of the same text: the files must match.
  std::ifstream ours(w.ourOutput, std::ios::binary), theirs(w.peerOutput, std::ios::binary);
  if (ours && theirs) {
    results().outputsEqual = std::equal(std::istreambuf_iterator<char>(ours), std::istreambuf_iterator<char>(),
                                        std::istreambuf_iterator<char>(theirs), std::istreambuf_iterator<char>())
                                 ? 1
                                 : 0;
    state.counters["outputs_equal"] = results().outputsEqual;
  }
}
BENCHMARK(BM_IconvCommand)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
