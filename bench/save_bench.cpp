// What a safe SaveToFile costs: the member (which writes a new file beside the target, flushes
// it to disk and renames it over the target) against the write in place it replaced (create or
// truncate the target and write the bytes, with no flush), for 1 KB, 1 MB and 100 MB of text,
// over an existing file in a folder of the build's file system. The text is UTF-8 and saved
// as UTF-8, so no conversion is timed, only the file work.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "component/vkstring.h"
#include "files/file_sys.h"

namespace {

using namespace vk;

// A folder of its own for the benchmark's files, next to the build.
const std::string& benchFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::current_path() / "vk-save-bench-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    return std::string(made != nullptr ? made : ".");
  }();
  return folder;
}

BSTR wide(const std::string& ascii) {
  std::u16string units(ascii.begin(), ascii.end());
  return SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
}

std::string textOfSize(std::int64_t bytes) {
  std::string text;
  text.reserve(static_cast<std::size_t>(bytes));
  while (static_cast<std::int64_t>(text.size()) < bytes)
    text += "The quick brown fox jumps over the lazy dog. ";
  text.resize(static_cast<std::size_t>(bytes));
  return text;
}

void BM_SaveToFileReplacing(benchmark::State& state) {
  const std::string path = benchFolder() + "/replaced.txt";
  VkString object;
  object.value().setFromUtf8(textOfSize(state.range(0)).c_str());
  BSTR name = wide(path), charset = wide("utf-8");
  for (auto _ : state) {
    LONG saved = 0;
    object.SaveToFile(name, charset, &saved);
    if (saved != 1) state.SkipWithError("SaveToFile failed");
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  SysFreeString(name);
  SysFreeString(charset);
  std::filesystem::remove(path);
}

// The former path of the member: the target truncated and written where it lies.
void BM_WriteInPlace(benchmark::State& state) {
  const std::string path = benchFolder() + "/in-place.txt";
  const std::string text = textOfSize(state.range(0));
  for (auto _ : state) {
    if (!FileSys::writeWholeFileNarrow(path.c_str(), text.data(), static_cast<std::uint32_t>(text.size()))) {
      state.SkipWithError("write failed");
    }
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(path);
}

BENCHMARK(BM_SaveToFileReplacing)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Arg(100 << 20)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_WriteInPlace)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Arg(100 << 20)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The folder goes when the program ends. It is made first, so that it outlives this object.
struct FolderRemover {
  FolderRemover() { benchFolder(); }
  ~FolderRemover() {
    std::error_code ignored;
    std::filesystem::remove_all(benchFolder(), ignored);
  }
} folderRemover;

}  // namespace
