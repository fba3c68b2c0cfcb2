// Table code pages: cp1252 and Shift_JIS to and from UTF-16 through EncodingConvert against
// glibc iconv and ICU on the same texts, and the first-use cost of the tables themselves
// (base64 + bzip2 + records into a fresh HashConvert) with the memory each table takes.
// At exit a table of our throughput over each peer's (processor time) is printed to stderr.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/ucnv.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "charset/encoding_convert.h"
#include "charset/hash_convert.h"
#include "charset/stored_blobs.h"
#include "charset/table_loader.h"
#include "charset/table_store.h"
#include "charset/table_store_info.h"
#include "text/data_buffer.h"

namespace {

using namespace vk;

constexpr std::size_t kTextUnits = 1u << 20;  // UTF-16 units per sample text

struct Lcg {
  std::uint64_t state;
  std::uint32_t next(std::uint32_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>((state >> 33) % bound);
  }
};

// A text drawn from `pool` in runs of words separated by spaces, with `asciiShare` percent of
// the words plain ASCII.
std::u16string makeText(const std::u16string& pool, int asciiShare, std::uint64_t start) {
  static const std::u16string kAscii = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  Lcg rng{start};
  std::u16string text;
  while (text.size() < kTextUnits) {
    const std::u16string& from = static_cast<int>(rng.next(100)) < asciiShare ? kAscii : pool;
    for (std::uint32_t n = 2 + rng.next(7); n > 0; --n) {
      text += from[rng.next(static_cast<std::uint32_t>(from.size()))];
    }
    text += rng.next(12) == 0 ? u'\n' : u' ';
  }
  text.resize(kTextUnits);
  return text;
}

std::string toBytes(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// Converts with iconv once, outside any measurement, to make the sample in the code page.
std::string iconvAll(const char* to, const char* from, const std::string& input) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(input.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char* o = out.data();
  std::size_t outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

struct Sample {
  std::string utf16;  // UTF-16LE bytes
  std::string coded;  // the same text in the code page
};

const Sample& cp1252Sample() {
  static const Sample sample = [] {
    // Western European letters, punctuation and the euro sign, 70% ASCII words.
    std::u16string pool =
        u"\u00e0\u00e1\u00e2\u00e4\u00e7\u00e8\u00e9\u00ea\u00eb\u00ee\u00ef"
        u"\u00f4\u00f6\u00f9\u00fb\u00fc\u00df\u00c9\u00c0\u20ac\u2019\u201c"
        u"\u201d\u2013\u00ab\u00bb";
    Sample s;
    s.utf16 = toBytes(makeText(pool, 70, 1252));
    s.coded = iconvAll("CP1252", "UTF-16LE", s.utf16);
    return s;
  }();
  return sample;
}

const Sample& shiftJisSample() {
  static const Sample sample = [] {
    // Hiragana, katakana, common kanji and full-width punctuation, 20% ASCII words.
    std::u16string pool;
    for (char16_t c = 0x3041; c <= 0x3093; ++c) pool += c;
    for (char16_t c = 0x30A1; c <= 0x30F6; ++c) pool += c;
    pool +=
        u"\u65e5\u672c\u8a9e\u6587\u5b57\u5217\u5909\u63db\u8868\u4f1a\u793e\u6642\u9593"
        u"\u5927\u5b66\u751f\u6d3b\u65b0\u805e\u96fb\u8a71\u6771\u4eac\u90fd\u5e02\u3001"
        u"\u3002\u300c\u300d\uff01\uff1f";
    Sample s;
    s.utf16 = toBytes(makeText(pool, 20, 932));
    s.coded = iconvAll("CP932", "UTF-16LE", s.utf16);
    return s;
  }();
  return sample;
}

// Our bytes/s over each peer's, per case, printed when the process ends.
struct Summary {
  std::map<std::string, std::map<std::string, double>> rates;  // case -> contender -> bytes/s
  ~Summary() {
    if (rates.empty()) return;
    std::fprintf(stderr, "\n%-16s %14s %14s %14s %10s %10s\n", "case", "vk MB/s", "iconv MB/s", "icu MB/s",
                 "vk/iconv", "vk/icu");
    for (const auto& [name, byContender] : rates) {
      auto get = [&](const char* who) {
        auto it = byContender.find(who);
        return it == byContender.end() ? 0.0 : it->second;
      };
      double vk = get("vk"), iconvRate = get("iconv"), icu = get("icu");
      std::fprintf(stderr, "%-16s %14.1f %14.1f %14.1f %10.2f %10.2f\n", name.c_str(), vk / 1e6,
                   iconvRate / 1e6, icu / 1e6, iconvRate > 0 ? vk / iconvRate : 0.0,
                   icu > 0 ? vk / icu : 0.0);
    }
  }
};

Summary& summary() {
  static Summary s;
  return s;
}

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Body>
void measure(benchmark::State& state, const char* name, const char* who, std::size_t inputBytes, Body body) {
  // Processor time of this thread: the ratios stay meaningful on a busy machine.
  const double start = threadCpuSeconds();
  std::int64_t rounds = 0;
  for (auto _ : state) {
    body();
    ++rounds;
  }
  const double seconds = threadCpuSeconds() - start;
  state.SetBytesProcessed(static_cast<std::int64_t>(inputBytes) * state.iterations());
  if (seconds > 0) summary().rates[name][who] = static_cast<double>(inputBytes) * rounds / seconds;
}

// True when the store has real data for the code page (the stored blobs are compiled in).
bool tablesPresent(benchmark::State& state, std::int32_t codePage) {
  const HashConvert* encode = encodeTableFor(codePage);
  if (encode == nullptr || encode->memoryUsed() == std::uint64_t{encode->bucketCount()} * sizeof(void*)) {
    state.SkipWithError("no stored table data for this code page");
    return false;
  }
  return true;
}

// --- conversions ----------------------------------------------------------------------

struct Direction {
  const char* name;
  std::int32_t codePage;
  bool toUtf16;
  const Sample& (*sample)();
  const char* iconvName;
  const char* icuName;
};

const Direction kDirections[] = {
    {"cp1252->utf16", 1252, true, cp1252Sample, "CP1252", "windows-1252"},
    {"utf16->cp1252", 1252, false, cp1252Sample, "CP1252", "windows-1252"},
    {"sjis->utf16", 932, true, shiftJisSample, "CP932", "windows-31j"},
    {"utf16->sjis", 932, false, shiftJisSample, "CP932", "windows-31j"},
};

void BM_Vk(benchmark::State& state) {
  const Direction& d = kDirections[state.range(0)];
  state.SetLabel(d.name);
  if (!tablesPresent(state, d.codePage)) return;
  const Sample& s = d.sample();
  const std::string& input = d.toUtf16 ? s.coded : s.utf16;
  DataBuffer out;
  out.ensureCapacity(static_cast<std::uint32_t>(input.size() * 2 + 16));
  measure(state, d.name, "vk", input.size(), [&] {
    out.clear();
    EncodingConvert converter;
    if (d.toUtf16) {
      converter.convert(d.codePage, 1200, input.data(), static_cast<std::uint32_t>(input.size()), out);
    } else {
      converter.convert(1200, d.codePage, input.data(), static_cast<std::uint32_t>(input.size()), out);
    }
    benchmark::DoNotOptimize(out.data());
  });
  // The conversion must give the peers' result, or the comparison means nothing.
  const std::string& expected = d.toUtf16 ? s.utf16 : s.coded;
  if (std::string(reinterpret_cast<const char*>(out.data()), out.length()) != expected) {
    state.SkipWithError("output differs from iconv's");
  }
}

void BM_Iconv(benchmark::State& state) {
  const Direction& d = kDirections[state.range(0)];
  state.SetLabel(d.name);
  const Sample& s = d.sample();
  const std::string& input = d.toUtf16 ? s.coded : s.utf16;
  iconv_t cd = d.toUtf16 ? iconv_open("UTF-16LE", d.iconvName) : iconv_open(d.iconvName, "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no such converter");
    return;
  }
  std::string out(input.size() * 2 + 16, '\0');
  measure(state, d.name, "iconv", input.size(), [&] {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    benchmark::DoNotOptimize(o);
  });
  iconv_close(cd);
}

void BM_Icu(benchmark::State& state) {
  const Direction& d = kDirections[state.range(0)];
  state.SetLabel(d.name);
  const Sample& s = d.sample();
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(d.icuName, &status);
  if (U_FAILURE(status)) {
    state.SkipWithError("ICU has no such converter");
    return;
  }
  if (d.toUtf16) {
    std::vector<UChar> out(s.coded.size() + 16);
    measure(state, d.name, "icu", s.coded.size(), [&] {
      UErrorCode st = U_ZERO_ERROR;
      std::int32_t n = ucnv_toUChars(cnv, out.data(), static_cast<std::int32_t>(out.size()), s.coded.data(),
                                     static_cast<std::int32_t>(s.coded.size()), &st);
      benchmark::DoNotOptimize(n);
    });
  } else {
    std::string out(s.utf16.size() + 16, '\0');
    const auto* wide = reinterpret_cast<const UChar*>(s.utf16.data());
    measure(state, d.name, "icu", s.utf16.size(), [&] {
      UErrorCode st = U_ZERO_ERROR;
      std::int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<std::int32_t>(out.size()), wide,
                                       static_cast<std::int32_t>(s.utf16.size() / 2), &st);
      benchmark::DoNotOptimize(n);
    });
  }
  ucnv_close(cnv);
}

BENCHMARK(BM_Vk)->DenseRange(0, 3)->ArgName("case")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Iconv)->DenseRange(0, 3)->ArgName("case")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Icu)->DenseRange(0, 3)->ArgName("case")->Unit(benchmark::kMicrosecond);

