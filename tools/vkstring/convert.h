// Conversion mode: `vkstring -f FROM -t TO [-c] [-o OUTPUT] [FILE ...]`, an iconv-style filter
// over the component's conversion engine. The bytes written are those LoadFile + SaveToFile
// give (the source read into UTF-8, then written in the target charset); in addition the
// first input sequence that is invalid or that the target cannot represent is reported with
// its file, byte offset and line, or, with -c, left out and counted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vk::cli {

struct ConvertOptions {
  std::string from = "utf-8";
  std::string to = "utf-8";
  bool omitInvalid = false;         // -c
  std::string output;               // -o; empty: standard output
  std::vector<std::string> inputs;  // empty or "-": standard input
};

// Writes "vkstring: <message>" to standard error: every complaint of the program.
void complain(const std::string& message);

// Parses the conversion-mode command line (every argument after the program name). Answers
// false with a message when an option is unknown or lacks its value.
bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions* options, std::string* error);

// Whether the command line asks for conversion mode: its first argument is one of the
// conversion options.
bool isConvertCommandLine(const std::vector<std::string>& args);

// Runs the conversion; answers the exit code (0 done, 1 an invalid or unrepresentable
// character stopped it, 2 an unknown charset name, 7 a file that cannot be read or written).
int runConversion(const ConvertOptions& options);

// The code page of an accepted charset name that the engine converts, 0 otherwise.
std::int32_t convertibleCharset(const std::string& name);

// The "unknown charset" message with up to three close names the component accepts.
std::string unknownCharsetMessage(const std::string& name);
// The same for a name no content coding has: `unknown encoding "bas64"; did you mean "base64"?`.
std::string unknownEncodingMessage(const std::string& name);

// Prints every accepted charset name grouped by code page (vkstring -l).
int listCharsets();

// Where a conversion of `bytes` from `from` to `to` first fails, as LoadFile + SaveToFile
// would drop a character there: the byte offset, or `count` when every character converts.
// `length` receives the length of the offending sequence and `codePoint` the character when
// the input is valid but the target lacks it (else -1).
std::uint32_t firstFailure(std::int32_t from, std::int32_t to, const std::uint8_t* bytes, std::uint32_t count,
                           std::uint32_t* length, std::int32_t* codePoint);

// The longest prefix of `count` bytes in code page `codePage` that ends on a character
// boundary the next block may start at; 0 when the charset cannot be cut (stateful ones).
std::uint32_t safeCut(std::int32_t codePage, const std::uint8_t* bytes, std::uint32_t count, bool atEnd);

}  // namespace vk::cli
