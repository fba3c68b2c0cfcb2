#include "charset/table_loader.h"

#include <array>
#include <cstring>

#include "charset/velkor_bzip2.h"

namespace vk {
namespace {

constexpr std::int8_t kSkip = -1;
constexpr std::int8_t kStop = -2;
constexpr std::int8_t kPlusValue = 62;

constexpr std::array<std::int8_t, 256> makeBase64Values() {
  std::array<std::int8_t, 256> values{};
  for (int c = 0; c < 256; ++c) values[c] = kPlusValue;
  for (int i = 0; i < 26; ++i) {
    values['A' + i] = static_cast<std::int8_t>(i);
    values['a' + i] = static_cast<std::int8_t>(26 + i);
  }
  for (int i = 0; i < 10; ++i) values['0' + i] = static_cast<std::int8_t>(52 + i);
  values['+'] = 62;
  values['/'] = 63;
  values[' '] = kSkip;
  values['\t'] = kSkip;
  values['\r'] = kSkip;
  values['\n'] = kSkip;
  values['='] = kStop;
  values[0] = kStop;
  return values;
}

constexpr std::array<std::int8_t, 256> kBase64Values = makeBase64Values();

// Reads table data front to back; every read is preceded by a check that the bytes are there.
class TableReader {
 public:
  TableReader(const std::uint8_t* data, std::uint32_t length, std::uint32_t start)
      : data_(data), length_(length), position_(start) {}

  bool has(std::uint32_t count) const { return position_ <= length_ && length_ - position_ >= count; }
  std::uint8_t byte() { return data_[position_++]; }
  std::uint16_t word() {
    std::uint16_t value = static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
    position_ += 2;
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::uint32_t length_;
  std::uint32_t position_;
};

class RecordSink {
 public:
  RecordSink(HashConvert& target, TableDirection direction) : target_(target), direction_(direction) {}

  void add(const std::uint8_t* code, std::uint32_t codeLength, std::uint16_t unit) {
    std::uint8_t unitBytes[2] = {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)};
    if (direction_ == TableDirection::kEncode) {
      target_.insert(unitBytes, 2, code, codeLength);
    } else {
      target_.insert(code, codeLength, unitBytes, 2);
    }
  }

  void removeUnit(std::uint16_t unit) {
    std::uint8_t unitBytes[2] = {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)};
    target_.remove(unitBytes, 2);
  }

 private:
  HashConvert& target_;
  TableDirection direction_;
};

void walkFullTable(TableReader& in, RecordSink& sink) {
  std::uint8_t byte = 0;
  std::uint16_t unit = 0;
  for (;;) {
    if (!in.has(1)) return;
    std::uint8_t byteDelta = in.byte();
    if (byteDelta == 0) break;
    if (!in.has(2)) return;
    byte = static_cast<std::uint8_t>(byte + byteDelta);
    unit = static_cast<std::uint16_t>(unit + in.word());
    sink.add(&byte, 1, unit);
  }
  std::uint16_t code = 0;
  unit = 0;
  for (;;) {
    if (!in.has(2)) return;
    std::uint16_t codeDelta = in.word();
    if (codeDelta == 0) break;
    if (!in.has(2)) return;
    code = static_cast<std::uint16_t>(code + codeDelta);
    unit = static_cast<std::uint16_t>(unit + in.word());
    std::uint8_t bytes[2] = {static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code)};
    sink.add(bytes, 2, unit);
  }
}

// Patch records carry absolute values; each new mapping replaces whatever the unit had.
void applyPatch(TableReader& in, RecordSink& sink) {
  for (;;) {
    if (!in.has(2)) return;
    std::uint16_t unit = in.word();
    if (unit == 0) break;
    sink.removeUnit(unit);
  }
  for (;;) {
    if (!in.has(1)) return;
    std::uint8_t byte = in.byte();
    if (byte == 0) break;
    if (!in.has(2)) return;
    std::uint16_t unit = in.word();
    sink.removeUnit(unit);
    sink.add(&byte, 1, unit);
  }
  for (;;) {
    if (!in.has(2)) return;
    std::uint8_t bytes[2];
    bytes[0] = in.byte();
    bytes[1] = in.byte();
    if (bytes[0] == 0 && bytes[1] == 0) break;
    if (!in.has(2)) return;
    std::uint16_t unit = in.word();
    sink.removeUnit(unit);
    sink.add(bytes, 2, unit);
  }
}

}  // namespace

void decodeBase64(const char* text, DataBuffer& out) {
  if (text == nullptr) return;
  const std::size_t textLength = std::strlen(text);
  // Six bits per character at most: a bound on the bytes this text can add.
  const std::uint32_t start = out.length();
  out.ensureCapacity(static_cast<std::uint32_t>(start + textLength * 3 / 4 + 1));
  std::uint8_t* write = out.data() + start;
  std::uint32_t accumulator = 0;
  int bits = 0;
  for (const char* p = text;; ++p) {
    std::int8_t value = kBase64Values[static_cast<std::uint8_t>(*p)];
    if (value == kStop) break;
    if (value == kSkip) continue;
    accumulator = (accumulator << 6) | static_cast<std::uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      *write++ = static_cast<std::uint8_t>(accumulator >> bits);
      accumulator &= (1u << bits) - 1;
    }
  }
  out.setLength(static_cast<std::uint32_t>(write - out.data()));
}

bool blobTableData(const char* blobText, DataBuffer& tableData) {
  tableData.clear();
  if (blobText == nullptr || blobText[0] == 0) return false;
  if (blobText[0] == 'x') {
    decodeBase64(blobText + 1, tableData);
    return true;
  }
  DataBuffer container;
  decodeBase64(blobText + 1, container);
  VelkorBzip2 bzip2;
  return bzip2.decompress(container, tableData);
}

void loadTableData(const std::uint8_t* data, std::uint32_t length, HashConvert& target,
                   TableDirection direction) {
  if (data == nullptr || length == 0) return;
  target.setAsciiCompatible(data[0] == 'a');
  if (length < 2) return;
  TableReader in(data, length, 2);
  RecordSink sink(target, direction);
  if (data[1] == 'd') {
    if (direction == TableDirection::kEncode) applyPatch(in, sink);
    return;
  }
  walkFullTable(in, sink);
}

void loadTable(const char* blobText, HashConvert& target, TableDirection direction) {
  DataBuffer tableData;
  if (!blobTableData(blobText, tableData)) return;
  loadTableData(tableData.data(), tableData.length(), target, direction);
}

std::string joinBlobPieces(const char* const* pieces) {
  std::string text;
  if (pieces == nullptr) return text;
  std::size_t total = 0;
  for (const char* const* piece = pieces; *piece != nullptr; ++piece) total += std::strlen(*piece);
  text.reserve(total);
  for (const char* const* piece = pieces; *piece != nullptr; ++piece) text += *piece;
  return text;
}

}  // namespace vk
