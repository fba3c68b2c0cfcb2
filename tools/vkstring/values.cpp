#include "tools/vkstring/values.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/wide_units.h"
#include "tools/vkstring/utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace vk::cli {
namespace {

bool readStream(std::FILE* file, std::vector<unsigned char>* bytes) {
  unsigned char block[65536];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0)
    bytes->insert(bytes->end(), block, block + got);
  return !std::ferror(file);
}

std::FILE* openForReading(const std::string& path) {
#ifdef _WIN32
  std::u16string wide;
  if (!utf8ToUtf16(path, &wide)) return nullptr;
  return _wfopen(reinterpret_cast<const wchar_t*>(wide.c_str()), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

bool makeByteArray(const std::vector<unsigned char>& bytes, VARIANT* value, std::string* error) {
  if (bytes.size() > 0x7FFFFFFFu) {
    *error = "the input is larger than a byte array can hold (2 GB)";
    return false;
  }
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (array == nullptr) {
    *error = "out of memory for the byte array";
    return false;
  }
  if (!bytes.empty()) {
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
  }
  value->vt = VT_ARRAY | VT_UI1;
  value->parray = array;
  return true;
}

std::string hexOfArray(SAFEARRAY* array) {
  LONG lower = 0;
  LONG upper = -1;
  if (array == nullptr || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(SafeArrayGetUBound(array, 1, &upper))) {
    return std::string();
  }
  auto count = static_cast<std::size_t>(static_cast<std::int64_t>(upper) - lower + 1);
  std::string out;
  void* data = nullptr;
  if (count == 0 || FAILED(SafeArrayAccessData(array, &data))) return out;
  static const char kDigits[] = "0123456789abcdef";
  out.resize(count * 2);
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < count; ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0xF];
  }
  SafeArrayUnaccessData(array);
  return out;
}

}  // namespace

bool ByteSources::standardInput(const std::vector<unsigned char>** bytes, std::string* error) {
  if (!stdinRead_) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    if (!readStream(stdin, &stdin_)) {
      *error = std::string("cannot read standard input: ") + std::strerror(errno);
      return false;
    }
    stdinRead_ = true;
  }
  *bytes = &stdin_;
  return true;
}

bool ByteSources::readFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  std::FILE* file = openForReading(path);
  if (file == nullptr) {
    *error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  bool ok = readStream(file, bytes);
  int readErrno = errno;
  std::fclose(file);
  if (!ok) *error = "cannot read '" + path + "': " + std::strerror(readErrno);
  return ok;
}

bool makeArgument(const Argument& argument, ByteSources& sources, VARIANT* value, std::string* error) {
  VariantInit(value);
  switch (argument.kind) {
    case ArgumentKind::String: {
      std::u16string units;
      if (!utf8ToUtf16(argument.text, &units)) {
        *error = "the string is not valid UTF-8";
        return false;
      }
      value->vt = VT_BSTR;
      value->bstrVal =
          SysAllocStringLen(vk::platform::asOleChars(units.data()), static_cast<UINT>(units.size()));
      return true;
    }
    case ArgumentKind::Integer:
      value->vt = VT_I4;
      value->lVal = argument.integer;
      return true;
    case ArgumentKind::Date:
      value->vt = VT_DATE;
      value->date = automationDate(argument.date);
      return true;
    case ArgumentKind::StandardInput: {
      const std::vector<unsigned char>* bytes = nullptr;
      return sources.standardInput(&bytes, error) && makeByteArray(*bytes, value, error);
    }
    case ArgumentKind::File: {
      std::vector<unsigned char> bytes;
      return ByteSources::readFile(argument.text, &bytes, error) && makeByteArray(bytes, value, error);
    }
  }
  return false;
}

bool formatResult(const VARIANT& value, std::string* line) {
  switch (value.vt) {
    case VT_EMPTY: return false;
    case VT_NULL: line->clear(); return true;
    case VT_BSTR:
      *line = utf16ToUtf8(vk::platform::asUtf16(value.bstrVal), SysStringLen(value.bstrVal));
      return true;
    case VT_I4: *line = std::to_string(value.lVal); return true;
    case VT_I2: *line = std::to_string(value.iVal); return true;
    case VT_UI1: *line = std::to_string(value.bVal); return true;
    case VT_BOOL: *line = value.boolVal ? "True" : "False"; return true;
    case VT_R8: {
      char text[40];
      std::snprintf(text, sizeof text, "%.17g", value.dblVal);
      *line = text;
      return true;
    }
    case VT_DATE: {
      CalendarTime time;
      if (calendarTimeOf(value.date, &time)) {
        *line = isoText(time);
      } else {
        char text[48];
        std::snprintf(text, sizeof text, "(date out of range: %.17g)", value.date);
        *line = text;
      }
      return true;
    }
    default:
      if (value.vt == (VT_ARRAY | VT_UI1)) {
        *line = hexOfArray(value.parray);
      } else {
        *line = "(a value of variant type " + std::to_string(value.vt) + ")";
      }
      return true;
  }
}

}  // namespace vk::cli
