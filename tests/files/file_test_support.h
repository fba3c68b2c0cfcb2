// Helpers for tests that touch files: a fresh temporary directory removed afterwards, reading
// and writing whole files by UTF-8 path, and a log that records what the file layer logs.
#pragma once
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "files/file_sys.h"
#include "test_bytes.h"

namespace vk::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vkfiles-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The UTF-8 path of a file in the directory.
  std::string file(const std::string& utf8Name) const { return path_ + "/" + utf8Name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline bool exists(const std::string& utf8Path) { return std::filesystem::exists(utf8Path); }

inline Bytes readAll(const std::string& utf8Path) {
  std::ifstream in(utf8Path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& utf8Path, const Bytes& bytes) {
  std::ofstream out(utf8Path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The names of the files in a directory, sorted.
inline std::vector<std::string> listing(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Entries as ("error", text) or (key, value), in the order logged.
class RecordingLog : public LogSink {
 public:
  void logError(const char* text) override { entries.emplace_back("error", text); }
  void logData(const char* key, const char* value) override { entries.emplace_back(key, value); }
  std::vector<std::pair<std::string, std::string>> entries;
};

inline std::u16string u16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace vk::test
