// The stored-table loader on arbitrary input: the compressed container on its own, a whole
// blob text (storage mode, base64, container, table data) and raw table data in both
// directions, full tables and patches. The first byte picks the stage; the rest is its input.
// Checks: a container that fails to open leaves no output, and a blob that fails to decode
// leaves no table data.
#include <string>

#include "charset/hash_convert.h"
#include "charset/table_loader.h"
#include "charset/velkor_bzip2.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  const std::uint8_t stage = data[0] % 3;
  const std::uint8_t* body = data + 1;
  const auto count = static_cast<std::uint32_t>(size - 1);

  switch (stage) {
    case 0: {
      vk::DataBuffer container, output;
      container.append(body, count);
      vk::VelkorBzip2 bzip2;
      if (!bzip2.decompress(container, output)) FUZZ_CHECK(output.length() == 0);
      break;
    }
    case 1: {
      const std::string text(reinterpret_cast<const char*>(body), count);
      vk::DataBuffer tableData;
      if (!vk::blobTableData(text.c_str(), tableData)) FUZZ_CHECK(tableData.length() == 0);
      vk::HashConvert encode, decode;
      encode.init(61);
      decode.init(61);
      vk::loadTableData(tableData.data(), tableData.length(), encode, vk::TableDirection::kEncode);
      vk::loadTableData(tableData.data(), tableData.length(), decode, vk::TableDirection::kDecode);
      break;
    }
    default: {
      vk::HashConvert encode, decode;
      encode.init(61);
      decode.init(61);
      vk::loadTableData(body, count, encode, vk::TableDirection::kEncode);
      vk::loadTableData(body, count, decode, vk::TableDirection::kDecode);
      std::uint8_t value[255];
      const std::uint8_t keys[4] = {0x41, 0x00, 0xE9, 0x00};
      for (std::uint32_t n = 1; n <= 2; ++n) {
        encode.lookup(keys, n, value);
        decode.lookup(keys + 2, n, value);
      }
      break;
    }
  }
  return 0;
}