// --- first use of a table ---------------------------------------------------------------

struct BuildCase {
  std::int32_t codePage;
  TableDirection direction;
};

const BuildCase kBuilds[] = {
    {932, TableDirection::kEncode},   {932, TableDirection::kDecode},   {936, TableDirection::kEncode},
    {936, TableDirection::kDecode},   {949, TableDirection::kEncode},   {949, TableDirection::kDecode},
    {950, TableDirection::kEncode},   {950, TableDirection::kDecode},   {1361, TableDirection::kEncode},
    {51932, TableDirection::kEncode}, {51949, TableDirection::kEncode}, {1252, TableDirection::kEncode},
};

// One fresh table per iteration, as the store builds it on first use: join the pieces,
// decode the blob, insert every record.
void BM_BuildTable(benchmark::State& state) {
  const BuildCase& b = kBuilds[state.range(0)];
  TableLayout layout;
  tableLayoutFor(b.codePage, &layout);
  const bool encode = b.direction == TableDirection::kEncode;
  const std::uint32_t buckets = encode ? layout.encodeBuckets : layout.decodeBuckets;
  state.SetLabel(std::to_string(b.codePage) + (encode ? " encode" : " decode"));
  const char* const* pieces = storedBlobPieces(b.codePage);
  if (pieces == nullptr) {
    state.SkipWithError("no stored blob");
    return;
  }
  std::uint64_t memory = 0;
  for (auto _ : state) {
    HashConvert table;
    table.init(buckets);
    loadTable(joinBlobPieces(pieces).c_str(), table, b.direction);
    memory = table.memoryUsed();
    benchmark::DoNotOptimize(memory);
  }
  state.counters["memory_KiB"] = static_cast<double>(memory) / 1024.0;
}

// The blob alone: joining, base64 and bzip2, without inserting records.
void BM_OpenBlob(benchmark::State& state) {
  const std::int32_t codePage = static_cast<std::int32_t>(state.range(0));
  const char* const* pieces = storedBlobPieces(codePage);
  if (pieces == nullptr) {
    state.SkipWithError("no stored blob");
    return;
  }
  DataBuffer data;
  for (auto _ : state) {
    blobTableData(joinBlobPieces(pieces).c_str(), data);
    benchmark::DoNotOptimize(data.data());
  }
  state.counters["table_KiB"] = data.length() / 1024.0;
}

BENCHMARK(BM_BuildTable)->DenseRange(0, 11)->ArgName("case")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenBlob)->Arg(932)->Arg(936)->Arg(949)->Arg(950)->Unit(benchmark::kMillisecond);

}  // namespace
